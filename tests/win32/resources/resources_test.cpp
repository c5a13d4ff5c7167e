// The program's resources, linked into this test executable, read back by id through the
// same Win32 calls that load them at run time: menus by command and by position, the
// accelerator table, strings, icon and logo, the dialog templates and the dialogs they
// create, version information and the manifest.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "resources/resource.h"

namespace {

// Resource ids and types as pointers, without the C-style cast of MAKEINTRESOURCEW.
LPCWSTR resourceId(unsigned id) {
  return reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(id));
}

constexpr unsigned kTypeDialog = 5;
constexpr unsigned kTypeGroupIcon = 14;
constexpr unsigned kTypeManifest = 24;

HINSTANCE thisModule() { return GetModuleHandleW(nullptr); }

// The bytes of one resource of this module; empty when it is missing.
std::string_view resourceBytes(unsigned type, unsigned id) {
  HRSRC found = FindResourceW(thisModule(), resourceId(id), resourceId(type));
  if (found == nullptr) return {};
  HGLOBAL loaded = LoadResource(thisModule(), found);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) return {};
  return {static_cast<const char*>(data), SizeofResource(thisModule(), found)};
}

struct MenuDeleter {
  void operator()(HMENU menu) const { DestroyMenu(menu); }
};
using MenuHandle = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDeleter>;

struct WindowDeleter {
  void operator()(HWND window) const { DestroyWindow(window); }
};
using WindowHandle = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;

struct GdiDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using BitmapHandle = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiDeleter>;

struct AcceleratorDeleter {
  void operator()(HACCEL table) const { DestroyAcceleratorTable(table); }
};
using AcceleratorHandle = std::unique_ptr<std::remove_pointer_t<HACCEL>, AcceleratorDeleter>;

// ---------------------------------------------------------------------------------------
// Menus

struct MenuItem {
  bool found = false;
  UINT type = 0;
  UINT id = 0;
  std::wstring text;
  HMENU subMenu = nullptr;
};

MenuItem menuItemAt(HMENU menu, UINT position) {
  wchar_t buffer[128] = {};
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
  info.dwTypeData = buffer;
  info.cch = static_cast<UINT>(std::size(buffer));
  MenuItem item;
  if (!GetMenuItemInfoW(menu, position, TRUE, &info)) return item;
  item.found = true;
  item.type = info.fType;
  item.id = info.wID;
  item.text = buffer;
  item.subMenu = info.hSubMenu;
  return item;
}

constexpr UINT kSeparator = 0;

struct MainMenuRow {
  int popup;
  UINT id;              // kSeparator for a separator
  const wchar_t* text;  // nullptr for a separator
};

const wchar_t* const kMainMenuHeadings[] = {L"&Channels", L"Con&trol", L"&Video size", L"&Help"};

const MainMenuRow kMainMenu[] = {
    {0, IDM_SELECT_CHANNEL, L"&Select\tCTRL+C"},
    {0, kSeparator, nullptr},
    {0, IDM_EDIT_CHANNELS, L"&Edit...\tCTRL+E"},
    {0, kSeparator, nullptr},
    {0, IDM_TEST_CLIPBOARD, L"Test\tCTRL+T"},
    {0, kSeparator, nullptr},
    {0, IDM_LOAD_CHANNELS, L"&Load...\tCTRL+L"},
    {0, IDM_SAVE_CHANNELS, L"&Save...\tCTRL+S"},
    {0, kSeparator, nullptr},
    {0, IDM_EXIT, L"E&xit\tALT+F4"},
    {1, IDM_PLAY_PAUSE, L"&Play / Pause\tSpace"},
    {1, IDM_STOP, L"&Stop\tBackspace"},
    {1, kSeparator, nullptr},
    {1, IDM_PREVIOUS_CHANNEL, L"Pre&vious channel\t<--"},
    {1, IDM_NEXT_CHANNEL, L"&Next channel\t-->"},
    {1, kSeparator, nullptr},
    {1, IDM_RECONNECT, L"&Reconnect\tCTRL+R"},
    {1, kSeparator, nullptr},
    {1, IDM_SOUND_UP, L"Sound &up\tCursor up"},
    {1, IDM_SOUND_DOWN, L"Sound &down\tCursor down"},
    {1, kSeparator, nullptr},
    {1, IDM_INFORMATION, L"Information\tCTRL+I"},
    {2, IDM_FULL_SCREEN, L"&Full screen\tEnter"},
    {2, kSeparator, nullptr},
    {2, IDM_SIZE_50, L"&50%\tCTRL+5"},
    {2, IDM_SIZE_100, L"&100%\tCTRL+1"},
    {2, IDM_SIZE_200, L"&200%\tCTRL+2"},
    {2, IDM_SIZE_FIT, L"&Fit to Window\tCTRL+F"},
    {3, IDM_USER_MANUAL, L"&User manual\tCTRL+H"},
    {3, IDM_HOME_PAGE, L"&Home page"},
    {3, IDM_ABOUT, L"&About ...\tALT+?"},
};

TEST(MenuResources, MainMenuHeadingsItemsAndSeparatorsByPositionAndCommand) {
  MenuHandle menu(LoadMenuW(thisModule(), resourceId(IDR_MAIN_MENU)));
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(GetMenuItemCount(menu.get()), 4);

  HMENU popups[4] = {};
  for (int p = 0; p < 4; ++p) {
    const MenuItem heading = menuItemAt(menu.get(), static_cast<UINT>(p));
    ASSERT_TRUE(heading.found) << "pop-up " << p;
    EXPECT_EQ(heading.text, kMainMenuHeadings[p]) << "pop-up " << p;
    ASSERT_NE(heading.subMenu, nullptr) << "pop-up " << p;
    popups[p] = heading.subMenu;
  }

  int itemsInPopup[4] = {};
  for (std::size_t i = 0; i < std::size(kMainMenu); ++i) {
    const MainMenuRow& row = kMainMenu[i];
    const UINT position = static_cast<UINT>(itemsInPopup[row.popup]++);
    const MenuItem item = menuItemAt(popups[row.popup], position);
    ASSERT_TRUE(item.found) << "row " << i;
    EXPECT_EQ(item.subMenu, nullptr) << "row " << i;
    if (row.text == nullptr) {
      EXPECT_NE(item.type & MFT_SEPARATOR, 0u) << "row " << i << ": separator expected";
      continue;
    }
    EXPECT_EQ(item.type & MFT_SEPARATOR, 0u) << "row " << i;
    EXPECT_EQ(item.id, row.id) << "row " << i;
    EXPECT_EQ(item.text, row.text) << "row " << i;
    // By command from the menu bar, searching the pop-ups, as the menu translation does.
    wchar_t buffer[128] = {};
    const int length = GetMenuStringW(menu.get(), row.id, buffer,
                                      static_cast<int>(std::size(buffer)), MF_BYCOMMAND);
    EXPECT_EQ(std::wstring(buffer, static_cast<std::size_t>(length)), row.text)
        << "row " << i << ", command " << row.id;
  }
  for (int p = 0; p < 4; ++p) {
    EXPECT_EQ(GetMenuItemCount(popups[p]), itemsInPopup[p]) << "pop-up " << p;
  }
}

TEST(MenuResources, ChannelsTemplateHoldsOnlyThePlaceholder) {
  MenuHandle menu(LoadMenuW(thisModule(), resourceId(IDR_CHANNELS_MENU)));
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(GetMenuItemCount(menu.get()), 1);

  const MenuItem heading = menuItemAt(menu.get(), 0);
  EXPECT_EQ(heading.text, L"Item");
  HMENU popup = GetSubMenu(menu.get(), 0);
  ASSERT_NE(popup, nullptr);
  ASSERT_EQ(GetMenuItemCount(popup), 1);

  const MenuItem placeholder = menuItemAt(popup, 0);
  EXPECT_EQ(placeholder.id, static_cast<UINT>(IDM_CHANNELS_PLACEHOLDER));
  EXPECT_EQ(placeholder.text, L"7");
  EXPECT_EQ(placeholder.subMenu, nullptr);
}

// ---------------------------------------------------------------------------------------
// Accelerators

TEST(AcceleratorResources, TableHoldsEveryShortcutInOrder) {
  struct Row {
    BYTE flags;
    WORD key;
    WORD command;
  };
  constexpr BYTE kCtrl = FVIRTKEY | FCONTROL | FNOINVERT;
  constexpr BYTE kAltCharacter = FALT | FNOINVERT;
  const Row expected[] = {
      {kCtrl, 'L', IDM_LOAD_CHANNELS},   {kCtrl, 'S', IDM_SAVE_CHANNELS},
      {kCtrl, 'T', IDM_TEST_CLIPBOARD},  {kCtrl, 'E', IDM_EDIT_CHANNELS},
      {kCtrl, 'H', IDM_USER_MANUAL},     {kCtrl, 'R', IDM_RECONNECT},
      {kCtrl, 'C', IDM_SELECT_CHANNEL},  {kCtrl, '1', IDM_SIZE_100},
      {kCtrl, '2', IDM_SIZE_200},        {kCtrl, '5', IDM_SIZE_50},
      {kCtrl, 'F', IDM_SIZE_FIT},        {kAltCharacter, '/', IDM_ABOUT},
      {kAltCharacter, '?', IDM_ABOUT},   {kCtrl, 'I', IDM_INFORMATION},
  };

  AcceleratorHandle table(LoadAcceleratorsW(thisModule(), resourceId(IDR_ACCELERATORS)));
  ASSERT_NE(table, nullptr);
  const int count = CopyAcceleratorTableW(table.get(), nullptr, 0);
  ASSERT_EQ(count, static_cast<int>(std::size(expected)));

  std::vector<ACCEL> actual(static_cast<std::size_t>(count));
  ASSERT_EQ(CopyAcceleratorTableW(table.get(), actual.data(), count), count);
  for (std::size_t i = 0; i < actual.size(); ++i) {
    EXPECT_EQ(actual[i].fVirt, expected[i].flags) << "entry " << i;
    EXPECT_EQ(actual[i].key, expected[i].key) << "entry " << i;
    EXPECT_EQ(actual[i].cmd, expected[i].command) << "entry " << i;
  }
}

// ---------------------------------------------------------------------------------------
// Strings, icon and logo

TEST(StringResources, FixedTextsAndOwnTextsFitTheLoadLimit) {
  // Start-up and the About box read every string with a limit of 100 units.
  constexpr int kLoadLimit = 100;
  struct Row {
    UINT id;
    const wchar_t* text;  // nullptr: free text, only present and within the limit
  };
  const Row cases[] = {
      {IDS_APP_TITLE, L"Telvia"},      {IDS_VERSION, L"" TELVIA_EXPECTED_VERSION},
      {IDS_WINDOW_CLASS, L"TELVIA"},   {IDS_ABOUT_LINE1, nullptr},
      {IDS_ABOUT_LINE2, nullptr},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    // With a zero buffer size LoadStringW hands out the resource text itself, so the
    // full length is seen even where a copy would have been cut.
    const wchar_t* resourceText = nullptr;
    const int fullLength =
        LoadStringW(thisModule(), cases[i].id, reinterpret_cast<LPWSTR>(&resourceText), 0);
    ASSERT_GT(fullLength, 0) << "case " << i << ", string " << cases[i].id;
    EXPECT_LT(fullLength, kLoadLimit) << "case " << i << ", string " << cases[i].id;

    wchar_t buffer[kLoadLimit];
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    const int length = LoadStringW(thisModule(), cases[i].id, buffer, kLoadLimit);
    EXPECT_EQ(length, fullLength) << "case " << i;
    if (cases[i].text != nullptr) {
      EXPECT_EQ(std::wstring(buffer), cases[i].text) << "case " << i;
    }
  }
}

TEST(ImageResources, LogoIs203By61At24BitsPerPixel) {
  BitmapHandle logo(static_cast<HBITMAP>(LoadImageW(
      thisModule(), resourceId(IDB_LOGO), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  ASSERT_NE(logo, nullptr);
  DIBSECTION section{};
  ASSERT_EQ(GetObjectW(logo.get(), sizeof section, &section),
            static_cast<int>(sizeof section));
  EXPECT_EQ(section.dsBm.bmWidth, 203);
  EXPECT_EQ(section.dsBm.bmHeight, 61);
  EXPECT_EQ(section.dsBm.bmBitsPixel, 24);
  EXPECT_EQ(section.dsBmih.biCompression, static_cast<DWORD>(BI_RGB));
}

TEST(ImageResources, IconGroupHolds16And32And48Pixels) {
  // The icon directory in the resource: a 6-byte header, then 14-byte entries that start
  // with width and height (0 stands for 256).
  const std::string_view group = resourceBytes(kTypeGroupIcon, IDI_TELVIA);
  ASSERT_GE(group.size(), 6u);
  WORD count = 0;
  std::memcpy(&count, group.data() + 4, sizeof count);
  ASSERT_EQ(count, 3);
  ASSERT_GE(group.size(), 6u + 14u * count);

  const int expectedSizes[] = {16, 32, 48};
  for (std::size_t i = 0; i < std::size(expectedSizes); ++i) {
    const auto width = static_cast<unsigned char>(group[6 + 14 * i]);
    const auto height = static_cast<unsigned char>(group[6 + 14 * i + 1]);
    EXPECT_EQ(width, expectedSizes[i]) << "entry " << i;
    EXPECT_EQ(height, expectedSizes[i]) << "entry " << i;
  }
  for (int size : expectedSizes) {
    HANDLE icon = LoadImageW(thisModule(), resourceId(IDI_TELVIA), IMAGE_ICON, size, size, 0);
    EXPECT_NE(icon, nullptr) << size << " px";
    if (icon != nullptr) DestroyIcon(static_cast<HICON>(icon));
  }
}

// ---------------------------------------------------------------------------------------
// Dialogs

// How a created control's size relates to its template.
enum class Sizing {
  kTemplate,    // window rectangle as in the template
  kOwnHeight,   // a drop-down combo box: the window is as high as its edit field, the
                // template height is that of the dropped list
  kOwnPicture,  // a bitmap static: sizes itself to its picture and shows no text
};

struct ControlRow {
  int id;
  const wchar_t* className;
  const wchar_t* text;  // an ordinal text (a picture's resource id) reads "#<id>"
  DWORD style;          // without WS_CHILD and WS_VISIBLE, which every control carries
  short x, y, width, height;  // dialog units
  Sizing sizing = Sizing::kTemplate;
};

struct DialogCase {
  UINT id;
  const wchar_t* title;
  short width, height;
  std::vector<ControlRow> controls;  // in tab order
};

constexpr DWORD kDialogStyle =
    DS_SHELLFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kEditStyle = ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
constexpr DWORD kLabelStyle = SS_LEFT | WS_GROUP;
constexpr DWORD kCentredTextStyle = SS_CENTER | WS_GROUP;
constexpr DWORD kButtonStyle = BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kDefaultButtonStyle = BS_DEFPUSHBUTTON | WS_TABSTOP;

const std::vector<DialogCase>& dialogCases() {
  static const std::vector<DialogCase> cases = {
      {IDD_CHANNEL_LIST, L"Edit channels", 357, 218,
       {
           {IDC_CHANNEL_LIST, L"SysListView32", L"",
            LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | LVS_ALIGNLEFT |
                WS_BORDER | WS_TABSTOP,
            7, 7, 286, 204},
           {IDOK, L"Button", L"OK", kDefaultButtonStyle, 300, 7, 50, 14},
           {IDC_LIST_VISIT, L"Button", L"Visit", kButtonStyle, 300, 23, 50, 14},
           {IDC_LIST_PLAY, L"Button", L"Play", kButtonStyle, 300, 39, 50, 14},
           {IDC_LIST_ADD, L"Button", L"+", kButtonStyle, 300, 63, 50, 14},
           {IDC_LIST_EDIT, L"Button", L"...", kButtonStyle, 300, 79, 50, 14},
           {IDC_LIST_DELETE, L"Button", L"-", kButtonStyle, 300, 97, 50, 14},
           {IDCANCEL, L"Button", L"Cancel", kButtonStyle, 300, 122, 50, 14},
       }},
      {IDD_CHANNEL_FORM, L"Add a channel", 333, 127,
       {
           {IDC_FORM_ON, L"Button", L"Menu", BS_AUTOCHECKBOX | WS_TABSTOP, 7, 17, 70, 9},
           {IDC_FORM_COUNTRY, L"ComboBox", L"",
            CBS_DROPDOWN | CBS_SORT | CBS_UPPERCASE | WS_VSCROLL | WS_TABSTOP, 89, 32, 42, 80,
            Sizing::kOwnHeight},
           {IDC_FORM_NAME, L"Edit", L"", kEditStyle, 89, 50, 237, 12},
           {IDC_FORM_NOTE, L"Edit", L"", kEditStyle | ES_MULTILINE | ES_AUTOVSCROLL, 89, 67, 237,
            12},
           {IDC_FORM_ADDRESS, L"Edit", L"", kEditStyle, 89, 83, 237, 12},
           {IDC_FORM_HOME_PAGE, L"Edit", L"", kEditStyle, 89, 100, 237, 12},
           {IDOK, L"Button", L"OK", kDefaultButtonStyle, 276, 7, 50, 14},
           {IDCANCEL, L"Button", L"Cancel", kButtonStyle, 276, 24, 50, 14},
           {IDC_FORM_COUNTRY_LABEL, L"Static", L"Country:", kLabelStyle, 7, 33, 79, 9},
           {IDC_FORM_NAME_LABEL, L"Static", L"Name:", kLabelStyle, 7, 50, 79, 9},
           {IDC_FORM_NOTE_LABEL, L"Static", L"Note:", kLabelStyle, 7, 67, 79, 9},
           {IDC_FORM_HOME_PAGE_LABEL, L"Static", L"Home page:", kLabelStyle, 7, 101, 79, 9},
           {IDC_FORM_ADDRESS_LABEL, L"Static", L"Address:", kLabelStyle, 7, 84, 79, 9},
       }},
      {IDD_ABOUT, L"About", 220, 120,
       {
           {IDC_ABOUT_LOGO, L"Static", L"#133", SS_BITMAP, 42, 7, 136, 38, Sizing::kOwnPicture},
           {IDC_ABOUT_PRODUCT, L"Static", L"", kCentredTextStyle, 7, 52, 206, 9},
           {IDC_ABOUT_LINE1, L"Static", L"", kCentredTextStyle, 7, 64, 206, 9},
           {IDC_ABOUT_LINE2, L"Static", L"", kCentredTextStyle, 7, 76, 206, 9},
           {IDOK, L"Button", L"OK", kDefaultButtonStyle, 85, 99, 50, 14},
       }},
  };
  return cases;
}

// Reads a DIALOGEX template: its fixed part, its font and its items.
class TemplateReader {
 public:
  explicit TemplateReader(std::string_view bytes) : bytes_(bytes) {}

  bool ok() const { return ok_; }

  template <typename T>
  T read() {
    T value{};
    if (offset_ + sizeof value > bytes_.size()) {
      ok_ = false;
      return value;
    }
    std::memcpy(&value, bytes_.data() + offset_, sizeof value);
    offset_ += sizeof value;
    return value;
  }

  std::wstring readString() {
    std::wstring text;
    for (wchar_t c = read<wchar_t>(); ok_ && c != L'\0'; c = read<wchar_t>()) text += c;
    return text;
  }

  // A menu, class or title field: empty, 0xFFFF and an ordinal (given as "#<ordinal>"),
  // or a string.
  std::wstring readNameOrOrdinal() {
    const auto first = read<WORD>();
    if (first == 0xFFFF) return L"#" + std::to_wstring(read<WORD>());
    if (first == 0) return {};
    offset_ -= sizeof first;
    return readString();
  }

  void alignToDword() { offset_ = (offset_ + 3) & ~std::size_t{3}; }
  void skip(std::size_t count) { offset_ += count; }

 private:
  std::string_view bytes_;
  std::size_t offset_ = 0;
  bool ok_ = true;
};

struct ItemTemplate {
  DWORD style = 0;
  short x = 0, y = 0, width = 0, height = 0;
  DWORD id = 0;
  std::wstring className;
  std::wstring text;
};

struct DialogTemplate {
  WORD signature = 0;
  DWORD style = 0;
  short width = 0, height = 0;
  std::wstring title;
  WORD pointSize = 0;
  std::wstring typeface;
  std::vector<ItemTemplate> items;
};

// The names of the predefined classes that a template gives as ordinals.
std::wstring predefinedClassName(const std::wstring& name) {
  static const std::pair<const wchar_t*, const wchar_t*> ordinals[] = {
      {L"#128", L"Button"},  {L"#129", L"Edit"},      {L"#130", L"Static"},
      {L"#131", L"ListBox"}, {L"#132", L"ScrollBar"}, {L"#133", L"ComboBox"},
  };
  for (const auto& [ordinal, className] : ordinals) {
    if (name == ordinal) return className;
  }
  return name;
}

std::optional<DialogTemplate> readDialogTemplate(UINT id) {
  TemplateReader reader(resourceBytes(kTypeDialog, id));
  DialogTemplate result;
  reader.read<WORD>();  // version
  result.signature = reader.read<WORD>();
  reader.read<DWORD>();  // help id
  reader.read<DWORD>();  // extended style
  result.style = reader.read<DWORD>();
  const auto itemCount = reader.read<WORD>();
  reader.read<short>();  // x
  reader.read<short>();  // y
  result.width = reader.read<short>();
  result.height = reader.read<short>();
  reader.readNameOrOrdinal();  // menu
  reader.readNameOrOrdinal();  // window class
  result.title = reader.readString();
  if (result.style & DS_SETFONT) {
    result.pointSize = reader.read<WORD>();
    reader.read<WORD>();  // weight
    reader.read<BYTE>();  // italic
    reader.read<BYTE>();  // character set
    result.typeface = reader.readString();
  }
  for (WORD i = 0; i < itemCount && reader.ok(); ++i) {
    reader.alignToDword();
    ItemTemplate item;
    reader.read<DWORD>();  // help id
    reader.read<DWORD>();  // extended style
    item.style = reader.read<DWORD>();
    item.x = reader.read<short>();
    item.y = reader.read<short>();
    item.width = reader.read<short>();
    item.height = reader.read<short>();
    item.id = reader.read<DWORD>();
    item.className = predefinedClassName(reader.readNameOrOrdinal());
    item.text = reader.readNameOrOrdinal();
    reader.skip(reader.read<WORD>());  // creation data
    result.items.push_back(item);
  }
  if (!reader.ok()) return std::nullopt;
  return result;
}

bool sameClass(const std::wstring& actual, const wchar_t* expected) {
  return lstrcmpiW(actual.c_str(), expected) == 0;
}

TEST(DialogResources, TemplatesHoldFrameFontAndControlsInTabOrder) {
  const auto& cases = dialogCases();
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const DialogCase& dialog = cases[i];
    const std::optional<DialogTemplate> parsed = readDialogTemplate(dialog.id);
    ASSERT_TRUE(parsed.has_value()) << "case " << i << ", dialog " << dialog.id;
    EXPECT_EQ(parsed->signature, 0xFFFF) << "case " << i << ": not an extended template";
    EXPECT_EQ(parsed->style, kDialogStyle) << "case " << i;
    EXPECT_EQ(parsed->width, dialog.width) << "case " << i;
    EXPECT_EQ(parsed->height, dialog.height) << "case " << i;
    EXPECT_EQ(parsed->title, dialog.title) << "case " << i;
    EXPECT_EQ(parsed->pointSize, 8) << "case " << i;
    EXPECT_EQ(parsed->typeface, L"MS Shell Dlg") << "case " << i;

    ASSERT_EQ(parsed->items.size(), dialog.controls.size()) << "case " << i;
    for (std::size_t c = 0; c < dialog.controls.size(); ++c) {
      const ControlRow& row = dialog.controls[c];
      const ItemTemplate& item = parsed->items[c];
      const std::string where = "case " + std::to_string(i) + ", control " + std::to_string(c);
      EXPECT_EQ(item.id, static_cast<DWORD>(row.id)) << where;
      EXPECT_TRUE(sameClass(item.className, row.className))
          << where << ": class " << testing::PrintToString(item.className);
      EXPECT_EQ(item.text, row.text) << where;
      EXPECT_EQ(item.style, row.style | WS_CHILD | WS_VISIBLE)
          << where << std::hex << ": style 0x" << item.style;
      EXPECT_EQ(item.x, row.x) << where;
      EXPECT_EQ(item.y, row.y) << where;
      EXPECT_EQ(item.width, row.width) << where;
      EXPECT_EQ(item.height, row.height) << where;
    }
  }
}

INT_PTR CALLBACK inertDialogProcedure(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// Where the dialog manager puts a control of this template rectangle: it converts the
// corner and the size separately, so the far edge can differ by one pixel from a
// conversion of the far edge itself.
RECT dialogUnitsToPixels(HWND dialog, int x, int y, int width, int height) {
  RECT corner{x, y, 0, 0};
  MapDialogRect(dialog, &corner);
  RECT size{0, 0, width, height};
  MapDialogRect(dialog, &size);
  return {corner.left, corner.top, corner.left + size.right, corner.top + size.bottom};
}

RECT childRectInDialog(HWND dialog, HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::wstring windowText(HWND window) {
  wchar_t buffer[256] = {};
  GetWindowTextW(window, buffer, static_cast<int>(std::size(buffer)));
  return buffer;
}

std::wstring className(HWND window) {
  wchar_t buffer[256] = {};
  GetClassNameW(window, buffer, static_cast<int>(std::size(buffer)));
  return buffer;
}

class CreatedDialogs : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX classes{};
    classes.dwSize = sizeof classes;
    classes.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&classes);
  }

  static WindowHandle create(UINT id) {
    return WindowHandle(
        CreateDialogParamW(thisModule(), resourceId(id), nullptr, inertDialogProcedure, 0));
  }
};

TEST_F(CreatedDialogs, ControlsExistInTabOrderWithClassTextAndPlace) {
  const auto& cases = dialogCases();
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const DialogCase& dialog = cases[i];
    WindowHandle window = create(dialog.id);
    ASSERT_NE(window, nullptr) << "case " << i << ", dialog " << dialog.id;
    HWND hwnd = window.get();
    EXPECT_FALSE(IsWindowVisible(hwnd)) << "case " << i;
    EXPECT_EQ(windowText(hwnd), dialog.title) << "case " << i;

    RECT client{};
    GetClientRect(hwnd, &client);
    const RECT expectedClient = dialogUnitsToPixels(hwnd, 0, 0, dialog.width, dialog.height);
    EXPECT_EQ(client.right, expectedClient.right) << "case " << i << ": client width";
    EXPECT_EQ(client.bottom, expectedClient.bottom) << "case " << i << ": client height";

    // Children come in creation order, which is the tab order of the template.
    std::size_t c = 0;
    for (HWND child = GetWindow(hwnd, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT), ++c) {
      ASSERT_LT(c, dialog.controls.size()) << "case " << i << ": more controls than expected";
      const ControlRow& row = dialog.controls[c];
      const std::string where = "case " + std::to_string(i) + ", control " + std::to_string(c);
      EXPECT_EQ(GetDlgCtrlID(child), row.id) << where;
      EXPECT_TRUE(sameClass(className(child), row.className))
          << where << ": class " << testing::PrintToString(className(child));
      if (row.sizing != Sizing::kOwnPicture) {
        EXPECT_EQ(windowText(child), row.text) << where;
      }

      const RECT actual = childRectInDialog(hwnd, child);
      const RECT expected = dialogUnitsToPixels(hwnd, row.x, row.y, row.width, row.height);
      EXPECT_EQ(actual.left, expected.left) << where;
      EXPECT_EQ(actual.top, expected.top) << where;
      if (row.sizing != Sizing::kOwnPicture) {
        EXPECT_EQ(actual.right, expected.right) << where;
      }
      if (row.sizing == Sizing::kTemplate) {
        EXPECT_EQ(actual.bottom, expected.bottom) << where;
      }
    }
    EXPECT_EQ(c, dialog.controls.size()) << "case " << i;
  }
}

TEST_F(CreatedDialogs, AboutBoxShowsTheLogoAtItsOwnSize) {
  WindowHandle window = create(IDD_ABOUT);
  ASSERT_NE(window, nullptr);
  HWND logo = GetDlgItem(window.get(), IDC_ABOUT_LOGO);
  ASSERT_NE(logo, nullptr);

  auto bitmap = reinterpret_cast<HBITMAP>(SendMessageW(logo, STM_GETIMAGE, IMAGE_BITMAP, 0));
  ASSERT_NE(bitmap, nullptr);
  BITMAP info{};
  ASSERT_NE(GetObjectW(bitmap, sizeof info, &info), 0);
  EXPECT_EQ(info.bmWidth, 203);
  EXPECT_EQ(info.bmHeight, 61);

  RECT client{};
  GetClientRect(logo, &client);
  EXPECT_EQ(client.right, 203);
  EXPECT_EQ(client.bottom, 61);
}

// ---------------------------------------------------------------------------------------
// Version information and manifest

TEST(VersionResource, FixedAndStringValues) {
  wchar_t path[MAX_PATH] = {};
  ASSERT_NE(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
  ASSERT_NE(size, 0u);
  std::vector<BYTE> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, block.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedSize = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize));
  ASSERT_NE(fixed, nullptr);
  constexpr DWORD kVersionMS = (TELVIA_EXPECTED_VERSION_MAJOR << 16) | TELVIA_EXPECTED_VERSION_MINOR;
  constexpr DWORD kVersionLS = (TELVIA_EXPECTED_VERSION_PATCH << 16) | TELVIA_EXPECTED_VERSION_TWEAK;
  EXPECT_EQ(fixed->dwFileVersionMS, kVersionMS);
  EXPECT_EQ(fixed->dwFileVersionLS, kVersionLS);
  EXPECT_EQ(fixed->dwProductVersionMS, kVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, kVersionLS);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  struct Row {
    const wchar_t* name;
    const wchar_t* value;
  };
  const Row strings[] = {
      {L"ProductName", L"Telvia"},           {L"CompanyName", L"Quorvex"},
      {L"FileDescription", L"Telvia"},       {L"OriginalFilename", L"telvia.exe"},
      {L"FileVersion", L"" TELVIA_EXPECTED_VERSION_QUAD},
      {L"ProductVersion", L"" TELVIA_EXPECTED_VERSION_QUAD},
  };
  for (std::size_t i = 0; i < std::size(strings); ++i) {
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + strings[i].name;
    wchar_t* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value),
                               &length))
        << "case " << i;
    EXPECT_EQ(std::wstring(value), strings[i].value) << "case " << i;
  }
}

TEST(ManifestResource, AsksForCommonControlsSix) {
  const std::string_view manifest = resourceBytes(kTypeManifest, 1);
  ASSERT_FALSE(manifest.empty());
  const std::string_view required[] = {
      R"(name="Microsoft.Windows.Common-Controls")",
      R"(version="6.0.0.0")",
      R"(processorArchitecture="amd64")",
      R"(publicKeyToken="6595b64144ccf1df")",
  };
  for (std::size_t i = 0; i < std::size(required); ++i) {
    EXPECT_NE(manifest.find(required[i]), std::string_view::npos) << "case " << i;
  }
}

TEST(ManifestResource, ProcessContextRedirectsCommonControlsToSideBySideCopy) {
  // The loader reads manifest 1 of the executable at process start; when it is valid the
  // process's default activation context redirects comctl32.dll to the version 6 copy.
  // (DllGetVersion is no proof: some implementations answer 5.x from either copy.)
  ACTCTX_SECTION_KEYED_DATA data{};
  data.cbSize = sizeof data;
  EXPECT_TRUE(FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION,
                                       L"comctl32.dll", &data));
}

}  // namespace

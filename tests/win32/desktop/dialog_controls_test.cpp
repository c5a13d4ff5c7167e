// The dialog controls adapter on the real channel form: the country combo box keeps its list
// sorted and in capitals and finds by prefix without regard to case, limits hold for typed
// text, texts are cut to the asked length, check boxes, titles and message boxes.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dialog_test_support.h"
#include "platform/win32/desktop/win32_dialog_controls.h"
#include "resources/resource.h"

namespace {

using telvia::TextEncoding;
using telvia::test::MessageBoxAnswerer;
using telvia::test::WindowHandle;
using telvia::test::windowText;

class Controls final : public telvia::win32::Win32DialogControls {
public:
    void runChild(int, telvia::DialogHandler&) override {}
};

class DialogControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dialog_ = telvia::test::createDialog(IDD_CHANNEL_FORM);
        ASSERT_NE(dialog_, nullptr);
        controls_.attach(dialog_.get());
    }

    HWND item(int id) { return GetDlgItem(dialog_.get(), id); }

    std::vector<std::wstring> comboItems()
    {
        std::vector<std::wstring> items;
        const auto count = SendMessageW(item(IDC_FORM_COUNTRY), CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            wchar_t text[64] = {};
            SendMessageW(item(IDC_FORM_COUNTRY), CB_GETLBTEXT, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(text));
            items.emplace_back(text);
        }
        return items;
    }

    // Types the text into the control as keyboard characters would arrive.
    void type(HWND target, const std::wstring& text)
    {
        for (const wchar_t c : text) {
            SendMessageW(target, WM_CHAR, c, 0);
        }
    }

    HWND comboEdit()
    {
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        GetComboBoxInfo(item(IDC_FORM_COUNTRY), &info);
        return info.hwndItem;
    }

    WindowHandle dialog_;
    Controls controls_;
};

TEST_F(DialogControlsTest, TheCountryBoxKeepsItsListSortedAndInCapitals)
{
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(item(IDC_FORM_COUNTRY), GWL_STYLE));
    EXPECT_EQ(style & (CBS_SORT | CBS_UPPERCASE), static_cast<DWORD>(CBS_SORT | CBS_UPPERCASE));

    for (const auto* country : {u"usa", u"Deu", u"FRA", u"gbR", u"\u00e4gy"}) {
        controls_.addComboItem(IDC_FORM_COUNTRY, country);
    }
    const std::vector<std::wstring> expected = {L"DEU", L"FRA", L"GBR", L"USA", L"\u00c4GY"};
    std::vector<std::wstring> items = comboItems();
    ASSERT_EQ(items.size(), expected.size());
    // Where the locale puts the A with diaeresis is its own affair; the rest keep their order.
    EXPECT_NE(std::find(items.begin(), items.end(), L"\u00c4GY"), items.end());
    std::erase(items, L"\u00c4GY");
    EXPECT_EQ(items, (std::vector<std::wstring>{L"DEU", L"FRA", L"GBR", L"USA"}));
    EXPECT_EQ(controls_.comboItemCount(IDC_FORM_COUNTRY), 5);
}

TEST_F(DialogControlsTest, FindsTheFirstItemThatBeginsWithTheTextWithoutRegardToCase)
{
    EXPECT_EQ(controls_.findComboItem(IDC_FORM_COUNTRY, u"US"), -1) << "empty list";
    EXPECT_EQ(controls_.findComboItem(IDC_FORM_COUNTRY, u""), -1) << "empty list, empty text";
    for (const auto* country : {u"USA", u"DEU", u"GBR", u"US", u"DEN"}) {
        controls_.addComboItem(IDC_FORM_COUNTRY, country);
    }
    // The list: DEN, DEU, GBR, US, USA.
    const struct {
        std::u16string prefix;
        int expected;
    } cases[] = {
        {u"DEN", 0}, {u"deu", 1}, {u"De", 0}, {u"d", 0},      {u"g", 2},
        {u"us", 3},  {u"USA", 4}, {u"usa", 4}, {u"USAX", -1}, {u"X", -1},
        {u"", 0},    {u"EU", -1},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(controls_.findComboItem(IDC_FORM_COUNTRY, cases[i].prefix), cases[i].expected)
            << "case " << i;
    }
}

TEST_F(DialogControlsTest, SelectingAnItemPutsItsTextIntoTheEditField)
{
    for (const auto* country : {u"ITA", u"DEU", u"FRA"}) {
        controls_.addComboItem(IDC_FORM_COUNTRY, country);
    }
    const struct {
        int index;
        std::u16string text;
    } cases[] = {{0, u"DEU"}, {2, u"ITA"}, {1, u"FRA"}, {-1, u""}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        controls_.selectComboItem(IDC_FORM_COUNTRY, cases[i].index);
        EXPECT_EQ(controls_.text(IDC_FORM_COUNTRY, 3), cases[i].text) << "case " << i;
        EXPECT_EQ(SendMessageW(item(IDC_FORM_COUNTRY), CB_GETCURSEL, 0, 0), cases[i].index)
            << "case " << i;
    }
}

TEST_F(DialogControlsTest, LimitsHoldForTypedText)
{
    const struct {
        int id;
        std::size_t limit;
        std::wstring typed;
        std::u16string expected;
    } cases[] = {
        {IDC_FORM_COUNTRY, 3, L"gbrx", u"GBR"},
        {IDC_FORM_NAME, 5, L"Channel", u"Chann"},
        {IDC_FORM_HOME_PAGE, 259, std::wstring(300, L'h'), std::u16string(259, u'h')},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        controls_.limitText(c.id, c.limit);
        const HWND edit = c.id == IDC_FORM_COUNTRY ? comboEdit() : item(c.id);
        ASSERT_NE(edit, nullptr) << "case " << i;
        type(edit, c.typed);
        EXPECT_EQ(controls_.text(c.id, 1000), c.expected) << "case " << i;
    }
}

TEST_F(DialogControlsTest, TextsGoInWholeAndComeOutCutToTheAskedLength)
{
    const std::u16string note(519, u'n');
    const struct {
        int id;
        std::u16string text;
        std::size_t maxLength;
        std::u16string expected;
    } cases[] = {
        {IDC_FORM_NOTE, note, 519, note},
        {IDC_FORM_NOTE, note + u"more", 519, note},
        {IDC_FORM_NOTE, u"line one\r\nline two", 100, u"line one\r\nline two"},
        {IDC_FORM_NAME, u"  spaced\t", 259, u"  spaced\t"},
        {IDC_FORM_NAME, u"\u0420\u0430\u0434\u0438\u043e", 3, u"\u0420\u0430\u0434"},
        {IDC_FORM_NAME, u"abc", 0, u""},
        {IDC_FORM_COUNTRY, u"DEUX", 3, u"DEU"},
        {IDC_FORM_ON, u"Menu", 10, u"Menu"},
        {9999, u"nowhere", 10, u""},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        controls_.setText(c.id, c.text);
        EXPECT_EQ(controls_.text(c.id, c.maxLength), c.expected) << "case " << i;
    }
}

TEST_F(DialogControlsTest, ControlsWriteNoMoreThanTheBufferTheyAreGiven)
{
    // The adapter sizes its buffer as the text asked for plus the terminator.
    for (const int id : {IDC_FORM_NAME, IDC_FORM_NOTE, IDC_FORM_COUNTRY}) {
        SetDlgItemTextW(dialog_.get(), id, L"ABCDEFGH");
        for (int size = 1; size <= 10; ++size) {
            std::wstring buffer(20, L'#');
            GetDlgItemTextW(dialog_.get(), id, buffer.data(), size);
            EXPECT_EQ(buffer.substr(static_cast<std::size_t>(size)), std::wstring(20 - size, L'#'))
                << "control " << id << ", size " << size;
        }
    }
}

TEST_F(DialogControlsTest, CheckBoxAndEnablingAndShowing)
{
    for (const bool on : {true, false, true}) {
        controls_.setChecked(IDC_FORM_ON, on);
        EXPECT_EQ(controls_.isChecked(IDC_FORM_ON), on);
        EXPECT_EQ(IsDlgButtonChecked(dialog_.get(), IDC_FORM_ON), on ? BST_CHECKED : BST_UNCHECKED);
    }
    EXPECT_FALSE(controls_.isChecked(9999));

    controls_.enableControl(IDOK, false);
    EXPECT_FALSE(IsWindowEnabled(item(IDOK)));
    controls_.enableControl(IDOK, true);
    EXPECT_TRUE(IsWindowEnabled(item(IDOK)));

    // The control's own visibility; the dialog stays hidden (closing a shown window is slow
    // under Wine).
    const auto shown = [this] {
        return (GetWindowLongPtrW(item(IDC_FORM_NOTE), GWL_STYLE) & WS_VISIBLE) != 0;
    };
    controls_.showControl(IDC_FORM_NOTE, false);
    EXPECT_FALSE(shown());
    controls_.showControl(IDC_FORM_NOTE, true);
    EXPECT_TRUE(shown());

    controls_.enableWindow(false);
    EXPECT_FALSE(IsWindowEnabled(dialog_.get()));
    controls_.enableWindow(true);
    EXPECT_TRUE(IsWindowEnabled(dialog_.get()));
}

TEST_F(DialogControlsTest, TranslatedTextsAreConvertedAndTitlesSet)
{
    controls_.setDialogTitle("Sender hinzuf\xc3\xbcgen", TextEncoding::utf8);
    EXPECT_EQ(windowText(dialog_.get()), L"Sender hinzuf\u00fcgen");
    EXPECT_EQ(controls_.title(), u"Sender hinzuf\u00fcgen");
    controls_.setControlText(IDC_FORM_NAME_LABEL, "Nom :", TextEncoding::ansi);
    EXPECT_EQ(windowText(item(IDC_FORM_NAME_LABEL)), L"Nom :");
    controls_.setControlText(9999, "nowhere", TextEncoding::ansi);  // changes nothing
    controls_.setTitle(u"Edit channel");
    EXPECT_EQ(windowText(dialog_.get()), L"Edit channel");
    const std::u16string longTitle(600, u'T');
    controls_.setTitle(longTitle);
    EXPECT_EQ(controls_.title(), longTitle);
}

TEST_F(DialogControlsTest, MessageBoxesAreOwnedByTheDialogAndAnswerYesOnlyForYes)
{
    // Each box closed costs Wine about two seconds without a window manager, so Enter
    // stands for every other answer: it also shows that No is the default.
    ShowWindow(dialog_.get(), SW_SHOWNA);
    const struct {
        int answer;
        bool expected;
    } cases[] = {{IDYES, true}, {MessageBoxAnswerer::pressEnter, false}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        MessageBoxAnswerer answerer(dialog_.get(), cases[i].answer);
        EXPECT_EQ(controls_.askYesNo(u"Delete the selected item. Are you sure?", u"Telvia"),
                  cases[i].expected)
            << "case " << i;
        const auto& seen = answerer.seen();
        ASSERT_TRUE(seen.found) << "case " << i;
        EXPECT_EQ(seen.caption, L"Telvia") << "case " << i;
        EXPECT_EQ(seen.text, L"Delete the selected item. Are you sure?") << "case " << i;
        EXPECT_TRUE(seen.hasYes && seen.hasNo) << "case " << i;
        EXPECT_EQ(seen.focusedButton, IDNO) << "case " << i << ": No is the default";
    }

    MessageBoxAnswerer answerer(dialog_.get(), IDOK);
    controls_.showInformation(u"Please select a line!", u"Telvia");
    const auto& seen = answerer.seen();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.caption, L"Telvia");
    EXPECT_EQ(seen.text, L"Please select a line!");
    EXPECT_FALSE(seen.hasYes || seen.hasNo);
}

}  // namespace

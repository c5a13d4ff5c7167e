// The main menu's texts with and without a translation file in the working folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "driver/menu_probe.h"
#include "driver/options.h"
#include "driver/text.h"
#include "scenario.h"

namespace telvia::e2e {
namespace {

constexpr std::wstring_view translationFile = L"translation.ini";

// Every text of the main menu that a translation can replace: its key in the menu
// section, the heading position (below 100) or command id of the item, and its built-in
// text.
struct MenuText {
    const char* key;
    unsigned item;
    const wchar_t* builtIn;
};
constexpr MenuText menuTexts[] = {
    {"CHANNELS", 0, L"&Channels"},
    {"SELECT_CH", 32797, L"&Select\tCTRL+C"},
    {"EDIT_CH", 32783, L"&Edit...\tCTRL+E"},
    {"LOAD_CH", 32808, L"&Load...\tCTRL+L"},
    {"SAVE_CH", 32804, L"&Save...\tCTRL+S"},
    {"TEST_CH", 32813, L"Test\tCTRL+T"},
    {"EXIT", 105, L"E&xit\tALT+F4"},
    {"PLAY", 1, L"Con&trol"},
    {"PLAY_PAUSE", 101, L"&Play / Pause\tSpace"},
    {"STOP", 32789, L"&Stop\tBackspace"},
    {"CH_PREVIOUS", 32796, L"Pre&vious channel\t<--"},
    {"CH_NEXT", 32795, L"&Next channel\t-->"},
    {"RECONNECT", 32807, L"&Reconnect\tCTRL+R"},
    {"SOUND_UP", 32800, L"Sound &up\tCursor up"},
    {"SOUND_DOWN", 32801, L"Sound &down\tCursor down"},
    {"INFO", 32820, L"Information\tCTRL+I"},
    {"VIDEO_SIZE", 2, L"&Video size"},
    {"FULLSCREEN", 32772, L"&Full screen\tEnter"},
    {"S_50", 32774, L"&50%\tCTRL+5"},
    {"S_100", 32775, L"&100%\tCTRL+1"},
    {"S_200", 32776, L"&200%\tCTRL+2"},
    {"S_FITTOWINDOW", 32777, L"&Fit to Window\tCTRL+F"},
    {"HELP", 3, L"&Help"},
    {"MANUAL", 32782, L"&User manual\tCTRL+H"},
    {"HOME_PAGE", 32812, L"&Home page"},
    {"ABOUT", 104, L"&About ...\tALT+?"},
};

using TextsByKey = std::map<std::string, std::wstring>;

TextsByKey builtInTexts(const TextsByKey& replaced = {})
{
    TextsByKey texts;
    for (const MenuText& text : menuTexts) {
        texts[text.key] = text.builtIn;
    }
    for (const auto& [key, text] : replaced) {
        texts[key] = text;
    }
    return texts;
}

// What the menu bar shows for each key; "(missing)" for an item that is not there.
TextsByKey shownTexts(const MenuDump& menus)
{
    TextsByKey texts;
    for (const MenuText& text : menuTexts) {
        const MenuItem* found = nullptr;
        for (const MenuItem& item : menus.bar) {
            const bool heading = text.item < 100;
            if (heading ? item.depth == 0 && item.position == static_cast<int>(text.item)
                        : item.depth > 0 && !item.popup && item.id == text.item) {
                found = &item;
                break;
            }
        }
        texts[text.key] = found != nullptr ? found->text : L"(missing)";
    }
    return texts;
}

// Whether the menu shows `expected`, naming only the texts that differ.
::testing::AssertionResult showsTexts(const MenuDump& menus, const TextsByKey& expected)
{
    const TextsByKey shown = shownTexts(menus);
    std::string differences;
    for (const auto& [key, text] : expected) {
        const std::wstring& actual = shown.at(key);
        if (actual != text) {
            differences += "\n  " + key + ": \"" + toUtf8(actual) + "\", expected \"" + toUtf8(text) + "\"";
        }
    }
    if (differences.empty()) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "the menu shows other texts:" << differences;
}

// A file saved as "Unicode" (UTF-16LE with its byte-order mark), as Notepad saves it.
std::string unicodeFile(std::u16string_view text)
{
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

using Translation = Scenario;

TEST_F(Translation, WithoutAFileTheMenuKeepsItsBuiltInTexts)
{
    TelviaProcess& telvia = startAndWaitForWindow();
    const MenuDump menus = readMenus(telvia, workspace());
    exitNormally(telvia);

    EXPECT_TRUE(showsTexts(menus, builtInTexts()));
}

TEST_F(Translation, AMenuTextReplacesTheWholeItemAndOnlyThatItem)
{
    struct Case {
        const char* name;
        std::string file;
        TextsByKey replaced;
    };
    const Case cases[] = {
        // 0xE4 is a letter with an accent in the usual ANSI code pages.
        {"only the first heading, ANSI text",
         "[SECTION_5]\r\nCHANNELS=Kan\xE4le\r\n",
         {{"CHANNELS", fromCodePage("Kan\xE4le", CP_ACP)}}},
        {"the whole item, shortcut hint included", "[SECTION_5]\r\nEXIT=Quit\r\n", {{"EXIT", L"Quit"}}},
        {"a hint of its own after a tab",
         "[SECTION_5]\r\nSTOP=&Halt\tRuecktaste\r\nHELP=&Hilfe\r\n",
         {{"STOP", L"&Halt\tRuecktaste"}, {"HELP", L"&Hilfe"}}},
        {"section and key names in another case", "[section_5]\nexit=Quit\n", {{"EXIT", L"Quit"}}},
        {"blanks and one pair of quotes around the text are dropped",
         "[SECTION_5]\r\n  EXIT =  \"Quit now\"  \r\n",
         {{"EXIT", L"Quit now"}}},
        {"an empty text keeps the built-in one", "[SECTION_5]\r\nEXIT=\r\n", {}},
        {"a key of another section is not a menu text", "[SECTION_4]\r\nEXIT=Quit\r\nCHANNELS=Kanaele\r\n", {}},
        {"a text longer than 259 bytes is cut", "[SECTION_5]\r\nEXIT=" + std::string(300, 'q') + "\r\n",
         {{"EXIT", std::wstring(259, L'q')}}},
        {"a file saved as Unicode",
         unicodeFile(u"[SECTION_5]\r\nCHANNELS=\u041A\u0430\u043D\u0430\u043B\u044B\r\nEXIT=Quit\r\n"),
         {{"CHANNELS", L"\u041A\u0430\u043D\u0430\u043B\u044B"}, {"EXIT", L"Quit"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        workspace().writeFile(translationFile, c.file);

        TelviaProcess& telvia = startAndWaitForWindow();
        const MenuDump menus = readMenus(telvia, workspace());
        exitNormally(telvia);

        EXPECT_TRUE(showsTexts(menus, builtInTexts(c.replaced)));
    }
}

std::string readWholeFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    if (!file) {
        throw std::runtime_error("cannot read " + toUtf8(path.wstring()));
    }
    return bytes.str();
}

// The non-empty texts of the menu section of a sample file, decoded. The samples are plain:
// one "KEY=text" a line, no quotes, no blanks around the "=".
TextsByKey menuSectionOf(std::string_view bytes, unsigned codePage)
{
    constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    if (bytes.starts_with(byteOrderMark)) {
        bytes.remove_prefix(byteOrderMark.size());
    }
    TextsByKey texts;
    bool inMenuSection = false;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes = end == std::string_view::npos ? std::string_view{} : bytes.substr(end + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (line.starts_with('[')) {
            inMenuSection = line == "[SECTION_5]";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (inMenuSection && equals != std::string_view::npos && equals + 1 < line.size()) {
            texts[std::string(line.substr(0, equals))] = fromCodePage(line.substr(equals + 1), codePage);
        }
    }
    return texts;
}

TEST_F(Translation, ASampleTranslationReplacesEveryMenuTextItNames)
{
    struct Case {
        const char* folder;
        unsigned codePage;  // of the file's texts
        bool readable;      // whether this system can show them
    };
    const Case cases[] = {
        {"german", 1252, GetACP() == 1252},  // ANSI texts: right only in the code page they were written in
        {"russian", CP_UTF8, true},          // UTF-8 with a byte-order mark
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        if (!c.readable) {
            std::printf("the %s sample needs the ANSI code page %u, this system has %u: not tried\n", c.folder,
                        c.codePage, GetACP());
            continue;
        }
        const std::filesystem::path sample =
            windowsPath(fromUtf8(TELVIA_SAMPLE_TRANSLATIONS)) / fromUtf8(c.folder) / L"translation.ini";
        const TextsByKey named = menuSectionOf(readWholeFile(sample), c.codePage);
        ASSERT_FALSE(named.empty()) << "the sample names no menu text";
        workspace().copyIn(sample, translationFile);

        TelviaProcess& telvia = startAndWaitForWindow();
        const MenuDump menus = readMenus(telvia, workspace());
        exitNormally(telvia);

        EXPECT_TRUE(showsTexts(menus, builtInTexts(named)));
    }
}

}  // namespace
}  // namespace telvia::e2e

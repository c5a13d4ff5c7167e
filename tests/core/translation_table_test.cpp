#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "app/main_window_presenter.h"
#include "fake_ports.h"
#include "i18n/dialog_texts.h"
#include "i18n/menu_texts.h"
#include "i18n/translation_table.h"
#include "utf16_file.h"

namespace telvia {
namespace {

using fakes::FakePlatform;

constexpr std::u16string_view fileName = u".\\translation.ini";

struct TranslationFixture : ::testing::Test {
    FakePlatform platform;
    std::unique_ptr<TranslationTable> table = std::make_unique<TranslationTable>();

    void load(std::string_view fileText)
    {
        platform.files.putText(fileName, fileText);
        loadTranslations(*table, platform.files);
    }
};

// Section, id and key of every entry in load order, written out from the file format
// rather than from the resource ids the loader uses.
const std::vector<std::tuple<int, int, std::string>> loadOrder = {
    {0, 0, "MAIN_TITLE"}, {0, 1, "OK"}, {0, 2, "CANCEL"}, {0, 101, "PLAY"},
    {0, 32812, "HOME_PAGE"},
    {1, 0, "MAIN_TITLE"}, {1, -1, "MAIN_TITLE_2"}, {1, 1008, "ON"}, {1, 1, "OK"},
    {1, 2, "CANCEL"}, {1, 1014, "COUNTRY"}, {1, 1015, "NAME"}, {1, 1016, "NOTE"},
    {1, 1017, "ADDRESS"}, {1, 1018, "PAGE"},
    {2, 0, "CMN_1"}, {2, 0, "CMN_2"}, {2, 0, "CMN_3"}, {2, 0, "CMN_4"}, {2, 0, "CMN_5"},
    {2, 0, "CMN_6"}, {2, 0, "CONNECTING"}, {2, 0, "BUFFERING"}, {2, 0, "PAUSE"},
    {3, 0, "MAIN_TITLE"}, {3, 1, "OK"}, {3, 2, "CANCEL"}, {3, 4, "MARK"}, {3, 5, "UNMARK"},
    {3, 32812, "HOME_PAGE"},
    {4, 0, "MAIN_TITLE"}, {4, 1, "OK"}, {4, 2, "CANCEL"}, {4, 4, "MARK"}, {4, 5, "UNMARK"},
    {4, 32812, "HOME_PAGE"},
    {5, 0, "CHANNELS"}, {5, 32797, "SELECT_CH"}, {5, 32783, "EDIT_CH"}, {5, 32808, "LOAD_CH"},
    {5, 32804, "SAVE_CH"}, {5, 32813, "TEST_CH"}, {5, 105, "EXIT"}, {5, 1, "PLAY"},
    {5, 101, "PLAY_PAUSE"}, {5, 32789, "STOP"}, {5, 32796, "CH_PREVIOUS"},
    {5, 32795, "CH_NEXT"}, {5, 32807, "RECONNECT"}, {5, 32800, "SOUND_UP"},
    {5, 32801, "SOUND_DOWN"}, {5, 32820, "INFO"}, {5, 2, "VIDEO_SIZE"},
    {5, 32772, "FULLSCREEN"}, {5, 32774, "S_50"}, {5, 32775, "S_100"}, {5, 32776, "S_200"},
    {5, 32777, "S_FITTOWINDOW"}, {5, 3, "HELP"}, {5, 32782, "MANUAL"},
    {5, 32812, "HOME_PAGE"}, {5, 104, "ABOUT"},
};

std::vector<std::tuple<int, int, std::string>> entriesOf(const TranslationTable& table)
{
    std::vector<std::tuple<int, int, std::string>> entries;
    for (int section = 0; section < translationSectionCount; ++section) {
        for (const TranslationEntry& entry : table.section(section)) {
            entries.emplace_back(section, entry.id, std::string(entry.key.view()));
        }
    }
    return entries;
}

// A file that gives every key of the load order the text "<section>:<key>".
std::string fileWithEveryKey()
{
    std::string file;
    int current = -1;
    for (const auto& [section, id, key] : loadOrder) {
        if (section != current) {
            file += "[SECTION_" + std::to_string(section) + "]\r\n";
            current = section;
        }
        file += key + "=" + std::to_string(section) + ":" + key + "\r\n";
    }
    return file;
}

TEST_F(TranslationFixture, LoadsEveryKeyInItsOrderWithItsId)
{
    const struct {
        const char* what;
        bool present;
        bool filled;
    } cases[] = {{"no file", false, false}, {"every key", true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.present) {
            load(fileWithEveryKey());
        } else {
            loadTranslations(*table, platform.files);
        }
        EXPECT_EQ(entriesOf(*table), loadOrder);
        const std::array<std::int32_t, 6> counts = {5, 10, 9, 6, 6, 26};
        EXPECT_EQ(table->counts, counts);
        for (int section = 0; section < translationSectionCount; ++section) {
            for (const TranslationEntry& entry : table->section(section)) {
                const std::string expected =
                    c.filled ? std::to_string(section) + ":" + std::string(entry.key.view()) : "";
                EXPECT_EQ(entry.text.view(), expected) << section << " " << entry.key.view();
            }
        }
    }
    EXPECT_TRUE(platform.log.contains("files.openForReading .\\translation.ini"));
}

TEST_F(TranslationFixture, ReadsTheFileWhateverWayItArrives)
{
    const std::string padding(translationFileReadLimit, ';');
    const struct {
        const char* what;
        std::string file;
        bool locked;
        std::optional<std::uint32_t> shortReads;
        std::string exit;
        std::string stop;
    } cases[] = {
        {"whole", "[SECTION_5]\nEXIT=Quit\nSTOP=Halt\n", false, {}, "Quit", "Halt"},
        {"in small reads", "[SECTION_5]\nEXIT=Quit\nSTOP=Halt\n", false, 5, "Quit", "Halt"},
        {"UTF-16 in reads of an odd size", testing::utf16File(u"[SECTION_5]\nEXIT=Quit\nSTOP=Halt\n"), false, 5,
         "Quit", "Halt"},
        {"locked", "[SECTION_5]\nEXIT=Quit\nSTOP=Halt\n", true, {}, "", ""},
        // Only the first MiB is read: what lies beyond it is not translated.
        {"longer than the limit", "[SECTION_5]\nEXIT=Quit\n" + padding + "\nSTOP=Halt\n", false,
         {}, "Quit", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        platform.files.locked.clear();
        if (c.locked) {
            platform.files.locked.emplace_back(fileName);
        }
        platform.files.shortReadLimit = c.shortReads;
        load(c.file);
        EXPECT_EQ(lookupText(*table, mainMenuTexts, "EXIT", "").text, c.exit);
        EXPECT_EQ(lookupText(*table, mainMenuTexts, "STOP", "").text, c.stop);
    }
}

TEST_F(TranslationFixture, LoadingAgainStartsFromAnEmptyTable)
{
    load("[SECTION_5]\nEXIT=Quit\n");
    load("\xEF\xBB\xBF[SECTION_5]\nSTOP=Halt\n");
    EXPECT_EQ(table->counts[5], 26);
    EXPECT_EQ(table->encoding, TextEncoding::utf8);
    EXPECT_EQ(lookupText(*table, mainMenuTexts, "EXIT", "E&xit").text, "E&xit");
    EXPECT_EQ(lookupText(*table, mainMenuTexts, "STOP", "").text, "Halt");
}

TEST_F(TranslationFixture, LookupGivesTheFirstNonEmptyTextOrTheDefault)
{
    load("[SECTION_1]\nMAIN_TITLE=Kanal\nOK=\n"
         "[SECTION_2]\nCMN_3=Nom\nCONNECTING=Connexion\n"
         "[SECTION_0]\nOK=Gut\n");
    const struct {
        int section;
        const char* key;
        const char* expected;
    } cases[] = {
        {2, "CMN_3", "Nom"},
        {2, "CMN_1", "Menu"},         // key not in the file
        {1, "OK", "Menu"},            // key with an empty value
        {0, "OK", "Gut"},             // the same key in another section is another entry
        {2, "cmn_3", "Menu"},         // the table's keys compare with case
        {2, "NOT_A_KEY", "Menu"},
        {1, "MAIN_TITLE_2", "Menu"},  // only MAIN_TITLE is translated
        {-1, "CMN_3", "Menu"},
        {6, "CMN_3", "Menu"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.section) + " " + c.key);
        EXPECT_EQ(lookupText(*table, c.section, c.key, "Menu").text, c.expected);
    }

    // Two entries of one key: an empty first one does not hide the second.
    TranslationTable& manual = *table;
    manual.entries[2][0].key.assign("PAUSE");
    manual.entries[2][0].text.assign("");
    manual.entries[2][1].key.assign("PAUSE");
    manual.entries[2][1].text.assign("Pause!");
    manual.entries[2][2].key.assign("PAUSE");
    manual.entries[2][2].text.assign("third");
    manual.counts[2] = 1;
    EXPECT_EQ(lookupText(manual, commonTexts, "PAUSE", "d").text, "d");  // beyond the count
    manual.counts[2] = 3;
    EXPECT_EQ(lookupText(manual, commonTexts, "PAUSE", "d").text, "Pause!");
}

TEST_F(TranslationFixture, StatusWordsConvertWithTheFilesEncoding)
{
    const struct {
        const char* what;
        std::string file;
        std::u16string expected;
        const char* conversion;
    } cases[] = {
        {"ANSI", "[SECTION_2]\nCONNECTING=Verbinde \xFC" "ber Netz\n", u"Verbinde \u00FCber Netz",
         "textConversion.toUtf16 ansi"},
        {"UTF-8", "\xEF\xBB\xBF[SECTION_2]\nCONNECTING=\xD0\xA1\xD0\xB2\xD1\x8F\xD0\xB7\xD1\x8C\n",
         u"\u0421\u0432\u044F\u0437\u044C", "textConversion.toUtf16 utf8"},
        {"UTF-16LE with its byte-order mark",
         testing::utf16File(u"[SECTION_2]\r\nCONNECTING=\u0421\u0432\u044F\u0437\u044C\r\n"),
         u"\u0421\u0432\u044F\u0437\u044C", "textConversion.toUtf16 utf8"},
        {"not translated", "", u"", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        platform.log.calls.clear();
        load(c.file);
        EXPECT_EQ(lookupTextUtf16(*table, platform.textConversion, commonTexts, "CONNECTING", ""),
                  c.expected);
        if (c.conversion != nullptr) {
            EXPECT_TRUE(platform.log.contains(c.conversion));
        }
    }
}

TEST_F(TranslationFixture, DialogsGetTheirNonEmptyTexts)
{
    const std::string file =
        "[SECTION_1]\nMAIN_TITLE=Kanal\nMAIN_TITLE_2=Kanal bearbeiten\nON=\nNAME=Name:\n"
        "[SECTION_3]\nMAIN_TITLE=Sichern\nMARK=Alle\nHOME_PAGE=Besuchen\n"
        "[SECTION_4]\nMAIN_TITLE=Laden\n";
    const struct {
        int section;
        std::vector<std::string> calls;
    } cases[] = {
        {0, {}},
        {1, {"dialogTexts.title Kanal ansi", "dialogTexts.control 1015 Name: ansi"}},
        {3,
         {"dialogTexts.title Sichern ansi", "dialogTexts.control 4 Alle ansi",
          "dialogTexts.control 32812 Besuchen ansi"}},
        {4, {"dialogTexts.title Laden ansi"}},
    };
    load(file);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.section);
        fakes::CallLog log;
        fakes::FakeDialogTexts dialog(log);
        applyDialogTexts(*table, c.section, dialog);
        EXPECT_EQ(log.calls, c.calls);
    }

    // A control the dialog lacks changes nothing; the others take the text.
    fakes::CallLog log;
    fakes::FakeDialogTexts dialog(log);
    dialog.title = "Save channels";
    dialog.controls = {{1, "OK"}, {4, "Select all"}};
    applyDialogTexts(*table, saveChannelsTexts, dialog);
    EXPECT_EQ(dialog.title, "Sichern");
    const std::map<int, std::string> controls = {{1, "OK"}, {4, "Alle"}};
    EXPECT_EQ(dialog.controls, controls);
}

TEST_F(TranslationFixture, MenuTextsGoByPositionOrCommandThenTheBarIsRedrawn)
{
    const struct {
        const char* what;
        std::string file;
        std::vector<std::string> calls;
    } cases[] = {
        {"no file", "", {"menuTexts.redrawMenuBar"}},
        {"one heading",
         "[SECTION_5]\nCHANNELS=Kan\xE4le\n",
         {"menuTexts.set position 0 Kan\xE4le ansi", "menuTexts.redrawMenuBar"}},
        {"items and headings in load order, empty ones left out",
         "[section_5]\nabout=\xDC" "ber\nexit=Quit\nSTOP=\nHELP=Hilfe\nPLAY=Steuerung\n"
         "S_50=50%\tStrg+5\n",
         {"menuTexts.set command 105 Quit ansi", "menuTexts.set position 1 Steuerung ansi",
          "menuTexts.set command 32774 50%\tStrg+5 ansi", "menuTexts.set position 3 Hilfe ansi",
          "menuTexts.set command 104 \xDC" "ber ansi", "menuTexts.redrawMenuBar"}},
        {"UTF-8 file",
         "\xEF\xBB\xBF[SECTION_5]\nVIDEO_SIZE=\xD0\x92\xD0\xB8\xD0\xB4\xD0\xB5\xD0\xBE\n",
         {"menuTexts.set position 2 \xD0\x92\xD0\xB8\xD0\xB4\xD0\xB5\xD0\xBE utf8",
          "menuTexts.redrawMenuBar"}},
        {"other sections only", "[SECTION_0]\nPLAY=Spielen\n", {"menuTexts.redrawMenuBar"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        load(c.file);
        platform.log.calls.clear();
        applyMenuTexts(*table, platform.menuTexts);
        EXPECT_EQ(platform.log.calls, c.calls);
    }
}

TEST_F(TranslationFixture, StartUpTranslatesTheMenuBeforeThePlayingChannel)
{
    auto state = std::make_unique<AppState>();
    state->productName = u"Telvia";
    state->channels[0].country = u"DEU";
    state->channels[0].name = u"Saved";
    state->channels[0].address = u"http://saved";
    state->current.name = u"Saved";
    load("[SECTION_5]\nEXIT=Beenden\n");
    platform.log.calls.clear();

    MainWindowPresenter presenter{*state, platform.ports, *table};
    ASSERT_TRUE(presenter.onCreate());
    const int timer = platform.log.indexOf("window.startTimer 1 200");
    const int item = platform.log.indexOf("menuTexts.set command 105 Beenden ansi");
    const int redraw = platform.log.indexOf("menuTexts.redrawMenuBar");
    const int title = platform.log.indexOf("window.setTitle Telvia  [ Saved ]");
    ASSERT_GE(timer, 0);
    EXPECT_GT(item, timer);
    EXPECT_EQ(redraw, item + 1);
    EXPECT_GT(title, redraw);
}

// The sample translations shipped with the program: complete, and readable in the
// encoding they announce. Found in the source tree the tests were built from; skipped
// where that cannot be opened (a test run on another machine).
TEST(SampleTranslationsTest, AreCompleteAndKeepTheShortcutHints)
{
    const std::filesystem::path root = std::filesystem::path(TELVIA_SOURCE_DIR) / "translations";
    const struct {
        const char* language;
        bool utf8Required;
    } cases[] = {{"german", false}, {"russian", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        std::ifstream in(root / c.language / "translation.ini", std::ios::binary);
        if (!in) {
            GTEST_SKIP() << "sample translations not found under " << root.string();
        }
        std::string bytes;
        char buffer[4096];
        while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
            bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
        }
        auto table = std::make_unique<TranslationTable>();
        loadTranslationsFrom(*table, bytes);
        if (c.utf8Required) {
            EXPECT_EQ(table->encoding, TextEncoding::utf8);
        }
        fakes::CallLog log;
        fakes::FakeTextConversion conversion(log);
        for (int section = 0; section < translationSectionCount; ++section) {
            for (const TranslationEntry& entry : table->section(section)) {
                SCOPED_TRACE(std::to_string(section) + " " + std::string(entry.key.view()));
                const std::string_view text = entry.text.view();
                EXPECT_FALSE(text.empty());
                EXPECT_LT(text.size(), 200u);
                EXPECT_EQ(text.find("\\t"), std::string_view::npos);  // a tab, not backslash-t
                if (table->encoding == TextEncoding::utf8) {
                    EXPECT_EQ(conversion.toUtf16(text, TextEncoding::utf8).find(u'\xFFFD'),
                              std::u16string::npos);
                }
                // Items with a shortcut hint keep one; headings and "Home page" have none.
                if (section == mainMenuTexts) {
                    const bool hinted = entry.id >= firstMenuCommandId && entry.key.view() != "HOME_PAGE";
                    EXPECT_EQ(text.find('\t') != std::string_view::npos, hinted);
                }
            }
        }
    }
}

}  // namespace
}  // namespace telvia

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/about_box.h"
#include "app/channel_list_paths.h"
#include "app/process_entry.h"
#include "call_log.h"
#include "fake_files.h"
#include "fake_ports.h"
#include "resources/resource.h"

namespace telvia {
namespace {

class FakeProcess final : public ProcessPort {
public:
    std::vector<std::u16string> commandLineArguments() override { return arguments; }
    std::u16string fullPath(std::u16string_view path) override
    {
        log.add("fullPath " + fakes::narrow(path));
        return path.find(u':') == std::u16string_view::npos ? startFolder + std::u16string(path)
                                                             : std::u16string(path);
    }
    bool enterProgramFolder() override
    {
        log.add("enterProgramFolder");
        return true;
    }
    std::u16string loadString(int id, std::size_t limit) override
    {
        log.add("loadString " + std::to_string(id) + " " + std::to_string(limit));
        return id == IDS_APP_TITLE ? u"Telvia" : id == IDS_WINDOW_CLASS ? u"TELVIA" : u"";
    }
    std::optional<RunningInstance> findRunningInstance(std::u16string_view className) override
    {
        log.add("findRunningInstance " + fakes::narrow(className));
        return running;
    }
    void restoreWindow(const RunningInstance&) override { log.add("restoreWindow"); }
    void bringToForeground(const RunningInstance&) override { log.add("bringToForeground"); }
    bool sendData(const RunningInstance&, std::uintptr_t tag, std::span<const std::byte> data) override
    {
        log.add("sendData");
        sent.push_back({tag, std::vector<std::byte>(data.begin(), data.end())});
        return taken;
    }
    void registerMainWindowClass(std::u16string_view className) override
    {
        log.add("registerMainWindowClass " + fakes::narrow(className));
    }
    bool createMainWindow(std::u16string_view className, std::u16string_view title) override
    {
        log.add("createMainWindow " + fakes::narrow(className) + " " + fakes::narrow(title));
        return created;
    }
    void showMainWindow() override { log.add("showMainWindow"); }
    int runMessageLoop() override
    {
        log.add("runMessageLoop");
        return 0;
    }

    fakes::CallLog log;
    std::vector<std::u16string> arguments;
    std::u16string startFolder = u"C:\\Users\\me\\Downloads\\";
    std::optional<RunningInstance> running;
    bool created = true;
    bool taken = true;
    struct Sent {
        std::uintptr_t tag;
        std::vector<std::byte> data;
    };
    std::vector<Sent> sent;
};

struct EntryFixture : ::testing::Test {
    std::unique_ptr<AppState> state = std::make_unique<AppState>();
    std::unique_ptr<TranslationTable> translations = std::make_unique<TranslationTable>();
    FakeProcess process;
    fakes::FakeFiles files{process.log};
    fakes::FakeMessageBoxes messages{process.log};
    ListsToLoad lists;

    int run() { return runProcessEntry(*state, *translations, {process, files, messages}, lists); }

    // The calls logged from the single-instance test on.
    [[nodiscard]] std::vector<std::string> callsFromSearch() const
    {
        const auto& calls = process.log.calls;
        const int from = process.log.indexOf("findRunningInstance TELVIA");
        return from < 0 ? std::vector<std::string>{} : std::vector<std::string>(calls.begin() + from, calls.end());
    }
};

TEST_F(EntryFixture, FirstInstanceCreatesTheWindowAndRunsTheLoop)
{
    EXPECT_EQ(run(), 0);
    const std::vector<std::string> expected = {
        "files.openForReading .\\translation.ini",
        "loadString 103 100",
        "loadString 109 100",
        "findRunningInstance TELVIA",
        "registerMainWindowClass TELVIA",
        "createMainWindow TELVIA Telvia",
        "showMainWindow",
        "runMessageLoop",
    };
    EXPECT_EQ(process.log.calls, expected);
    EXPECT_EQ(state->productName, u"Telvia");
    EXPECT_TRUE(lists.empty());
}

TEST_F(EntryFixture, SecondInstanceActivatesTheFirstAndEnds)
{
    const struct {
        bool minimised;
        std::vector<std::string> tail;
    } cases[] = {
        {false, {"findRunningInstance TELVIA", "bringToForeground"}},
        {true, {"findRunningInstance TELVIA", "restoreWindow", "bringToForeground"}},
    };
    // The second instance reads the translation file too, before it looks for the first.
    files.putText(u".\\translation.ini", "[SECTION_5]\nEXIT=Quit\n");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.minimised);
        process.log.calls.clear();
        translations = std::make_unique<TranslationTable>();
        process.running = RunningInstance{0x1234, c.minimised};
        EXPECT_EQ(run(), 0);
        EXPECT_EQ(process.log.calls.front(), "files.openForReading .\\translation.ini");
        EXPECT_EQ(lookupText(*translations, mainMenuTexts, "EXIT", "").text, "Quit");
        EXPECT_EQ(callsFromSearch(), c.tail);
    }
}

TEST_F(EntryFixture, AWindowThatCannotBeCreatedEndsWithZero)
{
    process.created = false;
    EXPECT_EQ(run(), 0);
    EXPECT_FALSE(process.log.contains("runMessageLoop"));
    EXPECT_FALSE(process.log.contains("showMainWindow"));
}

TEST_F(EntryFixture, TheFirstChannelListArgumentWaitsForTheLoadDialogAndTheProgramMovesToItsFolder)
{
    const struct {
        const char* what;
        std::vector<std::u16string> arguments;
        std::optional<std::u16string> waiting;  // what the main window will load
    } cases[] = {
        {"a channel file", {u"C:\\Lists\\friends.qcl"}, u"C:\\Lists\\friends.qcl"},
        {"a playlist by a relative name", {u"list.M3U8"}, u"C:\\Users\\me\\Downloads\\list.M3U8"},
        {"other arguments first", {u"/minimised", u"notes.txt", u"b.m3u", u"c.qcl"},
         u"C:\\Users\\me\\Downloads\\b.m3u"},
        {"no list among them", {u"/S", u"channels.qcl.bak", u""}, std::nullopt},
        {"no arguments", {}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        process.log.calls.clear();
        process.arguments = c.arguments;
        EXPECT_EQ(run(), 0);
        EXPECT_EQ(lists.take(), c.waiting);
        EXPECT_TRUE(lists.empty());
        // The folder changes before the translation file is read from it, and only for a list.
        const int entered = process.log.indexOf("enterProgramFolder");
        EXPECT_EQ(entered >= 0, c.waiting.has_value());
        if (entered >= 0) {
            EXPECT_LT(entered, process.log.indexOf("files.openForReading .\\translation.ini"));
        }
        EXPECT_TRUE(process.log.contains("runMessageLoop"));
    }
}

TEST_F(EntryFixture, ASecondStartHandsItsListToTheRunningInstanceAndEnds)
{
    process.arguments = {u"friends.qcl"};
    process.running = RunningInstance{0x1234, true};
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(callsFromSearch(), (std::vector<std::string>{"findRunningInstance TELVIA", "restoreWindow",
                                                           "sendData", "bringToForeground"}));
    ASSERT_EQ(process.sent.size(), 1u);
    EXPECT_EQ(process.sent[0].tag, listHandOverTag);
    // The path made absolute here: the running instance has a current folder of its own.
    EXPECT_EQ(decodeListHandOver(process.sent[0].tag, process.sent[0].data),
              u"C:\\Users\\me\\Downloads\\friends.qcl");
    EXPECT_TRUE(lists.empty());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(process.log.contains("registerMainWindowClass TELVIA"));
}

TEST_F(EntryFixture, AListTheRunningInstanceDoesNotTakeIsReportedAndEndsWithOne)
{
    process.arguments = {u"C:\\Lists\\friends.qcl"};
    process.running = RunningInstance{0x1234, false};
    process.taken = false;
    EXPECT_EQ(run(), handOverFailedExitCode);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].owner, MessageOwner::none);
    EXPECT_EQ(messages.shown[0].text, u"Telvia is already running and did not take the file:\r\nC:\\Lists\\friends.qcl");
    EXPECT_EQ(messages.shown[0].caption, u"Telvia");
    // Brought forward all the same, so the user sees which program is meant.
    EXPECT_TRUE(process.log.contains("bringToForeground"));
}

TEST(AboutBoxTest, ProductLineJoinsNameAndVersion)
{
    EXPECT_EQ(aboutProductLine(u"Telvia", u"1.6"), u"Telvia version 1.6");
}

}  // namespace
}  // namespace telvia

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/about_box.h"
#include "app/process_entry.h"
#include "call_log.h"
#include "fake_files.h"
#include "fake_ports.h"
#include "resources/resource.h"

namespace telvia {
namespace {

class FakeProcess final : public ProcessPort {
public:
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
    std::optional<RunningInstance> running;
    bool created = true;
};

struct EntryFixture : ::testing::Test {
    std::unique_ptr<AppState> state = std::make_unique<AppState>();
    std::unique_ptr<TranslationTable> translations = std::make_unique<TranslationTable>();
    FakeProcess process;
    fakes::FakeFiles files{process.log};
};

TEST_F(EntryFixture, FirstInstanceCreatesTheWindowAndRunsTheLoop)
{
    EXPECT_EQ(runProcessEntry(*state, *translations, process, files), 0);
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
        EXPECT_EQ(runProcessEntry(*state, *translations, process, files), 0);
        EXPECT_EQ(process.log.calls.front(), "files.openForReading .\\translation.ini");
        EXPECT_EQ(lookupText(*translations, mainMenuTexts, "EXIT", "").text, "Quit");
        const std::vector<std::string> tail(process.log.calls.begin() + 3, process.log.calls.end());
        EXPECT_EQ(tail, c.tail);
    }
}

TEST_F(EntryFixture, AWindowThatCannotBeCreatedEndsWithZero)
{
    process.created = false;
    EXPECT_EQ(runProcessEntry(*state, *translations, process, files), 0);
    EXPECT_FALSE(process.log.contains("runMessageLoop"));
    EXPECT_FALSE(process.log.contains("showMainWindow"));
}

TEST(AboutBoxTest, ProductLineJoinsNameAndVersion)
{
    EXPECT_EQ(aboutProductLine(u"Telvia", u"1.6"), u"Telvia version 1.6");
}

}  // namespace
}  // namespace telvia

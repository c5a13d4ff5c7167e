// Opening a channel file or a playlist from outside, as Explorer does for a double click:
// the program started with the file's path (in the file's folder) offers its channels in
// the Load dialog; a second start with a path hands it to the running program and ends.
#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "driver/catalogue.h"
#include "driver/dialog.h"
#include "driver/list_view.h"
#include "driver/options.h"
#include "driver/registry.h"
#include "driver/text.h"
#include "registry_expectations.h"
#include "scenario.h"

namespace telvia::e2e {
namespace {

constexpr unsigned saveCommand = 32804;
constexpr int listControl = 1000;
constexpr int selectAll = 4;
constexpr int nameColumn = 2;

class OpenFromExplorer : public Scenario {
protected:
    // Two channels the catalogue does not hold, in the folder "incoming" of the working folder.
    void putFriendsFile()
    {
        std::filesystem::create_directories(workspace().pathOf(L"incoming"));
        workspace().writeFile(L"incoming\\friends.qcl", encodeChannelFile(offered));
    }

    [[nodiscard]] std::filesystem::path incoming() { return workspace().pathOf(L"incoming"); }

    // The catalogue once the Load dialog's OK has appended the file's channels: in the
    // list's order (reverse file order), each marked.
    [[nodiscard]] std::vector<ChannelFields> storedWithOffered() const
    {
        std::vector<ChannelFields> expected = stored;
        for (const std::size_t i : {std::size_t{1}, std::size_t{0}}) {
            ChannelFields added = offered[i];
            added.on = 1;
            expected.push_back(added);
        }
        return expected;
    }

    const std::vector<ChannelFields> stored = {sampleChannel(L"USA", L"Boston", 1)};
    const std::vector<ChannelFields> offered = {sampleChannel(L"FRA", L"Paris", 0),
                                                sampleChannel(L"ITA", L"Roma", 0)};
};

// Reads the message box the program shows, closes it and answers its text.
std::wstring answerMessage(const TelviaProcess& telvia)
{
    const Dialog box = Dialog::waitForTitled(telvia, L"Telvia");
    std::wstring text = box.controlText(Dialog::messageTextId);
    box.press(IDOK);
    EXPECT_TRUE(box.waitClosed());
    return text;
}

TEST_F(OpenFromExplorer, AChannelFileOnTheCommandLineIsOfferedInTheLoadDialog)
{
    registry::writeAllValues(registry::channelsKey, registry::catalogueValues(stored));
    putFriendsFile();
    // As Explorer starts it: in the file's folder, with the path as it has it (here relative
    // to that folder).
    TelviaProcess& telvia = start({L"friends.qcl"}, incoming());
    telvia.waitForMainWindow();

    const Dialog dialog = Dialog::waitForTitled(telvia, L"Load channels");
    EXPECT_EQ(GetWindow(dialog.handle(), GW_OWNER), telvia.mainWindow());
    const ListView list(dialog.control(listControl));
    EXPECT_EQ(list.columnTexts(nameColumn), (std::vector<std::wstring>{L"Roma", L"Paris"}));
    EXPECT_TRUE(list.checked(0) && list.checked(1));
    dialog.press(IDOK);
    ASSERT_TRUE(dialog.waitClosed());

    // The program works in its own folder, not in the one it was started in: a save lands
    // beside telvia.exe.
    telvia.postCommand(saveCommand);
    const Dialog save = Dialog::waitForTitled(telvia, L"Save channels");
    save.press(selectAll);
    save.press(IDOK);
    EXPECT_EQ(answerMessage(telvia), L"3 channels are saved to file CHANNELS.QCL in program folder");
    ASSERT_TRUE(save.waitClosed());
    EXPECT_TRUE(workspace().contains(L"channels.qcl"));
    EXPECT_FALSE(std::filesystem::exists(incoming() / L"channels.qcl"));
    exitNormally(telvia);
    EXPECT_TRUE(keyHoldsExactly(registry::channelsKey, registry::catalogueValues(storedWithOffered())));
}

TEST_F(OpenFromExplorer, APlaylistOnTheCommandLineIsOfferedInTheLoadDialog)
{
    registry::writeAllValues(registry::channelsKey, registry::catalogueValues(std::vector<ChannelFields>{}));
    workspace().copyIn(windowsPath(fromUtf8(TELVIA_TEST_PLAYLISTS)) / L"uk.m3u", L"uk.m3u");
    TelviaProcess& telvia = start({workspace().pathOf(L"uk.m3u").wstring()});
    telvia.waitForMainWindow();

    const Dialog dialog = Dialog::waitForOwned(telvia);
    EXPECT_EQ(dialog.title().rfind(L"Load channels", 0), 0u) << toUtf8(dialog.title());
    EXPECT_GT(ListView(dialog.control(listControl)).rowCount(), 200);
    dialog.press(IDCANCEL);
    ASSERT_TRUE(dialog.waitClosed());
    exitNormally(telvia);
}

TEST_F(OpenFromExplorer, ABadFileGetsTheMessageOfAPickedOneAndOtherArgumentsAreIgnored)
{
    workspace().writeFile(L"short.qcl", std::string(3133, '\0'));
    workspace().writeFile(L"notes.m3u", "just some text\r\n");
    const struct {
        const char* what;
        std::vector<std::wstring> arguments;
        std::optional<std::wstring> message;  // none: the main window alone
    } cases[] = {
        {"a channel file of a wrong length", {L"short.qcl"}, L"Invalid format"},
        {"text that is no playlist", {L"notes.m3u"}, L"Invalid format"},
        {"no such file", {L"C:\\nowhere\\gone.qcl"}, L"Error open file"},
        {"other arguments", {L"/play", L"notes.txt"}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        resetRegistry();
        TelviaProcess& telvia = start(c.arguments);
        telvia.waitForMainWindow();
        if (c.message) {
            EXPECT_EQ(answerMessage(telvia), *c.message);
        }
        // No Load dialog follows, and the program goes on as started without a file.
        EXPECT_FALSE(Dialog::findOwned(telvia, std::chrono::milliseconds(500)).has_value());
        exitNormally(telvia);
    }
}

TEST_F(OpenFromExplorer, ASecondStartHandsItsFileToTheRunningProgramAndEnds)
{
    registry::writeAllValues(registry::channelsKey, registry::catalogueValues(stored));
    putFriendsFile();
    TelviaProcess& first = startAndWaitForWindow();
    const HWND window = first.mainWindow();
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(waitUntil([&] { return IsIconic(window) != FALSE; }));

    // From the file's folder, with a path relative to it: the running program has a current
    // folder of its own, so the path must reach it whole.
    TelviaProcess& second = start({L"friends.qcl"}, incoming());
    EXPECT_EQ(second.waitForExit(), 0u);
    EXPECT_EQ(findTopLevelWindows(WindowQuery{}.ofClass(mainWindowClass)), std::vector<HWND>{window});

    const Dialog dialog = Dialog::waitForTitled(first, L"Load channels");
    EXPECT_EQ(GetWindow(dialog.handle(), GW_OWNER), window);
    EXPECT_FALSE(IsIconic(window));
    EXPECT_TRUE(waitUntil([&] { return GetForegroundWindow() == dialog.handle(); }))
        << "foreground: " << GetForegroundWindow() << ", dialog: " << dialog.handle();
    const ListView list(dialog.control(listControl));
    EXPECT_EQ(list.columnTexts(nameColumn), (std::vector<std::wstring>{L"Roma", L"Paris"}));
    dialog.press(IDOK);
    ASSERT_TRUE(dialog.waitClosed());
    exitNormally(first);
    EXPECT_TRUE(keyHoldsExactly(registry::channelsKey, registry::catalogueValues(storedWithOffered())));
}

}  // namespace
}  // namespace telvia::e2e

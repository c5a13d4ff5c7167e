// Playing a stream with the real media framework: the demo video (320 x 240, 25 frames a
// second, with sound) as the channel of the last run, connected at start. What the user
// sees of it from outside: the title and its status, the renderer's video window inside
// the main window, the boxes the program opens, and what the exit writes back.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "driver/catalogue.h"
#include "driver/dialog.h"
#include "driver/menu_probe.h"
#include "driver/options.h"
#include "driver/registry.h"
#include "driver/text.h"
#include "driver/wine_setup.h"
#include "scenario.h"

namespace telvia::e2e {
namespace {

constexpr std::wstring_view demoFile = L"demo.wmv";
constexpr std::wstring_view translationFile = L"translation.ini";
constexpr std::wstring_view dialogClass = L"#32770";
constexpr int demoWidth = 320;
constexpr int demoHeight = 240;

// Long enough for a command that should do nothing to come back; a box it opened by
// mistake keeps it from returning.
constexpr std::chrono::milliseconds quickAnswer = 3s;

ChannelFields demoChannel()
{
    ChannelFields fields;
    fields.on = 1;
    fields.country = L"DEU";
    fields.name = L"Demo TV";
    fields.note = L"Test picture and tone";
    fields.address = std::wstring(demoFile);  // relative: opened in the working folder
    fields.homePage = L"http://demo.example/";
    return fields;
}

// Makes `channel` the catalogue's only channel and the one that played at the last exit,
// so that the next start connects to it.
void storeAsLastPlayed(const ChannelFields& channel)
{
    const std::vector<ChannelFields> catalogue = {channel};
    registry::writeAllValues(registry::channelsKey, registry::catalogueValues(catalogue));
    registry::writeString(registry::settingsKey, L"channelName", channel.name);
}

// A window's place in its parent's client area.
struct Box {
    long left = 0;
    long top = 0;
    long width = 0;
    long height = 0;

    friend bool operator==(const Box&, const Box&) = default;
    friend void PrintTo(const Box& box, std::ostream* out)
    {
        *out << box.width << " x " << box.height << " at (" << box.left << ", " << box.top << ")";
    }
};

struct ClientSize {
    long width = 0;
    long height = 0;

    friend bool operator==(const ClientSize&, const ClientSize&) = default;
    friend void PrintTo(const ClientSize& size, std::ostream* out) { *out << size.width << " x " << size.height; }
};

ClientSize clientSizeOf(HWND window)
{
    const RECT client = clientRect(window);
    return {client.right, client.bottom};
}

// The renderer's video window: the visible child window of the main window; none when
// nothing plays.
HWND videoWindow(const TelviaProcess& telvia)
{
    const std::vector<HWND> children = findChildWindows(telvia.mainWindow(), WindowQuery{}.visible());
    EXPECT_LE(children.size(), 1u) << "the main window has more than one visible child";
    return children.empty() ? nullptr : children.front();
}

// The video window once the connect has got that far; none when it did not come.
HWND waitForVideoWindow(const TelviaProcess& telvia)
{
    HWND found = nullptr;
    static_cast<void>(waitUntil([&] {
        found = videoWindow(telvia);
        return found != nullptr;
    }));
    return found;
}

Box placementOf(HWND video, HWND parent)
{
    const RECT rect = rectInClientOf(video, parent);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

// The visible dialogs and message boxes of the program, whatever their owner.
std::vector<HWND> openDialogs(const TelviaProcess& telvia)
{
    return findTopLevelWindows(WindowQuery{}.ofProcess(telvia.id()).ofClass(dialogClass).visible());
}

class Playback : public Scenario {
protected:
    void SetUp() override
    {
        Scenario::SetUp();
        workspace().copyIn(options().demoVideo, demoFile);
    }

    // Starts the program with the demo as the channel of the last run and waits until
    // its video window is there. Null when it did not come (the failure is recorded).
    TelviaProcess* startPlayingDemo()
    {
        storeAsLastPlayed(demoChannel());
        TelviaProcess& telvia = startAndWaitForWindow();
        if (waitForVideoWindow(telvia) == nullptr) {
            ADD_FAILURE() << "no video window appeared in the main window; title \"" << toUtf8(telvia.title())
                          << "\"";
            return nullptr;
        }
        // The connect at start runs before the message loop; a sent message is taken once
        // it is over, so the video is placed and the graph started when this returns.
        DWORD_PTR ignored = 0;
        if (SendMessageTimeoutW(telvia.mainWindow(), WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored) == 0) {
            ADD_FAILURE() << "the program did not come back from the connect";
            return nullptr;
        }
        return &telvia;
    }
};

TEST_F(Playback, TheChannelOfTheLastRunConnectsAtStartWithItsStatusAndTheVideoAtItsNativeSize)
{
    struct Case {
        const char* name;
        std::string translation;  // empty: no file
        std::wstring title;
    };
    const Case cases[] = {
        {"no translation file: no status word", "", L"Telvia  [ Demo TV ]"},
        // A local file brings no buffering events, which alone would replace the status.
        {"the connecting status stays after the connect", "[SECTION_2]\r\nCONNECTING=Verbinden\r\n",
         L"Telvia  [ Demo TV ]  Verbinden"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        resetRegistry();
        workspace().remove(translationFile);
        if (!c.translation.empty()) {
            workspace().writeFile(translationFile, c.translation);
        }

        TelviaProcess* telvia = startPlayingDemo();
        ASSERT_NE(telvia, nullptr);
        EXPECT_EQ(telvia->title(), c.title);
        // 100 % by default, centred in the client area, which is larger at start.
        const ClientSize client = clientSizeOf(telvia->mainWindow());
        ASSERT_GE(client.width, demoWidth);
        ASSERT_GE(client.height, demoHeight);
        EXPECT_EQ(placementOf(videoWindow(*telvia), telvia->mainWindow()),
                  (Box{(client.width - demoWidth) / 2, (client.height - demoHeight) / 2, demoWidth, demoHeight}));
        EXPECT_TRUE(IsWindowEnabled(telvia->mainWindow()));
        exitNormally(*telvia);

        // A channel that played is the one to restore at the next start.
        EXPECT_EQ(registry::readString(registry::settingsKey, L"channelName"), std::optional<std::wstring>(L"Demo TV"));
    }
}

TEST_F(Playback, AnAddressWithoutAStreamReportsAFailedConnectionAndForgetsTheChannel)
{
    // Wine's reader opens even a missing file and only then has no stream to give; either
    // way the connection has failed.
    ChannelFields gone = demoChannel();
    gone.name = L"Gone TV";
    gone.address = L"missing.wmv";
    storeAsLastPlayed(gone);

    TelviaProcess& telvia = startAndWaitForWindow();
    const Dialog report = Dialog::waitForOwned(telvia);
    EXPECT_EQ(report.title(), L"Telvia");
    EXPECT_EQ(report.controlText(Dialog::messageTextId), L"Connection failed!");
    report.press(IDOK);
    ASSERT_TRUE(report.waitClosed());

    EXPECT_TRUE(waitUntil([&] { return telvia.title() == L"Telvia"; })) << toUtf8(telvia.title());
    EXPECT_TRUE(IsWindowEnabled(telvia.mainWindow())) << "the main window stayed disabled";
    EXPECT_EQ(videoWindow(telvia), nullptr);
    // The channel is forgotten, so there is nothing to connect to again.
    EXPECT_TRUE(telvia.sendCommand(command::reconnect, quickAnswer)) << "Reconnect did not come back";
    EXPECT_TRUE(openDialogs(telvia).empty());
    EXPECT_EQ(telvia.title(), L"Telvia");
    exitNormally(telvia);

    EXPECT_EQ(registry::readString(registry::settingsKey, L"channelName"), std::optional<std::wstring>(L""));
}

TEST_F(Playback, PlayPausePausesWithItsStatusAndPlaysAgainByANewConnect)
{
    workspace().writeFile(translationFile, "[SECTION_2]\r\nCONNECTING=Verbinden\r\nPAUSE=Pause\r\n");
    TelviaProcess* telvia = startPlayingDemo();
    ASSERT_NE(telvia, nullptr);
    const HWND firstVideo = videoWindow(*telvia);
    ASSERT_EQ(telvia->title(), L"Telvia  [ Demo TV ]  Verbinden");

    ASSERT_TRUE(telvia->sendCommand(command::playPause));
    EXPECT_EQ(telvia->title(), L"Telvia  [ Demo TV ]  Pause");
    // A paused graph keeps its video window.
    EXPECT_EQ(videoWindow(*telvia), firstVideo);

    // Playing again connects anew: the old graph goes with its window, and the status the
    // connect showed is emptied once it is done.
    ASSERT_TRUE(telvia->sendCommand(command::playPause));
    EXPECT_EQ(telvia->title(), L"Telvia  [ Demo TV ]");
    EXPECT_FALSE(IsWindow(firstVideo)) << "the paused graph's video window is still there";
    const HWND secondVideo = waitForVideoWindow(*telvia);
    ASSERT_NE(secondVideo, nullptr);
    EXPECT_EQ(placementOf(secondVideo, telvia->mainWindow()).width, demoWidth);
    exitNormally(*telvia);

    EXPECT_EQ(registry::readString(registry::settingsKey, L"channelName"), std::optional<std::wstring>(L"Demo TV"));
}

TEST_F(Playback, StopReleasesTheGraphAndForgetsTheChannelAndLaterCommandsFindNothingToDo)
{
    registry::writeDword(registry::settingsKey, L"soundVolume", 5);
    TelviaProcess* telvia = startPlayingDemo();
    ASSERT_NE(telvia, nullptr);

    ASSERT_TRUE(telvia->sendCommand(command::stop));
    EXPECT_EQ(telvia->title(), L"Telvia");
    EXPECT_TRUE(waitUntil([&] { return videoWindow(*telvia) == nullptr; })) << "the video window stayed";

    struct Case {
        const char* name;
        unsigned commandId;
    };
    // Each would connect, open a box or change the saved volume if it found a graph.
    const Case cases[] = {
        {"Reconnect", command::reconnect},
        {"Play / Pause", command::playPause},
        {"Sound up", command::soundUp},
        {"Information", command::information},
        {"Full screen", command::fullScreen},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(telvia->sendCommand(c.commandId, quickAnswer)) << "the command did not come back";
        EXPECT_TRUE(openDialogs(*telvia).empty()) << "the command opened a box";
        EXPECT_EQ(telvia->title(), L"Telvia");
        EXPECT_EQ(videoWindow(*telvia), nullptr);
    }
    exitNormally(*telvia);

    EXPECT_EQ(registry::readString(registry::settingsKey, L"channelName"), std::optional<std::wstring>(L""));
    EXPECT_EQ(registry::readDword(registry::settingsKey, L"soundVolume"), std::optional<std::uint32_t>(5));
}

TEST_F(Playback, SoundUpAndDownMoveTheVolumeStepWithin0To10)
{
    struct Case {
        const char* name;
        std::uint32_t stored;
        std::vector<unsigned> commands;
        std::uint32_t saved;
    };
    const Case cases[] = {
        {"two steps up", 5, {command::soundUp, command::soundUp}, 7},
        {"one step down", 5, {command::soundDown}, 4},
        {"up stops at 10", 9, {command::soundUp, command::soundUp}, 10},
        {"down stops at 0", 1, {command::soundDown, command::soundDown}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        resetRegistry();
        registry::writeDword(registry::settingsKey, L"soundVolume", c.stored);
        TelviaProcess* telvia = startPlayingDemo();
        ASSERT_NE(telvia, nullptr);
        for (const unsigned commandId : c.commands) {
            EXPECT_TRUE(telvia->sendCommand(commandId));
        }
        exitNormally(*telvia);

        EXPECT_EQ(registry::readDword(registry::settingsKey, L"soundVolume"), std::optional<std::uint32_t>(c.saved));
    }
}

TEST_F(Playback, InformationShowsTheChannelAndTheNativeVideoSizeAndFrameRate)
{
    TelviaProcess* telvia = startPlayingDemo();
    ASSERT_NE(telvia, nullptr);
    // The box asks the renderer again: the native size, not the size shown.
    ASSERT_TRUE(telvia->sendCommand(command::size50));

    telvia->postCommand(command::information);  // the box is modal
    const Dialog info = Dialog::waitForOwned(*telvia);
    EXPECT_EQ(info.title(), L"Information about the channel");
    // The demo has 25 frames a second, and the renderer reports its time per frame.
    EXPECT_EQ(info.controlText(Dialog::messageTextId),
              L"Name: Demo TV\nCountry: DEU\nNote: Test picture and tone\nAddress: demo.wmv\n"
              L"Home page: http://demo.example/\nVideo size: 320:240\nFPS: 25");
    info.press(IDOK);
    EXPECT_TRUE(info.waitClosed());
    exitNormally(*telvia);
}

TEST_F(Playback, VideoSizeModesPlaceTheVideoGrowTheWindowWhenNeededAndAreSavedAtExit)
{
    TelviaProcess* telvia = startPlayingDemo();
    ASSERT_NE(telvia, nullptr);
    const HWND main = telvia->mainWindow();
    RECT window{};
    ASSERT_TRUE(GetWindowRect(main, &window));
    const ClientSize startClient = clientSizeOf(main);
    const long frameWidth = window.right - window.left - startClient.width;
    const long frameHeight = window.bottom - window.top - startClient.height;

    // Resizes the main window as a user dragging its frame would ask for it; the
    // program's minimum tracking size may refuse part of it.
    const auto resizeClientTo = [&](long width, long height) {
        ASSERT_TRUE(SetWindowPos(main, nullptr, 0, 0, frameWidth + width, frameHeight + height,
                                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
    };
    const auto choose = [&](unsigned commandId) { ASSERT_TRUE(telvia->sendCommand(commandId)); };

    struct Step {
        const char* name;
        std::function<void()> act;
        unsigned marked;
        ClientSize client;
        Box video;
    };
    const Step steps[] = {
        {"100 %, the window made smaller: centred again", [&] { resizeClientTo(400, 300); }, command::size100,
         {400, 300}, {40, 30, 320, 240}},
        {"50 %: half the size, centred", [&] { choose(command::size50); }, command::size50, {400, 300},
         {120, 90, 160, 120}},
        {"200 %: the window grows to hold the video", [&] { choose(command::size200); }, command::size200,
         {640, 480}, {0, 0, 640, 480}},
        {"at 200 % the window cannot be made smaller than the video", [&] { resizeClientTo(400, 300); },
         command::size200, {640, 480}, {0, 0, 640, 480}},
        {"50 % again: the window does not shrink", [&] { choose(command::size50); }, command::size50, {640, 480},
         {240, 180, 160, 120}},
        {"fit to window: the whole 4:3 client area", [&] { choose(command::sizeFit); }, command::sizeFit,
         {640, 480}, {0, 0, 640, 480}},
        {"fit in a wide window: as high as the client area, centred across",
         [&] { resizeClientTo(700, 300); }, command::sizeFit, {700, 300}, {150, 0, 400, 300}},
        // 500 / 320 = 1.5625 gives 500 x 375, centred down at (600 - 375) / 2 = 112.
        {"fit in a tall window: as wide as the client area, centred down", [&] { resizeClientTo(500, 600); },
         command::sizeFit, {500, 600}, {0, 112, 500, 375}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.act();
        const HWND video = videoWindow(*telvia);
        ASSERT_NE(video, nullptr);
        EXPECT_EQ(clientSizeOf(main), step.client);
        EXPECT_EQ(placementOf(video, main), step.video);
        EXPECT_EQ(markedSizeItem(readMenus(*telvia, workspace())), std::optional<unsigned>(step.marked));
    }
    exitNormally(*telvia);

    EXPECT_EQ(registry::readDword(registry::settingsKey, L"viewMode"), std::optional<std::uint32_t>(3));
}

TEST_F(Playback, FullScreenReportsWhatTheRendererAnswersAndEscapeDoesNothingWindowed)
{
    if (!runningUnderWine()) {
        GTEST_SKIP() << "only Wine's renderer refuses to tell its full-screen mode; a switch to full screen is "
                        "not checked here";
    }
    TelviaProcess* telvia = startPlayingDemo();
    ASSERT_NE(telvia, nullptr);
    const HWND video = videoWindow(*telvia);
    const Box placed = placementOf(video, telvia->mainWindow());
    const std::wstring title = telvia->title();

    struct Case {
        const char* name;
        std::function<void()> act;
    };
    const Case cases[] = {
        {"Full screen command", [&] { telvia->postCommand(command::fullScreen); }},
        {"Enter", [&] { telvia->postKey(VK_RETURN); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.act();
        // Wine answers E_NOTIMPL when asked for the mode; the report has no owner and
        // keeps the format's final line feed.
        const Dialog report = Dialog::waitForTitled(*telvia, L"Telvia");
        EXPECT_EQ(GetWindow(report.handle(), GW_OWNER), nullptr);
        EXPECT_EQ(report.controlText(Dialog::messageTextId),
                  L"FAILED(hr=0x80004001) in pVW->get_FullScreenMode(&lMode)\n");
        report.press(IDOK);
        ASSERT_TRUE(report.waitClosed());
        EXPECT_TRUE(telvia->running());
        EXPECT_EQ(videoWindow(*telvia), video);
        EXPECT_EQ(placementOf(video, telvia->mainWindow()), placed);
        EXPECT_EQ(telvia->title(), title);
    }

    // Escape leaves full screen only; windowed it neither asks the renderer nor reports.
    EXPECT_TRUE(telvia->sendKey(VK_ESCAPE, quickAnswer)) << "Escape did not come back";
    EXPECT_TRUE(openDialogs(*telvia).empty()) << "Escape opened a box";
    EXPECT_EQ(placementOf(video, telvia->mainWindow()), placed);
    exitNormally(*telvia);
}

}  // namespace
}  // namespace telvia::e2e

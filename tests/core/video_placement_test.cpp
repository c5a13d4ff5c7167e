#include <optional>
#include <string>
#include <vector>

#include <cstdint>

#include <gtest/gtest.h>

#include "app/key_table.h"
#include "app/view_mode_menu.h"
#include "playback/video_placement.h"
#include "playback_fixture.h"
#include "resources/resource.h"

namespace telvia {
namespace {

// A connected 320 × 240 stream in a 400 × 300 client area; the window's frame adds 16 × 59.
struct PlacementTest : PlaybackFixture {
    PlacementTest()
    {
        connect();
        media.positions.clear();
        clearLog();
    }

    void place() { player.placeVideo(); }

    // Connects anew to a stream whose video has that size.
    void playVideoOfSize(Size size)
    {
        media.videoSize = size;
        connect();
    }
};

TEST_F(PlacementTest, EachModePlacesAndGrowsAsNeeded)
{
    const struct {
        const char* name;
        int mode;
        Size client;
        Size video = {320, 240};
        bool maximised = false;
        std::optional<Rect> workArea = Rect{0, 0, 1920, 1040};
        Rect position;  // left, top, right, bottom of the video window
        std::optional<Rect> grownTo;
        Size screen = {1920, 1080};
    } cases[] = {
        {"half, centred", 0, {400, 300}, {320, 240}, false, Rect{0, 0, 1920, 1040},
         {120, 90, 280, 210}, std::nullopt},
        {"native, centred", 1, {400, 300}, {320, 240}, false, Rect{0, 0, 1920, 1040},
         {40, 30, 360, 270}, std::nullopt},
        {"double grows the window", 2, {400, 300}, {320, 240}, false, Rect{0, 0, 1920, 1040},
         {0, 0, 640, 480}, Rect{100, 50, 756, 589}},
        {"double grows only the short side", 2, {700, 300}, {320, 240}, false,
         Rect{0, 0, 1920, 1040}, {30, 0, 670, 480}, Rect{100, 50, 816, 589}},
        {"double in a maximised window is cut off", 2, {400, 300}, {320, 240}, true,
         Rect{0, 0, 1920, 1040}, {0, 0, 640, 480}, std::nullopt},
        // 4:3 in a wide area: as high as the area, centred across.
        {"fit, wide area", 3, {800, 300}, {320, 240}, false, Rect{0, 0, 1920, 1040},
         {200, 0, 600, 300}, std::nullopt},
        // 401 / 320 is the smaller ratio; 240 × 1.253125 = 300.75 is cut to 300.
        {"fit cuts toward zero", 3, {401, 301}, {320, 240}, false, Rect{0, 0, 1920, 1040},
         {0, 0, 401, 300}, std::nullopt},
        {"an unknown mode fits", 9, {800, 300}, {320, 240}, false, Rect{0, 0, 1920, 1040},
         {200, 0, 600, 300}, std::nullopt},
        // Limited to the work area, placed by the unlimited size.
        {"limited by the work area", 2, {700, 500}, {320, 240}, false, Rect{0, 0, 600, 400},
         {30, 10, 630, 410}, std::nullopt},
        {"without a work area the screen limits", 2, {400, 300}, {320, 240}, false, std::nullopt,
         {0, 0, 500, 400}, Rect{100, 50, 616, 509}, {500, 400}},
        // The growth stops at the desktop less the bottom taskbar (1920 × 1040).
        {"growth limited by the desktop", 2, {400, 300}, {1000, 800}, false,
         Rect{0, 0, 1920, 1040}, {0, 0, 1920, 1040}, Rect{100, 50, 2020, 1090}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        state->viewMode = c.mode;
        playVideoOfSize(c.video);
        platform.windowControl.client = c.client;
        platform.windowControl.window = {100, 50, 100 + c.client.width + 16,
                                         50 + c.client.height + 59};
        platform.windowControl.maximised = c.maximised;
        platform.windowControl.moves.clear();
        platform.screen.work = c.workArea;
        platform.screen.screen = c.screen;
        media.positions.clear();
        clearLog();

        place();
        ASSERT_EQ(media.positions.size(), 1u);
        EXPECT_EQ(media.positions[0], c.position);
        if (c.grownTo) {
            ASSERT_EQ(platform.windowControl.moves.size(), 1u);
            EXPECT_EQ(platform.windowControl.moves[0], *c.grownTo);
            EXPECT_TRUE(platform.log.contains("windowControl.invalidate"));
        } else {
            EXPECT_TRUE(platform.windowControl.moves.empty());
        }
        const std::vector<std::string> last(platform.log.calls.end() - 2, platform.log.calls.end());
        EXPECT_EQ(last, (std::vector<std::string>{"windowControl.update",
                                                  "windowControl.bringToForeground"}));
        EXPECT_TRUE(platform.messages.shown.empty());
    }
}

TEST_F(PlacementTest, NothingIsPlacedWithoutAVideoWindowSizeOrInFullScreen)
{
    const struct {
        const char* name;
        std::int32_t width;
        std::int32_t height;
        std::int32_t fullScreen;
        bool graph;
    } cases[] = {
        {"no width", 0, 240, 0, true},
        {"no height", 320, 0, 0, true},
        {"full screen", 320, 240, 1, true},
        {"no graph", 320, 240, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        playVideoOfSize({c.width, c.height});
        if (c.fullScreen != 0) {
            player.toggleFullScreen();
            ASSERT_EQ(played().fullScreen, 1);
        }
        if (!c.graph) {
            player.tearDown();
        }
        clearLog();
        place();
        presenter.onSize();
        EXPECT_TRUE(platform.log.calls.empty());
    }
}

TEST_F(PlacementTest, AFailingPositionIsReportedBeforeAnythingElse)
{
    state->viewMode = 2;
    media.failures = {{"graph.IVideoWindow.SetWindowPosition", anyFailure}};
    place();
    ASSERT_EQ(platform.messages.shown.size(), 1u);
    EXPECT_EQ(platform.messages.shown[0].text,
              u"FAILED(hr=0x80004005) in pVW->SetWindowPosition(rect.left, rect.top, dx, dy)\n");
    EXPECT_TRUE(platform.windowControl.moves.empty());
    EXPECT_FALSE(platform.log.contains("windowControl.bringToForeground"));
}

// Growing resizes the window, and the resize places the video again from inside the move.
TEST_F(PlacementTest, GrowthPlacesOnceMoreThroughTheSizeMessageAndNeverLoops)
{
    const struct {
        const char* name;
        bool growable;
        std::vector<Rect> positions;
    } cases[] = {
        {"a window that grows", true, {{0, 0, 640, 480}, {0, 0, 640, 480}}},
        // Held back by the system: the inner placement still finds the area too small.
        {"a window that cannot grow", false, {{0, 0, 640, 480}, {0, 0, 640, 480}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        state->viewMode = 2;
        platform.windowControl.client = {400, 300};
        platform.windowControl.window = {100, 50, 516, 409};
        platform.windowControl.growable = c.growable;
        platform.windowControl.moves.clear();
        media.positions.clear();
        int depth = 0;
        platform.windowControl.onMove = [&] {
            // Far deeper than one re-entry means the guard is gone; stop before the stack does.
            if (++depth <= 8) {
                presenter.onSize();
            }
            --depth;
        };

        presenter.onCommand(IDM_SIZE_200);
        EXPECT_EQ(platform.windowControl.moves.size(), 1u);
        EXPECT_EQ(media.positions, c.positions);
        platform.windowControl.onMove = nullptr;

        // The guard is gone once the growth is over: a later placement may grow again.
        platform.windowControl.growable = true;
        platform.windowControl.client = {400, 300};
        platform.windowControl.moves.clear();
        place();
        EXPECT_EQ(platform.windowControl.moves.size(), 1u);
    }
}

TEST_F(PlacementTest, ASmallerModeLeavesTheWindowAndCentres)
{
    presenter.onCommand(IDM_SIZE_200);
    ASSERT_EQ(platform.windowControl.moves.size(), 1u);
    EXPECT_EQ(platform.windowControl.client, (Size{640, 480}));
    media.positions.clear();
    presenter.onCommand(IDM_SIZE_50);
    EXPECT_EQ(platform.windowControl.moves.size(), 1u);
    EXPECT_EQ(media.positions, (std::vector<Rect>{{240, 180, 400, 300}}));
}

TEST_F(PlacementTest, ViewModeWithoutVideoOnlyStoresTheModeAndMovesTheMark)
{
    presenter.onCommand(IDM_STOP);
    clearLog();
    presenter.onCommand(IDM_SIZE_FIT);
    EXPECT_EQ(state->viewMode, 3);
    EXPECT_EQ(platform.log.calls,
              (std::vector<std::string>{"window.checkMenuRadio 32774 32777 32777"}));
}

TEST_F(PlacementTest, StoredModesOutsideTheFourMarkNoItem)
{
    const struct {
        std::int32_t mode;
        int checked;
    } cases[] = {{0, 32774}, {3, 32777}, {4, 0}, {7, 0}, {-1, 0}, {INT32_MAX, 0}, {INT32_MIN, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        state->viewMode = c.mode;
        clearLog();
        markViewMode(state->viewMode, platform.window);
        EXPECT_EQ(platform.log.calls,
                  (std::vector<std::string>{"window.checkMenuRadio 32774 32777 " +
                                            std::to_string(c.checked)}));
        EXPECT_EQ(state->viewMode, c.mode);
    }
}

TEST_F(PlacementTest, MinimumTrackingSizeFollowsTheMode)
{
    const struct {
        const char* name;
        int mode;
        Size video;
        std::optional<Rect> workArea;
        Size minimum;
    } cases[] = {
        {"no video", 1, {0, 0}, Rect{0, 0, 1920, 1040}, {296, 269}},
        {"no video height", 2, {320, 0}, Rect{0, 0, 1920, 1040}, {296, 269}},
        {"fit", 3, {320, 240}, Rect{0, 0, 1920, 1040}, {296, 269}},
        {"half", 0, {320, 240}, Rect{0, 0, 1920, 1040}, {176, 179}},
        {"native", 1, {320, 240}, Rect{0, 0, 1920, 1040}, {336, 299}},
        {"double", 2, {320, 240}, Rect{0, 0, 1920, 1040}, {656, 539}},
        {"an unknown mode doubles", 5, {320, 240}, Rect{0, 0, 1920, 1040}, {656, 539}},
        {"within the work area", 2, {320, 240}, Rect{100, 100, 600, 500}, {500, 400}},
        {"within the screen without a work area", 2, {1000, 800}, std::nullopt, {1920, 1080}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        state->viewMode = c.mode;
        playVideoOfSize(c.video);
        platform.screen.work = c.workArea;
        Size minimum{1, 1};
        presenter.onGetMinMaxInfo(minimum);
        EXPECT_EQ(minimum, c.minimum);
    }
}

TEST(DesktopMinusTaskbarTest, OnlyATaskbarAcrossAWholeEdgeIsCut)
{
    const Rect desktop{0, 0, 1920, 1080};
    const struct {
        const char* name;
        std::optional<Rect> taskbar;
        Rect result;
    } cases[] = {
        {"bottom", Rect{0, 1040, 1920, 1080}, {0, 0, 1920, 1040}},
        {"top", Rect{0, 0, 1920, 40}, {0, 40, 1920, 1080}},
        {"left", Rect{0, 0, 60, 1080}, {60, 0, 1920, 1080}},
        {"right", Rect{1860, 0, 1920, 1080}, {0, 0, 1860, 1080}},
        {"reaching past the desktop", Rect{-2, 1040, 1922, 1082}, {0, 0, 1920, 1040}},
        {"not across a whole edge", Rect{0, 1040, 1000, 1080}, desktop},
        {"floating inside", Rect{500, 500, 900, 540}, desktop},
        {"off the desktop", Rect{0, 1100, 1920, 1140}, desktop},
        {"none", std::nullopt, desktop},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fakes::FakePlatform platform;
        platform.screen.desktop = desktop;
        platform.screen.taskbar = c.taskbar;
        EXPECT_EQ(desktopMinusTaskbar(platform.screen), c.result);
    }
}

TEST_F(PlacementTest, FullScreenSwapsTheMessageDrainInAndOut)
{
    presenter.onCommand(IDM_FULL_SCREEN);
    EXPECT_EQ(platform.log.calls,
              (std::vector<std::string>{"graph.IVideoWindow.get_FullScreenMode",
                                        "graph.IVideoWindow.get_MessageDrain",
                                        "graph.IVideoWindow.put_MessageDrain 4660",
                                        "graph.IVideoWindow.put_FullScreenMode -1"}));
    EXPECT_EQ(played().fullScreen, 1);

    // No placement and no channels menu while in full screen.
    clearLog();
    presenter.onSize();
    presenter.onContextMenu({1, 1});
    EXPECT_TRUE(platform.log.calls.empty());

    presenter.onKeyDown(keyEscape);
    EXPECT_EQ(platform.log.calls,
              (std::vector<std::string>{"graph.IVideoWindow.get_FullScreenMode",
                                        "graph.IVideoWindow.put_FullScreenMode 0",
                                        "graph.IVideoWindow.put_MessageDrain 119",  // the saved one
                                        "graph.IVideoWindow.SetWindowForeground -1",
                                        "windowControl.update",
                                        "windowControl.bringToForeground",
                                        "windowControl.setFocus"}));
    EXPECT_EQ(played().fullScreen, 0);
    EXPECT_TRUE(platform.messages.shown.empty());
}

TEST_F(PlacementTest, FullScreenFailuresAreReportedAndOnlyTheModeSwitchStopsIt)
{
    const struct {
        const char* name;
        std::int32_t rendererMode;  // what the renderer says before the toggle
        std::string failing;
        std::u16string message;
        std::int32_t fullScreenAfter;
    } cases[] = {
        {"mode unreadable (as under Wine)", oaFalse, "graph.IVideoWindow.get_FullScreenMode",
         u"FAILED(hr=0x80004001) in pVW->get_FullScreenMode(&lMode)\n", 0},
        {"drain unreadable", oaFalse, "graph.IVideoWindow.get_MessageDrain",
         u"FAILED(hr=0x80004001) in pVW->get_MessageDrain((OAHWND *) &hDrain)\n", 1},
        {"drain not set", oaFalse, "graph.IVideoWindow.put_MessageDrain 4660",
         u"FAILED(hr=0x80004001) in pVW->put_MessageDrain((OAHWND) hWnd)\n", 1},
        {"not entered", oaFalse, "graph.IVideoWindow.put_FullScreenMode -1",
         u"FAILED(hr=0x80004001) in pVW->put_FullScreenMode(lMode)\n", 0},
        {"not left", oaTrue, "graph.IVideoWindow.put_FullScreenMode 0",
         u"FAILED(hr=0x80004001) in pVW->put_FullScreenMode(lMode)\n", 1},
        {"drain not restored", oaTrue, "graph.IVideoWindow.put_MessageDrain 119",
         u"FAILED(hr=0x80004001) in pVW->put_MessageDrain((OAHWND) hDrain)\n", 0},
        {"not brought forward", oaTrue, "graph.IVideoWindow.SetWindowForeground",
         u"FAILED(hr=0x80004001) in pVW->SetWindowForeground(-1)\n", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        media.messageDrain = NativeWindow{0x77};
        media.fullScreenMode = oaFalse;
        connect();
        if (c.rendererMode == oaTrue) {
            // Entered before, so that the drain to give back is known.
            player.toggleFullScreen();
            ASSERT_EQ(media.fullScreenMode, oaTrue);
        }
        media.failures = {{c.failing, notImplemented}};
        platform.messages.shown.clear();

        player.toggleFullScreen();
        ASSERT_EQ(platform.messages.shown.size(), 1u);
        EXPECT_EQ(platform.messages.shown[0].text, c.message);
        EXPECT_EQ(played().fullScreen, c.fullScreenAfter);
        media.failures.clear();
    }
}

TEST_F(PlacementTest, FullScreenNeedsAVideoSizeAndATearDownLeavesIt)
{
    playVideoOfSize({0, 240});
    clearLog();
    presenter.onCommand(IDM_FULL_SCREEN);
    EXPECT_TRUE(platform.log.calls.empty());

    playVideoOfSize({320, 240});
    presenter.onCommand(IDM_FULL_SCREEN);
    ASSERT_EQ(played().fullScreen, 1);
    media.positions.clear();
    connect();
    EXPECT_EQ(played().fullScreen, 0);
    EXPECT_EQ(media.positions.size(), 1u);  // the new graph is placed windowed
}

}  // namespace
}  // namespace telvia

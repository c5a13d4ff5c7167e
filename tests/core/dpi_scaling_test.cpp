// Sizes that follow the display's resolution (the overlay picture and its font, the channel
// list's columns, the room left for a video in the fit mode) and those that do not (the
// video in its own pixels), on fake displays of 96, 144 and 192 dots per inch; and the main
// window and the channel dialogs moving to a display of another resolution.
#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue/channel_file.h"
#include "dialog_fixture.h"
#include "platform/dpi.h"
#include "playback_fixture.h"
#include "resources/resource.h"

namespace telvia {
namespace {

TEST(ScaleToDpiTest, RoundsToTheNearestPixelAndLeavesAnUnknownResolutionAlone)
{
    const struct {
        int pixels;
        int dpi;
        int scaled;
    } cases[] = {
        {17, 96, 17},  {17, 120, 21},   // 21.25
        {17, 144, 26},                   // 25.5, a half goes up
        {75, 144, 113},                  // 112.5
        {-17, 144, -26},                 // halves away from zero on both sides
        {0, 192, 0},   {280, 0, 280},   {280, -1, 280},
        {20'000'000, 192, 40'000'000},  // the product on the way does not fit 32 bits
    };
    for (const auto& c : cases) {
        EXPECT_EQ(scaleToDpi(c.pixels, c.dpi), c.scaled) << c.pixels << " at " << c.dpi;
    }
}

// The resolutions of the fake displays, with what the program must compute on each.
struct AtResolution {
    int dpi;
    Size overlay;
    int overlayFont;
    std::array<int, 6> columns;
    Size minimumWithoutVideo;  // the fake frame (16 × 59) around 280 × 210 at the resolution
};

constexpr std::array<AtResolution, 3> resolutions = {{
    {96, {128, 96}, 17, {50, 75, 150, 300, 100, 150}, {296, 269}},
    {144, {192, 144}, 26, {75, 113, 225, 450, 150, 225}, {436, 374}},
    {192, {256, 192}, 34, {100, 150, 300, 600, 200, 300}, {576, 479}},
}};

struct DpiScalingTest : PlaybackFixture {
    void onDisplayOf(int dpi)
    {
        platform.windowControl.dotsPerInch = dpi;
        platform.dialogs.dpi = dpi;
    }
};

TEST_F(DpiScalingTest, OverlayColumnsAndRoomForAVideoFollowTheResolution)
{
    for (const AtResolution& at : resolutions) {
        SCOPED_TRACE(at.dpi);
        onDisplayOf(at.dpi);

        media.overlays.clear();
        connect();
        ASSERT_EQ(media.overlays.size(), 1u);
        const auto& overlay = media.overlays[0];
        EXPECT_EQ(overlay.picture.size, at.overlay);
        EXPECT_EQ(overlay.picture.fontHeight, at.overlayFont);
        // The renderer takes the whole picture, however many pixels it has, and stretches it
        // over the same share of the video.
        EXPECT_EQ(overlay.parameters.source, (Rect{0, 0, at.overlay.width, at.overlay.height}));
        EXPECT_EQ(overlay.parameters.destination.right, 0.995f);

        // The channel list's columns, as the edit dialog sets them up.
        std::vector<int> widths;
        platform.dialogs.scripts.push_back([&widths](fakes::FakeDialogView& view, DialogHandler&) {
            for (const auto& column : view.list.columns) {
                widths.push_back(column.width);
            }
        });
        presenter.onCommand(IDM_EDIT_CHANNELS);
        EXPECT_EQ(widths, std::vector<int>(at.columns.begin(), at.columns.end()));

        // Without a video (an audio stream), and in the fit mode, the window keeps room for
        // a picture.
        platform.screen.frameDpis.clear();
        const struct {
            int mode;
            Size video;
        } withoutSize[] = {{1, {0, 0}}, {3, {320, 240}}};
        for (const auto& w : withoutSize) {
            state->viewMode = w.mode;
            media.videoSize = w.video;
            connect();
            Size minimum;
            presenter.onGetMinMaxInfo(minimum);
            EXPECT_EQ(minimum, at.minimumWithoutVideo) << "mode " << w.mode;
        }
        // The frame is the one of the window's display.
        EXPECT_EQ(platform.screen.frameDpis, (std::vector<int>{at.dpi, at.dpi}));
    }
}

TEST_F(DpiScalingTest, VideoSizesStayInTheVideosOwnPixels)
{
    // A 320 × 240 video at 50 %, 100 % and 200 % in a window large enough for each.
    const struct {
        int mode;
        Size video;
    } modes[] = {{0, {160, 120}}, {1, {320, 240}}, {2, {640, 480}}};
    platform.windowControl.client = {1000, 800};
    for (const AtResolution& at : resolutions) {
        for (const auto& m : modes) {
            SCOPED_TRACE(std::to_string(at.dpi) + " dpi, mode " + std::to_string(m.mode));
            onDisplayOf(at.dpi);
            state->viewMode = m.mode;
            media.positions.clear();
            connect();
            ASSERT_FALSE(media.positions.empty());
            EXPECT_EQ(media.positions.back().width(), m.video.width);
            EXPECT_EQ(media.positions.back().height(), m.video.height);
            // The minimum size holds the video and the frame, nothing scaled.
            Size minimum;
            presenter.onGetMinMaxInfo(minimum);
            EXPECT_EQ(minimum, (Size{m.video.width + 16, m.video.height + 59}));
        }
    }
}

TEST_F(DpiScalingTest, TheMainWindowTakesThePlaceSuggestedForItsNewDisplay)
{
    connect();
    platform.windowControl.onMove = [this] { presenter.onSize(); };
    media.positions.clear();
    clearLog();

    // From 96 to 192 dots per inch: the system suggests a window twice the size.
    onDisplayOf(192);
    const Rect suggested{200, 100, 1032, 718};
    presenter.onDpiChanged(suggested);

    EXPECT_EQ(platform.windowControl.moves, std::vector<Rect>{suggested});
    EXPECT_TRUE(platform.log.contains("windowControl.invalidate"));
    // Placed anew in the larger client area, still one video pixel per screen pixel.
    ASSERT_EQ(media.positions.size(), 1u);
    const Size client = platform.windowControl.client;
    EXPECT_EQ(media.positions[0], (Rect{(client.width - 320) / 2, (client.height - 240) / 2,
                                        (client.width - 320) / 2 + 320, (client.height - 240) / 2 + 240}));
}

using DialogDpiTest = DialogFixture;

TEST_F(DialogDpiTest, TheChannelDialogsGiveTheirColumnsTheWidthsOfTheNewDisplay)
{
    fill({channelOf(u"USA", u"Bravo")});
    const struct {
        const char* name;
        int command;
    } dialogs[] = {{"edit", IDM_EDIT_CHANNELS}, {"save", IDM_SAVE_CHANNELS}, {"load", IDM_LOAD_CHANNELS}};
    for (const auto& d : dialogs) {
        SCOPED_TRACE(d.name);
        // The load dialog reads a file with one new channel first.
        const Channel offered = channelOf(u"FRA", u"Offered");
        ASSERT_TRUE(writeChannelFile(platform.files, u"C:\\new.qcl", std::span<const Channel>(&offered, 1)));
        platform.dialogs.fileChoices.push_back(u"C:\\new.qcl");
        std::vector<int> widths;
        platform.dialogs.scripts.push_back([&widths](fakes::FakeDialogView& view, DialogHandler& dialog) {
            dialog.onDpiChanged(144);
            for (const auto& column : view.list.columns) {
                widths.push_back(column.width);
            }
        });
        presenter.onCommand(d.command);
        EXPECT_EQ(widths, std::vector<int>(resolutions[1].columns.begin(), resolutions[1].columns.end()));
        platform.dialogs.fileChoices.clear();
    }
}

}  // namespace
}  // namespace telvia

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "playback/overlay.h"
#include "playback_fixture.h"
#include "resources/resource.h"

namespace telvia {
namespace {

using OverlayTest = PlaybackFixture;

TEST_F(OverlayTest, TheConnectDrawsTheNameAndAVolumeChangeReplacesItByTheFigure)
{
    state->current.name = u"Line one\nLine two";
    state->soundVolume = 6;
    connect();
    presenter.onCommand(IDM_SOUND_UP);
    ASSERT_EQ(media.overlays.size(), 2u);

    OverlayPicture name;
    name.size = {128, 96};
    name.fontHeight = 17;
    name.textColour = 0x00FF00;  // pure green as a COLORREF
    name.backgroundColour = 0;
    name.text = u"Line one\nLine two";
    EXPECT_EQ(media.overlays[0].picture, name);

    OverlayPicture volume = name;
    volume.text.clear();
    volume.bottomLine = u"70%";
    EXPECT_EQ(media.overlays[1].picture, volume);

    AlphaBitmapParameters parameters;
    parameters.flags = 2 | 8;  // from a device context, black as the colour key
    parameters.source = {0, 0, 128, 96};
    parameters.destination = {0.005f, 0.005f, 0.995f, 0.995f};
    parameters.alpha = 0.75f;
    parameters.sourceColourKey = 0;
    for (const auto& overlay : media.overlays) {
        EXPECT_EQ(overlay.parameters, parameters);
    }
}

TEST_F(OverlayTest, WithoutTheMixerBitmapNothingIsDrawn)
{
    media.failures = {{"vmr.QueryInterface(IVMRMixerBitmap)", noInterface}};
    connect();
    presenter.onCommand(IDM_SOUND_UP);
    for (int tick = 0; tick <= 30; ++tick) {  // up to the tick that would clear it
        presenter.onTimer();
    }
    EXPECT_TRUE(media.overlays.empty());
    EXPECT_TRUE(platform.messages.shown.empty());
}

TEST_F(OverlayTest, InformationBoxShowsTheChannelAndTheStream)
{
    state->current.country = u"DEU";
    state->current.note = u"";
    state->current.homePage = u"http://news.example";
    connect();
    media.timePerFrame = 0.04;
    presenter.onCommand(IDM_INFORMATION);
    ASSERT_EQ(platform.messages.shown.size(), 1u);
    EXPECT_EQ(platform.messages.shown[0].text,
              u"Name: News\nCountry: DEU\nNote: \nAddress: mms://news\n"
              u"Home page: http://news.example\nVideo size: 320:240\nFPS: 25");
    EXPECT_EQ(platform.messages.shown[0].caption, u"Information about the channel");
    EXPECT_EQ(platform.messages.shown[0].owner, MessageOwner::mainWindow);
}

TEST_F(OverlayTest, InformationBoxFigures)
{
    const struct {
        const char* name;
        double timePerFrame;
        std::map<std::string, HResult> failures;
        std::u16string tail;
    } cases[] = {
        {"25 frames", 0.04, {}, u"Video size: 320:240\nFPS: 25"},
        {"NTSC rounds to 30", 0.0333667, {}, u"Video size: 320:240\nFPS: 30"},
        {"no time per frame", 0.0, {}, u"Video size: 320:240\nFPS: 0"},
        {"slower than one a second", 2.5, {}, u"Video size: 320:240\nFPS: 0"},
        {"too short to count", 1e-300, {}, u"Video size: 320:240\nFPS: 0"},
        {"nothing answers", 0.04,
         {{"graph.IBasicVideo.GetVideoSize", anyFailure},
          {"graph.IBasicVideo.get_AvgTimePerFrame", anyFailure}},
         u"Video size: 0:0\nFPS: 0"},
    };
    connect();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        media.timePerFrame = c.timePerFrame;
        media.failures = c.failures;
        platform.messages.shown.clear();
        player.showChannelInfo();
        ASSERT_EQ(platform.messages.shown.size(), 1u);
        const std::u16string& text = platform.messages.shown[0].text;
        ASSERT_GE(text.size(), c.tail.size());
        EXPECT_EQ(text.substr(text.size() - c.tail.size()), c.tail);
    }
}

TEST_F(OverlayTest, InformationNeedsOnlyTheBasicVideo)
{
    presenter.onCommand(IDM_INFORMATION);  // no graph
    EXPECT_TRUE(platform.messages.shown.empty());

    // An incomplete graph that got as far as the basic video.
    media.failures = {{"graph.QueryInterface(IBasicAudio)", anyFailure}};
    connect();
    platform.messages.shown.clear();
    presenter.onCommand(IDM_INFORMATION);
    EXPECT_EQ(platform.messages.shown.size(), 1u);
}

}  // namespace
}  // namespace telvia

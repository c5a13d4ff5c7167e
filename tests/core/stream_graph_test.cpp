#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fake_ports.h"
#include "playback_fixture.h"
#include "playback/player_texts.h"
#include "resources/resource.h"

namespace telvia {
namespace {

using GraphFixture = PresenterFixture;

TEST_F(GraphFixture, TitleNamesTheChannelAndItsStatus)
{
    const struct {
        std::u16string name;
        std::u16string status;
        std::u16string title;
    } cases[] = {
        {u"", u"", u"Telvia"},
        {u"", u"CONNECTING", u"Telvia"},  // never a status without a channel
        {u"News", u"", u"Telvia  [ News ]"},
        {u"News", u"BUFFERING", u"Telvia  [ News ]  BUFFERING"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(fakes::narrow(c.name + u"/" + c.status));
        state->current.name = c.name;
        player.showTitle(c.status);
        EXPECT_EQ(platform.window.title, c.title);
    }
}

TEST_F(GraphFixture, LongTitlesAreCutTo519Units)
{
    state->productName = std::u16string(259, u'p');
    state->current.name = std::u16string(259, u'n');
    player.showTitle(std::u16string(259, u's'));
    ASSERT_EQ(platform.window.title.size(), 519u);
    EXPECT_EQ(platform.window.title.substr(259, 4), u"  [ ");
}

TEST_F(GraphFixture, FailureReportsFormatTheResultInLowerCaseHex)
{
    const struct {
        std::string format;
        HResult result;
        std::u16string text;
    } cases[] = {
        {"FAILED(hr=0x%x) in pME->SetNotifyWindow((OAHWND)hWnd, WM_GRAPHNOTIFY, 0)\n",
         static_cast<HResult>(0x80004002u),
         u"FAILED(hr=0x80004002) in pME->SetNotifyWindow((OAHWND)hWnd, WM_GRAPHNOTIFY, 0)\n"},
        {"FAILED(hr=0x%x) in X\n", 0x1A, u"FAILED(hr=0x1a) in X\n"},
        {"FAILED(hr=0x%x) in X\n", 0, u"FAILED(hr=0x0) in X\n"},
        {"CoInitialize Failed!\r\n", -1, u"CoInitialize Failed!\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(failureText(c.format, c.result), c.text);
    }
}

TEST_F(GraphFixture, FailureReportsAreCutTo1023Units)
{
    EXPECT_EQ(failureText(std::string(2000, 'x') + "%x", 5), std::u16string(1023, u'x'));
}

using ConnectTest = PlaybackFixture;

TEST_F(ConnectTest, BuildsRendersAndStartsTheGraphInOrder)
{
    media.pins = {PinDirection::output, PinDirection::input};
    connect();
    const std::vector<std::string> expected = {
        // The tear-down first, also without an old graph.
        "window.setTitle Telvia  [ News ]",
        "screen.screenSaverActive 1",
        "textConversion.toUtf16 ansi",
        "window.setTitle Telvia  [ News ]  Connecting",
        "CoCreateInstance FilterGraph",
        "graph.QueryInterface(IVideoWindow)",
        "graph.QueryInterface(IBasicVideo)",
        "graph.QueryInterface(IBasicAudio)",
        "graph.QueryInterface(IMediaControl)",
        "graph.QueryInterface(IMediaEventEx)",
        "graph.IMediaEventEx.SetNotifyWindow 4660 1424 0",
        "CoCreateInstance WMAsfReader",
        "graph.IGraphBuilder.AddFilter WMASFReader",
        "asf.QueryInterface(IFileSourceFilter)",
        // The renderer joins before the pins are rendered, so that it draws the video.
        "CoCreateInstance VideoMixingRenderer",
        "graph.IGraphBuilder.AddFilter Video Mixing Renderer",
        "vmr.QueryInterface(IVMRFilterConfig)",
        "vmr.IVMRFilterConfig.SetRenderingMode 1",
        "vmr.IVMRFilterConfig.SetNumberOfStreams 1",
        "release vmr.IVMRFilterConfig",
        "vmr.QueryInterface(IVMRWindowlessControl)",
        "vmr.IVMRWindowlessControl.SetVideoClippingWindow 4660",
        "vmr.IVMRWindowlessControl.SetBorderColor 0",
        "vmr.QueryInterface(IVMRMixerControl)",
        "vmr.IVMRMixerControl.GetMixingPrefs",
        "vmr.IVMRMixerControl.SetMixingPrefs 33",  // 0x11: bilinear off, point filtering on
        "release vmr.IVMRMixerControl",
        "vmr.QueryInterface(IVMRMixerBitmap)",
        "release vmr.IBaseFilter",
        // Load runs on a thread of its own; the rest follows once it has returned.
        "asf.IFileSourceFilter.Load mms://news",
        "asf.IBaseFilter.EnumPins",
        "asf.IEnumPins.Next",
        "pin0.IPin.QueryDirection",
        "graph.IGraphBuilder.Render pin0",
        "release pin0.IPin",
        "asf.IEnumPins.Next",
        "pin1.IPin.QueryDirection",  // an input pin is not rendered
        "release pin1.IPin",
        "asf.IEnumPins.Next",
        "graph.IVideoWindow.put_Owner 4660",
        "graph.IVideoWindow.put_WindowStyle 1174405120",
        "graph.IBasicVideo.GetVideoSize",
        "graph.IVideoWindow.SetWindowPosition 40 30 320 240",
        "windowControl.update",
        "windowControl.bringToForeground",
        "graph.IBasicAudio.put_Volume -10000",
        "graph.IMediaControl.Run",
        "screen.screenSaverActive 0",
        "vmr.IVMRMixerBitmap.SetAlphaBitmap News",
    };
    EXPECT_EQ(platform.log.calls, expected);
    EXPECT_EQ(played().playing, 1);
    EXPECT_EQ(played().videoWidth, 320);
    EXPECT_EQ(played().videoHeight, 240);
    EXPECT_EQ(played().overlayTicks, 0);
    // "CONNECTING" stays until the first buffering event.
    EXPECT_EQ(platform.window.title, u"Telvia  [ News ]  Connecting");
    EXPECT_TRUE(platform.messages.shown.empty());
    EXPECT_EQ(held(), (std::vector<std::string>{"windowlessControl", "mixerBitmap", "pinEnum",
                                                "mediaEvent", "mediaControl", "basicAudio",
                                                "basicVideo", "videoWindow", "fileSource",
                                                "sourceFilter", "graphBuilder"}));
}

TEST_F(ConnectTest, TearDownReleasesEveryReferenceInTheFixedOrder)
{
    connect();
    clearLog();
    player.tearDown();
    const std::vector<std::string> expected = {
        "window.setTitle Telvia  [ News ]",
        "release vmr.IVMRWindowlessControl",
        "release vmr.IVMRMixerBitmap",
        "release asf.IEnumPins",
        "release graph.IMediaEventEx",
        "release graph.IMediaControl",
        "release graph.IBasicAudio",
        "release graph.IBasicVideo",
        "release graph.IVideoWindow",
        "release asf.IFileSourceFilter",
        "release asf.IBaseFilter",
        "release graph.IGraphBuilder",
        "screen.screenSaverActive 1",
    };
    EXPECT_EQ(platform.log.calls, expected);
    EXPECT_TRUE(played().graph.empty());
    EXPECT_EQ(media.liveReferences, 0);
    EXPECT_EQ(played().playing, 0);
}

TEST_F(ConnectTest, ConnectingWhilePlayingReleasesTheOldGraphFirst)
{
    connect();
    player.toggleFullScreen();
    state->soundVolume = 5;
    for (int tick = 0; tick < 3; ++tick) {
        presenter.onTimer();
    }
    ASSERT_EQ(played().fullScreen, 1);
    ASSERT_EQ(played().fadeStep, 3);
    clearLog();
    connect();

    const auto& calls = platform.log.calls;
    const int lastRelease = platform.log.indexOf("release graph.IGraphBuilder");
    const int saverOn = platform.log.indexOf("screen.screenSaverActive 1");
    const int create = platform.log.indexOf("CoCreateInstance FilterGraph");
    const int saverOff = platform.log.indexOf("screen.screenSaverActive 0");
    ASSERT_GE(lastRelease, 0);
    EXPECT_LT(lastRelease, saverOn);
    EXPECT_LT(saverOn, create);
    EXPECT_LT(create, saverOff);
    // The old graph, then the new renderer's locals and the two pins.
    EXPECT_EQ(releases().size(), 11u + 3u + 2u);
    EXPECT_EQ(calls.front(), "window.setTitle Telvia  [ News ]");
    EXPECT_EQ(played().fullScreen, 0);
    EXPECT_EQ(played().fadeStep, 0);
    EXPECT_EQ(played().playing, 1);
    EXPECT_EQ(media.liveReferences, 11);
}

TEST_F(ConnectTest, AFailingStepIsReportedAndLeavesItsPartialGraph)
{
    const struct {
        std::string call;
        std::u16string message;
        std::vector<std::string> held;
    } cases[] = {
        {"CoCreateInstance FilterGraph",
         u"FAILED(hr=0x80004005) in CoCreateInstance(CLSID_FilterGraph, NULL, "
         u"CLSCTX_INPROC_SERVER, IID_IGraphBuilder, (void **)&pGB)\n",
         {}},
        {"graph.QueryInterface(IVideoWindow)",
         u"FAILED(hr=0x80004005) in pGB->QueryInterface(IID_IVideoWindow, (void **)&pVW)\n",
         {"graphBuilder"}},
        {"graph.QueryInterface(IBasicVideo)",
         u"FAILED(hr=0x80004005) in pGB->QueryInterface(IID_IBasicVideo, (void **)&pBV)\n",
         {"videoWindow", "graphBuilder"}},
        {"graph.QueryInterface(IBasicAudio)",
         u"FAILED(hr=0x80004005) in pGB->QueryInterface(IID_IBasicAudio, (void **)&pBA)\n",
         {"basicVideo", "videoWindow", "graphBuilder"}},
        {"graph.QueryInterface(IMediaControl)",
         u"FAILED(hr=0x80004005) in pGB->QueryInterface(IID_IMediaControl, (void **)&pMC)\n",
         {"basicAudio", "basicVideo", "videoWindow", "graphBuilder"}},
        {"graph.QueryInterface(IMediaEventEx)",
         u"FAILED(hr=0x80004005) in pGB->QueryInterface(IID_IMediaEventEx, (void **)&pME)\n",
         {"mediaControl", "basicAudio", "basicVideo", "videoWindow", "graphBuilder"}},
        {"graph.IMediaEventEx.SetNotifyWindow",
         u"FAILED(hr=0x80004005) in pME->SetNotifyWindow((OAHWND)hWnd, WM_GRAPHNOTIFY, 0)\n",
         {"mediaEvent", "mediaControl", "basicAudio", "basicVideo", "videoWindow", "graphBuilder"}},
        {"CoCreateInstance WMAsfReader",
         u"FAILED(hr=0x80004005) in CoCreateInstance( CLSID_WMAsfReader, NULL, "
         u"CLSCTX_INPROC_SERVER, IID_IBaseFilter, (void**)&pBF)\n",
         {"mediaEvent", "mediaControl", "basicAudio", "basicVideo", "videoWindow", "graphBuilder"}},
        {"graph.IGraphBuilder.AddFilter WMASFReader",
         u"FAILED(hr=0x80004005) in pGB->AddFilter( pBF, L\"WMASFReader\")\n",
         {"mediaEvent", "mediaControl", "basicAudio", "basicVideo", "videoWindow", "sourceFilter",
          "graphBuilder"}},
        {"asf.QueryInterface(IFileSourceFilter)",
         u"FAILED(hr=0x80004005) in pBF->QueryInterface(IID_IFileSourceFilter, (void**)&pFS)\n",
         {"mediaEvent", "mediaControl", "basicAudio", "basicVideo", "videoWindow", "sourceFilter",
          "graphBuilder"}},
        {"asf.IBaseFilter.EnumPins", u"FAILED(hr=0x80004005) in pBF->EnumPins(&pEnumPins)\n",
         {"windowlessControl", "mixerBitmap", "mediaEvent", "mediaControl", "basicAudio",
          "basicVideo", "videoWindow", "fileSource", "sourceFilter", "graphBuilder"}},
        {"graph.IVideoWindow.put_WindowStyle",
         u"FAILED(hr=0x80004005) in pVW->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS | "
         u"WS_CLIPCHILDREN)\n",
         {"windowlessControl", "mixerBitmap", "pinEnum", "mediaEvent", "mediaControl",
          "basicAudio", "basicVideo", "videoWindow", "fileSource", "sourceFilter",
          "graphBuilder"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.call);
        player.tearDown();
        platform.messages.shown.clear();
        media.failures = {{c.call, anyFailure}};
        clearLog();

        connect();
        ASSERT_EQ(platform.messages.shown.size(), 1u);
        EXPECT_EQ(platform.messages.shown[0].text, c.message);
        EXPECT_EQ(platform.messages.shown[0].owner, MessageOwner::none);
        EXPECT_EQ(platform.messages.shown[0].caption, u"Telvia");
        EXPECT_EQ(platform.log.calls.back(), "messages.showInformation " +
                                                 fakes::narrow(c.message));
        EXPECT_EQ(held(), c.held);
        EXPECT_EQ(played().playing, 0);
        EXPECT_EQ(platform.window.title, u"Telvia  [ News ]  Connecting");
        EXPECT_FALSE(platform.log.contains("screen.screenSaverActive 0"));
        EXPECT_TRUE(platform.windowControl.enabled);

        // The next tear-down releases exactly what was acquired.
        clearLog();
        player.tearDown();
        EXPECT_EQ(releases().size(), c.held.size());
        EXPECT_EQ(media.liveReferences, 0);
    }
}

// Internet streams go to the program's own source, Windows Media and files to the ASF
// reader, each under the same name; an address no source may open reaches none of them.
TEST_F(ConnectTest, TheAddressChoosesTheSource)
{
    const struct {
        std::u16string address;
        const char* source;  // the fake's prefix of the source created; none: refused
    } cases[] = {
        {u"http://live.example/index.m3u8", "stream"},
        {u"https://live.example/ch/playlist.m3u8|User-Agent=Foo", "stream"},
        {u"http://radio.example:8000/stream", "stream"},
        {u"http://radio.example/live.mp3", "stream"},
        {u"mms://news.example/live", "asf"},
        {u"http://media.example/clip.wmv", "asf"},
        {u"demo.wmv", "asf"},
        {u"C:\\Videos\\clip.wmv", "asf"},
        // A network share would be sent the user's sign-in; it is never opened.
        {u"\\\\host\\share\\clip.wmv", nullptr},
        {u"file://host/share/clip.wmv", nullptr},
        {u"rtmp://live.example/app/stream", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(fakes::narrow(c.address));
        state->current.name = u"News";
        state->current.address = c.address;
        platform.messages.shown.clear();
        clearLog();
        connect();
        const std::string loads = std::string(c.source ? c.source : "asf") + ".IFileSourceFilter.Load " +
                                  fakes::narrow(c.address);
        if (c.source) {
            EXPECT_TRUE(platform.log.contains(loads));
            EXPECT_TRUE(platform.log.contains("graph.IGraphBuilder.AddFilter WMASFReader"));
            EXPECT_TRUE(platform.messages.shown.empty());
        } else {
            EXPECT_FALSE(platform.log.contains(loads));
            ASSERT_EQ(platform.messages.shown.size(), 1u);
            EXPECT_EQ(platform.messages.shown[0].text, u"Connection failed!");
            EXPECT_TRUE(played().graph.empty());
        }
    }
}

// Windows Media served over HTTP behind a path that names no format reaches the program's
// own source first; what it cannot read goes on to the ASF reader in its place.
TEST_F(ConnectTest, WhatTheStreamSourceCannotReadIsHandedToTheAsfReader)
{
    state->current.address = u"http://media.example/live";
    media.failures = {{"stream.IFileSourceFilter.Load", resultUnknownFileType}};
    connect();

    const auto& calls = platform.log.calls;
    const int start = platform.log.indexOf("stream.IFileSourceFilter.Load http://media.example/live");
    ASSERT_GE(start, 0);
    const std::vector<std::string> opening(calls.begin() + start, calls.begin() + start + 10);
    EXPECT_EQ(opening, (std::vector<std::string>{
                           "stream.IFileSourceFilter.Load http://media.example/live",
                           "release stream.IFileSourceFilter",
                           "graph.IGraphBuilder.RemoveFilter stream",
                           "release stream.IBaseFilter",
                           "CoCreateInstance WMAsfReader",
                           "graph.IGraphBuilder.AddFilter WMASFReader",
                           "asf.QueryInterface(IFileSourceFilter)",
                           "asf.IFileSourceFilter.Load http://media.example/live",
                           "asf.IBaseFilter.EnumPins",
                           "asf.IEnumPins.Next",
                       }));
    // The renderer added before the Load stays in the graph and the reader's pins play.
    EXPECT_EQ(count("graph.IGraphBuilder.AddFilter Video Mixing Renderer"), 1);
    EXPECT_TRUE(platform.log.contains("graph.IGraphBuilder.Render pin0"));
    EXPECT_TRUE(platform.log.contains("graph.IMediaControl.Run"));
    EXPECT_TRUE(platform.messages.shown.empty());
    EXPECT_EQ(played().playing, 1);
    EXPECT_EQ(state->current.name.view(), u"News");

    // Tear-down releases the reader's references, and the stream source's were gone already.
    clearLog();
    player.tearDown();
    EXPECT_TRUE(platform.log.contains("release asf.IFileSourceFilter"));
    EXPECT_TRUE(platform.log.contains("release asf.IBaseFilter"));
    EXPECT_FALSE(platform.log.contains("release stream.IBaseFilter"));
    EXPECT_EQ(media.liveReferences, 0);
}

// Only "unknown file type" from the program's own source brings in the ASF reader, and then
// the reader's own outcome counts; no other answer is retried.
TEST_F(ConnectTest, OnlyAnUnknownFileTypeFallsBackAndTheReaderDecides)
{
    constexpr HResult cannotConnect = static_cast<HResult>(0x80072EFDu);     // WinHTTP 12029
    constexpr HResult unsupportedStream = static_cast<HResult>(0x80040265u);  // no playable track
    constexpr HResult aborted = static_cast<HResult>(0x80004004u);
    const struct {
        const char* name;
        std::u16string address;
        std::map<std::string, HResult> failures;
        bool fallsBack;
        bool plays;
    } cases[] = {
        {"reader opens it", u"http://media.example/live",
         {{"stream.IFileSourceFilter.Load", resultUnknownFileType}}, true, true},
        {"reader fails too", u"http://media.example/live",
         {{"stream.IFileSourceFilter.Load", resultUnknownFileType}, {"asf.IFileSourceFilter.Load", anyFailure}},
         true, false},
        {"reader does not know it either", u"http://media.example/live",
         {{"stream.IFileSourceFilter.Load", resultUnknownFileType},
          {"asf.IFileSourceFilter.Load", resultUnknownFileType}},
         true, false},
        {"server unreachable", u"http://media.example/live", {{"stream.IFileSourceFilter.Load", cannotConnect}},
         false, false},
        {"no playable track", u"http://media.example/live.ts",
         {{"stream.IFileSourceFilter.Load", unsupportedStream}}, false, false},
        {"stopped", u"http://media.example/live.m3u8", {{"stream.IFileSourceFilter.Load", aborted}}, false, false},
        {"other failure", u"http://media.example/live", {{"stream.IFileSourceFilter.Load", anyFailure}}, false,
         false},
        // The ASF reader's own "unknown file type" is final: there is nothing after it.
        {"Windows Media address", u"mms://news", {{"asf.IFileSourceFilter.Load", resultUnknownFileType}}, false,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        player.tearDown();
        state->current.name = u"News";
        state->current.address = c.address;
        media.failures = c.failures;
        platform.messages.shown.clear();
        clearLog();
        connect();

        const bool ownSource = platform.log.contains("CoCreateInstance StreamSource");
        EXPECT_EQ(platform.log.contains("graph.IGraphBuilder.RemoveFilter stream"), c.fallsBack);
        EXPECT_EQ(count("asf.IFileSourceFilter.Load " + fakes::narrow(c.address)),
                  (c.fallsBack || !ownSource) ? 1 : 0);
        EXPECT_EQ(count("CoCreateInstance WMAsfReader"), (c.fallsBack || !ownSource) ? 1 : 0);
        EXPECT_EQ(played().playing, c.plays ? 1 : 0);
        EXPECT_TRUE(platform.windowControl.enabled);
        if (c.plays) {
            EXPECT_TRUE(platform.messages.shown.empty());
        } else {
            // Exactly what a failed Load of either source has always shown.
            ASSERT_EQ(platform.messages.shown.size(), 1u);
            EXPECT_EQ(platform.messages.shown[0].text, u"Connection failed!");
            EXPECT_EQ(platform.messages.shown[0].owner, MessageOwner::mainWindow);
            EXPECT_TRUE(state->current.name.empty());
            EXPECT_TRUE(played().graph.empty());
            EXPECT_EQ(media.liveReferences, 0);
        }
    }
}

// A step of putting the reader in place that fails is reported as that step always was,
// and the window is usable again.
TEST_F(ConnectTest, AFailingStepOfTheFallbackIsReported)
{
    const struct {
        std::string call;
        std::u16string message;
        std::vector<std::string> held;
    } cases[] = {
        {"graph.IGraphBuilder.RemoveFilter", u"FAILED(hr=0x80004005) in pGB->RemoveFilter(pBF)\n",
         {"windowlessControl", "mixerBitmap", "mediaEvent", "mediaControl", "basicAudio", "basicVideo",
          "videoWindow", "graphBuilder"}},
        {"CoCreateInstance WMAsfReader",
         u"FAILED(hr=0x80004005) in CoCreateInstance( CLSID_WMAsfReader, NULL, "
         u"CLSCTX_INPROC_SERVER, IID_IBaseFilter, (void**)&pBF)\n",
         {"windowlessControl", "mixerBitmap", "mediaEvent", "mediaControl", "basicAudio", "basicVideo",
          "videoWindow", "graphBuilder"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.call);
        player.tearDown();
        state->current.address = u"http://media.example/live";
        platform.messages.shown.clear();
        clearLog();
        media.failures = {{"stream.IFileSourceFilter.Load", resultUnknownFileType}, {c.call, anyFailure}};
        connect();

        ASSERT_EQ(platform.messages.shown.size(), 1u);
        EXPECT_EQ(platform.messages.shown[0].text, c.message);
        EXPECT_EQ(platform.messages.shown[0].owner, MessageOwner::none);
        EXPECT_EQ(held(), c.held);
        EXPECT_EQ(played().playing, 0);
        EXPECT_FALSE(platform.log.contains("asf.IFileSourceFilter.Load http://media.example/live"));
        EXPECT_TRUE(platform.windowControl.enabled);
        EXPECT_FALSE(player.opening());
    }
}

TEST_F(ConnectTest, AnAddressThatCannotBeOpenedEmptiesTheNameAndLeavesNoGraph)
{
    media.failures = {{"asf.IFileSourceFilter.Load", anyFailure}};
    connect();

    ASSERT_EQ(platform.messages.shown.size(), 1u);
    EXPECT_EQ(platform.messages.shown[0].text, u"Connection failed!");
    EXPECT_EQ(platform.messages.shown[0].owner, MessageOwner::mainWindow);
    EXPECT_EQ(platform.messages.shown[0].caption, u"Telvia");
    EXPECT_TRUE(state->current.name.empty());
    EXPECT_TRUE(played().graph.empty());
    EXPECT_EQ(media.liveReferences, 0);
    EXPECT_EQ(platform.window.title, u"Telvia");
    EXPECT_TRUE(platform.windowControl.enabled);

    const auto& calls = platform.log.calls;
    const int load = platform.log.indexOf("asf.IFileSourceFilter.Load mms://news");
    const std::vector<std::string> afterLoad(calls.begin() + load + 1, calls.end());
    ASSERT_EQ(afterLoad.size(), 15u);  // no pins enumerated yet: ten references
    // The name and the graph go before the box: a close inside it saves no channel.
    EXPECT_EQ(afterLoad.front(), "window.setTitle Telvia");
    const std::vector<std::string> last(afterLoad.end() - 4, afterLoad.end());
    EXPECT_EQ(last, (std::vector<std::string>{"screen.screenSaverActive 1", "messages.showInformation Connection failed!",
                                              "windowControl.showNormal", "windowControl.setFocus"}));
    EXPECT_EQ(played().playing, 0);

    // With the name gone, a reconnect does nothing.
    clearLog();
    presenter.onCommand(IDM_RECONNECT);
    EXPECT_FALSE(platform.log.contains("CoCreateInstance FilterGraph"));
}

TEST_F(ConnectTest, ASourceWithoutAnOutputStreamIsAFailedConnection)
{
    // Some sources accept an address that does not exist and expose no stream.
    const struct {
        std::vector<PinDirection> pins;
        bool fails;
    } cases[] = {
        {{}, true},
        {{PinDirection::input}, true},
        {{PinDirection::input, PinDirection::output}, false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        media.pins = cases[i].pins;
        state->current.name = u"News";
        platform.messages.shown.clear();
        connect();
        EXPECT_EQ(platform.messages.shown.size(), cases[i].fails ? 1u : 0u);
        EXPECT_EQ(state->current.name.empty(), cases[i].fails);
        EXPECT_EQ(played().playing, cases[i].fails ? 0 : 1);
        EXPECT_EQ(played().graph.empty(), cases[i].fails);
        EXPECT_TRUE(platform.windowControl.enabled);
        if (cases[i].fails) {
            EXPECT_EQ(platform.messages.shown[0].text, u"Connection failed!");
            EXPECT_EQ(platform.window.title, u"Telvia");
            EXPECT_FALSE(platform.log.contains("graph.IMediaControl.Run"));
        }
        clearLog();
    }
}

TEST_F(ConnectTest, NoNameOrNoAddressOnlyTearsDown)
{
    const struct {
        std::u16string name;
        std::u16string address;
    } cases[] = {{u"", u"mms://news"}, {u"News", u""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(fakes::narrow(c.name + u"|" + c.address));
        state->current.name = c.name;
        state->current.address = c.address;
        clearLog();
        connect();
        const std::vector<std::string> expected = {
            "window.setTitle " + fakes::narrow(c.name.empty() ? u"Telvia" : u"Telvia  [ News ]"),
            "screen.screenSaverActive 1"};
        EXPECT_EQ(platform.log.calls, expected);
    }
}

TEST_F(ConnectTest, WithoutAnOwnedVideoWindowTheStreamPlaysWithoutAVideoSize)
{
    media.failures = {{"graph.IVideoWindow.put_Owner", anyFailure}};
    connect();
    EXPECT_TRUE(platform.messages.shown.empty());
    EXPECT_EQ(played().videoWidth, 0);
    EXPECT_EQ(played().videoHeight, 0);
    EXPECT_FALSE(platform.log.contains("graph.IVideoWindow.put_WindowStyle 1174405120"));
    EXPECT_FALSE(platform.log.contains("graph.IBasicVideo.GetVideoSize"));
    EXPECT_TRUE(media.positions.empty());
    EXPECT_EQ(played().playing, 1);
    EXPECT_TRUE(platform.log.contains("graph.IMediaControl.Run"));
    EXPECT_EQ(platform.screen.screenSaverActive, false);
    EXPECT_EQ(media.overlays.size(), 1u);
}

TEST_F(ConnectTest, TheRendererIsOptional)
{
    const struct {
        const char* name;
        std::map<std::string, HResult> failures;
        std::vector<std::string> held;  // of the renderer's references
        std::vector<std::string> absent;
        bool overlayDrawn;
    } cases[] = {
        {"no renderer", {{"CoCreateInstance VideoMixingRenderer", anyFailure}}, {},
         {"graph.IGraphBuilder.AddFilter Video Mixing Renderer"}, false},
        {"renderer not added",
         {{"graph.IGraphBuilder.AddFilter Video Mixing Renderer", anyFailure}}, {},
         {"vmr.QueryInterface(IVMRFilterConfig)"}, false},
        {"as under Wine",
         {{"vmr.IVMRFilterConfig.SetNumberOfStreams", notImplemented},
          {"vmr.QueryInterface(IVMRWindowlessControl)", noInterface},
          {"vmr.QueryInterface(IVMRMixerControl)", noInterface},
          {"vmr.QueryInterface(IVMRMixerBitmap)", noInterface}},
         {},
         {"vmr.IVMRWindowlessControl.SetVideoClippingWindow 4660"},
         false},
        {"mixing preferences unreadable", {{"vmr.IVMRMixerControl.GetMixingPrefs", anyFailure}},
         {"windowlessControl", "mixerBitmap"}, {"vmr.IVMRMixerControl.SetMixingPrefs 33"}, true},
        {"no configuration", {{"vmr.QueryInterface(IVMRFilterConfig)", noInterface}},
         {"windowlessControl", "mixerBitmap"}, {"vmr.IVMRFilterConfig.SetRenderingMode 1"}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        player.tearDown();
        media.failures = c.failures;
        media.overlays.clear();
        clearLog();
        connect();

        EXPECT_TRUE(platform.messages.shown.empty());
        EXPECT_EQ(played().playing, 1);
        std::vector<std::string> rendererHeld;
        for (const std::string& name : held()) {
            if (name == "windowlessControl" || name == "mixerBitmap") {
                rendererHeld.push_back(name);
            }
        }
        EXPECT_EQ(rendererHeld, c.held);
        for (const std::string& call : c.absent) {
            EXPECT_FALSE(platform.log.contains(call)) << call;
        }
        EXPECT_EQ(media.overlays.size(), c.overlayDrawn ? 1u : 0u);
        // The local reference to the renderer never outlives the connect.
        EXPECT_LE(count("release vmr.IBaseFilter"), 1);
    }
}

TEST_F(ConnectTest, StatusWordsComeFromTheTranslationFile)
{
    const struct {
        std::string file;
        std::u16string title;
    } cases[] = {
        {"", u"Telvia  [ News ]"},
        {"[SECTION_2]\nCONNECTING=Verbinde\n", u"Telvia  [ News ]  Verbinde"},
        {"[SECTION_1]\nCONNECTING=Elsewhere\n", u"Telvia  [ News ]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        auto table = std::make_unique<TranslationTable>();
        loadTranslationsFrom(*table, c.file);
        Player translated(*state, platform.ports.forPlayer(), *table);
        translated.connect();
        EXPECT_EQ(platform.window.title, c.title);
    }
}

}  // namespace
}  // namespace telvia

// Proof that the DirectShow adapter plays, not only builds: the adapter's objects build the
// program's graph (ASF reader and Video Mixing Renderer) on the demo stream, the graph runs
// for two seconds, and the picture the renderer holds, read back from inside this process,
// shows the colour bars of the test picture. And that the audio pin renders into the
// default audio renderer, whose volume reads back as set (without Run: see the audio test).
//
// The demo is the win32_demo_media fixture's: ffmpeg's testsrc at 320 x 240 with a sine
// tone. Between rows 40 and 170 its bars, 40 pixels wide from the left, are black, cyan,
// magenta, blue, yellow and green (the rest of the picture moves or holds a circle).
#include <windows.h>

#include <dshow.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "current_image.h"
#include "demo_media.h"
#include "platform/win32/base/com_ptr.h"
#include "platform/win32/media/win32_media.h"

namespace {

using namespace telvia;
using win32::ComPtr;
using namespace telvia::testing;

std::string hex(long result)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(result));
    return text;
}

// The graph manager's own interface behind the adapter's handle.
template <typename Interface>
ComPtr<Interface> graphInterface(GraphBuilder& graph, REFIID iid)
{
    ComPtr<Interface> out;
    EXPECT_EQ(win32::queryGraphInterface(graph, iid, out.putVoid()), S_OK);
    return out;
}

// The ASF reader, added to the graph and opened on the demo.
Obtained<BaseFilter> addDemoReader(MediaFrameworkPort& media, GraphBuilder& graph)
{
    Obtained<BaseFilter> reader = media.createAsfReader();
    EXPECT_EQ(reader.result, S_OK);
    if (!reader.value) {
        return reader;
    }
    EXPECT_EQ(graph.addFilter(*reader.value, u"WMASFReader"), S_OK);
    Obtained<FileSource> source = reader.value->queryFileSource();
    EXPECT_EQ(source.result, S_OK);
    const std::wstring file = demoFile();
    if (!source.value || source.value->load(std::u16string(file.begin(), file.end())) != S_OK) {
        ADD_FAILURE() << "the demo does not open";
        reader.value.reset();
    }
    return reader;
}

constexpr Colour testBars[] = {{0, 0, 0},     {0, 255, 255}, {255, 0, 255},
                               {0, 0, 255},   {255, 255, 0}, {0, 255, 0}};
constexpr int barWidth = 40;
constexpr int firstBarRow = 40;
constexpr int lastBarRow = 170;
// The gradient band below the bars, which scrolls as the picture plays.
constexpr int firstBandRow = 182;
constexpr int lastBandRow = 208;

// Renders every output pin of the source; the result of each, in pin order.
std::vector<HResult> renderOutputPins(GraphBuilder& graph, BaseFilter& source)
{
    std::vector<HResult> results;
    Obtained<PinEnumerator> pins = source.enumPins();
    EXPECT_EQ(pins.result, S_OK);
    if (!pins.value) {
        return results;
    }
    for (;;) {
        Obtained<Pin> pin = pins.value->next();
        if (pin.result != S_OK || !pin.value) {
            break;
        }
        if (pin.value->queryDirection().value == PinDirection::output) {
            results.push_back(graph.render(*pin.value));
        }
    }
    return results;
}

bool closeTo(const Colour& shown, const Colour& expected)
{
    return std::abs(shown.red - expected.red) <= 40 && std::abs(shown.green - expected.green) <= 40 &&
           std::abs(shown.blue - expected.blue) <= 40;
}

// The picture the renderer holds now.
std::optional<CurrentImage> currentImage(GraphBuilder& graph, std::string& why)
{
    const ComPtr<IBasicVideo> video = graphInterface<IBasicVideo>(graph, IID_IBasicVideo);
    if (!video) {
        why = "no IBasicVideo";
        return std::nullopt;
    }
    // Room for any picture of this size; the call says how much it wrote.
    std::vector<std::uint8_t> buffer(4 << 20);
    long length = static_cast<long>(buffer.size());
    const HRESULT read = video->GetCurrentImage(&length, reinterpret_cast<long*>(buffer.data()));
    if (read != S_OK) {
        why = "GetCurrentImage answered " + hex(read);
        return std::nullopt;
    }
    buffer.resize(std::min(buffer.size(), static_cast<std::size_t>(std::max(length, 0L))));
    return CurrentImage::of(buffer, why);
}

std::string text(const Colour& colour)
{
    return "(" + std::to_string(colour.red) + ", " + std::to_string(colour.green) + ", " +
           std::to_string(colour.blue) + ")";
}

}  // namespace

TEST(PlaybackProof, TheDemoPlaysAndItsColourBarsReachTheRenderer)
{
    if (!haveDemo()) {
        GTEST_SKIP() << "demo.wmv is missing next to the test executable: it is made by the "
                        "win32_demo_media test, which needs ffmpeg on the build machine";
    }
    ComApartment apartment;
    ASSERT_GE(apartment.result(), 0);
    const win32::Win32MainWindow none;
    win32::Win32MediaFramework media(none);

    Obtained<GraphBuilder> graph = media.createFilterGraph();
    ASSERT_EQ(graph.result, S_OK);
    const Obtained<BaseFilter> reader = addDemoReader(media, *graph.value);
    ASSERT_TRUE(reader.value);
    Obtained<BaseFilter> renderer = media.createVideoMixingRenderer();
    ASSERT_EQ(renderer.result, S_OK);
    ASSERT_EQ(graph.value->addFilter(*renderer.value, u"Video Mixing Renderer"), S_OK);

    // Whatever the audio pin answers (without a sound device it does not render, which
    // keeps a graph on this reader running under Wine), the video reaches the renderer: its
    // size is known.
    const std::vector<HResult> rendered = renderOutputPins(*graph.value, *reader.value);
    ASSERT_FALSE(rendered.empty());
    for (std::size_t i = 0; i < rendered.size(); ++i) {
        std::cout << "render of output pin " << i << ": " << hex(rendered[i]) << "\n";
    }
    Obtained<BasicVideo> video = graph.value->queryBasicVideo();
    ASSERT_EQ(video.result, S_OK);
    const MediaAnswer<Size> size = video.value->getVideoSize();
    ASSERT_EQ(size.result, S_OK);
    EXPECT_EQ(size.value, (Size{320, 240}));

    Obtained<MediaControl> control = graph.value->queryMediaControl();
    ASSERT_EQ(control.result, S_OK);
    ASSERT_GE(control.value->run(), 0);
    // Two pictures a second apart: the bars stay, the gradient band below them scrolls, so
    // the two differ there only if the graph runs (a paused graph shows its first frame).
    pumpMessages(1000);
    std::string why;
    const std::optional<CurrentImage> earlier = currentImage(*graph.value, why);
    ASSERT_TRUE(earlier.has_value()) << "the current image after one second: " << why;
    pumpMessages(1000);
    const std::optional<CurrentImage> image = currentImage(*graph.value, why);
    ASSERT_TRUE(image.has_value()) << "the current image after two seconds: " << why;

    const ComPtr<IMediaSeeking> seeking = graphInterface<IMediaSeeking>(*graph.value, IID_IMediaSeeking);
    ASSERT_TRUE(seeking);
    LONGLONG position = 0;
    ASSERT_EQ(seeking->GetCurrentPosition(&position), S_OK);
    std::cout << "position after two seconds: " << position / 10000 << " ms\n";
    EXPECT_GE(position, 15'000'000) << "the stream did not advance while the graph ran";

    const BITMAPINFOHEADER& header = image->header();
    std::cout << "current image: " << header.biWidth << " x " << header.biHeight << ", "
              << header.biBitCount << " bits, format " << hex(static_cast<long>(header.biCompression))
              << ", " << image->visibleWidth() << " pixels of each row\n";
    ASSERT_EQ(image->height(), 240);

    // Every bar that the picture's rows reach, at its centre, on every tenth row of the bars.
    int barsSeen = 0;
    for (std::size_t bar = 0; bar < std::size(testBars); ++bar) {
        const int x = static_cast<int>(bar) * barWidth + barWidth / 2;
        if (x >= image->visibleWidth()) {
            break;
        }
        ++barsSeen;
        for (int y = firstBarRow; y <= lastBarRow; y += 10) {
            const Colour shown = image->at(x, y);
            EXPECT_TRUE(closeTo(shown, testBars[bar]))
                << "bar " << bar << " at (" << x << ", " << y << ") shows " << text(shown) << ", expected "
                << text(testBars[bar]);
        }
    }
    EXPECT_GE(barsSeen, 3);

    int changed = 0;
    int compared = 0;
    for (int y = firstBandRow; y <= lastBandRow; ++y) {
        for (int x = 0; x < image->visibleWidth(); ++x, ++compared) {
            changed += closeTo(image->at(x, y), earlier->at(x, y)) ? 0 : 1;
        }
    }
    std::cout << "band pixels changed in a second: " << changed << " of " << compared << "\n";
    EXPECT_GT(changed, compared / 10) << "the picture did not move while the graph ran";

    const ComPtr<IMediaControl> stop = graphInterface<IMediaControl>(*graph.value, IID_IMediaControl);
    stop->Stop();
}

// With the ASF reader under Wine all streams come from one thread, and the first audio
// sample blocks in the paused audio renderer, so a graph with audio never runs there: the
// audio renderer is proven without Run. Under Wine it needs a sound device; the test's
// set-up gives it ALSA's null device (ALSA_CONFIG_PATH).
TEST(AudioRenderer, TheAudioPinRendersAndTheVolumeSetIsTheVolumeRead)
{
    if (!haveDemo()) {
        GTEST_SKIP() << "demo.wmv is missing next to the test executable (see win32_demo_media)";
    }
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr &&
        GetEnvironmentVariableW(L"ALSA_CONFIG_PATH", nullptr, 0) == 0) {
        GTEST_SKIP() << "under Wine this test needs ALSA's null device: run it as the "
                        "win32_audio_renderer test, which sets ALSA_CONFIG_PATH";
    }
    ComApartment apartment;
    ASSERT_GE(apartment.result(), 0);
    const win32::Win32MainWindow none;
    win32::Win32MediaFramework media(none);

    Obtained<GraphBuilder> graph = media.createFilterGraph();
    ASSERT_EQ(graph.result, S_OK);
    const Obtained<BaseFilter> reader = addDemoReader(media, *graph.value);
    ASSERT_TRUE(reader.value);

    const std::vector<HResult> rendered = renderOutputPins(*graph.value, *reader.value);
    for (std::size_t i = 0; i < rendered.size(); ++i) {
        std::cout << "render of output pin " << i << ": " << hex(rendered[i]) << "\n";
    }

    // Which filter renders the audio: the one in the graph with IBasicAudio and a connected
    // input pin.
    const ComPtr<IGraphBuilder> raw = graphInterface<IGraphBuilder>(*graph.value, IID_IGraphBuilder);
    ComPtr<IEnumFilters> filters;
    ASSERT_EQ(raw->EnumFilters(filters.put()), S_OK);
    bool audioRendererConnected = false;
    for (;;) {
        ComPtr<IBaseFilter> filter;
        if (filters->Next(1, filter.put(), nullptr) != S_OK) {
            break;
        }
        FILTER_INFO info{};
        filter->QueryFilterInfo(&info);
        if (info.pGraph != nullptr) {
            info.pGraph->Release();
        }
        ComPtr<IBasicAudio> audio;
        const bool rendersAudio = filter.query(IID_IBasicAudio, audio) == S_OK;
        ComPtr<IEnumPins> pins;
        filter->EnumPins(pins.put());
        for (ComPtr<IPin> pin; pins && pins->Next(1, pin.put(), nullptr) == S_OK;) {
            ComPtr<IPin> peer;
            PIN_DIRECTION direction{};
            pin->QueryDirection(&direction);
            if (rendersAudio && direction == PINDIR_INPUT && pin->ConnectedTo(peer.put()) == S_OK) {
                audioRendererConnected = true;
            }
        }
        std::wcout << L"filter: " << info.achName << (rendersAudio ? L" (audio)" : L"") << L"\n";
    }
    EXPECT_TRUE(audioRendererConnected) << "no audio renderer with a connected input in the graph";

    Obtained<BasicAudio> volume = graph.value->queryBasicAudio();
    ASSERT_EQ(volume.result, S_OK);
    const ComPtr<IBasicAudio> readBack = graphInterface<IBasicAudio>(*graph.value, IID_IBasicAudio);
    ASSERT_TRUE(readBack);
    for (const std::int32_t level : {-10000, -6000, -2500, -1, 0}) {
        EXPECT_EQ(volume.value->putVolume(level), S_OK) << level;
        long read = 1;
        EXPECT_EQ(readBack->get_Volume(&read), S_OK) << level;
        EXPECT_EQ(read, level);
    }
}

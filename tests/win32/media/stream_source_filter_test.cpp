// The stream source filter in Wine's real filter graph, fed by a scripted stream session:
// Load and the pins' types, buffering events, and (with ALSA's null device, in the
// StreamSourceAudio cases) samples through the MPEG audio decoder to the audio renderer,
// end of stream, and a Stop or tear-down while a pin waits for its next sample.
#include <windows.h>

#include <dshow.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "demo_media.h"
#include "graph_test_support.h"
#include "platform/stream_source_port.h"
#include "platform/win32/base/com_ptr.h"
#include "platform/win32/media/stream_source_filter.h"
#include "platform/win32/media/track_media_types.h"
#include "playback/stream/container/mpeg_audio_header.h"

namespace {

using namespace telvia;
using telvia::testing::ComApartment;
using telvia::testing::hex;
using telvia::testing::load;
using telvia::testing::makeGraph;
using telvia::testing::pinsOf;
using telvia::testing::query;
using telvia::testing::waitForEvent;
using telvia::testing::waitUntil;
using win32::ComPtr;
using Clock = std::chrono::steady_clock;

// One MPEG-1 layer 2 frame, 48 kHz, 128 kbit/s, stereo, no CRC: a valid header and a
// payload of zeros, which allocates no bits to any subband (silence).
std::vector<std::uint8_t> silentLayer2Frame()
{
    std::vector<std::uint8_t> frame = {0xFF, 0xFD, 0x84, 0x00};
    const auto header = stream::parseMpegAudioHeader(frame);
    frame.resize(header ? header->frameLength : 0);
    return frame;
}
constexpr std::int64_t layer2FrameDuration = 240'000;  // 1152 samples at 48 kHz

StreamTrackFormat layer2Track()
{
    StreamTrackFormat track;
    track.kind = StreamTrackKind::mpegAudio;
    track.audio = {48000, 2, 0, 2, 128000};
    return track;
}

StreamTrackFormat h264Track()
{
    StreamTrackFormat track;
    track.kind = StreamTrackKind::h264;
    track.video = {640, 360, 1, 1, 66, 30, 25, 1, {0, 0, 0, 1, 0x67, 0x42, 0, 0x1E, 0, 0, 0, 1, 0x68, 0xCE}};
    return track;
}

// What a session was told and did; outlives the session so that tear-down can be checked.
struct Probe {
    std::atomic<int> pulls[2] = {0, 0};
    std::atomic<bool> waiting{false};  // a pull is blocked past the script's samples
    std::atomic<bool> stopped{false};
    std::atomic<bool> destroyed{false};
    std::atomic<bool> dropped[2] = {false, false};
    std::atomic<StreamSourceEvents*> events{nullptr};
    std::string openedAddress;
};

struct Script {
    StreamOpenResult status = StreamOpenResult::opened;
    std::vector<StreamTrackFormat> tracks;
    int samplesPerTrack = 0;
    bool waitAtEnd = false;  // after the samples: wait for stop() instead of ending
    bool throwAtEnd = false;  // after the samples: throw, as a session out of memory would
    // From this sample of an audio track on, frames of another format, the first with it.
    int newFormatAt = -1;
    StreamTrackFormat newFormat = {};
    std::vector<std::uint8_t> newFrame = {};
};

class ScriptedSession final : public StreamSourcePort {
public:
    ScriptedSession(Script script, std::shared_ptr<Probe> probe) : script_(std::move(script)), probe_(std::move(probe)) {}
    ~ScriptedSession() override { probe_->destroyed = true; }
    ScriptedSession(const ScriptedSession&) = delete;
    ScriptedSession& operator=(const ScriptedSession&) = delete;

    StreamOpenResult open(std::string_view address) override
    {
        probe_->openedAddress = std::string(address);
        return script_.status;
    }
    std::span<const StreamTrackFormat> tracks() const override { return script_.tracks; }
    std::optional<StreamSample> nextSample(std::size_t track) override
    {
        const int index = probe_->pulls[track]++;
        if (probe_->dropped[track]) {
            return std::nullopt;
        }
        if (index < script_.samplesPerTrack) {
            const bool video = script_.tracks[track].kind == StreamTrackKind::h264;
            const bool changed = !video && script_.newFormatAt >= 0 && index >= script_.newFormatAt;
            StreamSample sample;
            sample.data = video ? std::vector<std::uint8_t>{0, 0, 0, 1, 0x65, 0x88, 0x84}
                                : changed ? script_.newFrame : frame_;
            sample.start = 50'000'000 + index * (video ? 400'000 : layer2FrameDuration);
            sample.keyFrame = !video || index == 0;
            if (changed && index == script_.newFormatAt) {
                sample.newFormat = std::make_shared<const StreamTrackFormat>(script_.newFormat);
            }
            return sample;
        }
        if (script_.throwAtEnd) {
            throw std::bad_alloc();
        }
        if (script_.waitAtEnd) {
            std::unique_lock lock(mutex_);
            probe_->waiting = true;
            stopped_.wait(lock, [this] { return probe_->stopped.load(); });
            probe_->waiting = false;
        }
        return std::nullopt;
    }
    void dropTrack(std::size_t track) override { probe_->dropped[track] = true; }
    void stop() override
    {
        {
            const std::lock_guard lock(mutex_);
            probe_->stopped = true;
        }
        stopped_.notify_all();
    }

private:
    Script script_;
    std::shared_ptr<Probe> probe_;
    std::vector<std::uint8_t> frame_ = silentLayer2Frame();
    std::mutex mutex_;
    std::condition_variable stopped_;
};

ComPtr<IBaseFilter> makeFilter(const Script& script, const std::shared_ptr<Probe>& probe)
{
    return win32::createStreamSourceFilter(
        [script, probe](StreamSourceEvents& events) -> std::unique_ptr<StreamSourcePort> {
            probe->events = &events;
            return std::make_unique<ScriptedSession>(script, probe);
        });
}

std::wstring pinName(IPin& pin)
{
    PIN_INFO info{};
    pin.QueryPinInfo(&info);
    if (info.pFilter != nullptr) {
        info.pFilter->Release();
    }
    return info.achName;
}


TEST(StreamSourceFilter, LoadAnswersEveryFailureToOpenWithAFailureAndMakesNoPins)
{
    const struct {
        StreamOpenResult status;
        HRESULT expected;
    } cases[] = {
        {StreamOpenResult::unreachable, HRESULT_FROM_WIN32(12029)},
        {StreamOpenResult::notSupported, VFW_E_UNKNOWN_FILE_TYPE},
        {StreamOpenResult::noPlayableTrack, VFW_E_UNSUPPORTED_STREAM},
        {StreamOpenResult::stopped, E_ABORT},
    };
    ComApartment apartment;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        auto probe = std::make_shared<Probe>();
        ComPtr<IBaseFilter> filter = makeFilter({cases[i].status, {layer2Track()}}, probe);
        ASSERT_TRUE(filter) << i;
        const HRESULT loaded = load(*filter.get(), L"http://radio.example/live");
        EXPECT_LT(loaded, 0) << i;
        EXPECT_EQ(loaded, cases[i].expected) << i << ": " << hex(loaded);
        EXPECT_TRUE(pinsOf(*filter.get()).empty()) << i;
        EXPECT_TRUE(probe->destroyed) << i << ": a session that did not open is not kept";
    }
}

TEST(StreamSourceFilter, LoadMakesOnePinPerTrackOfferingThatTracksTypes)
{
    ComApartment apartment;
    auto probe = std::make_shared<Probe>();
    ComPtr<IBaseFilter> filter = makeFilter({StreamOpenResult::opened, {h264Track(), layer2Track()}}, probe);
    ASSERT_TRUE(filter);
    const wchar_t* const address = L"http://radio.example/d\u00e9j\u00e0-vu";
    ASSERT_EQ(load(*filter.get(), address), S_OK);
    EXPECT_EQ(probe->openedAddress, "http://radio.example/d\xC3\xA9j\xC3\xA0-vu");
    EXPECT_EQ(load(*filter.get(), address), E_UNEXPECTED) << "one address per filter";

    ComPtr<IFileSourceFilter> source = query<IFileSourceFilter>(*filter.get(), IID_IFileSourceFilter);
    LPOLESTR current = nullptr;
    ASSERT_EQ(source->GetCurFile(&current, nullptr), S_OK);
    EXPECT_STREQ(current, address);
    CoTaskMemFree(current);
    ComPtr<IAMFilterMiscFlags> flags = query<IAMFilterMiscFlags>(*filter.get(), IID_IAMFilterMiscFlags);
    ASSERT_TRUE(flags);
    EXPECT_EQ(flags->GetMiscFlags(), static_cast<ULONG>(AM_FILTER_MISC_FLAGS_IS_SOURCE));

    const std::vector<ComPtr<IPin>> pins = pinsOf(*filter.get());
    ASSERT_EQ(pins.size(), 2U);
    const StreamTrackFormat formats[] = {h264Track(), layer2Track()};
    const wchar_t* const names[] = {L"Video", L"Audio"};
    for (std::size_t i = 0; i < pins.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(pinName(*pins[i].get()), names[i]);
        PIN_DIRECTION direction = PINDIR_INPUT;
        EXPECT_EQ(pins[i]->QueryDirection(&direction), S_OK);
        EXPECT_EQ(direction, PINDIR_OUTPUT);
        ComPtr<IPin> found;
        EXPECT_EQ(filter->FindPin(names[i], found.put()), S_OK);
        EXPECT_EQ(found.get(), pins[i].get());

        // The pin offers exactly what the track's mapping gives, format blocks included.
        const std::vector<win32::MediaType> expected =
            win32::mediaTypesForTrack(formats[i]);
        ComPtr<IEnumMediaTypes> types;
        ASSERT_EQ(pins[i]->EnumMediaTypes(types.put()), S_OK);
        std::size_t count = 0;
        for (AM_MEDIA_TYPE* type = nullptr; types->Next(1, &type, nullptr) == S_OK; ++count) {
            const win32::MediaType offered = win32::MediaType::copyOf(*type);
            win32::deleteTaskMemMediaType(type);
            ASSERT_LT(count, expected.size());
            const AM_MEDIA_TYPE& want = expected[count].get();
            EXPECT_TRUE(IsEqualGUID(offered.get().subtype, want.subtype)) << count;
            EXPECT_TRUE(IsEqualGUID(offered.get().formattype, want.formattype)) << count;
            EXPECT_TRUE(std::ranges::equal(offered.format(), expected[count].format())) << count;
            EXPECT_EQ(pins[i]->QueryAccept(&want), S_OK) << count;
        }
        EXPECT_EQ(count, expected.size());
    }
}

TEST(StreamSourceFilter, TheVideoPinFindsNoDecoderUnderWineAndStaysUnconnected)
{
    ComApartment apartment;
    auto probe = std::make_shared<Probe>();
    ComPtr<IBaseFilter> filter = makeFilter({StreamOpenResult::opened, {h264Track()}, 3}, probe);
    ComPtr<IGraphBuilder> graph = makeGraph();
    ASSERT_TRUE(filter && graph);
    ASSERT_EQ(graph->AddFilter(filter.get(), L"Stream Source"), S_OK);
    ASSERT_EQ(load(*filter.get(), L"http://tv.example/live.ts"), S_OK);
    const std::vector<ComPtr<IPin>> pins = pinsOf(*filter.get());
    ASSERT_EQ(pins.size(), 1U);

    const HRESULT rendered = graph->Render(pins[0].get());
    std::printf("Render of the H.264 pin: %s\n", hex(rendered).c_str());
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr) {
        EXPECT_LT(rendered, 0);
        ComPtr<IPin> peer;
        EXPECT_EQ(pins[0]->ConnectedTo(peer.put()), VFW_E_NOT_CONNECTED);
    }
    EXPECT_EQ(graph->RemoveFilter(filter.get()), S_OK);
}

TEST(StreamSourceFilter, BufferingReportsReachTheGraphsEvents)
{
    ComApartment apartment;
    auto probe = std::make_shared<Probe>();
    ComPtr<IBaseFilter> filter = makeFilter({StreamOpenResult::opened, {layer2Track()}}, probe);
    ComPtr<IGraphBuilder> graph = makeGraph();
    ASSERT_TRUE(filter && graph);
    ASSERT_EQ(graph->AddFilter(filter.get(), L"Stream Source"), S_OK);
    ASSERT_EQ(load(*filter.get(), L"http://radio.example/live"), S_OK);
    ComPtr<IMediaEventEx> events = query<IMediaEventEx>(*graph.get(), IID_IMediaEventEx);
    ASSERT_TRUE(events);

    // From another thread, as the session's network thread would report it.
    std::thread([&] { probe->events.load()->onBuffering(true); }).join();
    EXPECT_EQ(waitForEvent(*events.get(), EC_BUFFERING_DATA, 2000), std::optional<LONG_PTR>(1));
    probe->events.load()->onBuffering(false);
    EXPECT_EQ(waitForEvent(*events.get(), EC_BUFFERING_DATA, 2000), std::optional<LONG_PTR>(0));
}

// With ALSA's null device the audio pin renders; these run as their own ctest entry.
class StreamSourceAudio : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (telvia::testing::lacksSoundDevice()) {
            GTEST_SKIP() << "under Wine this test needs ALSA's null device: run it as the "
                            "win32_stream_source_audio test, which sets ALSA_CONFIG_PATH";
        }
        ASSERT_GE(apartment_.result(), 0);
    }

    // A graph with the filter loaded and its audio pin rendered.
    void renderAudio(const Script& script)
    {
        filter_ = makeFilter(script, probe_);
        graph_ = makeGraph();
        ASSERT_TRUE(filter_ && graph_);
        ASSERT_EQ(graph_->AddFilter(filter_.get(), L"Stream Source"), S_OK);
        ASSERT_EQ(load(*filter_.get(), L"http://radio.example/live.mp2"), S_OK);
        const std::vector<ComPtr<IPin>> pins = pinsOf(*filter_.get());
        ASSERT_EQ(pins.size(), 1U);
        const HRESULT rendered = graph_->Render(pins[0].get());
        ASSERT_GE(rendered, 0) << hex(rendered);
        ComPtr<IPin> decoder;
        ASSERT_EQ(pins[0]->ConnectedTo(decoder.put()), S_OK);
        control_ = query<IMediaControl>(*graph_.get(), IID_IMediaControl);
        events_ = query<IMediaEventEx>(*graph_.get(), IID_IMediaEventEx);
        ASSERT_TRUE(control_ && events_);
    }

    ComApartment apartment_;
    std::shared_ptr<Probe> probe_ = std::make_shared<Probe>();
    ComPtr<IBaseFilter> filter_;
    ComPtr<IGraphBuilder> graph_;
    ComPtr<IMediaControl> control_;
    ComPtr<IMediaEventEx> events_;
};

TEST_F(StreamSourceAudio, SamplesGoThroughTheMpegAudioDecoderWhileTheGraphRuns)
{
    ASSERT_NO_FATAL_FAILURE(renderAudio({StreamOpenResult::opened, {layer2Track()}, 400, true}));
    ASSERT_GE(control_->Run(), 0);
    OAFilterState state = State_Stopped;
    const HRESULT got = control_->GetState(3000, &state);
    EXPECT_GE(got, 0) << hex(got);
    EXPECT_EQ(state, State_Running);

    // The renderer takes samples as the clock goes: pulls go on while running.
    ASSERT_TRUE(waitUntil([&] { return probe_->pulls[0] >= 20; }, 5000)) << probe_->pulls[0];
    const int earlier = probe_->pulls[0];
    ASSERT_TRUE(waitUntil([&] { return probe_->pulls[0] >= earlier + 10; }, 3000))
        << earlier << " then " << probe_->pulls[0];
    EXPECT_FALSE(waitForEvent(*events_.get(), EC_ERRORABORT, 100));
    EXPECT_EQ(control_->Stop(), S_OK);
}

TEST_F(StreamSourceAudio, TheEndOfTheStreamCompletesTheGraph)
{
    ASSERT_NO_FATAL_FAILURE(renderAudio({StreamOpenResult::opened, {layer2Track()}, 25, false}));
    ASSERT_GE(control_->Run(), 0);
    EXPECT_TRUE(waitForEvent(*events_.get(), EC_COMPLETE, 5000));
    EXPECT_EQ(probe_->pulls[0], 26);
    EXPECT_EQ(control_->Stop(), S_OK);
}

TEST_F(StreamSourceAudio, SoundInAFormatTheDecoderRefusesEndsItsTrackAndIsNoLongerFetched)
{
    // AAC where MPEG audio was: the MPEG audio decoder cannot take it.
    Script script{StreamOpenResult::opened, {layer2Track()}, 40, true};
    script.newFormatAt = 10;
    script.newFormat.kind = StreamTrackKind::aacAdts;
    script.newFormat.audio = {48000, 2, 2, 0, 0};
    script.newFrame = {0xFF, 0xF1, 0x4C, 0x80, 0x01, 0x3F, 0xFC, 0x21, 0x00};
    ASSERT_NO_FATAL_FAILURE(renderAudio(script));
    ASSERT_GE(control_->Run(), 0);
    EXPECT_TRUE(waitForEvent(*events_.get(), EC_COMPLETE, 5000)) << "the track ends where its sound changed";
    EXPECT_TRUE(probe_->dropped[0]) << "and the session stops fetching it";
    EXPECT_EQ(probe_->pulls[0], 11);
    EXPECT_FALSE(waitForEvent(*events_.get(), EC_ERRORABORT, 100));
    EXPECT_EQ(control_->Stop(), S_OK);
}

TEST_F(StreamSourceAudio, ASessionThatThrowsAbortsTheGraphNotTheProgram)
{
    Script script{StreamOpenResult::opened, {layer2Track()}, 5, false};
    script.throwAtEnd = true;
    ASSERT_NO_FATAL_FAILURE(renderAudio(script));
    ASSERT_GE(control_->Run(), 0);
    EXPECT_TRUE(waitForEvent(*events_.get(), EC_ERRORABORT, 5000));
    EXPECT_EQ(control_->Stop(), S_OK);
}

TEST_F(StreamSourceAudio, StopAndTearDownDoNotWaitForAPendingSample)
{
    ASSERT_NO_FATAL_FAILURE(renderAudio({StreamOpenResult::opened, {layer2Track()}, 5, true}));
    ASSERT_GE(control_->Run(), 0);
    ASSERT_TRUE(waitUntil([&] { return probe_->waiting.load(); }, 5000));

    auto begun = Clock::now();
    EXPECT_EQ(control_->Stop(), S_OK);
    EXPECT_LT(Clock::now() - begun, std::chrono::milliseconds(1000));
    OAFilterState state = State_Running;
    EXPECT_EQ(control_->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
    EXPECT_TRUE(probe_->waiting) << "the pull is left to the session";
    EXPECT_FALSE(probe_->stopped) << "a Stop of the graph does not end the session";

    // A new run while that pull still waits, then the whole graph goes.
    ASSERT_GE(control_->Run(), 0);
    begun = Clock::now();
    control_.reset();
    events_.reset();
    graph_.reset();
    ASSERT_TRUE(probe_->waiting) << "nothing so far has stopped the session";
    const ULONG left = filter_.detach()->Release();
    EXPECT_LT(Clock::now() - begun, std::chrono::milliseconds(1000));
    EXPECT_EQ(left, 0U) << "the filter is gone with the last reference";
    EXPECT_TRUE(probe_->stopped);
    EXPECT_TRUE(probe_->destroyed);
    EXPECT_FALSE(probe_->waiting);
}

}  // namespace

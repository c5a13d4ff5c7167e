// A stream session wired to a scripted HTTP client and a clock the test moves, and the
// way the source filter pulls from it: one thread per track.
#pragma once

#include <condition_variable>
#include <algorithm>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "call_log.h"
#include "fake_cipher.h"
#include "fake_http.h"
#include "fake_stream_clock.h"
#include "playback/stream/session/stream_session.h"
#include "program_writer.h"

namespace telvia::stream::testing {

class RecordingEvents final : public StreamSourceEvents {
public:
    void onBuffering(bool started) override
    {
        std::function<void(bool)> hook;
        {
            const std::scoped_lock lock(mutex_);
            events_.push_back(started);
            changed_.notify_all();
            hook = hook_;
        }
        if (hook) hook(started);
    }

    // Called after each event is recorded, on the thread that told it.
    void onEvent(std::function<void(bool)> hook)
    {
        const std::scoped_lock lock(mutex_);
        hook_ = std::move(hook);
    }

    std::vector<bool> events() const
    {
        const std::scoped_lock lock(mutex_);
        return events_;
    }

    void awaitEvent()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !events_.empty(); });
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<bool> events_;
    std::function<void(bool)> hook_;
};

// Pulls every track on a thread of its own until the source says the end.
inline std::vector<std::vector<StreamSample>> pullAll(StreamSourcePort& source)
{
    std::vector<std::vector<StreamSample>> tracks(source.tracks().size());
    std::vector<std::thread> pullers;
    for (std::size_t track = 0; track < tracks.size(); ++track) {
        pullers.emplace_back([&source, &tracks, track] {
            while (std::optional<StreamSample> sample = source.nextSample(track)) {
                tracks[track].push_back(std::move(*sample));
            }
        });
    }
    for (std::thread& puller : pullers) puller.join();
    return tracks;
}

// An MPEG-1 layer 3 frame, 128 kb/s at 44.1 kHz, stereo: 417 bytes.
inline Bytes mp3Frame(std::uint8_t fill)
{
    Bytes frame = {0xFF, 0xFB, 0x90, 0x00};
    frame.resize(417, fill);
    return frame;
}

inline std::string mediaPlaylist(const std::vector<std::string>& segments, bool endList = true, std::uint64_t sequence = 0,
                          const std::string& extraTags = "")
{
    std::string text = "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXT-X-MEDIA-SEQUENCE:" + std::to_string(sequence) + "\n" +
                       extraTags;
    for (const std::string& segment : segments) text += "#EXTINF:1.0,\n" + segment + "\n";
    return endList ? text + "#EXT-X-ENDLIST\n" : text;
}

// Serves `count` one-second segments of one programme as seg0.ts, seg1.ts, ... under base.
inline void serveSegments(fakes::FakeHttpClient& http, const std::string& base, int count, ProgramWriter writer = ProgramWriter())
{
    for (int i = 0; i < count; ++i) {
        http.serve(base + "seg" + std::to_string(i) + ".ts", asText(writer.piece(25)), "video/mp2t");
    }
}

inline std::vector<std::string> segmentNames(int count)
{
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) names.push_back("seg" + std::to_string(i) + ".ts");
    return names;
}

inline bool strictlyRising(const std::vector<StreamSample>& samples)
{
    return std::adjacent_find(samples.begin(), samples.end(), [](const StreamSample& a, const StreamSample& b) {
               return b.start <= a.start;
           }) == samples.end();
}

inline bool anyDiscontinuity(const std::vector<StreamSample>& samples)
{
    return std::any_of(samples.begin(), samples.end(), [](const StreamSample& s) { return s.discontinuity; });
}

// The session's own settings, but for the pause between failing variants: the clock moves
// only when a test moves it, so only the tests of that pause keep it.
inline StreamSessionSettings rigSettings()
{
    StreamSessionSettings settings;
    settings.fetch.variantPause = std::chrono::milliseconds(0);
    return settings;
}

struct SessionRig {
    explicit SessionRig(StreamSessionSettings settings = rigSettings(), SessionObserver* observer = nullptr)
        : session(http, cipher, clock, events, settings, observer)
    {
    }

    std::vector<std::string> requestedAddresses() const
    {
        std::vector<std::string> out;
        for (const HttpRequest& request : http.requestsSoFar()) out.push_back(request.address);
        return out;
    }

    fakes::CallLog log;
    fakes::FakeHttpClient http{log};
    fakes::FakeCipher cipher{log};
    fakes::FakeStreamClock clock;
    RecordingEvents events;
    StreamSession session;
};

}  // namespace telvia::stream::testing

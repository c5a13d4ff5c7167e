// Where the fetch thread of a stream session hands samples to the threads that pull them:
// one queue per track, the opening's outcome, the end of the stream and stop(). It keeps
// the fetch thread from running too far ahead, and tells when playback runs dry and when
// it has enough again, and moves the times of what comes after a stall by its length.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "platform/stream_source_port.h"
#include "playback/stream/delivery/sample_assembler.h"
#include "playback/stream/delivery/stream_clock.h"
#include "playback/stream/delivery/track_queues.h"

namespace telvia::stream {

class SampleExchange {
public:
    SampleExchange(StreamClock& clock, StreamSourceEvents& events, BufferSettings settings)
        : clock_(clock), events_(events), queues_(settings)
    {
    }

    // The fetch thread's side.
    void opened(std::vector<StreamTrackFormat> tracks);
    void push(std::vector<TrackSample> samples);
    // No more samples come; before opened(), the opening failed with `status`.
    void finish(StreamOpenResult status);
    // Waits while the queues hold enough; false once stopped.
    [[nodiscard]] bool waitForRoom();
    // Waits until the clock reaches `until`; false once stopped.
    [[nodiscard]] bool sleepUntil(std::chrono::milliseconds until);
    [[nodiscard]] bool isOpen() const;

    // The consumers' side.
    // The outcome of the opening; empty when the clock reached `deadline` first.
    [[nodiscard]] std::optional<StreamOpenResult> awaitOpen(std::chrono::milliseconds deadline);
    // Final once awaitOpen() said opened.
    [[nodiscard]] std::span<const StreamTrackFormat> tracks() const { return tracks_; }
    [[nodiscard]] std::optional<StreamSample> next(std::size_t track);
    // Nobody pulls the track any more: what it holds and gets goes, and pulling it ends
    // at once.
    void dropTrack(std::size_t track);
    // Every wait returns now and every later one at once.
    void stop();

private:
    [[nodiscard]] bool refilled() const;
    void endBufferingIfRefilled(std::unique_lock<std::mutex>& lock);
    void announce(bool buffering, std::unique_lock<std::mutex>& lock);

    StreamClock& clock_;
    StreamSourceEvents& events_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<StreamOpenResult> openStatus_;
    std::vector<StreamTrackFormat> tracks_;
    TrackQueues queues_;
    bool ended_ = false;
    bool stopped_ = false;
    bool holdingBack_ = false;  // the fetch thread waits for the queues to drain
    bool buffering_ = false;
    // The player's clock runs on while playback waits for data, so what comes after a
    // stall is handed out that much later than the stream says, or it would all be late.
    std::chrono::milliseconds dryAt_{0};
    std::int64_t stallShift_ = 0;  // 100 ns, the sum of every stall so far
    // Buffering events are told in the order they happened, by one thread at a time and
    // never under the lock, so that a listener may call back.
    std::deque<bool> untoldEvents_;
    bool telling_ = false;
};

}  // namespace telvia::stream

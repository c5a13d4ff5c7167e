// The streaming thread of one output pin of the stream source filter: pulls its track's
// samples from the source and delivers them downstream while the filter is paused or
// running. Each pin has its own, so that a renderer holding one stream's sample while
// paused never starves another stream.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/stream_source_port.h"
#include "platform/win32/media/media_type.h"
#include "platform/win32/media/sample_timeline.h"
#include "platform/win32/base/windows_includes.h"

#include <strmif.h>

namespace telvia::win32 {

// What the streaming threads need of their filter; called on those threads.
class StreamingHost {
public:
    virtual ~StreamingHost() = default;
    // Clock time minus the run's start time while running; nothing while paused.
    [[nodiscard]] virtual std::optional<std::int64_t> runningStreamTime() = 0;
    // Tells the graph that streaming failed (EC_ERRORABORT).
    virtual void reportStreamingError(HRESULT error) = 0;
};

// Where samples go during one run; borrowed from the pin, which keeps them between start()
// and stop().
struct DeliveryTarget {
    IPin* peer = nullptr;
    IMemInputPin* input = nullptr;
    IMemAllocator* allocator = nullptr;  // committed
};

// Told on the streaming thread when downstream took a new format of the track.
using NewTypeHandler = std::function<void(const MediaType&)>;

class PinStreamer {
public:
    PinStreamer(StreamSourcePort& source, std::size_t track, std::int64_t sampleDuration,
                SampleTimeline& timeline, StreamingHost& host, NewTypeHandler onNewType);
    ~PinStreamer();
    PinStreamer(const PinStreamer&) = delete;
    PinStreamer& operator=(const PinStreamer&) = delete;

    // Begins a run (Pause from Stopped); the thread starts with the first run.
    [[nodiscard]] HRESULT start(const DeliveryTarget& target) noexcept;
    // Ends the run. Returns once no sample is on its way downstream; the allocator must be
    // decommitted first so that a wait for a buffer ends. A pull from the source still in
    // progress is not waited for: its sample is dropped when it comes.
    void stop() noexcept;

    // Tear-down, in two steps around stopping the source: first no more deliveries, then
    // (once the source's stop() woke a pending pull) the thread is joined.
    void requestExit() noexcept;
    void join() noexcept;

private:
    enum class Outcome { delivered, runOver };

    void run() noexcept;
    [[nodiscard]] Outcome deliver(StreamSample& sample, const DeliveryTarget& target, bool firstOfRun);
    // The first of the format's media types the downstream pin accepts while connected.
    [[nodiscard]] static std::optional<MediaType> acceptedType(const StreamTrackFormat& format, IPin& peer);

    StreamSourcePort& source_;
    const std::size_t track_;
    std::int64_t sampleDuration_;  // of the format in force; the streaming thread's own
    SampleTimeline& timeline_;
    StreamingHost& host_;
    const NewTypeHandler onNewType_;

    std::mutex mutex_;
    std::condition_variable changed_;
    DeliveryTarget target_;
    std::uint64_t run_ = 0;  // counts starts; a sample pulled in an earlier run is dropped
    bool active_ = false;
    bool delivering_ = false;
    bool exiting_ = false;
    bool lostSample_ = false;  // the next sample follows one that could not be delivered
    std::thread thread_;
};

}  // namespace telvia::win32

// Places the source's sample times on the stream time of the filter's run. All pins share
// one timeline, so their samples keep the distance the source gave them.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>

namespace telvia::win32 {

class SampleTimeline {
public:
    // How far ahead of the running clock a run's first sample is placed, so that the
    // renderers get it before it is due (100 ns units).
    static constexpr std::int64_t startLead = 2'000'000;

    // The stream time for a sample the source stamped `sourceStart`. The first sample after
    // a reset fixes the offset: it starts at zero while the graph pauses, or `startLead`
    // after `streamTimeNow` when the graph already runs.
    [[nodiscard]] std::int64_t streamTime(std::int64_t sourceStart,
                                          std::optional<std::int64_t> streamTimeNow);
    // A new run from Stopped starts a new timeline.
    void reset();

private:
    std::mutex mutex_;
    std::optional<std::int64_t> offset_;
};

}  // namespace telvia::win32

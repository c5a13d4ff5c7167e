// A stream clock that moves only when the test moves it, and then wakes whoever sleeps
// on it. Starts at 0.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

#include "playback/stream/stream_clock.h"

namespace telvia::fakes {

class FakeStreamClock final : public stream::StreamClock {
public:
    [[nodiscard]] std::chrono::milliseconds now() const override;
    void sleepUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                    std::chrono::milliseconds until) override;

    // From the test's thread, while whatever sleeps on the clock is alive.
    void advance(std::chrono::milliseconds by);
    // Blocks the test until some thread sleeps on the clock with a time to wake at.
    void awaitSleeper();

private:
    using Sleeper = std::pair<std::mutex*, std::condition_variable*>;

    mutable std::mutex mutex_;
    std::condition_variable sleepersChanged_;
    std::chrono::milliseconds now_{0};
    std::vector<Sleeper> sleepers_;
};

}  // namespace telvia::fakes

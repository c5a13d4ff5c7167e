// A stream clock that moves only when the test moves it, and then wakes whoever sleeps
// on it. Starts at 0.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "playback/stream/delivery/stream_clock.h"

namespace telvia::fakes {

class FakeStreamClock final : public stream::StreamClock {
public:
    [[nodiscard]] std::chrono::milliseconds now() const override;
    // The calendar moves with now(), from where the test set it (1970 unless set).
    [[nodiscard]] std::chrono::milliseconds wallTime() const override;
    void setWallTime(std::chrono::milliseconds atNow);
    void sleepUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                    std::chrono::milliseconds until) override;

    // From the test's thread, while whatever sleeps on the clock is alive.
    void advance(std::chrono::milliseconds by);
    // Blocks the test until some thread sleeps on the clock until a time still ahead (and
    // before `before`, to pass by a sleeper that is known to wait longer), and gives the
    // earliest such time.
    std::chrono::milliseconds awaitSleeper(std::chrono::milliseconds before = std::chrono::milliseconds::max());

private:
    struct Sleeper {
        std::mutex* mutex = nullptr;
        std::condition_variable* wake = nullptr;
        std::chrono::milliseconds until{0};

        friend bool operator==(const Sleeper&, const Sleeper&) = default;
    };

    mutable std::mutex mutex_;
    std::condition_variable sleepersChanged_;
    std::chrono::milliseconds now_{0};
    std::chrono::milliseconds wallOffset_{0};
    std::vector<Sleeper> sleepers_;
};

}  // namespace telvia::fakes

// Time as the stream session sees it, in milliseconds. The session sleeps through its
// clock rather than on its own, so that a clock other than the steady one (a test's
// clock, moved by hand) wakes it when its time moves.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace telvia::stream {

class StreamClock {
public:
    virtual ~StreamClock() = default;

    [[nodiscard]] virtual std::chrono::milliseconds now() const = 0;
    // The calendar's time, in milliseconds since 1970-01-01 UTC: what live DASH manifests
    // are timed by. Unlike now(), it may jump when the system's clock is set.
    [[nodiscard]] virtual std::chrono::milliseconds wallTime() const = 0;

    // Waits on `wake`, with `lock` held on entry and on return, until `wake` is notified
    // or the clock reaches `until`. May return early: the caller checks what it waits for.
    virtual void sleepUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                            std::chrono::milliseconds until) = 0;
};

// The program's clock: std::chrono::steady_clock, and the system clock for the calendar.
class SteadyStreamClock final : public StreamClock {
public:
    [[nodiscard]] std::chrono::milliseconds now() const override;
    [[nodiscard]] std::chrono::milliseconds wallTime() const override;
    void sleepUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                    std::chrono::milliseconds until) override;
};

}  // namespace telvia::stream

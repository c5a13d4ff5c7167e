#include "playback/stream/delivery/stream_clock.h"

namespace telvia::stream {

std::chrono::milliseconds SteadyStreamClock::now() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
}

std::chrono::milliseconds SteadyStreamClock::wallTime() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch());
}

void SteadyStreamClock::sleepUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                                   std::chrono::milliseconds until)
{
    const std::chrono::milliseconds left = until - now();
    if (left > std::chrono::milliseconds::zero()) {
        wake.wait_for(lock, left);
    }
}

}  // namespace telvia::stream

#include "fake_stream_clock.h"

#include <algorithm>

namespace telvia::fakes {

std::chrono::milliseconds FakeStreamClock::now() const
{
    const std::scoped_lock lock(mutex_);
    return now_;
}

void FakeStreamClock::sleepUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                                 std::chrono::milliseconds until)
{
    // Registered under the clock's lock together with the look at the time: a later
    // advance() finds the sleeper, an earlier one shows in the time.
    const Sleeper self{lock.mutex(), &wake};
    {
        const std::scoped_lock clockLock(mutex_);
        if (now_ >= until) {
            return;
        }
        sleepers_.push_back(self);
        sleepersChanged_.notify_all();
    }
    wake.wait(lock);
    const std::scoped_lock clockLock(mutex_);
    sleepers_.erase(std::find(sleepers_.begin(), sleepers_.end(), self));
}

void FakeStreamClock::advance(std::chrono::milliseconds by)
{
    std::vector<Sleeper> sleepers;
    {
        const std::scoped_lock lock(mutex_);
        now_ += by;
        sleepers = sleepers_;
    }
    // The sleeper's own lock: it is either asleep already or still holds it, and then
    // sleeps before this notification can be given.
    for (const auto& [sleeperMutex, wake] : sleepers) {
        const std::scoped_lock lock(*sleeperMutex);
        wake->notify_all();
    }
}

void FakeStreamClock::awaitSleeper()
{
    std::unique_lock lock(mutex_);
    sleepersChanged_.wait(lock, [this] { return !sleepers_.empty(); });
}

}  // namespace telvia::fakes

#include "fake_stream_clock.h"

#include <algorithm>

namespace telvia::fakes {

std::chrono::milliseconds FakeStreamClock::now() const
{
    const std::scoped_lock lock(mutex_);
    return now_;
}

std::chrono::milliseconds FakeStreamClock::wallTime() const
{
    const std::scoped_lock lock(mutex_);
    return now_ + wallOffset_;
}

void FakeStreamClock::setWallTime(std::chrono::milliseconds atNow)
{
    const std::scoped_lock lock(mutex_);
    wallOffset_ = atNow - now_;
}

void FakeStreamClock::sleepUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                                 std::chrono::milliseconds until)
{
    // Registered under the clock's lock together with the look at the time: a later
    // advance() finds the sleeper, an earlier one shows in the time.
    const Sleeper self{lock.mutex(), &wake, until};
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
    for (const Sleeper& sleeper : sleepers) {
        const std::scoped_lock lock(*sleeper.mutex);
        sleeper.wake->notify_all();
    }
}

std::chrono::milliseconds FakeStreamClock::awaitSleeper(std::chrono::milliseconds before)
{
    // A sleeper whose time has come may not have woken yet: only one still ahead counts.
    const auto ahead = [this, before](const Sleeper& sleeper) { return sleeper.until > now_ && sleeper.until < before; };
    std::unique_lock lock(mutex_);
    sleepersChanged_.wait(lock, [&] { return std::any_of(sleepers_.begin(), sleepers_.end(), ahead); });
    std::chrono::milliseconds earliest = std::chrono::milliseconds::max();
    for (const Sleeper& sleeper : sleepers_) {
        if (ahead(sleeper)) {
            earliest = std::min(earliest, sleeper.until);
        }
    }
    return earliest;
}

}  // namespace telvia::fakes

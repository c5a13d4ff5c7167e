#include "playback/stream/delivery/sample_exchange.h"

#include <algorithm>

namespace telvia::stream {

void SampleExchange::opened(std::vector<StreamTrackFormat> tracks)
{
    const std::scoped_lock lock(mutex_);
    tracks_ = std::move(tracks);
    queues_.setTrackCount(tracks_.size());
    openStatus_ = StreamOpenResult::opened;
    changed_.notify_all();
}

void SampleExchange::push(std::vector<TrackSample> samples)
{
    if (samples.empty()) {
        return;
    }
    std::unique_lock lock(mutex_);
    for (TrackSample& sample : samples) {
        queues_.push(std::move(sample));
    }
    changed_.notify_all();
    endBufferingIfRefilled(lock);
}

void SampleExchange::finish(StreamOpenResult status)
{
    std::unique_lock lock(mutex_);
    if (!openStatus_) {
        openStatus_ = status;
    }
    ended_ = true;
    changed_.notify_all();
    endBufferingIfRefilled(lock);
}

void SampleExchange::dropTrack(std::size_t track)
{
    {
        const std::scoped_lock lock(mutex_);
        queues_.drop(track);
    }
    changed_.notify_all();  // the fetch thread may have waited for this track to drain
}

bool SampleExchange::waitForRoom()
{
    std::unique_lock lock(mutex_);
    if (!stopped_ && queues_.full()) {
        holdingBack_ = true;
        // Whoever waits for data waits for the consumers now, not for the network.
        endBufferingIfRefilled(lock);
        changed_.wait(lock, [this] { return stopped_ || queues_.drained(); });
        holdingBack_ = false;
    }
    return !stopped_;
}

bool SampleExchange::sleepUntil(std::chrono::milliseconds until)
{
    std::unique_lock lock(mutex_);
    while (!stopped_ && clock_.now() < until) {
        clock_.sleepUntil(lock, changed_, until);
    }
    return !stopped_;
}

bool SampleExchange::isOpen() const
{
    const std::scoped_lock lock(mutex_);
    return openStatus_ == StreamOpenResult::opened;
}

std::optional<StreamOpenResult> SampleExchange::awaitOpen(std::chrono::milliseconds deadline)
{
    std::unique_lock lock(mutex_);
    for (;;) {
        if (stopped_) {
            return StreamOpenResult::stopped;
        }
        if (openStatus_) {
            return openStatus_;
        }
        if (clock_.now() >= deadline) {
            return std::nullopt;
        }
        clock_.sleepUntil(lock, changed_, deadline);
    }
}

std::optional<StreamSample> SampleExchange::next(std::size_t track)
{
    std::unique_lock lock(mutex_);
    for (;;) {
        if (stopped_ || track >= queues_.trackCount() || queues_.isDropped(track)) {
            return std::nullopt;
        }
        if (buffering_) {
            // Samples that trickle in while running dry wait until there are enough to
            // play on smoothly.
            endBufferingIfRefilled(lock);
            if (buffering_) {
                changed_.wait(lock);
                continue;
            }
        }
        if (std::optional<StreamSample> sample = queues_.pop(track)) {
            changed_.notify_all();  // the fetch thread may wait for room
            sample->start += stallShift_;
            return sample;
        }
        if (ended_) {
            return std::nullopt;
        }
        // Dry while the fetch thread holds back is another track's surplus, not starvation.
        if (queues_.hasDelivered(track) && !holdingBack_) {
            buffering_ = true;
            dryAt_ = clock_.now();
            announce(true, lock);
            continue;
        }
        changed_.wait(lock);
    }
}

void SampleExchange::stop()
{
    const std::scoped_lock lock(mutex_);
    stopped_ = true;
    changed_.notify_all();
}

bool SampleExchange::refilled() const
{
    return ended_ || holdingBack_ || queues_.refilled();
}

void SampleExchange::endBufferingIfRefilled(std::unique_lock<std::mutex>& lock)
{
    if (buffering_ && refilled()) {
        buffering_ = false;
        stallShift_ += std::max<std::int64_t>(0, (clock_.now() - dryAt_).count()) * (referenceTimePerSecond / 1000);
        changed_.notify_all();
        announce(false, lock);
    }
}

void SampleExchange::announce(bool buffering, std::unique_lock<std::mutex>& lock)
{
    if (stopped_) {
        return;  // nobody plays any more
    }
    untoldEvents_.push_back(buffering);
    if (telling_) {
        return;  // the thread telling now tells this one too, in order
    }
    telling_ = true;
    while (!untoldEvents_.empty()) {
        const bool event = untoldEvents_.front();
        untoldEvents_.pop_front();
        lock.unlock();
        events_.onBuffering(event);
        lock.lock();
    }
    telling_ = false;
}

}  // namespace telvia::stream

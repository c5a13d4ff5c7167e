#include "playback/stream/delivery/track_queues.h"

#include <algorithm>

namespace telvia::stream {

void TrackQueues::push(TrackSample sample)
{
    if (sample.track < queues_.size() && !queues_[sample.track].dropped) {
        bytes_ += cost(sample.sample);
        queues_[sample.track].samples.push_back(std::move(sample.sample));
    }
}

void TrackQueues::drop(std::size_t track)
{
    if (track >= queues_.size()) {
        return;
    }
    Queue& queue = queues_[track];
    for (const StreamSample& sample : queue.samples) {
        bytes_ -= cost(sample);
    }
    queue.samples.clear();
    queue.dropped = true;
}

std::optional<StreamSample> TrackQueues::pop(std::size_t track)
{
    Queue& queue = queues_[track];
    if (queue.samples.empty()) {
        return std::nullopt;
    }
    StreamSample sample = std::move(queue.samples.front());
    queue.samples.pop_front();
    bytes_ -= cost(sample);
    queue.delivered = true;
    return sample;
}

std::int64_t TrackQueues::queuedTime(const Queue& queue)
{
    if (queue.samples.size() < 2) {
        return 0;
    }
    return queue.samples.back().start - queue.samples.front().start;
}

std::size_t TrackQueues::resumeSamples() const
{
    const auto resume = static_cast<std::size_t>(std::max<std::int64_t>(0, settings_.aheadResume));
    const auto limit = static_cast<std::size_t>(std::max<std::int64_t>(1, settings_.aheadLimit));
    return settings_.sampleLimit * resume / limit;
}

bool TrackQueues::full() const
{
    return bytes_ >= settings_.byteLimit || std::any_of(queues_.begin(), queues_.end(), [this](const Queue& q) {
               return queuedTime(q) >= settings_.aheadLimit || q.samples.size() >= settings_.sampleLimit;
           });
}

bool TrackQueues::drained() const
{
    return bytes_ < settings_.byteLimit && std::all_of(queues_.begin(), queues_.end(), [this](const Queue& q) {
               return queuedTime(q) <= settings_.aheadResume && q.samples.size() <= resumeSamples();
           });
}

bool TrackQueues::refilled() const
{
    return std::all_of(queues_.begin(), queues_.end(),
                       [this](const Queue& q) { return q.dropped || queuedTime(q) >= settings_.refill; });
}

}  // namespace telvia::stream

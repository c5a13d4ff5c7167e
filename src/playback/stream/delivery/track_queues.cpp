#include "playback/stream/delivery/track_queues.h"

#include <algorithm>

namespace telvia::stream {

void TrackQueues::push(TrackSample sample)
{
    if (sample.track < queues_.size()) {
        bytes_ += sample.sample.data.size();
        queues_[sample.track].samples.push_back(std::move(sample.sample));
    }
}

std::optional<StreamSample> TrackQueues::pop(std::size_t track)
{
    Queue& queue = queues_[track];
    if (queue.samples.empty()) {
        return std::nullopt;
    }
    StreamSample sample = std::move(queue.samples.front());
    queue.samples.pop_front();
    bytes_ -= sample.data.size();
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

bool TrackQueues::full() const
{
    return bytes_ >= settings_.byteLimit || std::any_of(queues_.begin(), queues_.end(), [this](const Queue& q) {
               return queuedTime(q) >= settings_.aheadLimit;
           });
}

bool TrackQueues::drained() const
{
    return bytes_ < settings_.byteLimit && std::all_of(queues_.begin(), queues_.end(), [this](const Queue& q) {
               return queuedTime(q) <= settings_.aheadResume;
           });
}

bool TrackQueues::refilled() const
{
    return std::all_of(queues_.begin(), queues_.end(),
                       [this](const Queue& q) { return queuedTime(q) >= settings_.refill; });
}

}  // namespace telvia::stream

// The sample queues of a stream session, one per track, and how full they are: when the
// fetch thread must stop reading ahead, when it may read on, and when playback that ran
// dry has enough to go on. Not thread-safe; the exchange guards it.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "platform/stream_source_port.h"
#include "playback/stream/delivery/sample_assembler.h"

namespace telvia::stream {

// Amounts of queued media in 100 ns units, measured per track from its oldest queued
// sample to its newest.
struct BufferSettings {
    // The fetch thread stops reading once a track holds this much ...
    std::int64_t aheadLimit = 10 * referenceTimePerSecond;
    // ... and reads on once every track is down to this.
    std::int64_t aheadResume = 6 * referenceTimePerSecond;
    // Bytes queued over all tracks, each sample counted with what keeping it costs, that
    // also make the fetch thread wait, whatever the times say. Ten seconds of 1080p at
    // 25 Mb/s, above the top of what channels send at that size, is 31 MB.
    std::size_t byteLimit = 40 * 1024 * 1024;
    // Samples of one track that make the fetch thread wait as well, so samples whose times
    // do not rise cannot queue without end: ten seconds of the densest track there is
    // (60 pictures or 94 AAC frames at 96 kHz a second) is under a thousand. Reading
    // resumes below the same share of it as of the time.
    std::size_t sampleLimit = 4000;
    // After running dry, playback goes on once every track has this much again.
    std::int64_t refill = 2 * referenceTimePerSecond;
};

// What a queued sample costs beyond its payload: the sample itself in the queue and the
// allocator's share of its payload's block.
inline constexpr std::size_t queuedSampleOverhead = sizeof(StreamSample) + 32;

class TrackQueues {
public:
    explicit TrackQueues(BufferSettings settings) : settings_(settings) {}

    void setTrackCount(std::size_t count) { queues_.resize(count); }
    [[nodiscard]] std::size_t trackCount() const { return queues_.size(); }

    // Samples of tracks that do not exist or were dropped are thrown away.
    void push(TrackSample sample);
    // The track's samples, queued and to come, are thrown away; it no longer counts
    // towards full, drained or refilled.
    void drop(std::size_t track);
    [[nodiscard]] std::optional<StreamSample> pop(std::size_t track);
    [[nodiscard]] bool isEmpty(std::size_t track) const { return queues_[track].samples.empty(); }
    [[nodiscard]] bool isDropped(std::size_t track) const { return queues_[track].dropped; }
    // Whether the track has handed out a sample since the session opened.
    [[nodiscard]] bool hasDelivered(std::size_t track) const { return queues_[track].delivered; }

    [[nodiscard]] bool full() const;      // a track reached the limit, or the bytes did
    [[nodiscard]] bool drained() const;   // every track is down to where reading resumes
    [[nodiscard]] bool refilled() const;  // every track holds enough to play on after running dry

private:
    struct Queue {
        std::deque<StreamSample> samples;
        bool delivered = false;
        bool dropped = false;
    };
    [[nodiscard]] static std::int64_t queuedTime(const Queue& queue);
    [[nodiscard]] static std::size_t cost(const StreamSample& sample) { return sample.data.size() + queuedSampleOverhead; }
    [[nodiscard]] std::size_t resumeSamples() const;

    BufferSettings settings_;
    std::vector<Queue> queues_;
    std::size_t bytes_ = 0;
};

}  // namespace telvia::stream

// Cuts the payloads of audio PES packets into whole ADTS or MPEG audio frames. A frame
// may run from one PES packet into the next; each frame gets its own timestamp, counted
// on from the last PES timestamp by the samples in between.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "playback/stream/container/elementary_stream.h"

namespace telvia::stream {

class AudioFramer {
public:
    AudioFramer(std::uint16_t pid, StreamTrackKind kind) : pid_(pid), kind_(kind) {}

    // Takes one PES payload; appends every frame completed so far to `out`. The PES
    // timestamp belongs to the first frame that starts inside this payload.
    void push(std::span<const std::uint8_t> payload, std::optional<std::uint64_t> pts, bool afterLoss,
              std::vector<AccessUnit>& out);

    // Drops a partial frame, after data loss or at the end of the stream.
    void reset();

    // Bytes skipped because they were not part of a valid frame.
    [[nodiscard]] std::uint64_t skippedBytes() const { return skipped_; }

private:
    struct FrameInfo {
        std::uint32_t length = 0;
        std::uint32_t samples = 0;
        std::uint32_t sampleRate = 0;
    };
    [[nodiscard]] std::optional<FrameInfo> frameAt(std::span<const std::uint8_t> bytes) const;
    [[nodiscard]] std::optional<std::uint64_t> nextTimestamp() const;

    std::uint16_t pid_;
    StreamTrackKind kind_;
    std::vector<std::uint8_t> carry_;  // the start of a frame that continues in the next PES
    // A PES timestamp waiting for the first frame that starts at or after pendingFrom_
    // in carry_.
    std::optional<std::uint64_t> pendingPts_;
    std::size_t pendingFrom_ = 0;
    std::optional<std::uint64_t> base_;
    std::uint64_t samplesSinceBase_ = 0;
    std::uint32_t rate_ = 0;
    bool lossPending_ = false;
    std::uint64_t skipped_ = 0;
};

}  // namespace telvia::stream

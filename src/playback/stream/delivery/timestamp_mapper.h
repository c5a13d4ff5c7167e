// Turns the 33-bit 90 kHz timestamps of a stream into the media time of the player,
// in 100-ns units, starting near 0. One mapper serves all streams of a program, so
// audio and video stay in step. It unwraps the 33-bit counter, and where the stream's
// clock jumps (a discontinuity, a restarted encoder, a skipped stretch) it carries on
// from the latest time handed out instead of following the jump.
#pragma once

#include <cstdint>
#include <optional>

namespace telvia::stream {

inline constexpr std::int64_t mediaUnitsPerSecond = 10'000'000;

class TimestampMapper {
public:
    // A step of the stream's clock larger than this either way is a jump, not playback.
    static constexpr std::int64_t largestStep = 10 * 90000;
    // Where the timestamps restart, the new ones begin this long after the latest
    // time handed out: about one frame, so the last old sample and the first new one
    // do not overlap.
    static constexpr std::int64_t discontinuityGap = mediaUnitsPerSecond / 20;

    // The media time of a stream timestamp (only its low 33 bits count). The first
    // timestamp maps to 0 unless anchor() said otherwise. Give video its decoding
    // timestamps first where they differ, so the earliest of a restart sets the anchor.
    [[nodiscard]] std::int64_t map(std::uint64_t streamTime);

    // Maps streamTime to mediaTime from now on: the caller knows the earliest
    // timestamp of the first data and starts there.
    void anchor(std::uint64_t streamTime, std::int64_t mediaTime);

    // The stream's timestamps restart with the next data: it continues right after
    // the latest media time handed out.
    void discontinuity();

    // Playback stalled and the player's clock moved on: the next timestamp maps to
    // mediaTime, so the data after the stall is not late.
    void resumeAt(std::int64_t mediaTime);

    // Jumps found in the timestamps themselves, without being told.
    [[nodiscard]] std::uint32_t jumpsDetected() const { return jumps_; }

private:
    [[nodiscard]] std::int64_t unwrap(std::uint64_t streamTime) const;

    bool anchored_ = false;
    std::int64_t anchorStream_ = 0;  // unwrapped stream time at the anchor
    std::int64_t anchorMedia_ = 0;
    std::int64_t lastStream_ = 0;    // unwrapped stream time of the latest call
    std::optional<std::int64_t> latestMedia_;
    std::optional<std::int64_t> nextAnchor_;  // media time for the next timestamp
    std::uint32_t jumps_ = 0;
};

}  // namespace telvia::stream

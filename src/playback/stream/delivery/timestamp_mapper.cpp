#include "playback/stream/delivery/timestamp_mapper.h"

#include <algorithm>
#include <cstdlib>

#include "playback/stream/container/elementary_stream.h"

namespace telvia::stream {

namespace {

constexpr auto modulus = static_cast<std::int64_t>(streamClockModulus);

std::int64_t toMedia(std::int64_t streamTicks)
{
    // 10,000,000 / 90,000 = 1000 / 9, exact for every tick count that divides.
    return streamTicks * 1000 / 9;
}

}  // namespace

std::int64_t TimestampMapper::unwrap(std::uint64_t streamTime) const
{
    // The value with these low 33 bits that lies nearest the previous one.
    const auto low = static_cast<std::int64_t>(streamTime % streamClockModulus);
    const std::int64_t previousLow = ((lastStream_ % modulus) + modulus) % modulus;
    std::int64_t step = low - previousLow;
    if (step >= modulus / 2) {
        step -= modulus;
    } else if (step < -modulus / 2) {
        step += modulus;
    }
    return lastStream_ + step;
}

std::int64_t TimestampMapper::map(std::uint64_t streamTime)
{
    const std::int64_t unwrapped = anchored_ ? unwrap(streamTime)
                                             : static_cast<std::int64_t>(streamTime % streamClockModulus);
    if (anchored_ && !nextAnchor_ && std::abs(unwrapped - lastStream_) > largestStep) {
        ++jumps_;
        discontinuity();
    }
    if (!anchored_ || nextAnchor_) {
        anchorStream_ = unwrapped;
        anchorMedia_ = nextAnchor_.value_or(0);
        anchored_ = true;
        nextAnchor_.reset();
    }
    lastStream_ = unwrapped;
    const std::int64_t media = anchorMedia_ + toMedia(unwrapped - anchorStream_);
    latestMedia_ = std::max(latestMedia_.value_or(media), media);
    return media;
}

void TimestampMapper::anchor(std::uint64_t streamTime, std::int64_t mediaTime)
{
    const std::int64_t unwrapped = anchored_ ? unwrap(streamTime)
                                             : static_cast<std::int64_t>(streamTime % streamClockModulus);
    anchorStream_ = unwrapped;
    anchorMedia_ = mediaTime;
    lastStream_ = unwrapped;
    anchored_ = true;
    nextAnchor_.reset();
}

void TimestampMapper::discontinuity()
{
    nextAnchor_ = latestMedia_ ? *latestMedia_ + discontinuityGap : 0;
}

void TimestampMapper::resumeAt(std::int64_t mediaTime) { nextAnchor_ = mediaTime; }

}  // namespace telvia::stream

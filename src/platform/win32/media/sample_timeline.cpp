#include "platform/win32/media/sample_timeline.h"

namespace telvia::win32 {

std::int64_t SampleTimeline::streamTime(std::int64_t sourceStart,
                                        std::optional<std::int64_t> streamTimeNow)
{
    const std::lock_guard lock(mutex_);
    if (!offset_) {
        offset_ = (streamTimeNow ? *streamTimeNow + startLead : 0) - sourceStart;
    }
    return sourceStart + *offset_;
}

void SampleTimeline::reset()
{
    const std::lock_guard lock(mutex_);
    offset_.reset();
}

}  // namespace telvia::win32

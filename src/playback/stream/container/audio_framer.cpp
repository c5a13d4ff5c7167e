#include "playback/stream/container/audio_framer.h"

#include "playback/stream/container/adts_header.h"
#include "playback/stream/container/mpeg_audio_header.h"

namespace telvia::stream {

namespace {

// Longer than any frame of either format (ADTS frames are under 8 KiB): a carry that
// grows past it is garbage, not a frame.
constexpr std::size_t longestCarry = 16 * 1024;

}  // namespace

std::optional<AudioFramer::FrameInfo> AudioFramer::frameAt(std::span<const std::uint8_t> bytes) const
{
    if (kind_ == StreamTrackKind::aacAdts) {
        if (const auto header = parseAdtsHeader(bytes)) {
            return FrameInfo{header->frameLength, header->samplesPerFrame, header->sampleRate};
        }
        return std::nullopt;
    }
    if (const auto header = parseMpegAudioHeader(bytes)) {
        return FrameInfo{header->frameLength, header->samplesPerFrame, header->sampleRate};
    }
    return std::nullopt;
}

std::optional<std::uint64_t> AudioFramer::nextTimestamp() const
{
    if (!base_ || rate_ == 0) {
        return base_;
    }
    return (*base_ + samplesSinceBase_ * streamClockRate / rate_) % streamClockModulus;
}

void AudioFramer::push(std::span<const std::uint8_t> payload, std::optional<std::uint64_t> pts, bool afterLoss,
                       std::vector<AccessUnit>& out)
{
    lossPending_ = lossPending_ || afterLoss;
    if (pts) {
        pendingPts_ = pts;
        pendingFrom_ = carry_.size();
    }
    carry_.insert(carry_.end(), payload.begin(), payload.end());
    const std::span<const std::uint8_t> bytes(carry_);
    const std::size_t headerLength = kind_ == StreamTrackKind::aacAdts ? adtsHeaderMinimum : mpegAudioHeaderLength;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::optional<FrameInfo> frame = frameAt(bytes.subspan(i));
        if (!frame) {
            // A header cut short waits for the next payload; anything else is skipped.
            if (bytes.size() - i < headerLength && bytes[i] == 0xFF) {
                break;
            }
            ++i;
            ++skipped_;
            continue;
        }
        if (bytes.size() - i < frame->length) {
            break;  // the rest of the frame comes with the next PES packet
        }
        if (pendingPts_ && i >= pendingFrom_) {
            base_ = pendingPts_;
            pendingPts_.reset();
            samplesSinceBase_ = 0;
            rate_ = frame->sampleRate;
        } else if (base_ && frame->sampleRate != rate_) {
            base_ = nextTimestamp();
            samplesSinceBase_ = 0;
            rate_ = frame->sampleRate;
        }
        AccessUnit unit;
        unit.stream = StreamId{pid_};
        unit.kind = kind_;
        unit.pts = nextTimestamp();
        unit.data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(i),
                         bytes.begin() + static_cast<std::ptrdiff_t>(i + frame->length));
        unit.keyFrame = true;
        unit.afterLoss = lossPending_;
        lossPending_ = false;
        out.push_back(std::move(unit));
        samplesSinceBase_ += frame->samples;
        i += frame->length;
    }
    carry_.erase(carry_.begin(), carry_.begin() + static_cast<std::ptrdiff_t>(i));
    pendingFrom_ = pendingFrom_ > i ? pendingFrom_ - i : 0;
    if (carry_.size() > longestCarry) {
        skipped_ += carry_.size();
        carry_.clear();
        pendingFrom_ = 0;
    }
}

void AudioFramer::reset()
{
    lossPending_ = lossPending_ || !carry_.empty();
    carry_.clear();
    pendingPts_.reset();
    pendingFrom_ = 0;
}

}  // namespace telvia::stream

#include "playback/stream/container/unit_reader.h"

#include <algorithm>
#include <utility>

#include "playback/stream/container/audio_framer.h"
#include "playback/stream/container/fragmented_mp4_reader.h"
#include "playback/stream/container/id3_tag.h"
#include "playback/stream/container/ts_demuxer.h"

namespace telvia::stream {

namespace {

class TransportStreamReader final : public UnitReader {
public:
    void feed(std::span<const std::uint8_t> bytes) override { demuxer_.feed(bytes); }
    void finish() override { demuxer_.finish(); }
    std::vector<AccessUnit> takeAccessUnits() override { return demuxer_.takeAccessUnits(); }
    std::optional<std::span<const StreamDescription>> program() const override
    {
        if (!demuxer_.hasProgramMap()) {
            return std::nullopt;
        }
        return std::span<const StreamDescription>(demuxer_.programStreams());
    }

private:
    TsDemuxer demuxer_;
};

class Mp4Reader final : public UnitReader {
public:
    void feed(std::span<const std::uint8_t> bytes) override { reader_.feed(bytes); }
    void finish() override { reader_.finish(); }
    std::vector<AccessUnit> takeAccessUnits() override { return reader_.takeAccessUnits(); }
    std::optional<std::span<const StreamDescription>> program() const override { return reader_.program(); }
    bool encrypted() const override { return reader_.encrypted(); }

private:
    FragmentedMp4Reader reader_;
};

// The most of a tag kept to look for the time in it: the tags of packed audio segments
// are short, while a radio stream's may carry pictures not worth holding.
constexpr std::size_t tagReadLimit = 4096;

class AudioStreamReader final : public UnitReader {
public:
    explicit AudioStreamReader(StreamTrackKind kind)
        : framer_(0, kind), streams_{StreamDescription{StreamId{}, kind}}
    {
    }

    void feed(std::span<const std::uint8_t> bytes) override
    {
        if (tagChecked_) {
            consume(bytes);
            return;
        }
        head_.insert(head_.end(), bytes.begin(), bytes.end());
        if (head_.size() < id3HeaderLength) {
            return;
        }
        const std::size_t tag = id3TagLength(head_);
        if (tag == 0 || head_.size() >= std::min(tag, tagReadLimit)) {
            checkTag();
        }
    }

    // The bytes that follow (the next segment, a stream asked for again) may begin with a
    // tag of their own, whose time then places their first frame.
    void finish() override
    {
        if (!tagChecked_) {
            checkTag();
        }
        framer_.reset();
        tagChecked_ = false;
        skip_ = 0;
    }

    std::vector<AccessUnit> takeAccessUnits() override { return std::exchange(units_, {}); }

    std::optional<std::span<const StreamDescription>> program() const override
    {
        return std::span<const StreamDescription>(streams_);
    }

private:
    void checkTag()
    {
        tagChecked_ = true;
        skip_ = id3TagLength(head_);
        if (skip_ > 0) {
            nextTime_ = id3TransportStreamTimestamp(head_);
        }
        const std::vector<std::uint8_t> head = std::exchange(head_, {});
        consume(head);
    }

    void consume(std::span<const std::uint8_t> bytes)
    {
        const std::size_t skipped = std::min(skip_, bytes.size());
        skip_ -= skipped;
        bytes = bytes.subspan(skipped);
        if (bytes.empty()) {
            return;
        }
        // The first frame is time 0 unless a tag says otherwise; the framer counts on from
        // there, and from the time of each later tag.
        std::optional<std::uint64_t> time = std::exchange(nextTime_, std::nullopt);
        if (!started_ && !time) {
            time = 0;
        }
        framer_.push(bytes, time, false, units_);
        started_ = true;
    }

    AudioFramer framer_;
    std::vector<StreamDescription> streams_;
    std::vector<std::uint8_t> head_;
    bool tagChecked_ = false;
    std::size_t skip_ = 0;
    bool started_ = false;
    std::optional<std::uint64_t> nextTime_;  // from the latest tag, for the frame after it
    std::vector<AccessUnit> units_;
};

}  // namespace

std::unique_ptr<UnitReader> makeTransportStreamReader() { return std::make_unique<TransportStreamReader>(); }

std::unique_ptr<UnitReader> makeFragmentedMp4Reader() { return std::make_unique<Mp4Reader>(); }

std::unique_ptr<UnitReader> makeAudioStreamReader(StreamTrackKind kind) { return std::make_unique<AudioStreamReader>(kind); }

}  // namespace telvia::stream

#include "playback/stream/unit_reader.h"

#include <algorithm>
#include <utility>

#include "playback/stream/audio_framer.h"

namespace telvia::stream {

namespace {

class TransportStreamReader final : public UnitReader {
public:
    void feed(std::span<const std::uint8_t> bytes) override { demuxer_.feed(bytes); }
    void finish() override { demuxer_.finish(); }
    std::vector<AccessUnit> takeAccessUnits() override { return demuxer_.takeAccessUnits(); }
    std::optional<std::span<const ProgramStream>> program() const override
    {
        if (!demuxer_.hasProgramMap()) {
            return std::nullopt;
        }
        return std::span<const ProgramStream>(demuxer_.programStreams());
    }

private:
    TsDemuxer demuxer_;
};

constexpr std::size_t id3HeaderLength = 10;

// Length of the ID3v2 tag the bytes start with, header and footer included; 0 for none.
std::size_t id3TagLength(std::span<const std::uint8_t> header)
{
    if (header.size() < id3HeaderLength || header[0] != 'I' || header[1] != 'D' || header[2] != '3') {
        return 0;
    }
    std::size_t size = 0;
    for (std::size_t i = 6; i < 10; ++i) {
        size = size << 7 | (header[i] & 0x7F);  // "synchsafe": 7 bits a byte
    }
    const bool footer = (header[5] & 0x10) != 0;
    return id3HeaderLength + size + (footer ? id3HeaderLength : 0);
}

class AudioStreamReader final : public UnitReader {
public:
    explicit AudioStreamReader(EsKind kind)
        : framer_(0, kind), streams_{ProgramStream{0, kind == EsKind::aacAdts ? std::uint8_t{0x0F} : std::uint8_t{0x03}, kind}}
    {
    }

    void feed(std::span<const std::uint8_t> bytes) override
    {
        if (tagChecked_) {
            consume(bytes);
            return;
        }
        head_.insert(head_.end(), bytes.begin(), bytes.end());
        if (head_.size() >= id3HeaderLength) {
            checkTag();
        }
    }

    void finish() override
    {
        if (!tagChecked_) {
            checkTag();
        }
        framer_.reset();
    }

    std::vector<AccessUnit> takeAccessUnits() override { return std::exchange(units_, {}); }

    std::optional<std::span<const ProgramStream>> program() const override
    {
        return std::span<const ProgramStream>(streams_);
    }

private:
    void checkTag()
    {
        tagChecked_ = true;
        skip_ = id3TagLength(head_);
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
        // The first frame is time 0; the framer counts on from there.
        framer_.push(bytes, started_ ? std::nullopt : std::optional<std::uint64_t>(0), false, units_);
        started_ = true;
    }

    AudioFramer framer_;
    std::vector<ProgramStream> streams_;
    std::vector<std::uint8_t> head_;
    bool tagChecked_ = false;
    std::size_t skip_ = 0;
    bool started_ = false;
    std::vector<AccessUnit> units_;
};

}  // namespace

std::unique_ptr<UnitReader> makeTransportStreamReader() { return std::make_unique<TransportStreamReader>(); }

std::unique_ptr<UnitReader> makeAudioStreamReader(EsKind kind) { return std::make_unique<AudioStreamReader>(kind); }

}  // namespace telvia::stream

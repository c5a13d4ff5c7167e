#include "playback/stream/rendition_reader.h"

#include <algorithm>
#include <utility>

#include "playback/stream/stream_sniffer.h"

namespace telvia::stream {

namespace {

bool isAudio(std::optional<EsKind> kind) { return kind == EsKind::aacAdts || kind == EsKind::mpegAudio; }

}  // namespace

void RenditionReader::feed(std::span<const std::uint8_t> bytes)
{
    if (inner_) {
        inner_->feed(bytes);
        return;
    }
    if (unreadable_) {
        return;
    }
    head_.insert(head_.end(), bytes.begin(), bytes.end());
    if (head_.size() >= sniffLength) {
        decide(false);
    }
}

void RenditionReader::decide(bool atEnd)
{
    switch (sniffStreamFormat("", head_)) {
    case StreamFormat::transportStream:
        inner_ = makeTransportStreamReader();
        break;
    case StreamFormat::adtsAudio:
        inner_ = makeAudioStreamReader(EsKind::aacAdts);
        packed_ = true;
        break;
    case StreamFormat::mpegAudio:
        inner_ = makeAudioStreamReader(EsKind::mpegAudio);
        packed_ = true;
        break;
    case StreamFormat::hlsPlaylist:
    case StreamFormat::asf:
    case StreamFormat::unknown:
        if (atEnd || head_.size() >= sniffLength) {
            unreadable_ = true;
            head_ = {};
        }
        return;
    }
    inner_->feed(std::exchange(head_, {}));
}

void RenditionReader::finish()
{
    if (!inner_ && !unreadable_ && !head_.empty()) {
        decide(true);
    }
    if (inner_) {
        inner_->finish();
    }
}

void RenditionReader::endSegment()
{
    if (!inner_ && !unreadable_) {
        decide(true);
    }
    if (inner_ && packed_) {
        inner_->finish();
    }
    segmentSeen_ = true;
}

bool RenditionReader::playable() const
{
    if (unreadable_) {
        return false;
    }
    if (!segmentSeen_) {
        return true;  // too early to tell
    }
    const auto streams = program();
    return streams && !streams->empty();
}

std::vector<AccessUnit> RenditionReader::takeAccessUnits()
{
    if (!inner_) {
        return {};
    }
    std::vector<AccessUnit> units = inner_->takeAccessUnits();
    std::erase_if(units, [](const AccessUnit& unit) { return !isAudio(unit.kind); });
    for (AccessUnit& unit : units) {
        unit.pid = static_cast<std::uint16_t>(unit.pid + renditionPidOffset);
    }
    return units;
}

std::optional<std::span<const ProgramStream>> RenditionReader::program() const
{
    const auto inner = inner_ ? inner_->program() : std::nullopt;
    if (!inner) {
        return std::nullopt;
    }
    // The program map may change: the list follows the current one.
    streams_.clear();
    for (const ProgramStream& stream : *inner) {
        if (isAudio(stream.kind)) {
            streams_.push_back(stream);
            streams_.back().pid = static_cast<std::uint16_t>(stream.pid + renditionPidOffset);
        }
    }
    return std::span<const ProgramStream>(streams_);
}

}  // namespace telvia::stream

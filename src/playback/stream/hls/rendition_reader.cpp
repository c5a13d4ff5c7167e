#include "playback/stream/hls/rendition_reader.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "playback/stream/container/stream_sniffer.h"

namespace telvia::stream {

namespace {

bool isAudio(std::optional<StreamTrackKind> kind) { return kind == StreamTrackKind::aacAdts || kind == StreamTrackKind::mpegAudio; }

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
        inner_ = makeAudioStreamReader(StreamTrackKind::aacAdts);
        packed_ = true;
        break;
    case StreamFormat::mpegAudio:
        inner_ = makeAudioStreamReader(StreamTrackKind::mpegAudio);
        packed_ = true;
        break;
    case StreamFormat::fragmentedMp4:
        // Fragments without the movie the playlist should have named show no tracks, and
        // the rendition is found unplayable after its first segment.
        inner_ = makeFragmentedMp4Reader();
        packed_ = true;
        break;
    case StreamFormat::hlsPlaylist:
    case StreamFormat::dashManifest:
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

void RenditionReader::readFragmentedMp4()
{
    inner_ = makeFragmentedMp4Reader();
    packed_ = true;
    unreadable_ = false;
    head_ = {};
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
    return units;
}

std::optional<std::span<const StreamDescription>> RenditionReader::program() const
{
    const auto inner = inner_ ? inner_->program() : std::nullopt;
    if (!inner) {
        return std::nullopt;
    }
    // The program map may change: the list follows the current one.
    streams_.clear();
    std::copy_if(inner->begin(), inner->end(), std::back_inserter(streams_),
                 [](const StreamDescription& stream) { return isAudio(stream.kind); });
    return std::span<const StreamDescription>(streams_);
}

}  // namespace telvia::stream

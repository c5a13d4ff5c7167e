// Turns the bytes of one stream, in pieces as they arrive, into access units: a transport
// stream through the demultiplexer, fragmented MP4, or a plain audio stream (MP3, AAC in
// ADTS) cut into its frames.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "playback/stream/container/elementary_stream.h"

namespace telvia::stream {

class UnitReader {
public:
    virtual ~UnitReader() = default;

    virtual void feed(std::span<const std::uint8_t> bytes) = 0;
    // The bytes so far end here (see TsDemuxer::finish).
    virtual void finish() = 0;
    [[nodiscard]] virtual std::vector<AccessUnit> takeAccessUnits() = 0;
    // The streams the bytes carry; empty until known.
    [[nodiscard]] virtual std::optional<std::span<const StreamDescription>> program() const = 0;
    // The bytes turned out to be encrypted: read, but with nothing in them to play.
    [[nodiscard]] virtual bool encrypted() const { return false; }
};

[[nodiscard]] std::unique_ptr<UnitReader> makeTransportStreamReader();

// Fragmented MP4: an initialisation segment, then its fragments.
[[nodiscard]] std::unique_ptr<UnitReader> makeFragmentedMp4Reader();

// kind: aacAdts or mpegAudio. An ID3 tag in front of the first frame, and after each
// finish(), is skipped. The frames are timed by their sample counts from 0, or from the
// stream time such a tag gives (as in the packed audio segments of HLS).
[[nodiscard]] std::unique_ptr<UnitReader> makeAudioStreamReader(StreamTrackKind kind);

}  // namespace telvia::stream

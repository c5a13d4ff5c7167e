// Reads the segments of an audio rendition played beside a variant's pictures. They are
// a transport stream of audio, or packed audio (AAC in ADTS, MPEG audio), each segment
// behind an ID3 tag that gives its first frame's time; the first segment's bytes tell
// which. Or they are fragmented MP4, which the playlist says. Only the audio is handed on.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "playback/stream/container/unit_reader.h"

namespace telvia::stream {

class RenditionReader final : public UnitReader {
public:
    void feed(std::span<const std::uint8_t> bytes) override;
    void finish() override;
    [[nodiscard]] std::vector<AccessUnit> takeAccessUnits() override;
    [[nodiscard]] std::optional<std::span<const StreamDescription>> program() const override;

    // A segment ended: packed audio starts afresh with the next one's tag, and each
    // fragmented MP4 segment is a file of its own, while a transport stream runs on across
    // segments.
    void endSegment();

    // The segments from now on are fragmented MP4, whatever came before.
    void readFragmentedMp4();
    [[nodiscard]] bool encrypted() const override { return inner_ && inner_->encrypted(); }

    // False once the bytes turned out to be something else, or a whole segment came
    // without showing any audio.
    [[nodiscard]] bool playable() const;

private:
    void decide(bool atEnd);

    std::vector<std::uint8_t> head_;  // the first bytes, until they tell the format
    std::unique_ptr<UnitReader> inner_;
    bool packed_ = false;   // packed audio or fragmented MP4: each segment stands alone
    bool unreadable_ = false;
    bool segmentSeen_ = false;
    mutable std::vector<StreamDescription> streams_;  // made afresh by each program()
};

}  // namespace telvia::stream

// Reads the segments of an audio rendition played beside a variant's pictures. They are
// a transport stream of audio, or packed audio (AAC in ADTS, MPEG audio), each segment
// behind an ID3 tag that gives its first frame's time; the first segment's bytes tell
// which. Only the audio is handed on.
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

    // A segment ended: packed audio starts afresh with the next one's tag, while a
    // transport stream runs on across segments.
    void endSegment();

    // False once the bytes turned out to be something else, or a whole segment came
    // without showing any audio.
    [[nodiscard]] bool playable() const;

private:
    void decide(bool atEnd);

    std::vector<std::uint8_t> head_;  // the first bytes, until they tell the format
    std::unique_ptr<UnitReader> inner_;
    bool packed_ = false;
    bool unreadable_ = false;
    bool segmentSeen_ = false;
    mutable std::vector<StreamDescription> streams_;  // made afresh by each program()
};

}  // namespace telvia::stream

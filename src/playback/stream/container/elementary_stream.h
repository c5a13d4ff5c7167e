// What the demultiplexer hands on: access units of the elementary streams the system
// decodes, each with the timestamps of the stream.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/stream_source_port.h"

namespace telvia::stream {

// Stream timestamps count a 90 kHz clock in 33 bits, so they wrap about every 26.5 hours.
inline constexpr std::uint64_t streamClockRate = 90000;
inline constexpr std::uint64_t streamClockModulus = std::uint64_t{1} << 33;

// The kinds a track of the source may be: H.264 (Annex B, one access unit per PES
// packet), AAC in ADTS frames, MPEG audio layers 1 to 3.
using StreamTrackKind = StreamTrackKind;

// Names an elementary stream among all those one assembler takes in: the number its
// container gives it (a transport stream's PID, an MP4 track's id) and the input it came
// in through, since the inputs of one assembler (a variant and its audio rendition) each
// number their streams in their own way.
struct StreamId {
    std::uint32_t number = 0;
    std::uint8_t input = 0;

    friend auto operator<=>(const StreamId&, const StreamId&) = default;
};

// An elementary stream a container lists. The kind is none for streams the system cannot
// decode (HEVC, AC-3, subtitles, ...), which are listed but not read.
struct StreamDescription {
    StreamId id;
    std::optional<StreamTrackKind> kind;

    friend bool operator==(const StreamDescription&, const StreamDescription&) = default;
};

struct AccessUnit {
    StreamId stream;
    StreamTrackKind kind = StreamTrackKind::h264;
    std::optional<std::uint64_t> pts;  // 33-bit stream time; none when the stream gave none
    std::optional<std::uint64_t> dts;  // video only, when it differs from pts
    std::vector<std::uint8_t> data;
    bool keyFrame = false;   // a decoder can start here (every audio frame can)
    bool afterLoss = false;  // data of this stream was lost just before this unit
};

}  // namespace telvia::stream

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
using EsKind = StreamTrackKind;

struct AccessUnit {
    std::uint16_t pid = 0;
    EsKind kind = EsKind::h264;
    std::optional<std::uint64_t> pts;  // 33-bit stream time; none when the stream gave none
    std::optional<std::uint64_t> dts;  // video only, when it differs from pts
    std::vector<std::uint8_t> data;
    bool keyFrame = false;   // a decoder can start here (every audio frame can)
    bool afterLoss = false;  // data of this stream was lost just before this unit
};

}  // namespace telvia::stream

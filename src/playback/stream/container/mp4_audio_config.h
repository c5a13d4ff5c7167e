// What the `esds` box of an MP4 audio track says about its stream, and the ADTS header
// that lets each of its raw AAC frames travel as the ADTS frames a transport stream
// carries, so that both containers hand the same units on.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "playback/stream/container/elementary_stream.h"

namespace telvia::stream {

struct Mp4AudioConfig {
    StreamTrackKind kind = StreamTrackKind::aacAdts;  // aacAdts or mpegAudio
    // AAC only: the fields of each frame's ADTS header.
    std::uint8_t aacObjectType = 2;  // 1 Main, 2 LC, 3 SSR, 4 LTP
    std::uint8_t sampleRateIndex = 0;
    std::uint8_t channelConfiguration = 0;
};

// The core of an AudioSpecificConfig as ADTS can state it. HE-AAC (SBR, PS) signalled
// explicitly goes out as its AAC core at the core's rate, as ADTS carries it; empty for
// object types or rates ADTS cannot state.
[[nodiscard]] std::optional<Mp4AudioConfig> parseAudioSpecificConfig(std::span<const std::uint8_t> bytes);

// The contents of an `esds` box (after its version and flags); the rate and channel count
// of the sample entry stand in for an MPEG-2 AAC stream that gives no configuration.
// Empty when it is no stream of a kind the system decodes, or is malformed.
[[nodiscard]] std::optional<Mp4AudioConfig> parseEsds(std::span<const std::uint8_t> contents,
                                                      std::uint32_t entrySampleRate, std::uint16_t entryChannels);

// One raw AAC frame behind its 7-byte ADTS header; empty when it is too long for one.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> adtsFrame(const Mp4AudioConfig& config,
                                                                 std::span<const std::uint8_t> raw);

}  // namespace telvia::stream

// Silent MPEG-1 layer 2 audio for stream tests, as a raw stream or cut into transport
// stream segments that join up: each segment starts with its PAT and PMT, and times and
// continuity counters run on from one segment to the next as a live encoder writes them.
#pragma once

#include <cstdint>
#include <string>

namespace telvia::testing {

// 48 kHz, 128 kbit/s, stereo: 384 bytes and 24 ms per frame, every subband silent.
inline constexpr std::size_t silentFrameBytes = 384;
inline constexpr int silentFrameMilliseconds = 24;

// `count` frames back to back, as a radio stream sends them.
[[nodiscard]] std::string silentMpegAudio(int count);

// Segment `index` of a transport stream that carries `framesPerSegment` frames per segment,
// one frame per PES packet, on PID 0x101 of program 1. `fillerPerFrame` null packets after
// each frame give the segment the size a video channel's has.
[[nodiscard]] std::string silentMpegAudioSegment(std::uint64_t index, int framesPerSegment, int fillerPerFrame = 0);

}  // namespace telvia::testing

// Silent MPEG-1 layer 2 audio in fragmented MP4, as HLS (#EXT-X-MAP) and DASH packagers
// write it: an initialisation section with one audio track, then fragments that join up
// (decode times and sequence numbers run on from one to the next).
#pragma once

#include <cstdint>
#include <string>

namespace telvia::testing {

// ftyp and moov: track 1, 48 kHz, MPEG-1 audio (object type 0x6B), defaults in trex.
[[nodiscard]] std::string silentMpegAudioInitSection();

// Fragment `index` of `framesPerFragment` frames of 1152 samples (24 ms): styp, moof, mdat.
// `fillerPerFrame` bytes that no sample uses follow each frame in the mdat, as a video
// channel's pictures would, so the fragment has the size and the layout of one: a run per
// frame points at it.
[[nodiscard]] std::string silentMpegAudioFragment(std::uint64_t index, int framesPerFragment, std::size_t fillerPerFrame = 0);

}  // namespace telvia::testing

// Silent MPEG-1 layer 2 audio in fragmented MP4, as HLS (#EXT-X-MAP) and DASH packagers
// write it: an initialisation section with one audio track, then fragments that join up
// (decode times and sequence numbers run on from one to the next).
#pragma once

#include <cstdint>
#include <string>

namespace telvia::testing {

// ftyp and moov: track 1, 48 kHz, MPEG-1 audio (object type 0x6B), defaults in trex.
[[nodiscard]] std::string silentMpegAudioInitSection();

// Fragment `index` of `framesPerFragment` frames of 1152 samples (24 ms): styp, moof with
// one trun, mdat; `fillerBytes` in a free box after it give the fragment the size a video
// channel's has.
[[nodiscard]] std::string silentMpegAudioFragment(std::uint64_t index, int framesPerFragment, std::size_t fillerBytes = 0);

}  // namespace telvia::testing

// What the stream source filter's pin of one track offers downstream: its media types, in
// order of preference, with the format blocks the system's decoders read; how long one
// sample lasts; and how large the pin's buffers must be.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/stream_source_port.h"
#include "platform/win32/media/media_type.h"

namespace telvia::win32 {

// H.264: MPEG2Video (with profile, level and the parameter sets), VideoInfo2, VideoInfo and
// no format block, all of subtype H264. AAC: MPEG_ADTS_AAC announcing the sound as an HE-AAC
// decoder plays it, then MPEG_HEAAC with HEAACWAVEINFO. MPEG audio layer 3: MP3, then
// MPEG1AudioPayload; layers 1 and 2: MPEG1AudioPayload, then MPEG1Payload.
// Throws std::bad_alloc.
[[nodiscard]] std::vector<MediaType> mediaTypesForTrack(const StreamTrackFormat& track);

// Samples per frame of MPEG audio: 384 for layer 1, 1152 for layer 2 and for layer 3 of
// MPEG-1, 576 for layer 3 at the sample rates of MPEG-2 and 2.5.
[[nodiscard]] std::uint32_t mpegAudioSamplesPerFrame(std::uint8_t layer, std::uint32_t sampleRate);

// 100 ns units one sample covers; 0 when the format does not tell.
[[nodiscard]] std::int64_t sampleDuration(const StreamTrackFormat& track);

struct BufferNeeds {
    long count = 0;
    long bytes = 0;  // the largest sample the pin delivers
};
[[nodiscard]] BufferNeeds bufferNeeds(StreamTrackKind kind);

}  // namespace telvia::win32

// The tracks an MP4 initialisation segment describes (its `moov` box): for each, its id,
// its clock, what kind of stream it carries and how its samples are configured, and the
// defaults its fragments fall back on.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "playback/stream/container/avc_sample.h"
#include "playback/stream/container/elementary_stream.h"
#include "playback/stream/container/mp4_audio_config.h"

namespace telvia::stream {

// What a fragment's samples take when neither the fragment nor the sample says otherwise.
struct Mp4SampleDefaults {
    std::uint32_t duration = 0;
    std::uint32_t size = 0;
    std::uint32_t flags = 0;
};

struct Mp4Track {
    std::uint32_t id = 0;
    std::uint32_t timescale = 0;         // ticks a second of its sample times
    std::optional<StreamTrackKind> kind;  // none: nothing the system decodes
    bool encrypted = false;               // a protected sample entry
    AvcConfig video;                      // H.264 only
    Mp4AudioConfig audio;                 // audio only
    Mp4SampleDefaults defaults;           // from `trex`
    // Ticks added to every decoding and presentation time: the edit list's empty edits
    // (a delay) less where its first edit starts in the media (the B-frames' delay, an
    // audio encoder's priming), so that the tracks keep the time relation it gives them.
    std::int64_t presentationShift = 0;
};

struct Mp4Movie {
    std::vector<Mp4Track> tracks;
    // The movie names a protection system (`pssh`) or a track is protected: its samples
    // cannot be decoded without keys this player does not have.
    bool encrypted = false;
};

inline constexpr std::size_t mp4TrackLimit = 64;

// The contents of a `moov` box; empty when a box in it does not fit, or it holds more
// tracks than any stream needs.
[[nodiscard]] std::optional<Mp4Movie> parseMp4Movie(std::span<const std::uint8_t> contents);

}  // namespace telvia::stream

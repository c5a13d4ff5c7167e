// The samples one movie fragment (`moof`) describes: for each, its track, where its bytes
// lie in the stream, its size, its decoding time and composition offset on its track's
// clock, and whether a decoder can start at it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "playback/stream/container/mp4_movie.h"

namespace telvia::stream {

struct Mp4Sample {
    std::uint32_t track = 0;
    std::uint64_t position = 0;  // of its first byte, counted like the fragment's position
    std::uint32_t size = 0;
    std::uint64_t decodeTime = 0;        // in its track's ticks
    std::int64_t compositionOffset = 0;  // presentation minus decoding time, in ticks
    bool sync = false;
};

struct Mp4Fragment {
    std::vector<Mp4Sample> samples;  // in the order the fragment lists them
    bool encrypted = false;          // a track fragment carries encryption data (`senc`)
};

// Far more samples than seconds of any fragment hold.
inline constexpr std::size_t mp4FragmentSampleLimit = 100'000;

// Each track's decoding time after the samples read so far: where a fragment without a
// decoding time of its own (`tfdt`) goes on.
using Mp4TrackClocks = std::map<std::uint32_t, std::uint64_t>;

// The contents of a `moof` box that begins at `position` in the stream. Tracks the movie
// does not list are passed over. Empty when a box or a sample list does not fit, or a data
// offset points before the start of the stream.
[[nodiscard]] std::optional<Mp4Fragment> parseMp4Fragment(std::span<const std::uint8_t> contents, std::uint64_t position,
                                                          const Mp4Movie& movie, Mp4TrackClocks& clocks);

}  // namespace telvia::stream

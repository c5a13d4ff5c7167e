// Initialisation sections fetched once and kept: every reload of a live playlist names the
// same one, and a variant taken up again names its own again. A few are kept, the oldest
// going first, each no larger than the session lets one be.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "playback/stream/hls/hls_playlist.h"

namespace telvia::stream {

inline constexpr std::size_t initSectionCacheEntries = 8;

class InitSectionCache {
public:
    // The bytes kept for the section; null when it was not fetched yet.
    [[nodiscard]] const std::vector<std::uint8_t>* find(const HlsInitSection& section) const;

    // Keeps the bytes of a section and returns them, valid until the next call.
    const std::vector<std::uint8_t>& keep(const HlsInitSection& section, std::vector<std::uint8_t> bytes);

private:
    struct Entry {
        HlsInitSection section;
        std::vector<std::uint8_t> bytes;
    };
    std::deque<Entry> entries_;
};

}  // namespace telvia::stream

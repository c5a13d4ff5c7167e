// Which variant of a master playlist to play, and which to try next when it fails.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include "playback/stream/hls/hls_playlist.h"

namespace telvia::stream {

// The largest picture the system's H.264 decoder takes.
inline constexpr std::uint32_t largestDecodableWidth = 1920;
inline constexpr std::uint32_t largestDecodableHeight = 1088;

// Whether every picture and sound codec of a CODECS list is one the system decodes: H.264
// up to High profile and level 5.1, AAC, and MPEG audio layers 1 to 3. Subtitle, caption
// and metadata formats the list also names are passed by. An empty list says nothing and
// is taken.
[[nodiscard]] bool codecsAreDecodable(std::string_view codecs);

// Indexes of the playable variants, best first: the order in which to try them. Variants
// with a picture come before audio-only ones, then a higher bandwidth before a lower
// one; ties keep playlist order. Empty when nothing is playable.
[[nodiscard]] std::vector<std::size_t> variantOrder(std::span<const HlsVariant> variants);

// The audio rendition to play beside `variant`, from the group it names: the default one,
// else one marked for automatic selection, else the group's first. None when the variant
// names no group, the group is not listed, or the chosen rendition has no playlist of its
// own (its audio travels in the variant's segments).
[[nodiscard]] const HlsAudioRendition* audioRenditionFor(const HlsMasterPlaylist& master, const HlsVariant& variant);

}  // namespace telvia::stream

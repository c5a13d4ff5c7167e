// What the HLS reader understood of one playlist, as lines of text: the kind, every
// variant and audio rendition with the order they would be tried in, or the segments with
// their marks and where a live stream would start; or why it was refused.
#pragma once

#include <string>
#include <string_view>

namespace telvia::tools {

// `address` is where the playlist is taken to come from, to resolve its addresses.
[[nodiscard]] std::string describePlaylist(std::string_view text, std::string_view address);

}  // namespace telvia::tools

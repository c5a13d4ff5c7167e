// Channels that a user takes over from a file: a channel file, or an extended M3U playlist
// as web sites and other players offer them. The file's content tells which it is, not
// its name.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "catalogue/channel.h"
#include "platform/file_port.h"

namespace telvia {

// Playlists are text; a file this large is not one.
inline constexpr std::uint32_t playlistMaxBytes = 64u << 20;

enum class ImportStatus : std::uint8_t {
    read,           // the channels were read (possibly none)
    cannotOpen,     // the file does not exist or cannot be opened
    invalidFormat,  // neither a channel file nor a playlist that can be read
};

struct ImportedChannels {
    ImportStatus status = ImportStatus::read;
    // In file order, each with a country and a name.
    std::vector<Channel> channels;
    // Records or entries that gave no channel: a record without a country or a name, a
    // playlist entry too long for a field, without a title or repeating an address.
    int leftOut = 0;
};

// Whether the bytes begin as an extended M3U playlist does: "#EXTM3U" after an optional
// UTF-8 byte-order mark and blank space.
[[nodiscard]] bool looksLikePlaylist(std::string_view bytes);

// Reads the whole file. Playlist entries without a country of their own take the fallback
// country. A read shorter than the file gives no channels and no failure.
[[nodiscard]] ImportedChannels readChannelsToImport(FilePort& files, std::u16string_view path,
                                                    std::u16string_view fallbackCountry);

}  // namespace telvia

// Channel files and playlists that reach the program from outside: a path on the command
// line, and a path that a second start hands over to the running program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace telvia {

// The longest path the system can name (with the long-path prefix), in UTF-16 units.
inline constexpr std::size_t maxListPathLength = 32767;

// Marks a hand-over as a path for the Load dialog ("TVL1"), so that data another program
// sends the main window by mistake is told apart.
inline constexpr std::uintptr_t listHandOverTag = 0x54564C31;

// Whether the path names a channel file (".qcl") or a playlist (".m3u", ".m3u8"), in any
// mix of capital and small letters: no longer than a path can be, no control characters,
// and a name before the extension. Whether the file exists and what it holds is the Load
// dialog's to find out.
[[nodiscard]] bool isChannelListPath(std::u16string_view path);

// Whether the path starts at a drive ("C:\", "C:/") or a share ("\\server\..."), so that
// it means the same file to every process whatever its current folder.
[[nodiscard]] bool isAbsolutePath(std::u16string_view path);

// The first argument that names a channel file or a playlist; every other argument is
// ignored.
[[nodiscard]] std::optional<std::u16string> channelListArgument(
    std::span<const std::u16string> arguments);

// A path as the second start hands it over: its UTF-16 units, little-endian, without a
// terminator.
[[nodiscard]] std::vector<std::byte> encodeListHandOver(std::u16string_view path);

// The path of a hand-over, or nothing for data that is not one: another tag, no bytes or
// an odd count, more than a path can hold, control characters (a terminator included), a
// path that is not absolute or names no channel file or playlist. The bytes come from
// another process and are trusted in nothing.
[[nodiscard]] std::optional<std::u16string> decodeListHandOver(std::uintptr_t tag,
                                                               std::span<const std::byte> bytes);

}  // namespace telvia

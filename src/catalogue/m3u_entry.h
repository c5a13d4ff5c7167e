// The rules by which one playlist entry becomes a channel record. The reader applies them
// to the lines it reads; the writer applies the very same ones to the lines it is about to
// write, so that it writes only what reads back unchanged.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "catalogue/channel.h"
#include "catalogue/m3u_playlist.h"
#include "catalogue/m3u_request_headers.h"

namespace telvia::m3u {

inline constexpr std::u16string_view headerTag = u"#EXTM3U";
inline constexpr std::u16string_view infoTag = u"#EXTINF:";

// Drops the spaces and tabs at both ends: done to every line and to the title.
[[nodiscard]] std::u16string_view trim(std::u16string_view text);

enum class LineKind : std::uint8_t {
    blank,         // nothing but blanks
    info,          // "#EXTINF:": the entry's attributes and title
    playerOption,  // "#EXTVLCOPT": an option for the player, such as a header to send
    comment,       // any other line that starts with '#'
    address,       // everything else: the address of the entry before it
};

// What a line after the header is, once trimmed.
[[nodiscard]] LineKind classify(std::u16string_view trimmedLine);

using Attributes = std::vector<std::pair<std::u16string_view, std::u16string_view>>;

// An #EXTINF line split into its attributes and its (trimmed) title; views into the line.
struct InfoLine {
    Attributes attributes;
    std::u16string_view title;
};

// Splits what follows "#EXTINF:" into the duration (ignored), the attributes and the
// title. The title starts after the first comma outside a quoted value.
[[nodiscard]] std::optional<PlaylistProblem> parseInfo(std::u16string_view rest, InfoLine& info);

// Why an entry gives no record, and on which of its lines the reason lies.
struct EntryFault {
    PlaylistProblem problem;
    bool atAddressLine = false;
};

// The record of one entry, or why the entry is left out (or, for a bad on mark, why the
// list is refused). options are what the entry's #EXTVLCOPT lines asked for; fallbackCountry
// is a code as the catalogue stores it, or empty.
[[nodiscard]] std::variant<Channel, EntryFault> makeEntry(const InfoLine& info, const PlayerOptions& options,
                                                          std::u16string_view address,
                                                          std::u16string_view fallbackCountry);

// The rule over the whole list: each address once.
class EntryRegister {
public:
    // Counts the entry in, or answers duplicateAddress with the line of the earlier entry.
    [[nodiscard]] std::optional<PlaylistNote> take(std::u16string_view address, int line);

private:
    std::map<std::u16string, int, std::less<>> lines_;
};

}  // namespace telvia::m3u

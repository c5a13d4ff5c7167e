// Extended M3U playlists, the lists IPTV users exchange, converted to and from channel
// records: "#EXTM3U", then per entry an "#EXTINF:-1 key="value" ...,Title" line and the
// stream address on a line of its own. UTF-8 with or without a byte-order mark, LF or CRLF.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/channel.h"

namespace telvia {

enum class PlaylistProblem : std::uint8_t {
    // The whole list is refused: it is not what it claims to be.
    notExtendedM3u,       // the first line that holds anything is not "#EXTM3U"
    invalidUtf8,          // a line is not well-formed UTF-8
    unterminatedQuote,    // an attribute value opens a quote that the line never closes
    malformedAttribute,   // something other than key=value between the duration and the comma
    noTitleComma,         // an #EXTINF line without the comma that starts the title
    entryWithoutAddress,  // an #EXTINF line followed by another one or by the end of the list
    badOnMark,            // a telvia-on attribute other than "0" or "1"

    // One entry is left out; the rest of the list is taken.
    addressWithoutInfo,   // an address line with no #EXTINF before it: no name
    noTitle,              // the title is empty
    titleTooLong,         // more than the 259 characters of a name
    addressTooLong,       // more than the 519 characters of an address, request headers included
    noteTooLong,          // telvia-note longer than the 519 characters of a note
    homePageTooLong,      // telvia-home-page longer than the 259 characters of a home page
    nulCharacter,         // a text holds U+0000, which would end its field early
    noCountry,            // no country from tvg-country or tvg-id, and no fallback country
    badCountry,           // tvg-country holds no usable code, and neither tvg-id nor a fallback helps
    duplicateAddress,     // an earlier entry of the list has the same address
    badRequestHeaders,    // the address's "|" suffix names headers other than User-Agent and Referer, or does not parse

    // One record is left out of an exported playlist.
    emptyAddress,         // nothing to write on the address line
    lineBreakInText,      // a text holds CR or LF and would break the entry apart
    quoteInAttribute,     // a quoted attribute (country, note, home page) holds a double quote
    addressStartsWithHash,  // would be read back as a comment
    unpairedSurrogate,    // a text is not valid UTF-16
    readsBackChanged,     // the import would read another record back (blanks at either end)
    tooManyChannels,      // a 401st record: a playlist is written for a channel file's 400
};

// What went wrong and where: the 1-based line of the playlist (import) or the 1-based
// record of the channel file (export). otherLine names the earlier line of a duplicate.
struct PlaylistNote {
    int line = 0;
    PlaylistProblem problem = PlaylistProblem::notExtendedM3u;
    int otherLine = 0;

    friend bool operator==(const PlaylistNote&, const PlaylistNote&) = default;
};

// A short English description of the problem, for the channel-list tool's messages.
[[nodiscard]] std::string_view describe(PlaylistProblem problem);

struct PlaylistImport {
    // The records in list order, each with a country, a name and an address. There may be
    // more than a channel file holds; what to do with the rest is the caller's choice.
    std::vector<Channel> channels;
    // Entries left out, in list order.
    std::vector<PlaylistNote> skipped;
    // Set when the list was refused; channels then holds only what came before the fault
    // and must not be written anywhere.
    std::optional<PlaylistNote> error;
};

// Reads a playlist. The title becomes the name. The country comes from tvg-country, else
// from the country suffix of tvg-id ("BBCOne.uk"), else from fallbackCountry: a code as
// storedCountryCode takes it ("GBR", "GB", "gb"); one it does not take gives no fallback.
// Two-letter codes become the catalogue's three letters. A user agent or referrer the entry
// asks for (#EXTVLCOPT lines, or attributes) is added to the address as a header suffix.
// telvia-on (default 1), telvia-note and telvia-home-page fill the other fields. Other
// attributes, options and comment lines are ignored.
[[nodiscard]] PlaylistImport importPlaylist(std::string_view bytes,
                                            std::u16string_view fallbackCountry = {});

// Whether a text is a country code as the catalogue stores it: exactly three letters A to Z.
[[nodiscard]] bool isCountryCode(std::u16string_view text);

struct PlaylistExport {
    std::string text;                   // UTF-8 without byte-order mark, LF line ends
    std::vector<PlaylistNote> skipped;  // records that cannot be written, by record number
};

// Writes the records as a playlist that importPlaylist (without a fallback country) reads
// back to the same records, the on mark as 0 or 1. A record the import would leave out or
// read back changed is not written but reported, by the import's own rules: a country that
// is not three capital letters, an empty name or address, blanks at either end of either, an
// address that reads as a comment, the address of a record written before. So is every
// record after the 400th: the list is meant to become a channel file again.
[[nodiscard]] PlaylistExport exportPlaylist(std::span<const Channel> channels);

}  // namespace telvia

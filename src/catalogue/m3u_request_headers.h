// The request headers a playlist entry asks the player to send, a user agent and a
// referrer, carried on as a suffix of its address in the form the stream source reads:
// "http://host/live.m3u8|User-Agent=Foo&Referer=http://x/".
#pragma once

#include <string>
#include <string_view>

namespace telvia::m3u {

// What the #EXTVLCOPT lines of an entry ask for; empty where they ask for nothing.
struct PlayerOptions {
    std::u16string userAgent;
    std::u16string referrer;
};

// Reads one trimmed #EXTVLCOPT line: http-user-agent, http-referrer or http-referer. The
// first line that gives a header a value wins; other options are ignored.
void readPlayerOption(std::u16string_view trimmedLine, PlayerOptions& options);

// The address with a suffix for the headers that are not empty, User-Agent first. The
// values are percent-encoded where they hold one of the suffix's own characters ('%', '&',
// '=', '|') and nowhere else. An address that already holds a '|' has a suffix of its own
// and is kept as it is.
[[nodiscard]] std::u16string addressWithHeaders(std::u16string_view address, std::u16string_view userAgent,
                                                std::u16string_view referrer);

}  // namespace telvia::m3u

// The country of one playlist entry. Lists rarely say it in the catalogue's three letters:
// tvg-country mostly holds two-letter codes, often several, and many lists give none at all
// but name the channel by a guide id that ends in its country ("BBCOne.uk").
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "catalogue/m3u_playlist.h"

namespace telvia::m3u {

// The code the catalogue stores for the entry, from the first of these that gives one:
//  1. the first usable code of tvg-country, which may list several ("US;CA", "US,CA");
//  2. the suffix of tvg-id after its last '.', when it is a two-letter country code
//     (anything from an '@' on qualifies the id, as in "X.us@HD", and is not looked at);
//  3. fallbackCountry, a code as the catalogue stores it, when it is not empty.
// Otherwise badCountry when tvg-country held something, noCountry when it held nothing.
// Empty views stand for attributes the line does not carry.
[[nodiscard]] std::variant<std::u16string, PlaylistProblem> entryCountry(std::u16string_view tvgCountry,
                                                                         std::u16string_view tvgId,
                                                                         std::u16string_view fallbackCountry);

}  // namespace telvia::m3u

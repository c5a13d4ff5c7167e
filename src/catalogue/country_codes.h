// ISO 3166-1 country codes. The catalogue stores a country as three capital letters (the
// alpha-3 code, "GBR"); playlists mostly write the two-letter alpha-2 code ("GB", "uk").
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace telvia {

// The alpha-3 code of an alpha-2 code in capitals ("GB" -> "GBR"), and "UK" -> "GBR" for the
// code the United Kingdom commonly goes by. Nothing for a code ISO 3166-1 does not assign.
[[nodiscard]] std::optional<std::u16string_view> alpha3FromAlpha2(std::u16string_view alpha2);

// A country code as lists and users write it, turned into the code the catalogue stores:
// two letters through alpha3FromAlpha2, any three letters as they are, either in any case
// and stored in capitals. Nothing for anything else.
[[nodiscard]] std::optional<std::u16string> storedCountryCode(std::u16string_view code);

}  // namespace telvia

#include "catalogue/m3u_country.h"

#include <optional>

#include "catalogue/country_codes.h"
#include "catalogue/m3u_entry.h"

namespace telvia::m3u {

namespace {

std::optional<std::u16string> firstUsableCode(std::u16string_view codes)
{
    while (!codes.empty()) {
        const std::size_t end = codes.find_first_of(u";,");
        const std::u16string_view code = trim(codes.substr(0, end));
        codes.remove_prefix(end == std::u16string_view::npos ? codes.size() : end + 1);
        if (auto stored = storedCountryCode(code)) {
            return stored;
        }
    }
    return std::nullopt;
}

std::optional<std::u16string> countryOfGuideId(std::u16string_view tvgId)
{
    tvgId = tvgId.substr(0, tvgId.find(u'@'));
    const std::size_t dot = tvgId.rfind(u'.');
    if (dot == std::u16string_view::npos) {
        return std::nullopt;
    }
    const std::u16string_view suffix = tvgId.substr(dot + 1);
    // Only two letters: a three-letter suffix is more likely a word than a country.
    return suffix.size() == 2 ? storedCountryCode(suffix) : std::nullopt;
}

}  // namespace

std::variant<std::u16string, PlaylistProblem> entryCountry(std::u16string_view tvgCountry,
                                                           std::u16string_view tvgId,
                                                           std::u16string_view fallbackCountry)
{
    if (auto country = firstUsableCode(tvgCountry)) {
        return std::move(*country);
    }
    if (auto country = countryOfGuideId(tvgId)) {
        return std::move(*country);
    }
    if (!fallbackCountry.empty()) {
        return std::u16string(fallbackCountry);
    }
    return trim(tvgCountry).empty() ? PlaylistProblem::noCountry : PlaylistProblem::badCountry;
}

}  // namespace telvia::m3u

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "catalogue/country_codes.h"

namespace telvia {
namespace {

std::string shown(const std::optional<std::u16string_view>& code)
{
    return code ? std::string(code->begin(), code->end()) : "none";
}

std::string shown(const std::optional<std::u16string>& code)
{
    return code ? std::string(code->begin(), code->end()) : "none";
}

TEST(CountryCodes, Alpha2ToAlpha3)
{
    const struct {
        std::u16string_view alpha2;
        const char* alpha3;
    } cases[] = {
        {u"GB", "GBR"}, {u"UK", "GBR"}, {u"US", "USA"}, {u"DE", "DEU"}, {u"RU", "RUS"}, {u"BY", "BLR"},
        {u"AD", "AND"}, {u"AX", "ALA"}, {u"KP", "PRK"}, {u"SS", "SSD"}, {u"ZW", "ZWE"},
        {u"XX", "none"}, {u"ZZ", "none"}, {u"AA", "none"}, {u"gb", "none"}, {u"", "none"},
        {u"G", "none"}, {u"GBR", "none"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shown(alpha3FromAlpha2(c.alpha2)), c.alpha3) << shown(std::optional(c.alpha2));
    }
}

// Every pair of capitals looked up: the table holds the 249 assigned codes and "UK", each
// with three capitals of its own, "UK" sharing "GBR" with "GB".
TEST(CountryCodes, TheTableIsCompleteAndEveryAlpha3IsUnique)
{
    int found = 0;
    std::map<std::u16string, std::u16string> alpha2Of;
    for (char16_t first = u'A'; first <= u'Z'; ++first) {
        for (char16_t second = u'A'; second <= u'Z'; ++second) {
            const std::u16string alpha2{first, second};
            const auto alpha3 = alpha3FromAlpha2(alpha2);
            if (!alpha3) {
                continue;
            }
            ++found;
            ASSERT_EQ(alpha3->size(), 3u) << shown(std::optional(std::u16string_view(alpha2)));
            for (const char16_t unit : *alpha3) {
                EXPECT_TRUE(unit >= u'A' && unit <= u'Z') << shown(alpha3);
            }
            const auto [earlier, fresh] = alpha2Of.emplace(*alpha3, alpha2);
            EXPECT_TRUE(fresh || (earlier->second == u"GB" && alpha2 == u"UK"))
                << shown(alpha3) << " twice: " << shown(std::optional(std::u16string_view(earlier->second)))
                << " and " << shown(std::optional(std::u16string_view(alpha2)));
        }
    }
    EXPECT_EQ(found, 250);
}

TEST(CountryCodes, StoredCodeOfWhatListsAndUsersWrite)
{
    const struct {
        std::u16string_view code;
        const char* stored;
    } cases[] = {
        {u"GBR", "GBR"}, {u"gb", "GBR"}, {u"Uk", "GBR"}, {u"usa", "USA"}, {u"XYZ", "XYZ"},
        {u"XX", "none"}, {u"zz", "none"}, {u"G1", "none"}, {u"GBRX", "none"}, {u"G", "none"},
        {u"", "none"}, {u" GB", "none"}, {u"\u00C4\u00D6\u00DC", "none"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shown(storedCountryCode(c.code)), c.stored) << shown(std::optional(c.code));
    }
}

}  // namespace
}  // namespace telvia

#include "catalogue/country_codes.h"

#include <algorithm>
#include <iterator>

namespace telvia {

namespace {

struct CodePair {
    std::u16string_view alpha2;
    std::u16string_view alpha3;
};

// Every code ISO 3166-1 assigns, and "UK", sorted by the two-letter code.
constexpr CodePair codePairs[] = {
    {u"AD", u"AND"}, {u"AE", u"ARE"}, {u"AF", u"AFG"}, {u"AG", u"ATG"}, {u"AI", u"AIA"}, {u"AL", u"ALB"},
    {u"AM", u"ARM"}, {u"AO", u"AGO"}, {u"AQ", u"ATA"}, {u"AR", u"ARG"}, {u"AS", u"ASM"}, {u"AT", u"AUT"},
    {u"AU", u"AUS"}, {u"AW", u"ABW"}, {u"AX", u"ALA"}, {u"AZ", u"AZE"},
    {u"BA", u"BIH"}, {u"BB", u"BRB"}, {u"BD", u"BGD"}, {u"BE", u"BEL"}, {u"BF", u"BFA"}, {u"BG", u"BGR"},
    {u"BH", u"BHR"}, {u"BI", u"BDI"}, {u"BJ", u"BEN"}, {u"BL", u"BLM"}, {u"BM", u"BMU"}, {u"BN", u"BRN"},
    {u"BO", u"BOL"}, {u"BQ", u"BES"}, {u"BR", u"BRA"}, {u"BS", u"BHS"}, {u"BT", u"BTN"}, {u"BV", u"BVT"},
    {u"BW", u"BWA"}, {u"BY", u"BLR"}, {u"BZ", u"BLZ"},
    {u"CA", u"CAN"}, {u"CC", u"CCK"}, {u"CD", u"COD"}, {u"CF", u"CAF"}, {u"CG", u"COG"}, {u"CH", u"CHE"},
    {u"CI", u"CIV"}, {u"CK", u"COK"}, {u"CL", u"CHL"}, {u"CM", u"CMR"}, {u"CN", u"CHN"}, {u"CO", u"COL"},
    {u"CR", u"CRI"}, {u"CU", u"CUB"}, {u"CV", u"CPV"}, {u"CW", u"CUW"}, {u"CX", u"CXR"}, {u"CY", u"CYP"},
    {u"CZ", u"CZE"},
    {u"DE", u"DEU"}, {u"DJ", u"DJI"}, {u"DK", u"DNK"}, {u"DM", u"DMA"}, {u"DO", u"DOM"}, {u"DZ", u"DZA"},
    {u"EC", u"ECU"}, {u"EE", u"EST"}, {u"EG", u"EGY"}, {u"EH", u"ESH"}, {u"ER", u"ERI"}, {u"ES", u"ESP"},
    {u"ET", u"ETH"},
    {u"FI", u"FIN"}, {u"FJ", u"FJI"}, {u"FK", u"FLK"}, {u"FM", u"FSM"}, {u"FO", u"FRO"}, {u"FR", u"FRA"},
    {u"GA", u"GAB"}, {u"GB", u"GBR"}, {u"GD", u"GRD"}, {u"GE", u"GEO"}, {u"GF", u"GUF"}, {u"GG", u"GGY"},
    {u"GH", u"GHA"}, {u"GI", u"GIB"}, {u"GL", u"GRL"}, {u"GM", u"GMB"}, {u"GN", u"GIN"}, {u"GP", u"GLP"},
    {u"GQ", u"GNQ"}, {u"GR", u"GRC"}, {u"GS", u"SGS"}, {u"GT", u"GTM"}, {u"GU", u"GUM"}, {u"GW", u"GNB"},
    {u"GY", u"GUY"},
    {u"HK", u"HKG"}, {u"HM", u"HMD"}, {u"HN", u"HND"}, {u"HR", u"HRV"}, {u"HT", u"HTI"}, {u"HU", u"HUN"},
    {u"ID", u"IDN"}, {u"IE", u"IRL"}, {u"IL", u"ISR"}, {u"IM", u"IMN"}, {u"IN", u"IND"}, {u"IO", u"IOT"},
    {u"IQ", u"IRQ"}, {u"IR", u"IRN"}, {u"IS", u"ISL"}, {u"IT", u"ITA"},
    {u"JE", u"JEY"}, {u"JM", u"JAM"}, {u"JO", u"JOR"}, {u"JP", u"JPN"},
    {u"KE", u"KEN"}, {u"KG", u"KGZ"}, {u"KH", u"KHM"}, {u"KI", u"KIR"}, {u"KM", u"COM"}, {u"KN", u"KNA"},
    {u"KP", u"PRK"}, {u"KR", u"KOR"}, {u"KW", u"KWT"}, {u"KY", u"CYM"}, {u"KZ", u"KAZ"},
    {u"LA", u"LAO"}, {u"LB", u"LBN"}, {u"LC", u"LCA"}, {u"LI", u"LIE"}, {u"LK", u"LKA"}, {u"LR", u"LBR"},
    {u"LS", u"LSO"}, {u"LT", u"LTU"}, {u"LU", u"LUX"}, {u"LV", u"LVA"}, {u"LY", u"LBY"},
    {u"MA", u"MAR"}, {u"MC", u"MCO"}, {u"MD", u"MDA"}, {u"ME", u"MNE"}, {u"MF", u"MAF"}, {u"MG", u"MDG"},
    {u"MH", u"MHL"}, {u"MK", u"MKD"}, {u"ML", u"MLI"}, {u"MM", u"MMR"}, {u"MN", u"MNG"}, {u"MO", u"MAC"},
    {u"MP", u"MNP"}, {u"MQ", u"MTQ"}, {u"MR", u"MRT"}, {u"MS", u"MSR"}, {u"MT", u"MLT"}, {u"MU", u"MUS"},
    {u"MV", u"MDV"}, {u"MW", u"MWI"}, {u"MX", u"MEX"}, {u"MY", u"MYS"}, {u"MZ", u"MOZ"},
    {u"NA", u"NAM"}, {u"NC", u"NCL"}, {u"NE", u"NER"}, {u"NF", u"NFK"}, {u"NG", u"NGA"}, {u"NI", u"NIC"},
    {u"NL", u"NLD"}, {u"NO", u"NOR"}, {u"NP", u"NPL"}, {u"NR", u"NRU"}, {u"NU", u"NIU"}, {u"NZ", u"NZL"},
    {u"OM", u"OMN"},
    {u"PA", u"PAN"}, {u"PE", u"PER"}, {u"PF", u"PYF"}, {u"PG", u"PNG"}, {u"PH", u"PHL"}, {u"PK", u"PAK"},
    {u"PL", u"POL"}, {u"PM", u"SPM"}, {u"PN", u"PCN"}, {u"PR", u"PRI"}, {u"PS", u"PSE"}, {u"PT", u"PRT"},
    {u"PW", u"PLW"}, {u"PY", u"PRY"},
    {u"QA", u"QAT"},
    {u"RE", u"REU"}, {u"RO", u"ROU"}, {u"RS", u"SRB"}, {u"RU", u"RUS"}, {u"RW", u"RWA"},
    {u"SA", u"SAU"}, {u"SB", u"SLB"}, {u"SC", u"SYC"}, {u"SD", u"SDN"}, {u"SE", u"SWE"}, {u"SG", u"SGP"},
    {u"SH", u"SHN"}, {u"SI", u"SVN"}, {u"SJ", u"SJM"}, {u"SK", u"SVK"}, {u"SL", u"SLE"}, {u"SM", u"SMR"},
    {u"SN", u"SEN"}, {u"SO", u"SOM"}, {u"SR", u"SUR"}, {u"SS", u"SSD"}, {u"ST", u"STP"}, {u"SV", u"SLV"},
    {u"SX", u"SXM"}, {u"SY", u"SYR"}, {u"SZ", u"SWZ"},
    {u"TC", u"TCA"}, {u"TD", u"TCD"}, {u"TF", u"ATF"}, {u"TG", u"TGO"}, {u"TH", u"THA"}, {u"TJ", u"TJK"},
    {u"TK", u"TKL"}, {u"TL", u"TLS"}, {u"TM", u"TKM"}, {u"TN", u"TUN"}, {u"TO", u"TON"}, {u"TR", u"TUR"},
    {u"TT", u"TTO"}, {u"TV", u"TUV"}, {u"TW", u"TWN"}, {u"TZ", u"TZA"},
    {u"UA", u"UKR"}, {u"UG", u"UGA"}, {u"UK", u"GBR"}, {u"UM", u"UMI"}, {u"US", u"USA"}, {u"UY", u"URY"},
    {u"UZ", u"UZB"},
    {u"VA", u"VAT"}, {u"VC", u"VCT"}, {u"VE", u"VEN"}, {u"VG", u"VGB"}, {u"VI", u"VIR"}, {u"VN", u"VNM"},
    {u"VU", u"VUT"},
    {u"WF", u"WLF"}, {u"WS", u"WSM"},
    {u"YE", u"YEM"}, {u"YT", u"MYT"},
    {u"ZA", u"ZAF"}, {u"ZM", u"ZMB"}, {u"ZW", u"ZWE"},
};

static_assert(std::size(codePairs) == 249 + 1);
static_assert(std::ranges::is_sorted(codePairs, std::ranges::less{}, &CodePair::alpha2),
              "the lookup searches by halves");

char16_t toUpper(char16_t unit)
{
    return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - u'a' + u'A') : unit;
}

bool isCapital(char16_t unit) { return unit >= u'A' && unit <= u'Z'; }

}  // namespace

std::optional<std::u16string_view> alpha3FromAlpha2(std::u16string_view alpha2)
{
    const auto* const found = std::ranges::lower_bound(codePairs, alpha2, std::ranges::less{}, &CodePair::alpha2);
    if (found == std::end(codePairs) || found->alpha2 != alpha2) {
        return std::nullopt;
    }
    return found->alpha3;
}

std::optional<std::u16string> storedCountryCode(std::u16string_view code)
{
    if (code.size() != 2 && code.size() != 3) {
        return std::nullopt;
    }
    std::u16string capitals(code);
    std::ranges::transform(capitals, capitals.begin(), toUpper);
    if (!std::ranges::all_of(capitals, isCapital)) {
        return std::nullopt;
    }
    if (capitals.size() == 3) {
        return capitals;
    }
    const auto alpha3 = alpha3FromAlpha2(capitals);
    return alpha3 ? std::optional<std::u16string>(*alpha3) : std::nullopt;
}

}  // namespace telvia

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "common/utf8.h"

namespace telvia {
namespace {

TEST(Utf8, DecodesWellFormedTextOfEveryLength)
{
    const struct {
        std::string_view utf8;
        std::u16string_view utf16;
    } cases[] = {
        {"", u""},
        {"plain ASCII", u"plain ASCII"},
        {"\x7F", u"\u007F"},                               // last one-byte
        {"\xC2\x80", u"\u0080"},                           // first two-byte
        {"S\xC3\xBC" "d", u"S\u00FCd"},                    // ü
        {"\xDF\xBF", u"\u07FF"},                           // last two-byte
        {"\xE0\xA0\x80", u"\u0800"},                       // first three-byte
        {"\xD0\x9D\xD0\xA2\xD0\x92", u"\u041D\u0422\u0412"},  // НТВ
        {"\xED\x9F\xBF", u"\uD7FF"},                       // just below the surrogates
        {"\xEE\x80\x80", u"\uE000"},                       // just above them
        {"\xEF\xBF\xBD", u"\uFFFD"},                       // the replacement character itself
        {"\xF0\x90\x80\x80", u"\U00010000"},               // first four-byte: a surrogate pair
        {"\xF0\x9F\x93\xBA", u"\U0001F4FA"},               // 📺
        {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},               // last code point
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        const std::optional<std::u16string> decoded = utf8ToUtf16(c.utf8);
        ASSERT_TRUE(decoded.has_value()) << "case " << i;
        EXPECT_EQ(*decoded, c.utf16) << "case " << i;
        const std::optional<std::string> encoded = utf16ToUtf8(c.utf16);
        ASSERT_TRUE(encoded.has_value()) << "case " << i;
        EXPECT_EQ(*encoded, c.utf8) << "case " << i;
    }
}

TEST(Utf8, RefusesMalformedSequencesAndSaysWhere)
{
    const struct {
        std::string_view utf8;
        std::size_t invalidAt;
    } cases[] = {
        {"ab\x80", 2},                  // continuation byte without a lead
        {"\xC3", 0},                    // lead at the end of the text
        {"x\xC3(", 1},                  // lead followed by a non-continuation
        {"\xE2\x82", 0},                // three-byte sequence cut short
        {"\xC0\xAF", 0},                // overlong '/' (two bytes)
        {"\xC1\xBF", 0},                // overlong two-byte lead
        {"\xE0\x80\xAF", 0},            // overlong '/' (three bytes)
        {"\xF0\x8F\xBF\xBF", 0},        // overlong U+FFFF (four bytes)
        {"ok\xED\xA0\x80", 2},          // an encoded high surrogate (CESU-8)
        {"\xED\xBF\xBF", 0},            // an encoded low surrogate
        {"\xF4\x90\x80\x80", 0},        // above U+10FFFF
        {"\xF5\x80\x80\x80", 0},        // lead byte that no sequence has
        {"\xFF", 0},
        {"\xEF\xBB\xBF\xFE", 3},        // a byte-order mark is text here; 0xFE is not
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        std::size_t at = 999;
        EXPECT_FALSE(utf8ToUtf16(cases[i].utf8, &at).has_value()) << "case " << i;
        EXPECT_EQ(at, cases[i].invalidAt) << "case " << i;
    }
}

TEST(Utf8, RefusesToEncodeUnpairedSurrogates)
{
    const struct {
        std::u16string utf16;
        std::size_t invalidAt;
    } cases[] = {
        {std::u16string{u'a', char16_t(0xD800)}, 1},               // high at the end
        {std::u16string{char16_t(0xD800), u'b'}, 0},               // high before a non-surrogate
        {std::u16string{char16_t(0xDC00), char16_t(0xD800)}, 0},   // pair in the wrong order
        {std::u16string{u'x', u'y', char16_t(0xDFFF)}, 2},         // a lone low
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        std::size_t at = 999;
        EXPECT_FALSE(utf16ToUtf8(cases[i].utf16, &at).has_value()) << "case " << i;
        EXPECT_EQ(at, cases[i].invalidAt) << "case " << i;
    }
}

}  // namespace
}  // namespace telvia

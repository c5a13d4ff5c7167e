#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "i18n/ini_reader.h"
#include "utf16_file.h"

namespace telvia {
namespace {

using namespace std::string_literals;
using testing::utf16File;

TEST(IniReaderTest, FindsValuesTheWayProfileStringsAre)
{
    const struct {
        const char* what;
        std::string file;
        std::string expected;  // of SECTION_5 / EXIT
    } cases[] = {
        {"plain", "[SECTION_5]\nEXIT=Quit\n", "Quit"},
        {"names in another case", "[section_5]\nexit=Quit\n", "Quit"},
        {"mixed case", "[Section_5]\nExIt=Quit\n", "Quit"},
        {"blanks inside the brackets", "[ \tSECTION_5\t ]\nEXIT=Quit\n", "Quit"},
        {"blanks around the lines", "  \t[SECTION_5]  \n\t EXIT=Quit\n", "Quit"},
        {"text after the header", "[SECTION_5] ; menu\nEXIT=Quit\n", "Quit"},
        {"blanks around key and value", "[SECTION_5]\n EXIT \t=\t Quit  now \t\n", "Quit  now"},
        {"blank inside the name", "[SECTION_5]\nEX IT=Quit\n", ""},
        {"longer key", "[SECTION_5]\nEXIT_NOW=Quit\n", ""},
        {"shorter key", "[SECTION_5]\nEXI=Quit\n", ""},
        {"equals in the value", "[SECTION_5]\nEXIT=a=b\n", "a=b"},
        {"double quotes", "[SECTION_5]\nEXIT=\" Quit \"\n", " Quit "},
        {"single quotes", "[SECTION_5]\nEXIT='Quit'\n", "Quit"},
        {"quotes after trimming", "[SECTION_5]\nEXIT=  \"Quit\"  \n", "Quit"},
        {"only one pair", "[SECTION_5]\nEXIT=\"\"Quit\"\"\n", "\"Quit\""},
        {"unlike quotes", "[SECTION_5]\nEXIT=\"Quit'\n", "\"Quit'"},
        {"quote at the start only", "[SECTION_5]\nEXIT=\"Quit\" now\n", "\"Quit\" now"},
        {"one quote character", "[SECTION_5]\nEXIT=\"\n", "\""},
        {"empty quotes", "[SECTION_5]\nEXIT=\"\"\n", ""},
        {"empty value", "[SECTION_5]\nEXIT=\n", ""},
        {"blank value", "[SECTION_5]\nEXIT=  \t\n", ""},
        {"first of two keys", "[SECTION_5]\nEXIT=One\nEXIT=Two\n", "One"},
        {"first key even when empty", "[SECTION_5]\nEXIT=\nEXIT=Two\n", ""},
        {"first of two sections", "[SECTION_5]\nSTOP=x\n[SECTION_5]\nEXIT=Quit\n", ""},
        {"after another section", "[SECTION_4]\nEXIT=No\n[SECTION_5]\nEXIT=Yes\n", "Yes"},
        {"in another section only", "[SECTION_5]\nSTOP=x\n[SECTION_4]\nEXIT=Quit\n", ""},
        {"before any section", "EXIT=Quit\n[SECTION_5]\n", ""},
        {"similar section name", "[SECTION_50]\nEXIT=Quit\n", ""},
        {"line without equals", "[SECTION_5]\nEXIT\nEXIT=Quit\n", "Quit"},
        {"commented key", "[SECTION_5]\n;EXIT=Quit\n", ""},
        {"comment line", "[SECTION_5]\n; the menu\nEXIT=Quit\n", "Quit"},
        {"commented header", ";[SECTION_5]\nEXIT=Quit\n", ""},
        {"no inline comment", "[SECTION_5]\nEXIT=Quit ; bye\n", "Quit ; bye"},
        {"broken header", "[SECTION_5]\n[broken\nEXIT=Quit\n", "Quit"},
        {"CRLF", "[SECTION_5]\r\nSTOP=x\r\nEXIT=Quit\r\n", "Quit"},
        {"CR", "[SECTION_5]\rSTOP=x\rEXIT=Quit\r", "Quit"},
        {"blank lines", "\r\n\r\n[SECTION_5]\n\n\r\rEXIT=Quit", "Quit"},
        {"no line end", "[SECTION_5]\nEXIT=Quit", "Quit"},
        {"byte-order mark", "\xEF\xBB\xBF[SECTION_5]\nEXIT=Quit\n", "Quit"},
        {"zero byte", "[SECTION_5]\nEXIT=Qu\0it\n"s, "Qu"},
        {"8-bit text", "[SECTION_5]\nEXIT=Schlie\xDF" "en\n", "Schlie\xDF" "en"},
        {"empty file", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(IniFile(c.file).value("SECTION_5", "EXIT"), c.expected);
    }
}

TEST(IniReaderTest, CutsLongValuesTo259Bytes)
{
    const std::string umlauts = [] {
        std::string text;
        for (int i = 0; i < 130; ++i) {
            text += "\xC3\xA4";  // a two-byte character in UTF-8
        }
        return text;
    }();
    const std::string a259(259, 'a');
    const struct {
        const char* what;
        std::string file;
        std::string expected;
    } cases[] = {
        {"259 bytes", "[S]\nK=" + a259 + "\n", a259},
        {"260 bytes", "[S]\nK=" + a259 + "b\n", a259},
        {"300 bytes", "[S]\nK=" + a259 + std::string(41, 'b') + "\n", a259},
        {"quotes removed before the cut", "[S]\nK=\"" + a259 + "\"\n", a259},
        {"blanks trimmed before the cut", "[S]\nK=   " + a259 + "   \n", a259},
        {"8-bit text cut at the byte", "[S]\nK=" + umlauts + "\n", umlauts.substr(0, 259)},
        {"UTF-8 text cut before a split character", "\xEF\xBB\xBF[S]\nK=" + umlauts + "\n",
         umlauts.substr(0, 258)},
        {"UTF-8 text cut at a whole character", "\xEF\xBB\xBF[S]\nK=x" + umlauts + "\n",
         "x" + umlauts.substr(0, 258)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(IniFile(c.file).value("S", "K"), c.expected);
    }
}

TEST(IniReaderTest, AByteOrderMarkMeansUtf8)
{
    EXPECT_EQ(IniFile("\xEF\xBB\xBF[S]\nK=v\n").encoding(), TextEncoding::utf8);
    EXPECT_EQ(IniFile("[S]\nK=v\n").encoding(), TextEncoding::ansi);
    EXPECT_EQ(IniFile("").encoding(), TextEncoding::ansi);
    // A mark that is not at the start is part of the line, so the header is not one.
    const IniFile late("\n\xEF\xBB\xBF[S]\nK=v\n");
    EXPECT_EQ(late.encoding(), TextEncoding::ansi);
    EXPECT_EQ(late.value("S", "K"), "");
}

// A file saved as "Unicode" is read by the same rules, its texts handed out as UTF-8.
TEST(IniReaderTest, ReadsUtf16FilesWithAByteOrderMark)
{
    const std::u16string a259(259, u'a');
    const std::u16string cyrillic129 = [] {
        std::u16string text;
        for (int i = 0; i < 129; ++i) {
            text += u"\u0416";  // two bytes in UTF-8
        }
        return text;
    }();
    const std::string zhe128 = [] {
        std::string text;
        for (int i = 0; i < 128; ++i) {
            text += "\xD0\x96";
        }
        return text;
    }();
    const struct {
        const char* what;
        std::string file;
        std::string expected;  // of S / K
    } cases[] = {
        {"plain", utf16File(u"[S]\r\nK=v\r\n"), "v"},
        {"the reader's rules: case, blanks, quotes", utf16File(u"  [ s ]\n k =  \"Quit now\" \n"), "Quit now"},
        {"CR line ends", utf16File(u"[S]\rX=1\rK=v\r"), "v"},
        {"Cyrillic", utf16File(u"[S]\nK=\u0421\u0432\u044F\u0437\u044C\n"),
         "\xD0\xA1\xD0\xB2\xD1\x8F\xD0\xB7\xD1\x8C"},
        {"a character outside the basic plane", utf16File(u"[S]\nK=TV \U0001F4FA\n"), "TV \xF0\x9F\x93\xBA"},
        {"an unpaired surrogate becomes U+FFFD", utf16File(u"[S]\nK=a") + std::string("\x00\xD8", 2) + utf16File(u"b\n").substr(2),
         "a\xEF\xBF\xBD" "b"},
        {"a zero unit ends the value", utf16File(std::u16string(u"[S]\nK=ab\0cd\n", 12)), "ab"},
        {"an odd last byte is left out", utf16File(u"[S]\nK=v") + "\x41", "v"},
        {"259 units of one byte", utf16File(u"[S]\nK=" + a259 + u"bb\n"), std::string(259, 'a')},
        {"cut at 259 bytes before a split character", utf16File(u"[S]\nK=xx" + cyrillic129 + u"\n"),
         "xx" + zhe128},
        {"names are found in UTF-16 too", utf16File(u"[\u0421]\nK=no\n[S]\nK=v\n"), "v"},
        {"only the mark", "\xFF\xFE", ""},
        {"a big-endian file is not one", "\xFE\xFF" + std::string("\0[\0S\0]\0\n\0K\0=\0v", 14), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const IniFile file(c.file);
        EXPECT_EQ(file.value("S", "K"), c.expected);
    }
    EXPECT_EQ(IniFile(utf16File(u"[S]\nK=v\n")).encoding(), TextEncoding::utf8);
}

}  // namespace
}  // namespace telvia

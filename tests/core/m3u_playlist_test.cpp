#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue/m3u_playlist.h"
#include "common/utf16.h"
#include "common/utf8.h"

namespace telvia {
namespace {

// What a test expects of one imported record.
struct Expected {
    std::int32_t on;
    std::u16string country;
    std::u16string name;
    std::u16string address;
    std::u16string note;
    std::u16string homePage;
};

std::string utf8(std::u16string_view text) { return utf16ToUtf8(text).value_or("<not UTF-16>"); }

std::string show(const Channel& channel)
{
    return std::to_string(channel.on) + "|" + utf8(channel.country.view()) + "|" +
           utf8(channel.name.view()) + "|" + utf8(channel.address.view()) + "|" +
           utf8(channel.note.view()) + "|" + utf8(channel.homePage.view());
}

std::string show(const Expected& expected)
{
    return std::to_string(expected.on) + "|" + utf8(expected.country) + "|" + utf8(expected.name) +
           "|" + utf8(expected.address) + "|" + utf8(expected.note) + "|" + utf8(expected.homePage);
}

std::vector<std::string> shown(const std::vector<Channel>& channels)
{
    std::vector<std::string> out;
    for (const Channel& channel : channels) {
        out.push_back(show(channel));
    }
    return out;
}

std::vector<std::string> shown(const std::vector<Expected>& channels)
{
    std::vector<std::string> out;
    for (const Expected& channel : channels) {
        out.push_back(show(channel));
    }
    return out;
}

}  // namespace

// Readable failure messages for notes.
void PrintTo(const PlaylistNote& note, std::ostream* out)
{
    *out << "{line " << note.line << ", " << describe(note.problem);
    if (note.otherLine != 0) {
        *out << ", line " << note.otherLine;
    }
    *out << "}";
}

namespace {

std::string repeat(std::size_t count, char c) { return std::string(count, c); }

TEST(M3uImport, ReadsEntriesWhateverTheirDress)
{
    const struct {
        const char* what;
        std::string list;
        std::u16string fallbackCountry;
        std::vector<Expected> channels;
    } cases[] = {
        {"plain", "#EXTM3U\n#EXTINF:-1 tvg-id=\"BBCNews.uk\" tvg-country=\"GBR\",BBC News\nhttp://a/1\n", u"",
         {{1, u"GBR", u"BBC News", u"http://a/1", u"", u""}}},
        {"byte-order mark, CRLF, blank lines, spaces, no final line end",
         "\xEF\xBB\xBF#EXTM3U x-tvg-url=\"http://guide\"\r\n\r\n  #EXTINF:-1 tvg-country=\"DEU\" ,  "
         "Das Erste  \r\n\r\n  http://a/2  ",
         u"", {{1, u"DEU", u"Das Erste", u"http://a/2", u"", u""}}},
        {"a comma and an equals sign inside quotes do not end the attributes",
         "#EXTM3U\n#EXTINF:-1 group-title=\"News, Sport\" tvg-name=\"a=b\" tvg-country=\"FRA\",Canal 32, "
         "Troyes\nhttp://a/3\n",
         u"", {{1, u"FRA", u"Canal 32, Troyes", u"http://a/3", u"", u""}}},
        {"tvg-country wins over the fallback country, which supplies the rest",
         "#EXTM3U\n#EXTINF:-1 tvg-country=\"UK\",One\nhttp://a/4\n#EXTINF:-1,Two\nhttp://a/5\n", u"FRA",
         {{1, u"GBR", u"One", u"http://a/4", u"", u""}, {1, u"FRA", u"Two", u"http://a/5", u"", u""}}},
        {"own attributes fill the mark, the note and the home page",
         "#EXTM3U\n#EXTINF:-1 tvg-country=\"RUS\" telvia-on=\"0\" telvia-note=\"News, 24 h\" "
         "telvia-home-page=\"http://home\",\xD0\x9D\xD0\xA2\xD0\x92\nhttp://a/6\n"
         "#EXTINF:-1 tvg-country=\"RUS\" telvia-on=\"1\",Mir\nhttp://a/7\n",
         u"",
         {{0, u"RUS", u"\u041D\u0422\u0412", u"http://a/6", u"News, 24 h", u"http://home"},
          {1, u"RUS", u"Mir", u"http://a/7", u"", u""}}},
        {"unquoted values, a bare duration and comment lines",
         "#EXTM3U\n# a comment\n#EXTINF:0 tvg-country=USA tvg-logo=,Radio\n#EXTGRP:Music\nhttp://a/8\n"
         "#EXTINF:10.5,Relative\ndemo.wmv\n",
         u"USA",
         {{1, u"USA", u"Radio", u"http://a/8", u"", u""}, {1, u"USA", u"Relative", u"demo.wmv", u"", u""}}},
        {"the longest name and address fit",
         "#EXTM3U\n#EXTINF:-1 tvg-country=\"USA\"," + repeat(259, 'n') + "\n" + repeat(519, 'a') + "\n", u"",
         {{1, u"USA", std::u16string(259, u'n'), std::u16string(519, u'a'), u"", u""}}},
        {"a name of 259 UTF-16 units with a surrogate pair at its end",
         "#EXTM3U\n#EXTINF:-1 tvg-country=\"USA\"," + repeat(257, 'n') + "\xF0\x9F\x93\xBA\nhttp://a/9\n",
         u"", {{1, u"USA", std::u16string(257, u'n') + u"\U0001F4FA", u"http://a/9", u"", u""}}},
        {"only the header", "#EXTM3U\r\n", u"", {}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        const PlaylistImport result = importPlaylist(c.list, c.fallbackCountry);
        EXPECT_FALSE(result.error.has_value()) << "case " << i << ": " << c.what;
        EXPECT_TRUE(result.skipped.empty()) << "case " << i << ": " << c.what;
        EXPECT_EQ(shown(result.channels), shown(c.channels)) << "case " << i << ": " << c.what;
    }
}

TEST(M3uImport, LeavesOutEntriesThatDoNotFitAndSaysWhichLine)
{
    using P = PlaylistProblem;
    const struct {
        const char* what;
        std::string entries;  // after the header line, so the first entry starts on line 2
        std::vector<PlaylistNote> skipped;
    } cases[] = {
        {"title one character too long",
         "#EXTINF:-1 tvg-country=\"USA\"," + repeat(260, 'n') + "\nhttp://a/1\n", {{2, P::titleTooLong}}},
        {"title too long only in UTF-16 units (130 pairs)",
         "#EXTINF:-1 tvg-country=\"USA\",x" + [] { std::string s; for (int k = 0; k < 130; ++k) s += "\xF0\x9F\x93\xBA"; return s; }() +
             "\nhttp://a/1\n",
         {{2, P::titleTooLong}}},
        {"address one character too long, reported at the address line",
         "#EXTINF:-1 tvg-country=\"USA\",A\n# comment\n" + repeat(520, 'a') + "\n", {{4, P::addressTooLong}}},
        {"note and home page too long",
         "#EXTINF:-1 tvg-country=\"USA\" telvia-note=\"" + repeat(520, 'o') + "\",A\nhttp://a/1\n"
         "#EXTINF:-1 tvg-country=\"USA\" telvia-home-page=\"" + repeat(260, 'h') + "\",B\nhttp://a/2\n",
         {{2, P::noteTooLong}, {4, P::homePageTooLong}}},
        {"empty title", "#EXTINF:-1 tvg-country=\"USA\",   \nhttp://a/1\n", {{2, P::noTitle}}},
        {"no country anywhere, and a tvg-country that holds no usable code",
         "#EXTINF:-1,A\nhttp://a/1\n#EXTINF:-1 tvg-country=\"\" tvg-id=\"\",B\nhttp://a/2\n"
         "#EXTINF:-1 tvg-country=\"XX;G1\" tvg-id=\"A.xx\",C\nhttp://a/3\n",
         {{2, P::noCountry}, {4, P::noCountry}, {6, P::badCountry}}},
        {"address with its header suffix one character too long, reported at the address line",
         "#EXTINF:-1 tvg-country=\"USA\",A\n#EXTVLCOPT:http-user-agent=" + repeat(498, 'u') + "\nhttp://a/1\n",
         {{4, P::addressTooLong}}},
        {"a NUL character in a header would cut the address",
         "#EXTINF:-1 tvg-country=\"USA\" user-agent=\"A" + std::string(1, '\0') + "B\",A\nhttp://a/1\n",
         {{3, P::nulCharacter}}},
        {"the same address twice names the earlier line",
         "#EXTINF:-1 tvg-country=\"USA\",A\nhttp://a/1\n#EXTINF:-1 tvg-country=\"USA\",B\nhttp://a/1\n",
         {{5, P::duplicateAddress, 3}}},
        {"the same address with the same headers twice",
         "#EXTINF:-1 tvg-country=\"USA\" user-agent=\"X\",A\nhttp://a/1\n"
         "#EXTINF:-1 tvg-country=\"USA\",B\n#EXTVLCOPT:http-user-agent=X\nhttp://a/1\n",
         {{6, P::duplicateAddress, 3}}},
        {"an address without #EXTINF", "http://a/1\n", {{2, P::addressWithoutInfo}}},
        {"a suffix of the list's own with headers the player never sends, or that does not parse",
         "#EXTINF:-1 tvg-country=\"USA\",A\nhttp://a/1|Cookie=session=1\n"
         "#EXTINF:-1 tvg-country=\"USA\",B\nhttp://a/2|User-Agent=X&Host=evil.example\n"
         "#EXTINF:-1 tvg-country=\"USA\",C\nhttp://a/3|Referer\n",
         {{3, P::badRequestHeaders}, {5, P::badRequestHeaders}, {7, P::badRequestHeaders}}},
        {"a NUL character would cut the name",
         "#EXTINF:-1 tvg-country=\"USA\",A" + std::string(1, '\0') + "B\nhttp://a/1\n", {{2, P::nulCharacter}}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        // A good entry after the bad ones shows that the rest of the list is still taken.
        const PlaylistImport result = importPlaylist(
            "#EXTM3U\n" + c.entries + "#EXTINF:-1 tvg-country=\"FRA\",Last\nhttp://last\n");
        EXPECT_FALSE(result.error.has_value()) << "case " << i << ": " << c.what;
        EXPECT_EQ(result.skipped, c.skipped) << "case " << i << ": " << c.what;
        ASSERT_FALSE(result.channels.empty()) << "case " << i << ": " << c.what;
        EXPECT_EQ(result.channels.back().name, u"Last") << "case " << i << ": " << c.what;
        // Only the first of two entries with one address is taken besides the last one.
        const bool firstOfTwoTaken = !c.skipped.empty() && c.skipped[0].otherLine != 0;
        EXPECT_EQ(result.channels.size(), firstOfTwoTaken ? 2u : 1u) << "case " << i << ": " << c.what;
    }
}

// The country of an entry: the first usable code of tvg-country, else the country that ends
// tvg-id, else the fallback; two letters become the catalogue's three.
TEST(M3uImport, CountryComesFromTvgCountryThenTvgIdThenTheFallback)
{
    using P = PlaylistProblem;
    const struct {
        const char* attributes;
        std::u16string fallback;
        std::u16string country;  // empty: the entry is left out for the problem
        PlaylistProblem problem = P::noCountry;
    } cases[] = {
        {"tvg-country=\"GB\"", u"", u"GBR"},
        {"tvg-country=\"us\"", u"", u"USA"},
        {"tvg-country=\"UK\"", u"", u"GBR"},
        {"tvg-country=\"gbr\"", u"", u"GBR"},
        {"tvg-country=\"XYZ\"", u"", u"XYZ"},
        {"tvg-country=\"US;CA\"", u"", u"USA"},
        {"tvg-country=\"US,CA\"", u"", u"USA"},
        {"tvg-country=\"XX;G1; ca \"", u"", u"CAN"},
        {"tvg-country=\"GB\" tvg-id=\"TF1.fr\"", u"DEU", u"GBR"},
        {"tvg-country=\"XX\" tvg-id=\"TF1.fr\"", u"DEU", u"FRA"},
        {"tvg-id=\"BBCOne.uk\"", u"", u"GBR"},
        {"tvg-id=\"CBS.us@HD\"", u"", u"USA"},
        {"tvg-id=\"a.b.DE\"", u"", u"DEU"},
        {"tvg-id=\"Name.usa\"", u"RUS", u"RUS"},
        {"tvg-id=\"Name.xx\"", u"RUS", u"RUS"},
        {"tvg-id=\"Name.uk.hd\"", u"RUS", u"RUS"},
        {"tvg-id=\"Name@HD.uk\"", u"", u"", P::noCountry},
        {"", u"RUS", u"RUS"},
        {"", u"de", u"DEU"},
        {"tvg-country=\"XX\"", u"BLR", u"BLR"},
        {"", u"", u"", P::noCountry},
        {"tvg-country=\"\" tvg-id=\"NoCountry\"", u"", u"", P::noCountry},
        {"", u"D1", u"", P::noCountry},
        {"tvg-country=\"ZZ\"", u"", u"", P::badCountry},
        {"tvg-country=\"GBRX\"", u"", u"", P::badCountry},
        {"tvg-country=\"G1\"", u"", u"", P::badCountry},
        {"tvg-country=\"\xC3\x84\xC3\x96\xC3\x9C\"", u"", u"", P::badCountry},
        {"tvg-country=\";\"", u"", u"", P::badCountry},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.attributes) + " / fallback " + utf8(c.fallback));
        const PlaylistImport result =
            importPlaylist(std::string("#EXTM3U\n#EXTINF:-1 ") + c.attributes + ",A\nhttp://a/1\n", c.fallback);
        ASSERT_FALSE(result.error.has_value());
        if (c.country.empty()) {
            EXPECT_TRUE(result.channels.empty());
            EXPECT_EQ(result.skipped, (std::vector<PlaylistNote>{{2, c.problem}}));
        } else {
            ASSERT_EQ(result.channels.size(), 1u);
            EXPECT_EQ(utf8(result.channels[0].country.view()), utf8(c.country));
        }
    }
}

// A user agent or referrer an entry asks for travels with its address as a header suffix.
TEST(M3uImport, RequestHeadersBecomeASuffixOfTheAddress)
{
    const struct {
        const char* what;
        std::string entries;  // after the header line
        std::vector<std::u16string> addresses;
    } cases[] = {
        {"an option line for the user agent",
         "#EXTINF:-1 tvg-country=\"GBR\",A\n#EXTVLCOPT:http-user-agent=Mozilla/5.0 (X11; Linux)\nhttp://a/1\n",
         {u"http://a/1|User-Agent=Mozilla/5.0 (X11; Linux)"}},
        {"option lines for both, in either order and either spelling of the referrer",
         "#EXTINF:-1 tvg-country=\"GBR\",A\n#EXTVLCOPT:http-referrer=http://r/\n"
         "#EXTVLCOPT:http-user-agent=UA\nhttp://a/1\n"
         "#EXTINF:-1 tvg-country=\"GBR\",B\n#EXTVLCOPT:http-referer=http://r/\nhttp://a/2\n",
         {u"http://a/1|User-Agent=UA&Referer=http://r/", u"http://a/2|Referer=http://r/"}},
        {"attributes of the #EXTINF line",
         "#EXTINF:-1 tvg-country=\"GBR\" user-agent=\"UA 1\" referrer=\"http://r/\",A\nhttp://a/1\n"
         "#EXTINF:-1 tvg-country=\"GBR\" http-user-agent=\"UA 2\" http-referrer=\"http://q/\",B\nhttp://a/2\n",
         {u"http://a/1|User-Agent=UA 1&Referer=http://r/", u"http://a/2|User-Agent=UA 2&Referer=http://q/"}},
        {"an option line wins over the attribute; the other header still comes from its attribute",
         "#EXTINF:-1 tvg-country=\"GBR\" user-agent=\"Attribute\" referrer=\"http://r/\",A\n"
         "#EXTVLCOPT:http-user-agent=Option\nhttp://a/1\n",
         {u"http://a/1|User-Agent=Option&Referer=http://r/"}},
        {"only the suffix's own characters are percent-encoded",
         "#EXTINF:-1 tvg-country=\"GBR\",A\n#EXTVLCOPT:http-user-agent=a%20b&c=d|e +;?\xC3\xA9\n"
         "#EXTVLCOPT:http-referrer=http://r/?x=1&y=2\nhttp://a/1\n",
         {u"http://a/1|User-Agent=a%2520b%26c%3Dd%7Ce +;?\u00E9&Referer=http://r/?x%3D1%26y%3D2"}},
        {"an address with a suffix of its own keeps it",
         "#EXTINF:-1 tvg-country=\"GBR\" user-agent=\"UA\",A\nhttp://a/1|Referer=http://own/\n",
         {u"http://a/1|Referer=http://own/"}},
        {"other options, empty values and options before an entry ask for nothing",
         "#EXTVLCOPT:http-user-agent=Stray\n#EXTINF:-1 tvg-country=\"GBR\" user-agent=\"\",A\n"
         "#EXTVLCOPT:network-caching=1000\n#EXTVLCOPT:http-user-agent=\n#EXTVLCOPT:http-user-agent\nhttp://a/1\n",
         {u"http://a/1"}},
        {"the options of one entry do not pass to the next",
         "#EXTINF:-1 tvg-country=\"GBR\",A\n#EXTVLCOPT:http-user-agent=UA\nhttp://a/1\n"
         "#EXTINF:-1 tvg-country=\"GBR\",B\nhttp://a/2\n",
         {u"http://a/1|User-Agent=UA", u"http://a/2"}},
        {"one stream asked for with and without a user agent is two channels",
         "#EXTINF:-1 tvg-country=\"GBR\",A\nhttp://a/1\n"
         "#EXTINF:-1 tvg-country=\"GBR\" user-agent=\"UA\",B\nhttp://a/1\n",
         {u"http://a/1", u"http://a/1|User-Agent=UA"}},
        {"an address that fits with its suffix",
         "#EXTINF:-1 tvg-country=\"USA\",A\n#EXTVLCOPT:http-user-agent=" + repeat(497, 'u') + "\nhttp://a/1\n",
         {u"http://a/1|User-Agent=" + std::u16string(497, u'u')}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const PlaylistImport result = importPlaylist("#EXTM3U\n" + c.entries);
        ASSERT_FALSE(result.error.has_value());
        EXPECT_TRUE(result.skipped.empty());
        std::vector<std::string> addresses;
        for (const Channel& channel : result.channels) {
            addresses.push_back(utf8(channel.address.view()));
        }
        std::vector<std::string> expected;
        for (const std::u16string& address : c.addresses) {
            expected.push_back(utf8(address));
        }
        EXPECT_EQ(addresses, expected);
    }
}

TEST(M3uImport, RefusesMalformedListsAtTheFaultyLine)
{
    using P = PlaylistProblem;
    const struct {
        const char* what;
        std::string list;
        PlaylistNote error;
    } cases[] = {
        {"empty file", "", {1, P::notExtendedM3u}},
        {"a plain M3U", "http://a/1\n", {1, P::notExtendedM3u}},
        {"the header after other text", "\n\n#EXTINF:-1,A\n#EXTM3U\n", {3, P::notExtendedM3u}},
        {"a UTF-16 file", std::string("\xFF\xFE#\0E\0", 6), {1, P::invalidUtf8}},
        {"Latin-1 text", "#EXTM3U\n#EXTINF:-1 tvg-country=\"DEU\",S\xFC" "d\nhttp://a/1\n", {2, P::invalidUtf8}},
        {"bad bytes in an address", "#EXTM3U\n#EXTINF:-1,A\nhttp://a/\xC0\xAF\n", {3, P::invalidUtf8}},
        {"a quote that never closes", "#EXTM3U\n#EXTINF:-1 group-title=\"News,A\nhttp://a/1\n",
         {2, P::unterminatedQuote}},
        {"words that are not attributes", "#EXTM3U\n#EXTINF:-1 Radio One,A\nhttp://a/1\n",
         {2, P::malformedAttribute}},
        {"an attribute without a name", "#EXTM3U\n#EXTINF:-1 =\"x\",A\nhttp://a/1\n", {2, P::malformedAttribute}},
        {"no comma before the title", "#EXTM3U\n#EXTINF:-1 tvg-country=\"USA\"\nhttp://a/1\n",
         {2, P::noTitleComma}},
        {"an entry followed by the next one", "#EXTM3U\n#EXTINF:-1,A\n#EXTINF:-1,B\nhttp://a/1\n",
         {2, P::entryWithoutAddress}},
        {"an entry at the end of the list", "#EXTM3U\n#EXTINF:-1,A\nhttp://a/1\n\n#EXTINF:-1,B\n\n",
         {5, P::entryWithoutAddress}},
        {"a mark that is neither 0 nor 1", "#EXTM3U\n#EXTINF:-1 telvia-on=\"yes\",A\nhttp://a/1\n",
         {2, P::badOnMark}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        const PlaylistImport result = importPlaylist(c.list, u"USA");
        ASSERT_TRUE(result.error.has_value()) << "case " << i << ": " << c.what;
        EXPECT_EQ(*result.error, c.error) << "case " << i << ": " << c.what;
    }
}

std::string listOf(int entries)
{
    std::string list = "#EXTM3U\n";
    for (int k = 0; k < entries; ++k) {
        list += "#EXTINF:-1,Channel " + std::to_string(k) + "\nhttp://a/" + std::to_string(k) + "\n";
    }
    return list;
}

// A list is read whole, however long; how much of it fits a channel file is for the caller.
TEST(M3uImport, TakesListsLongerThanAChannelFile)
{
    const PlaylistImport result = importPlaylist(listOf(450) + "#EXTINF:-1,Again\nhttp://a/420\n", u"USA");
    EXPECT_FALSE(result.error.has_value());
    ASSERT_EQ(result.channels.size(), 450u);
    EXPECT_EQ(result.channels.back().name, u"Channel 449");
    EXPECT_EQ(result.skipped, (std::vector<PlaylistNote>{{903, PlaylistProblem::duplicateAddress, 843}}));
}

Channel channelOf(std::int32_t on, std::u16string_view country, std::u16string_view name,
                  std::u16string_view address, std::u16string_view note = u"",
                  std::u16string_view homePage = u"")
{
    Channel channel;
    channel.on = on;
    channel.country = country;
    channel.name = name;
    channel.address = address;
    channel.note = note;
    channel.homePage = homePage;
    return channel;
}

TEST(M3uExport, WritesOneEntryPerRecordInTheCommonForm)
{
    const Channel channels[] = {
        channelOf(1, u"GBR", u"BBC News", u"http://a/1"),
        channelOf(0, u"RUS", u"\u041D\u0422\u0412", u"http://a/2", u"News, 24 h", u"http://home"),
    };
    const PlaylistExport result = exportPlaylist(channels);
    EXPECT_TRUE(result.skipped.empty());
    EXPECT_EQ(result.text,
              "#EXTM3U\n"
              "#EXTINF:-1 tvg-country=\"GBR\" telvia-on=\"1\",BBC News\nhttp://a/1\n"
              "#EXTINF:-1 tvg-country=\"RUS\" telvia-on=\"0\" telvia-note=\"News, 24 h\" "
              "telvia-home-page=\"http://home\",\xD0\x9D\xD0\xA2\xD0\x92\nhttp://a/2\n");
}

TEST(M3uExport, WhatIsExportedImportsBackTheSame)
{
    const std::vector<Channel> channels = {
        channelOf(1, u"USA", u"Quotes \"and\" commas, = signs", u"http://a/1?x=1,2"),
        channelOf(0, u"DEU", u"Punktum S\uFFFDdharz", u"demo.wmv", u"a note, with \u00E4", u"http://h/"),
        channelOf(1, u"FRA", u"\U0001F4FA " + std::u16string(256, u'n'), std::u16string(519, u'a'),
                  std::u16string(519, u'o'), std::u16string(259, u'h')),
        channelOf(1, u"BLR", u"#1 is not a comment in a title", u"rtmp://a/2"),
        channelOf(1, u"GBR", u"Headers", u"http://a/3|User-Agent=a%26b%3Dc&Referer=http://r/"),
    };
    const PlaylistExport exported = exportPlaylist(channels);
    ASSERT_TRUE(exported.skipped.empty());
    const PlaylistImport imported = importPlaylist(exported.text);
    EXPECT_FALSE(imported.error.has_value());
    EXPECT_TRUE(imported.skipped.empty());
    EXPECT_EQ(shown(imported.channels), shown(channels));
}

// Export applies the import's own rules: every record it writes reads back unchanged
// (the on mark as 0 or 1), and every record it leaves out is reported with the reason.
TEST(M3uExport, WritesOnlyWhatImportReadsBackUnchanged)
{
    const std::vector<Channel> channels = {
        channelOf(1, u"USA", u"Good", u"http://a/1"),
        channelOf(1, u"USA", u"No address", u""),
        channelOf(1, u"USA", u"Two\nlines", u"http://a/2"),
        channelOf(1, u"USA", u"Note", u"http://a/3", u"say \"hi\""),
        channelOf(1, u"USA", u"Hash", u"#http://a/4"),
        channelOf(1, u"USA", std::u16string(u"Bad ") + char16_t(0xD800), u"http://a/5"),
        channelOf(1, u"", u"No country", u"http://a/6"),
        channelOf(1, u"USA", u"Blank then hash", u" #x"),
        channelOf(1, u"USA", u"Only spaces", u"   "),
        channelOf(1, u"USA", u" Leading blank", u"http://a/7"),
        channelOf(1, u"USA", u"Trailing tab\t", u"http://a/8"),
        channelOf(1, u"USA", u"Address with a blank", u"http://a/9 "),
        channelOf(1, u"us", u"Lower-case country", u"http://a/10"),
        channelOf(1, u"USA", u"   ", u"http://a/11"),
        channelOf(1, u"USA", u"", u"http://a/12"),
        channelOf(1, u"USA", u"Same address", u"http://a/1"),
        channelOf(1, u"U1", u"Taken: the earlier one was left out", u"http://a/13"),
        channelOf(1, u"USA", u"Second with that address", u"http://a/13"),
        channelOf(7, u"GBR", u"Any non-zero mark", u"http://a/14"),
        channelOf(1, u"GBR", u"\u0085Next line and \u2028 separator", u"http://a/15"),
        channelOf(1, u"GB", u"Two-letter country", u"http://a/16"),
        channelOf(1, u"gbr", u"Lower-case three letters", u"http://a/17"),
    };
    const PlaylistExport exported = exportPlaylist(channels);
    using P = PlaylistProblem;
    const std::vector<PlaylistNote> expected = {
        {2, P::emptyAddress},          {3, P::lineBreakInText},       {4, P::quoteInAttribute},
        {5, P::addressStartsWithHash}, {6, P::unpairedSurrogate},     {7, P::noCountry},
        {8, P::addressStartsWithHash}, {9, P::emptyAddress},          {10, P::readsBackChanged},
        {11, P::readsBackChanged},     {12, P::readsBackChanged},     {13, P::badCountry},
        {14, P::noTitle},              {15, P::noTitle},              {16, P::duplicateAddress, 1},
        {17, P::badCountry},           {21, P::badCountry},           {22, P::badCountry}};
    EXPECT_EQ(exported.skipped, expected);

    std::vector<Channel> written;
    for (std::size_t i = 0; i < channels.size(); ++i) {
        const bool skipped = std::any_of(exported.skipped.begin(), exported.skipped.end(),
                                         [&](const PlaylistNote& note) { return note.line == static_cast<int>(i + 1); });
        if (!skipped) {
            written.push_back(channels[i]);
            written.back().on = written.back().on != 0 ? 1 : 0;
        }
    }
    const PlaylistImport imported = importPlaylist(exported.text);
    ASSERT_FALSE(imported.error.has_value()) << describe(imported.error->problem);
    EXPECT_TRUE(imported.skipped.empty());
    EXPECT_EQ(shown(imported.channels), shown(written));
}

TEST(M3uExport, WritesAtMostWhatAChannelFileHolds)
{
    std::vector<Channel> channels;
    for (int k = 0; k < 401; ++k) {
        channels.push_back(channelOf(1, u"USA", u"Channel", u"http://a/" + asciiToUtf16(std::to_string(k))));
    }
    const PlaylistExport exported = exportPlaylist(channels);
    EXPECT_EQ(exported.skipped, (std::vector<PlaylistNote>{{401, PlaylistProblem::tooManyChannels}}));
    const PlaylistImport imported = importPlaylist(exported.text);
    EXPECT_FALSE(imported.error.has_value());
    EXPECT_EQ(imported.channels.size(), 400u);
}

// Real public playlists copied into the test data, and the shipped first-run list.
std::filesystem::path sourceDir() { return std::filesystem::path(TELVIA_SOURCE_DIR); }

std::optional<std::string> readFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// Real lists rarely say a country in tvg-country; most of their entries name it at the end
// of tvg-id, and the fallback covers the entries whose tvg-id is empty.
TEST(M3uImport, RealCountryPlaylists)
{
    const std::filesystem::path folder = sourceDir() / "tests" / "data" / "playlists";
    const struct {
        const char* file;
        std::u16string country;
        std::size_t entries;
        std::size_t withoutCountry;  // tvg-id empty: left out unless there is a fallback
        std::size_t ofTheCountry;    // taken without a fallback, with the list's own country
        std::size_t withHeaders;     // addresses with a user agent or referrer suffix
    } cases[] = {
        {"by.m3u", u"BLR", 15, 0, 15, 0},
        {"ru.m3u", u"RUS", 381, 38, 337, 52},
        {"uk.m3u", u"GBR", 220, 43, 172, 6},
        {"de.m3u", u"DEU", 202, 39, 162, 1},
        {"fr.m3u", u"FRA", 135, 5, 128, 0},
        {"us.m3u", u"USA", 513, 0, 465, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::optional<std::string> list = readFile(folder / c.file);
        ASSERT_TRUE(list.has_value());

        const PlaylistImport own = importPlaylist(*list);
        ASSERT_FALSE(own.error.has_value());
        EXPECT_EQ(own.channels.size(), c.entries - c.withoutCountry);
        EXPECT_EQ(own.skipped.size(), c.withoutCountry);
        for (const PlaylistNote& note : own.skipped) {
            EXPECT_EQ(note.problem, PlaylistProblem::noCountry) << "line " << note.line;
        }
        EXPECT_EQ(static_cast<std::size_t>(std::count_if(own.channels.begin(), own.channels.end(),
                                                         [&](const Channel& channel) { return channel.country == c.country; })),
                  c.ofTheCountry);

        const PlaylistImport withFallback = importPlaylist(*list, c.country);
        ASSERT_FALSE(withFallback.error.has_value());
        EXPECT_TRUE(withFallback.skipped.empty());
        EXPECT_EQ(withFallback.channels.size(), c.entries);
        std::size_t ofTheCountry = 0;
        std::size_t withHeaders = 0;
        for (const Channel& channel : withFallback.channels) {
            ofTheCountry += channel.country == c.country ? 1 : 0;
            withHeaders += channel.address.view().find(u'|') != std::u16string_view::npos ? 1 : 0;
            EXPECT_TRUE(isCountryCode(channel.country.view())) << utf8(channel.country.view());
            EXPECT_EQ(channel.on, 1);
        }
        EXPECT_EQ(ofTheCountry, c.ofTheCountry + c.withoutCountry);
        EXPECT_EQ(withHeaders, c.withHeaders);
    }

    // An entry of uk.m3u that asks for a user agent both ways, as attribute and option line.
    const PlaylistImport uk = importPlaylist(readFile(folder / "uk.m3u").value_or(""));
    const auto bbc = std::find_if(uk.channels.begin(), uk.channels.end(),
                                  [](const Channel& channel) { return channel.name == u"BBC World News (480p)"; });
    ASSERT_NE(bbc, uk.channels.end());
    EXPECT_EQ(utf8(bbc->address.view()),
              "http://ott-cdn.ucom.am/s24/index.m3u8|User-Agent=Mozilla/5.0 (iPhone; CPU iPhone OS 12_2 like Mac "
              "OS X) AppleWebKit/605.1.15 (KHTML, like Gecko) Mobile/15E148");
    EXPECT_EQ(bbc->country, u"GBR");
}

TEST(M3uImport, TheShippedFirstRunList)
{
    const std::optional<std::string> list = readFile(sourceDir() / "data" / "channels_init.m3u");
    ASSERT_TRUE(list.has_value());
    const PlaylistImport result = importPlaylist(*list);
    ASSERT_FALSE(result.error.has_value()) << describe(result.error->problem) << " at line " << result.error->line;
    EXPECT_TRUE(result.skipped.empty());

    std::map<std::u16string, int> perCountry;
    std::map<std::u16string, int> names;
    for (const Channel& channel : result.channels) {
        ++perCountry[std::u16string(channel.country.view())];
        EXPECT_EQ(++names[std::u16string(channel.name.view())], 1) << "a name repeats: " << utf8(channel.name.view());
    }
    for (const std::u16string_view country : {u"RUS", u"BLR", u"GBR", u"USA", u"DEU", u"FRA"}) {
        EXPECT_GE(perCountry[std::u16string(country)], 6) << utf8(country);
        EXPECT_LE(perCountry[std::u16string(country)], 10) << utf8(country);
    }
    EXPECT_EQ(perCountry.size(), 6u);
    // The offline channel plays the demo video from the working folder.
    ASSERT_FALSE(result.channels.empty());
    EXPECT_EQ(result.channels.front().address, u"demo.wmv");
    EXPECT_EQ(result.channels.front().country, u"USA");
}

}  // namespace
}  // namespace telvia

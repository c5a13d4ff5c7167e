#include <optional>
#include <string>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "playback/stream/address/address_resolution.h"
#include "playback/stream/hls/hls_playlist.h"

namespace telvia::stream {
namespace {

TEST(AddressResolution, ResolvesLikeABrowser)
{
    const std::string base = "http://cdn.example/live/chan/index.m3u8?token=abc";
    const struct {
        const char* reference;
        const char* expected;
    } cases[] = {
        {"seg1.ts", "http://cdn.example/live/chan/seg1.ts"},
        {"hd/seg1.ts", "http://cdn.example/live/chan/hd/seg1.ts"},
        {"../other/seg1.ts", "http://cdn.example/live/other/seg1.ts"},
        {"../../../../up.ts", "http://cdn.example/up.ts"},
        {"./a/./b/../c.ts", "http://cdn.example/live/chan/a/c.ts"},
        {"/root/seg1.ts", "http://cdn.example/root/seg1.ts"},
        {"seg1.ts?token=xyz", "http://cdn.example/live/chan/seg1.ts?token=xyz"},
        {"?token=new", "http://cdn.example/live/chan/index.m3u8?token=new"},
        {"", "http://cdn.example/live/chan/index.m3u8?token=abc"},
        {"seg1.ts#frag", "http://cdn.example/live/chan/seg1.ts"},
        {"//other.example/x/seg.ts", "http://other.example/x/seg.ts"},
        {"https://abs.example/a/../seg.ts", "https://abs.example/seg.ts"},
        {"seg:1.ts", "seg:1.ts"},  // a scheme "seg", as a browser reads it
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reference);
        EXPECT_EQ(resolveAddress(base, c.reference).value_or("<none>"), c.expected);
    }
    EXPECT_EQ(resolveAddress("http://host", "a.ts").value_or("<none>"), "http://host/a.ts");
    EXPECT_FALSE(resolveAddress("index.m3u8", "a.ts").has_value());
}

const std::string playlistAddress = "https://media.example/live/720p/index.m3u8";

HlsMediaPlaylist media(const std::string& text)
{
    const HlsParseResult result = parseHlsPlaylist(text, playlistAddress);
    if (const auto* error = std::get_if<HlsParseError>(&result)) {
        ADD_FAILURE() << "error " << describe(error->error) << " at line " << error->line;
        return {};
    }
    const auto* playlist = std::get_if<HlsMediaPlaylist>(&result);
    if (playlist == nullptr) {
        ADD_FAILURE() << "not a media playlist";
        return {};
    }
    return *playlist;
}

TEST(HlsPlaylist, ReadsAMasterPlaylist)
{
    const std::string text =
        "\xEF\xBB\xBF#EXTM3U\r\n"
        "#EXT-X-VERSION:3\r\n"
        "#EXT-X-STREAM-INF:BANDWIDTH=2149280,CODECS=\"avc1.64001f,mp4a.40.2\",RESOLUTION=1280x720\r\n"
        "720p/index.m3u8\r\n"
        "\r\n"
        "#EXT-X-STREAM-INF:PROGRAM-ID=1, BANDWIDTH=246440,RESOLUTION=320x184\r\n"
        "/low/index.m3u8?session=1\r\n"
        "#EXT-X-STREAM-INF:BANDWIDTH=64000.6,CODECS=\"mp4a.40.5\"\r\n"
        "https://audio.example/a.m3u8\r\n";
    const HlsParseResult result = parseHlsPlaylist(text, "https://media.example/live/master.m3u8?t=1");
    const auto* master = std::get_if<HlsMasterPlaylist>(&result);
    ASSERT_NE(master, nullptr);
    ASSERT_EQ(master->variants.size(), 3u);
    const HlsVariant& first = master->variants[0];
    EXPECT_EQ(first.address, "https://media.example/live/720p/index.m3u8");
    EXPECT_EQ(first.bandwidth, 2149280u);
    EXPECT_EQ(first.width, 1280u);
    EXPECT_EQ(first.height, 720u);
    EXPECT_EQ(first.codecs, "avc1.64001f,mp4a.40.2");
    EXPECT_EQ(master->variants[1].address, "https://media.example/low/index.m3u8?session=1");
    EXPECT_EQ(master->variants[1].height, 184u);
    EXPECT_EQ(master->variants[2].address, "https://audio.example/a.m3u8");
    EXPECT_EQ(master->variants[2].width, 0u);
    EXPECT_EQ(master->variants[2].bandwidth, 64000u) << "a fraction some packagers write is left out";
}

TEST(HlsPlaylist, ReadsAudioRenditionsAndTheGroupEachVariantPlaysWith)
{
    const std::string text =
        "#EXTM3U\n"
        "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"aac\",NAME=\"English\",LANGUAGE=\"en\",DEFAULT=YES,AUTOSELECT=YES,"
        "URI=\"audio/en.m3u8\"\n"
        "#EXT-X-MEDIA:TYPE=SUBTITLES,GROUP-ID=\"subs\",NAME=\"English\",URI=\"subs/en.m3u8\"\n"
        "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"aac\",NAME=\"Deutsch, Stereo\",DEFAULT=NO,URI=\"/de.m3u8\"\n"
        "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"main\",NAME=\"Main\",AUTOSELECT=YES\n"
        "#EXT-X-STREAM-INF:BANDWIDTH=2000000,AUDIO=\"aac\",SUBTITLES=\"subs\"\n"
        "video/720.m3u8\n"
        "#EXT-X-STREAM-INF:BANDWIDTH=800000\n"
        "video/360.m3u8\n";
    const HlsParseResult result = parseHlsPlaylist(text, "https://media.example/live/master.m3u8");
    const auto* master = std::get_if<HlsMasterPlaylist>(&result);
    ASSERT_NE(master, nullptr);
    ASSERT_EQ(master->audio.size(), 3u);
    const HlsAudioRendition& english = master->audio[0];
    EXPECT_EQ(english.groupId, "aac");
    EXPECT_EQ(english.name, "English");
    EXPECT_EQ(english.language, "en");
    EXPECT_TRUE(english.isDefault);
    EXPECT_TRUE(english.autoselect);
    EXPECT_EQ(english.address, "https://media.example/live/audio/en.m3u8");
    EXPECT_EQ(master->audio[1].name, "Deutsch, Stereo");
    EXPECT_FALSE(master->audio[1].isDefault);
    EXPECT_FALSE(master->audio[1].autoselect);
    EXPECT_EQ(master->audio[1].address, "https://media.example/de.m3u8");
    EXPECT_EQ(master->audio[2].address, "");
    EXPECT_TRUE(master->audio[2].autoselect);
    ASSERT_EQ(master->variants.size(), 2u);
    EXPECT_EQ(master->variants[0].audioGroup, "aac");
    EXPECT_EQ(master->variants[1].audioGroup, "");
}

TEST(HlsPlaylist, ReadsALiveMediaPlaylist)
{
    const HlsMediaPlaylist playlist = media(
        "#EXTM3U\n"
        "#EXT-X-TARGETDURATION:6\n"
        "#EXT-X-MEDIA-SEQUENCE:2680\n"
        "#EXT-X-PROGRAM-DATE-TIME:2024-01-01T00:00:00Z\n"
        "#EXTINF:5.990,\n"
        "seg2680.ts\n"
        "#EXTINF:6.006, a title, with commas\n"
        "seg2681.ts?x=1\n"
        "#EXT-X-DISCONTINUITY\n"
        "#EXTINF:4,\n"
        "/ad/seg1.ts\n");
    EXPECT_EQ(playlist.targetDurationMs, 6000);
    EXPECT_EQ(playlist.mediaSequence, 2680u);
    EXPECT_FALSE(playlist.endList);
    ASSERT_EQ(playlist.segments.size(), 3u);
    EXPECT_EQ(playlist.segments[0].address, "https://media.example/live/720p/seg2680.ts");
    EXPECT_EQ(playlist.segments[0].durationMs, 5990);
    EXPECT_EQ(playlist.segments[0].sequence, 2680u);
    EXPECT_FALSE(playlist.segments[0].discontinuity);
    EXPECT_EQ(playlist.segments[1].address, "https://media.example/live/720p/seg2681.ts?x=1");
    EXPECT_EQ(playlist.segments[1].durationMs, 6006);
    EXPECT_EQ(playlist.segments[2].address, "https://media.example/ad/seg1.ts");
    EXPECT_EQ(playlist.segments[2].sequence, 2682u);
    EXPECT_TRUE(playlist.segments[2].discontinuity);
    EXPECT_FALSE(playlist.segments[2].key.has_value());
}

TEST(HlsPlaylist, ReadsEndListAndFillsAMissingTargetDuration)
{
    const HlsMediaPlaylist playlist = media("#EXTM3U\n#EXTINF:9.5,\na.ts\n#EXTINF:10.2,\nb.ts\n#EXT-X-ENDLIST\n");
    EXPECT_TRUE(playlist.endList);
    EXPECT_EQ(playlist.mediaSequence, 0u);
    EXPECT_EQ(playlist.targetDurationMs, 11000);
    EXPECT_EQ(playlist.segments.size(), 2u);
    // A live playlist that lists nothing yet is still a media playlist.
    EXPECT_TRUE(media("#EXTM3U\n#EXT-X-TARGETDURATION:4\n").segments.empty());
    // A gap is listed, and marked so that it is not asked for.
    const HlsMediaPlaylist withGap = media("#EXTM3U\n#EXTINF:4,\na.ts\n#EXT-X-GAP\n#EXTINF:4,\nb.ts\n#EXTINF:4,\nc.ts\n");
    ASSERT_EQ(withGap.segments.size(), 3u);
    EXPECT_EQ((std::vector<bool>{withGap.segments[0].gap, withGap.segments[1].gap, withGap.segments[2].gap}),
              (std::vector<bool>{false, true, false}));
    // A duration whose address is yet to be written ends a playlist caught while its
    // server wrote it: the segments before it are read.
    const HlsMediaPlaylist unfinished = media("#EXTM3U\n#EXTINF:4,\na.ts\n#EXTINF:4,\nb.ts\n#EXTINF:4,\n");
    EXPECT_EQ(unfinished.segments.size(), 2u);
    EXPECT_FALSE(unfinished.endList);
    // A VOD playlist is finished without its end mark; an event playlist grows.
    EXPECT_TRUE(media("#EXTM3U\n#EXT-X-PLAYLIST-TYPE:VOD\n#EXTINF:4,\na.ts\n").endList);
    EXPECT_FALSE(media("#EXTM3U\n#EXT-X-PLAYLIST-TYPE:EVENT\n#EXTINF:4,\na.ts\n").endList);
}

TEST(HlsPlaylist, GivesEachSegmentItsKeyAndIv)
{
    const HlsMediaPlaylist playlist = media(
        "#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXT-X-MEDIA-SEQUENCE:7794\n"
        "#EXTINF:10,\nclear.ts\n"
        "#EXT-X-KEY:METHOD=AES-128,URI=\"https://keys.example/k?id=1\"\n"
        "#EXTINF:10,\nimplicit-iv-1.ts\n"
        "#EXTINF:10,\nimplicit-iv-2.ts\n"
        "#EXT-X-KEY:METHOD=AES-128,URI=\"key2.bin\",IV=0x000102030405060708090A0B0C0D0E0F\n"
        "#EXTINF:10,\nexplicit-iv.ts\n"
        "#EXT-X-KEY:METHOD=NONE\n"
        "#EXTINF:10,\nclear-again.ts\n"
        // Fewer digits are a smaller number: leading zeros left out.
        "#EXT-X-KEY:METHOD=AES-128,URI=\"key3.bin\",IV=0x1566B\n"
        "#EXTINF:.360,\nshort-iv.ts\n");
    ASSERT_EQ(playlist.segments.size(), 6u);
    EXPECT_FALSE(playlist.segments[0].key.has_value());
    ASSERT_TRUE(playlist.segments[1].key.has_value());
    EXPECT_EQ(*playlist.segments[1].key->address, "https://keys.example/k?id=1");
    // Without IV, the IV is the segment's sequence number, big-endian in 16 bytes.
    const std::array<std::uint8_t, 16> iv7795 = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x1E, 0x73};
    const std::array<std::uint8_t, 16> iv7796 = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x1E, 0x74};
    EXPECT_EQ(playlist.segments[1].key->iv, iv7795);
    EXPECT_EQ(playlist.segments[2].key->iv, iv7796);
    // One copy of the address for every segment under the tag, however long it is.
    EXPECT_EQ(playlist.segments[1].key->address, playlist.segments[2].key->address);
    ASSERT_TRUE(playlist.segments[3].key.has_value());
    EXPECT_EQ(*playlist.segments[3].key->address, "https://media.example/live/720p/key2.bin");
    const std::array<std::uint8_t, 16> given = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    EXPECT_EQ(playlist.segments[3].key->iv, given);
    EXPECT_FALSE(playlist.segments[4].key.has_value());
    ASSERT_TRUE(playlist.segments[5].key.has_value());
    const std::array<std::uint8_t, 16> shortIv = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01, 0x56, 0x6B};
    EXPECT_EQ(playlist.segments[5].key->iv, shortIv);
    EXPECT_EQ(playlist.segments[5].durationMs, 360);
}

TEST(HlsPlaylist, SubstitutesVariablesDefinedImportedOrTakenFromTheQuery)
{
    const HlsParseResult masterResult = parseHlsPlaylist(
        "#EXTM3U\n#EXT-X-DEFINE:NAME=\"host\",VALUE=\"https://cdn.example\"\n"
        "#EXT-X-DEFINE:NAME=\"codec\",VALUE=\"avc1.4d401f\"\n"
        "#EXT-X-STREAM-INF:BANDWIDTH=1000,CODECS=\"{$codec},mp4a.40.2\"\n{$host}/v/index.m3u8\n",
        playlistAddress);
    const auto* master = std::get_if<HlsMasterPlaylist>(&masterResult);
    ASSERT_NE(master, nullptr);
    ASSERT_EQ(master->variants.size(), 1u);
    EXPECT_EQ(master->variants[0].address, "https://cdn.example/v/index.m3u8");
    EXPECT_EQ(master->variants[0].codecs, "avc1.4d401f,mp4a.40.2");

    const HlsParseResult mediaResult = parseHlsPlaylist(
        "#EXTM3U\n#EXT-X-TARGETDURATION:4\n#EXT-X-DEFINE:IMPORT=\"host\"\n#EXT-X-DEFINE:QUERYPARAM=\"token\"\n"
        "#EXT-X-KEY:METHOD=AES-128,URI=\"{$host}/key?t={$token}\",IV=0x{$token}\n"
        "#EXTINF:4,\n{$host}/s1.ts?t={$token}\n",
        "https://cdn.example/v/index.m3u8?token=00ff&x=1", &master->variables);
    const auto* media = std::get_if<HlsMediaPlaylist>(&mediaResult);
    ASSERT_NE(media, nullptr);
    ASSERT_EQ(media->segments.size(), 1u);
    EXPECT_EQ(media->segments[0].address, "https://cdn.example/s1.ts?t=00ff");
    ASSERT_TRUE(media->segments[0].key.has_value());
    EXPECT_EQ(*media->segments[0].key->address, "https://cdn.example/key?t=00ff");
    EXPECT_EQ(media->segments[0].key->iv[15], 0xFF);

    const std::vector<HlsVariable> imports = {{"a", "1"}};
    const struct {
        const char* why;
        std::string text;
        const std::vector<HlsVariable>* imports;
        std::size_t line;
    } refused[] = {
        {"used before it is defined", "#EXTM3U\n#EXTINF:1,\n{$a}.ts\n#EXT-X-DEFINE:NAME=\"a\",VALUE=\"1\"\n", nullptr, 3},
        {"never defined", "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1,CODECS=\"{$c}\"\nv.m3u8\n", nullptr, 2},
        {"defined twice", "#EXTM3U\n#EXT-X-DEFINE:NAME=\"a\",VALUE=\"1\"\n#EXT-X-DEFINE:NAME=\"a\",VALUE=\"2\"\n", nullptr, 3},
        {"a name and a query parameter of the same name",
         "#EXTM3U\n#EXT-X-DEFINE:NAME=\"t\",VALUE=\"1\"\n#EXT-X-DEFINE:QUERYPARAM=\"t\"\n", nullptr, 3},
        {"a query parameter the address lacks (names are case-sensitive)",
         "#EXTM3U\n#EXT-X-DEFINE:QUERYPARAM=\"Token\"\n", nullptr, 2},
        {"an import outside a media playlist of a multivariant one", "#EXTM3U\n#EXT-X-DEFINE:IMPORT=\"a\"\n", nullptr, 2},
        {"an import the multivariant playlist does not define", "#EXTM3U\n#EXT-X-DEFINE:IMPORT=\"b\"\n", &imports, 2},
        {"a name with a character names do not have", "#EXTM3U\n#EXT-X-DEFINE:NAME=\"a b\",VALUE=\"1\"\n", nullptr, 2},
        {"a query value that would end the quoted string it goes into",
         "#EXTM3U\n#EXT-X-DEFINE:QUERYPARAM=\"q\"\n#EXT-X-STREAM-INF:BANDWIDTH=1,CODECS=\"{$q}\"\nv.m3u8\n", nullptr, 3},
        {"a value that makes the line too long",
         "#EXTM3U\n#EXT-X-DEFINE:NAME=\"big\",VALUE=\"" + std::string(9000, 'b') + "\"\n#EXTINF:1,\n{$big}{$big}.ts\n",
         nullptr, 4},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.why);
        const HlsParseResult result =
            parseHlsPlaylist(c.text, "https://cdn.example/v/index.m3u8?token=1&q=a%22,CODECS=%22x", c.imports);
        const auto* error = std::get_if<HlsParseError>(&result);
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(*error, (HlsParseError{HlsError::badVariable, c.line}));
    }
}

TEST(HlsPlaylist, ReadsByteRanges)
{
    const HlsMediaPlaylist playlist = media(
        "#EXTM3U\n#EXT-X-TARGETDURATION:4\n"
        "#EXTINF:4,\n#EXT-X-BYTERANGE:1000@500\nall.ts\n"
        "#EXTINF:4,\n#EXT-X-BYTERANGE:2000\nall.ts\n");
    ASSERT_EQ(playlist.segments.size(), 2u);
    ASSERT_TRUE(playlist.segments[0].range && playlist.segments[1].range);
    EXPECT_EQ(playlist.segments[0].range->offset, 500u);
    EXPECT_EQ(playlist.segments[1].range->offset, 1500u);
    EXPECT_EQ(playlist.segments[1].range->length, 2000u);
}

// A section applies to the segments after it until the next one, across discontinuities;
// its key is the one in force at its tag.
TEST(HlsPlaylist, GivesEachSegmentTheInitialisationSectionInForce)
{
    const HlsMediaPlaylist playlist = media(
        "#EXTM3U\n#EXT-X-TARGETDURATION:4\n"
        "#EXTINF:4,\nbefore.ts\n"
        "#EXT-X-MAP:URI=\"init.mp4\",BYTERANGE=\"720@0\"\n"
        "#EXTINF:4,\n#EXT-X-BYTERANGE:1000@720\nall.mp4\n"
        "#EXTINF:4,\n#EXT-X-BYTERANGE:2000\nall.mp4\n"
        "#EXT-X-DISCONTINUITY\n#EXTINF:4,\nafter.m4s\n"
        "#EXT-X-KEY:METHOD=AES-128,URI=\"k\",IV=0x01\n"
        "#EXT-X-MAP:URI=\"/other/init.mp4\",BYTERANGE=\"500\"\n"
        "#EXT-X-DISCONTINUITY\n#EXTINF:4,\nlast.m4s\n");
    ASSERT_EQ(playlist.segments.size(), 5u);
    EXPECT_EQ(playlist.segments[0].map, nullptr);
    const auto& first = playlist.segments[1].map;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->address, "https://media.example/live/720p/init.mp4");
    ASSERT_TRUE(first->range);
    EXPECT_EQ(first->range->offset, 0u);
    EXPECT_EQ(first->range->length, 720u);
    EXPECT_FALSE(first->key);
    EXPECT_EQ(playlist.segments[2].map, first);
    EXPECT_EQ(playlist.segments[3].map, first) << "a discontinuity alone keeps the section";
    EXPECT_EQ(playlist.segments[2].range->offset, 1720u) << "the section's range is not the segments'";

    const auto& second = playlist.segments[4].map;
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(second->sameAs(*first));
    EXPECT_EQ(second->address, "https://media.example/other/init.mp4");
    EXPECT_EQ(second->range->offset, 0u) << "without an offset the section starts the resource";
    ASSERT_TRUE(second->key);
    EXPECT_EQ(second->key->iv[15], 1);
}

// A playlist from an untrusted server is refused past what any stream needs, before it
// costs more memory than its own text.
TEST(HlsPlaylist, RefusesPlaylistsLongerThanAnyStreamNeeds)
{
    const auto repeat = [](const std::string& entry, std::size_t count) {
        std::string text;
        for (std::size_t i = 0; i < count; ++i) text += entry;
        return text;
    };
    const std::string segment = "#EXTINF:1,\ns.ts\n";
    const std::string variant = "#EXT-X-STREAM-INF:BANDWIDTH=1\nv.m3u8\n";
    const std::string audio = "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"a\",NAME=\"x\",URI=\"a.m3u8\"\n";
    const std::string longName(hlsLineLimit - 3, 'x');  // the line with ".ts" is at the limit
    const struct {
        const char* name;
        std::string text;
        std::optional<HlsParseError> expected;  // none: read
    } cases[] = {
        {"segments at the limit", "#EXTM3U\n" + repeat(segment, hlsSegmentLimit), std::nullopt},
        {"one segment more", "#EXTM3U\n" + repeat(segment, hlsSegmentLimit + 1),
         HlsParseError{HlsError::tooLong, 2 * hlsSegmentLimit + 3}},
        {"variants at the limit", "#EXTM3U\n" + repeat(variant, hlsVariantLimit), std::nullopt},
        {"one variant more", "#EXTM3U\n" + repeat(variant, hlsVariantLimit + 1),
         HlsParseError{HlsError::tooLong, 2 * hlsVariantLimit + 3}},
        {"one audio rendition more", "#EXTM3U\n" + repeat(audio, hlsVariantLimit + 1) + variant,
         HlsParseError{HlsError::tooLong, hlsVariantLimit + 2}},
        {"a line at the limit", "#EXTM3U\n#EXTINF:1,\n" + longName + ".ts\n", std::nullopt},
        {"a line one longer", "#EXTM3U\n#EXTINF:1,\n" + longName + "x.ts\n", HlsParseError{HlsError::tooLong, 3}},
        {"a last line one longer, without its end", "#EXTM3U\n#EXTINF:1,\n" + longName + "x.ts",
         HlsParseError{HlsError::tooLong, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const HlsParseResult result = parseHlsPlaylist(c.text, playlistAddress);
        const auto* error = std::get_if<HlsParseError>(&result);
        if (c.expected) {
            ASSERT_NE(error, nullptr);
            EXPECT_EQ(*error, *c.expected) << describe(error->error) << " at line " << error->line;
        } else {
            EXPECT_EQ(error, nullptr) << describe(error->error) << " at line " << error->line;
        }
    }
}

TEST(HlsPlaylist, RefusesBadInputWithAReasonAndALine)
{
    const struct {
        const char* text;
        HlsParseError expected;
    } cases[] = {
        {"", {HlsError::notAPlaylist, 0}},
        {"<html>", {HlsError::notAPlaylist, 1}},
        {"\n\n#EXTINF:1,\na.ts", {HlsError::notAPlaylist, 3}},
        {"#EXTM3U\n", {HlsError::emptyPlaylist, 0}},
        {"#EXTM3U\nhttp://a/b.ts\n", {HlsError::emptyPlaylist, 0}},
        {"#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\nv.m3u8\n#EXTINF:1,\ns.ts\n", {HlsError::mixedPlaylist, 0}},
        {"#EXTM3U\n#EXTINF:abc,\ns.ts\n", {HlsError::badTagValue, 2}},
        {"#EXTM3U\n#EXTINF:-1,\ns.ts\n", {HlsError::badTagValue, 2}},
        {"#EXTM3U\n#EXT-X-TARGETDURATION:1e3\n", {HlsError::badTagValue, 2}},
        {"#EXTM3U\n#EXT-X-MEDIA-SEQUENCE:99999999999999999999\n", {HlsError::badTagValue, 2}},
        {"#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=x\nv.m3u8\n", {HlsError::badTagValue, 2}},
        {"#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1.\nv.m3u8\n", {HlsError::badTagValue, 2}},
        {"#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=.5\nv.m3u8\n", {HlsError::badTagValue, 2}},
        {"#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1,RESOLUTION=1280\nv.m3u8\n", {HlsError::badTagValue, 2}},
        {"#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1,CODECS=\"avc1\nv.m3u8\n", {HlsError::badAttributeList, 2}},
        {"#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH\nv.m3u8\n", {HlsError::badAttributeList, 2}},
        {"#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\n", {HlsError::missingAddress, 2}},
        {"#EXTM3U\n#EXT-X-KEY:METHOD=SAMPLE-AES,URI=\"k\"\n#EXTINF:1,\ns.ts\n", {HlsError::unsupportedEncryption, 2}},
        {"#EXTM3U\n#EXT-X-KEY:METHOD=AES-128,URI=\"k\",KEYFORMAT=\"com.vendor.drm\"\n", {HlsError::unsupportedEncryption, 2}},
        {"#EXTM3U\n#EXT-X-KEY:METHOD=AES-128\n", {HlsError::keyWithoutAddress, 2}},
        {"#EXTM3U\n#EXT-X-KEY:URI=\"k\"\n", {HlsError::badAttributeList, 2}},
        {"#EXTM3U\n#EXT-X-KEY:METHOD=AES-128,URI=\"k\",IV=0x\n", {HlsError::badKeyIv, 2}},
        {"#EXTM3U\n#EXT-X-KEY:METHOD=AES-128,URI=\"k\",IV=0x000102030405060708090A0B0C0D0E0F00\n", {HlsError::badKeyIv, 2}},
        {"#EXTM3U\n#EXTINF:.,\ns.ts\n", {HlsError::badTagValue, 2}},
        {"#EXTM3U\n#EXT-X-KEY:METHOD=AES-128,URI=\"k\",IV=0x000102030405060708090A0B0C0D0EZZ\n", {HlsError::badKeyIv, 2}},
        {"#EXTM3U\n#EXT-X-MAP:BYTERANGE=\"10@0\"\n#EXTINF:1,\ns.m4s\n", {HlsError::badAttributeList, 2}},
        {"#EXTM3U\n#EXT-X-MAP:URI=\"i.mp4\",BYTERANGE=\"x\"\n#EXTINF:1,\ns.m4s\n", {HlsError::badTagValue, 2}},
        {"#EXTM3U\n#EXT-X-MAP:URI=\"i.mp4\",BYTERANGE=\"0@4\"\n#EXTINF:1,\ns.m4s\n", {HlsError::badTagValue, 2}},
        {"#EXTM3U\n#EXT-X-KEY:METHOD=AES-128,URI=\"k\"\n#EXT-X-MAP:URI=\"i.mp4\"\n", {HlsError::initSectionWithoutIv, 3}},
        {"#EXTM3U\n#EXT-X-BYTERANGE:10@18446744073709551615\n", {HlsError::badTagValue, 2}},
        {"#EXTM3U\n#EXT-X-MEDIA-SEQUENCE:18446744073709551615\n#EXTINF:1,\na.ts\n#EXTINF:1,\nb.ts\n",
         {HlsError::sequenceOverflow, 0}},
        // The number after the last segment, where a reload goes on, must exist as well.
        {"#EXTM3U\n#EXT-X-MEDIA-SEQUENCE:18446744073709551615\n#EXTINF:1,\na.ts\n", {HlsError::sequenceOverflow, 0}},
        {"#EXTM3U\n#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"a\",NAME=\"x\n", {HlsError::badAttributeList, 2}},
        {"#EXTM3U\n#EXT-X-MEDIA:TYPE=AUDIO,NAME=\"x\",URI=\"a.m3u8\"\n", {HlsError::badAttributeList, 2}},
        {"#EXTM3U\n#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"\",URI=\"a.m3u8\"\n", {HlsError::badAttributeList, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const HlsParseResult result = parseHlsPlaylist(c.text, playlistAddress);
        const auto* error = std::get_if<HlsParseError>(&result);
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(*error, c.expected) << describe(error->error) << " at line " << error->line;
    }
    const HlsParseResult relativeBase = parseHlsPlaylist("#EXTM3U\n#EXTINF:1,\na.ts\n", "index.m3u8");
    ASSERT_TRUE(std::holds_alternative<HlsParseError>(relativeBase));
    EXPECT_EQ(std::get<HlsParseError>(relativeBase).error, HlsError::notAbsoluteBase);
}

}  // namespace
}  // namespace telvia::stream

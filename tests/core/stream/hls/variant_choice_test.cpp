#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "playback/stream/hls/variant_choice.h"

namespace telvia::stream {
namespace {

TEST(VariantChoice, KnowsWhichCodecsTheSystemDecodes)
{
    const struct {
        const char* codecs;
        bool decodable;
    } cases[] = {
        {"", true},
        {"avc1.64001f,mp4a.40.2", true},
        {"avc1.42E01E, mp4a.40.5", true},
        {"avc1.4d401f", true},
        {"avc1.640033", true},   // High at level 5.1
        {"avc1.640034", false},  // level 5.2
        {"avc1.6e0028", false},  // High 10
        {"avc1.7a0028", false},  // High 4:2:2
        {"avc1.66.30", true},    // the older decimal form
        {"avc1.xyz", false},
        {"avc1", true},
        {"avc3.64001f", true},
        {"hvc1.1.6.L93.B0", false},
        {"avc1.64001f,hev1.1.6.L93.B0", false},
        {"mp4a.40.2", true},
        {"mp4a.40.34", true},   // MPEG audio layer 3
        {"mp4a.6B", true},
        {"mp4a.69", true},
        {"ac-3", false},
        {"ec-3,avc1.64001f", false},
        {"vp09.00.10.08", false},
        // Subtitles, captions and metadata are listed too, and take nothing away.
        {"avc1.64001f,mp4a.40.2,stpp.ttml.im1t", true},
        {"wvtt,mp4a.40.2", true},
        {"avc1.4d401f,c608,tx3g", true},
        {"stpp.ttml.im1t,hvc1.1.6.L93.B0", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.codecs);
        EXPECT_EQ(codecsAreDecodable(c.codecs), c.decodable);
    }
}

HlsVariant variant(std::uint64_t bandwidth, std::uint32_t width, std::uint32_t height, std::string codecs = {})
{
    HlsVariant v;
    v.address = "http://h/" + std::to_string(bandwidth) + ".m3u8";
    v.bandwidth = bandwidth;
    v.width = width;
    v.height = height;
    v.codecs = std::move(codecs);
    return v;
}

TEST(VariantChoice, OrdersPlayableVariantsBestFirst)
{
    const struct {
        const char* name;
        std::vector<HlsVariant> variants;
        std::vector<std::size_t> order;
    } cases[] = {
        {"highest bandwidth first, ties in playlist order",
         {variant(800'000, 640, 360), variant(2'500'000, 1280, 720), variant(800'000, 640, 360),
          variant(5'000'000, 1920, 1080)},
         {3, 1, 0, 2}},
        {"over 1920x1088 is skipped, 1920x1088 is not",
         {variant(16'000'000, 3840, 2160), variant(9'000'000, 1920, 1088), variant(9'500'000, 1920, 1200),
          variant(7'000'000, 2048, 1080)},
         {1}},
        {"codecs the system lacks are skipped",
         {variant(6'000'000, 1920, 1080, "hvc1.2.4.L123.B0,mp4a.40.2"), variant(4'000'000, 1280, 720, "avc1.64001f,ac-3"),
          variant(3'000'000, 1280, 720, "avc1.64001f,mp4a.40.2")},
         {2}},
        {"audio-only variants come last whatever their bandwidth",
         {variant(64'000, 0, 0, "mp4a.40.2"), variant(300'000, 0, 0), variant(900'000, 0, 0, "mp4a.40.2")},
         {1, 2, 0}},
        {"nothing playable", {variant(1, 3840, 2160), variant(2, 0, 0, "hvc1")}, {}},
        {"no variants", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(variantOrder(c.variants), c.order);
    }
}

TEST(VariantChoice, PicksTheAudioRenditionOfTheVariantsGroup)
{
    const auto rendition = [](const char* group, const char* name, bool isDefault, bool autoselect,
                              const char* address) {
        return HlsAudioRendition{group, name, "", isDefault, autoselect, address};
    };
    const struct {
        const char* name;
        std::vector<HlsAudioRendition> audio;
        const char* group;
        const char* expected;  // the chosen rendition's name; empty: none
    } cases[] = {
        {"default wins over earlier ones",
         {rendition("aac", "first", false, true, "http://a/1"), rendition("aac", "main", true, true, "http://a/2")},
         "aac", "main"},
        {"autoselect wins when nothing is default",
         {rendition("aac", "first", false, false, "http://a/1"), rendition("aac", "auto", false, true, "http://a/2")},
         "aac", "auto"},
        {"else the first of the group",
         {rendition("other", "x", true, true, "http://a/0"), rendition("aac", "first", false, false, "http://a/1"),
          rendition("aac", "second", false, false, "http://a/2")},
         "aac", "first"},
        {"the default's audio is in the variant",
         {rendition("aac", "inside", true, true, ""), rendition("aac", "outside", false, true, "http://a/1")},
         "aac", ""},
        {"no group named", {rendition("aac", "main", true, true, "http://a/1")}, "", ""},
        {"the group is not listed", {rendition("aac", "main", true, true, "http://a/1")}, "ac3", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HlsMasterPlaylist master;
        master.audio = c.audio;
        HlsVariant variant;
        variant.audioGroup = c.group;
        master.variants.push_back(variant);
        const HlsAudioRendition* chosen = audioRenditionFor(master, master.variants[0]);
        EXPECT_EQ(chosen ? chosen->name : std::string(), c.expected);
    }
}

}  // namespace
}  // namespace telvia::stream

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "playback/stream/variant_choice.h"

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

}  // namespace
}  // namespace telvia::stream

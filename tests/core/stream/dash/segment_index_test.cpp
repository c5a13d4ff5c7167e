#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "playback/stream/dash/dash_manifest.h"
#include "playback/stream/dash/segment_index.h"

namespace telvia::stream {
namespace {

const std::string base = "https://cdn.example/v/";

// The manifest of one representation, with `segments` for its segment information.
DashManifest manifestWith(const std::string& mpdAttributes, const std::string& periods)
{
    const std::string text = "<MPD " + mpdAttributes + "><BaseURL>" + base + "</BaseURL>" + periods + "</MPD>";
    DashParseResult result = parseDashManifest(text, "https://cdn.example/manifest.mpd");
    if (const auto* error = std::get_if<DashParseError>(&result)) {
        ADD_FAILURE() << describe(error->error);
        return {};
    }
    return std::get<DashManifest>(std::move(result));
}

std::string period(const std::string& attributes, const std::string& segments)
{
    return "<Period " + attributes + "><AdaptationSet mimeType=\"video/mp4\"><Representation id=\"v1\" "
           "bandwidth=\"500000\">" + segments + "</Representation></AdaptationSet></Period>";
}

std::variant<SegmentIndex, DashIndexError> indexOf(const DashManifest& manifest, std::size_t p = 0)
{
    const DashPeriod& chosen = manifest.periods.at(p);
    return SegmentIndex::make(chosen, chosen.adaptationSets.at(0).representations.at(0), manifest.dynamic);
}

struct Expected {
    std::string address;
    std::uint64_t number;
    std::int64_t startMs;
    std::int64_t durationMs;
};

TEST(SegmentIndex, NumbersTheSegmentsOfEveryKind)
{
    const struct {
        const char* name;
        DashManifest manifest;
        std::optional<std::uint64_t> count;
        std::vector<std::pair<std::uint64_t, Expected>> segments;  // by index
    } cases[] = {
        {"a template by duration fills the period, the last segment cut short by it",
         manifestWith("type=\"static\" mediaPresentationDuration=\"PT10S\"",
                      period("", "<SegmentTemplate timescale=\"90000\" duration=\"360000\" startNumber=\"5\" "
                                 "media=\"$RepresentationID$-$Number%03d$.m4s\"/>")),
         3,
         {{0, {base + "v1-005.m4s", 5, 0, 4000}}, {2, {base + "v1-007.m4s", 7, 8000, 4000}}}},
        {"a later period's segments start with it, the offset taken off their times",
         manifestWith("type=\"static\" mediaPresentationDuration=\"PT20S\"",
                      period("duration=\"PT10S\"", "<SegmentTemplate duration=\"5\" media=\"a$Number$\"/>") +
                          period("", "<SegmentTemplate timescale=\"1000\" presentationTimeOffset=\"1000\" "
                                     "media=\"b$Number$\"><SegmentTimeline><S t=\"0\" d=\"2500\" r=\"3\"/>"
                                     "</SegmentTimeline></SegmentTemplate>")),
         4,
         {{0, {base + "b1", 1, 9000, 2500}}, {3, {base + "b4", 4, 16'500, 2500}}}},
        {"a timeline numbers and times its segments, an open repeat up to the period's end",
         manifestWith("type=\"static\" mediaPresentationDuration=\"PT10S\"",
                      period("", "<SegmentTemplate timescale=\"48000\" media=\"t$Time$-n$Number$\"><SegmentTimeline>"
                                 "<S t=\"0\" d=\"96000\" r=\"1\"/><S d=\"48000\"/><S t=\"240000\" d=\"96000\" r=\"-1\"/>"
                                 "</SegmentTimeline></SegmentTemplate>")),
         6,  // 0, 2, 4 and a gap; then 5, 7, 9
         {{1, {base + "t96000-n2", 2, 2000, 2000}},
          {2, {base + "t192000-n3", 3, 4000, 1000}},
          {3, {base + "t240000-n4", 4, 5000, 2000}},
          {5, {base + "t432000-n6", 6, 9000, 2000}}}},
        {"a list gives its addresses and ranges, a duration their times",
         manifestWith("type=\"static\" mediaPresentationDuration=\"PT60S\"",
                      period("", "<SegmentList timescale=\"10\" duration=\"20\" startNumber=\"0\">"
                                 "<SegmentURL media=\"a.mp4\" mediaRange=\"100-199\"/><SegmentURL media=\"b.mp4\"/>"
                                 "</SegmentList>")),
         2,
         {{1, {base + "b.mp4", 1, 2000, 2000}}}},
        {"a list with a timeline ends with the shorter of the two",
         manifestWith("type=\"static\" mediaPresentationDuration=\"PT60S\"",
                      period("", "<SegmentList><SegmentTimeline><S d=\"3\" r=\"9\"/></SegmentTimeline>"
                                 "<SegmentURL media=\"a\"/><SegmentURL media=\"b\"/></SegmentList>")),
         2,
         {{1, {base + "b", 2, 3000, 3000}}}},
        {"without segment information the representation is one segment",
         manifestWith("type=\"static\" mediaPresentationDuration=\"PT42S\"", period("", "<BaseURL>all.mp4</BaseURL>")),
         1,
         {{0, {base + "all.mp4", 1, 0, 42'000}}}},
        {"a live template by duration goes on without end",
         manifestWith("type=\"dynamic\" availabilityStartTime=\"2026-01-01T00:00:00Z\"",
                      period("start=\"PT100S\"", "<SegmentTemplate timescale=\"1000\" duration=\"2000\" "
                                                 "media=\"$Number$.m4s\"/>")),
         std::nullopt,
         {{1'000'000, {base + "1000001.m4s", 1'000'001, 2'000'100'000, 2000}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t lastPeriod = c.manifest.periods.empty() ? 0 : c.manifest.periods.size() - 1;
        const auto made = indexOf(c.manifest, lastPeriod);
        ASSERT_TRUE(std::holds_alternative<SegmentIndex>(made));
        const SegmentIndex& index = std::get<SegmentIndex>(made);
        EXPECT_EQ(index.count(), c.count);
        for (const auto& [at, expected] : c.segments) {
            const std::optional<DashSegment> segment = index.at(at);
            ASSERT_TRUE(segment.has_value()) << at;
            EXPECT_EQ(segment->media.address, expected.address) << at;
            EXPECT_EQ(segment->number, expected.number) << at;
            EXPECT_EQ(segment->startMs, expected.startMs) << at;
            EXPECT_EQ(segment->durationMs, expected.durationMs) << at;
        }
        if (c.count) {
            EXPECT_FALSE(index.at(*c.count).has_value());
        }
    }
}

TEST(SegmentIndex, FindsTheSegmentThatHoldsAMoment)
{
    // Segments of 2 s from 0 to 4 s, a gap, then from 5 s to the period's end at 10 s.
    const DashManifest manifest = manifestWith(
        "type=\"static\" mediaPresentationDuration=\"PT10S\"",
        period("", "<SegmentTemplate timescale=\"3\" media=\"$Time$\"><SegmentTimeline>"
                   "<S t=\"0\" d=\"6\" r=\"1\"/><S t=\"15\" d=\"6\" r=\"-1\"/></SegmentTimeline></SegmentTemplate>"));
    const auto made = indexOf(manifest);
    ASSERT_TRUE(std::holds_alternative<SegmentIndex>(made));
    const SegmentIndex& index = std::get<SegmentIndex>(made);
    const struct {
        std::int64_t ms;
        std::optional<std::uint64_t> index;
    } cases[] = {
        {-5000, 0}, {0, 0}, {1999, 0}, {2000, 1}, {4500, 2}, {5000, 2}, {9999, 4}, {10'000, 4}, {11'000, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(index.indexAt(c.ms), c.index) << c.ms;
    }
    // A start that a third of a second makes uneven in milliseconds still finds its segment.
    const DashManifest thirds = manifestWith(
        "type=\"static\" mediaPresentationDuration=\"PT10S\"",
        period("", "<SegmentTemplate timescale=\"3\" duration=\"1\" media=\"$Number$\"/>"));
    const auto third = std::get<SegmentIndex>(indexOf(thirds));
    const auto second = third.at(1);
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(second->startMs, 333);
    EXPECT_EQ(third.indexAt(second->startMs + 1), 1u);
    EXPECT_EQ(index.typicalDurationMs(), 2000);
}

TEST(SegmentIndex, RefusesWhatItCannotCount)
{
    const struct {
        const char* name;
        DashManifest manifest;
        DashIndexError error;
    } cases[] = {
        {"a finished presentation with a template and no end",
         manifestWith("type=\"static\"", period("", "<SegmentTemplate duration=\"2\" media=\"$Number$\"/>")),
         DashIndexError::unknownLength},
        {"an open repeat and no end",
         manifestWith("type=\"static\"", period("", "<SegmentTemplate media=\"$Time$\"><SegmentTimeline>"
                                                    "<S d=\"2\" r=\"-1\"/></SegmentTimeline></SegmentTemplate>")),
         DashIndexError::unknownLength},
        {"a single resource needs its index box",
         manifestWith("type=\"static\" mediaPresentationDuration=\"PT1S\"",
                      period("", "<SegmentBase indexRange=\"0-99\"/>")),
         DashIndexError::badIndex},
        {"an offset past 2^63",
         manifestWith("type=\"static\" mediaPresentationDuration=\"PT1S\"",
                      period("", "<SegmentTemplate duration=\"1\" presentationTimeOffset=\"18446744073709551615\" "
                                 "media=\"$Number$\"/>")),
         DashIndexError::overflow},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto made = indexOf(c.manifest);
        ASSERT_TRUE(std::holds_alternative<DashIndexError>(made));
        EXPECT_EQ(std::get<DashIndexError>(made), c.error);
    }
    // Far segments of a live template whose times no longer fit are not made up.
    const DashManifest live = manifestWith(
        "type=\"dynamic\" availabilityStartTime=\"2026-01-01T00:00:00Z\"",
        period("start=\"PT0S\"", "<SegmentTemplate timescale=\"4294967295\" duration=\"4294967295\" media=\"$Number$\"/>"));
    const auto index = std::get<SegmentIndex>(indexOf(live));
    EXPECT_TRUE(index.at(1000).has_value());
    EXPECT_FALSE(index.at(UINT64_MAX - 1).has_value());
    EXPECT_FALSE(index.at(UINT64_MAX).has_value());
}

TEST(SegmentIndex, TakesTheSegmentsOfAnIndexBox)
{
    const DashManifest manifest = manifestWith(
        "type=\"static\" mediaPresentationDuration=\"PT5S\"",
        period("", "<BaseURL>od.mp4</BaseURL><SegmentBase timescale=\"1000\" presentationTimeOffset=\"500\" "
                   "indexRange=\"800-899\"><Initialization range=\"0-799\"/></SegmentBase>"));
    const DashPeriod& p = manifest.periods.at(0);
    SegmentIndexBox box;
    box.timescale = 90'000;
    box.earliestPresentationTime = 45'000;  // 0.5 s, where the offset puts the period's start
    box.references = {{900, 1000, 180'000}, {1900, 2000, 180'000}, {3900, 500, 90'000}};
    const auto made = SegmentIndex::fromIndexBox(p, p.adaptationSets[0].representations[0], box);
    ASSERT_TRUE(std::holds_alternative<SegmentIndex>(made));
    const SegmentIndex& index = std::get<SegmentIndex>(made);
    EXPECT_EQ(index.count(), 3u);
    const auto last = index.at(2);
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(last->media, (DashResource{base + "od.mp4", DashByteRange{3900, 500}}));
    EXPECT_EQ(last->startMs, 4000);
    EXPECT_EQ(last->durationMs, 1000);
    EXPECT_EQ(index.initialization(), (DashResource{base + "od.mp4", DashByteRange{0, 800}}));

    box.references.clear();
    const auto empty = SegmentIndex::fromIndexBox(p, p.adaptationSets[0].representations[0], box);
    ASSERT_TRUE(std::holds_alternative<DashIndexError>(empty));
    EXPECT_EQ(std::get<DashIndexError>(empty), DashIndexError::badIndex);
}

}  // namespace
}  // namespace telvia::stream

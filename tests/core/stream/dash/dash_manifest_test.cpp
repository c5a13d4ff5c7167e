#include <optional>
#include <string>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "playback/stream/dash/dash_manifest.h"

namespace telvia::stream {
namespace {

const std::string manifestAddress = "https://media.example/channels/one/manifest.mpd?token=abc";

DashManifest parsed(const std::string& text)
{
    DashParseResult result = parseDashManifest(text, manifestAddress);
    if (const auto* error = std::get_if<DashParseError>(&result)) {
        ADD_FAILURE() << describe(error->error);
        return {};
    }
    return std::get<DashManifest>(std::move(result));
}

// A live presentation of two periods with segment information at every level.
const std::string livePresentation = R"(<?xml version="1.0" encoding="UTF-8"?>
<MPD xmlns="urn:mpeg:dash:schema:mpd:2011" type="dynamic" profiles="urn:mpeg:dash:profile:isoff-live:2011"
     availabilityStartTime="2026-12-11T10:00:00Z" publishTime="2026-12-11T12:00:00Z"
     minimumUpdatePeriod="PT2S" timeShiftBufferDepth="PT1M" suggestedPresentationDelay="PT6S">
  <Location>manifest.mpd?token=next</Location>
  <BaseURL>https://cdn.example/live/</BaseURL>
  <Period id="p1" start="PT0S" duration="PT1H">
    <BaseURL>p1/</BaseURL>
    <SegmentTemplate timescale="90000" duration="180000" startNumber="7"/>
    <AdaptationSet contentType="video" mimeType="video/mp4" codecs="avc1.64001f" width="1280" height="720">
      <BaseURL>video/</BaseURL>
      <ContentProtection schemeIdUri="urn:mpeg:dash:mp4protection:2011" value="cenc"/>
      <SegmentTemplate media="$RepresentationID$/$Number%04d$.m4s" initialization="$RepresentationID$/init.mp4"/>
      <Representation id="hd" bandwidth="3000000"/>
      <Representation id="sd" bandwidth="800000" width="640" height="360" codecs="avc1.4d401e">
        <BaseURL>/elsewhere/</BaseURL>
        <SegmentTemplate startNumber="1" presentationTimeOffset="900"/>
      </Representation>
    </AdaptationSet>
    <AdaptationSet contentType="audio" lang="en">
      <Role schemeIdUri="urn:mpeg:dash:role:2011" value="main"/>
      <Representation id="aac" bandwidth="128000" mimeType="audio/mp4" codecs="mp4a.40.2" audioSamplingRate="48000">
        <SegmentTemplate timescale="48000" media="a/$Time$.m4s" initialization="a/init-$Bandwidth$.mp4">
          <SegmentTimeline><S t="0" d="96000" r="-1"/></SegmentTimeline>
        </SegmentTemplate>
      </Representation>
    </AdaptationSet>
  </Period>
  <Period id="p2">
    <AdaptationSet mimeType="audio/mp4"><Representation id="r" bandwidth="1"/></AdaptationSet>
  </Period>
  <UTCTiming schemeIdUri="urn:mpeg:dash:utc:ntp:2014" value="pool.ntp.example"/>
  <UTCTiming schemeIdUri="urn:mpeg:dash:utc:http-xsdate:2014" value="/time https://time2.example/"/>
</MPD>)";

TEST(DashManifest, ReadsALivePresentation)
{
    const DashManifest manifest = parsed(livePresentation);
    EXPECT_TRUE(manifest.dynamic);
    EXPECT_EQ(manifest.availabilityStartTimeMs, 1'796'983'200'000);
    EXPECT_EQ(manifest.publishTimeMs, 1'796'990'400'000);
    EXPECT_EQ(manifest.minimumUpdatePeriodMs, 2000);
    EXPECT_EQ(manifest.timeShiftBufferDepthMs, 60'000);
    EXPECT_EQ(manifest.suggestedPresentationDelayMs, 6000);
    EXPECT_EQ(manifest.mediaPresentationDurationMs, std::nullopt);
    EXPECT_EQ(manifest.location, "https://media.example/channels/one/manifest.mpd?token=next");
    // The scheme this reader does not know is passed by; of several addresses the first.
    ASSERT_EQ(manifest.utcTimings.size(), 1u);
    EXPECT_EQ(manifest.utcTimings[0].scheme, DashClockScheme::httpXsDate);
    EXPECT_EQ(manifest.utcTimings[0].value, "https://media.example/time");

    ASSERT_EQ(manifest.periods.size(), 2u);
    const DashPeriod& first = manifest.periods[0];
    EXPECT_EQ(first.id, "p1");
    EXPECT_EQ(first.startMs, 0);
    EXPECT_EQ(first.durationMs, 3'600'000);
    // The second follows the first, and stays open.
    EXPECT_EQ(manifest.periods[1].startMs, 3'600'000);
    EXPECT_EQ(manifest.periods[1].durationMs, std::nullopt);

    ASSERT_EQ(first.adaptationSets.size(), 2u);
    const DashAdaptationSet& video = first.adaptationSets[0];
    ASSERT_EQ(video.representations.size(), 2u);
    const DashRepresentation& hd = video.representations[0];
    EXPECT_EQ(hd.id, "hd");
    EXPECT_EQ(hd.bandwidth, 3'000'000u);
    EXPECT_EQ(hd.codecs, "avc1.64001f");  // from the set
    EXPECT_EQ(hd.mimeType, "video/mp4");
    EXPECT_EQ(hd.width, 1280u);
    EXPECT_EQ(hd.height, 720u);
    EXPECT_TRUE(hd.isProtected);
    EXPECT_EQ(hd.segments.kind, DashSegmentInfo::Kind::templated);
    // Period, set and representation each add to the template.
    EXPECT_EQ(hd.segments.timescale, 90'000u);
    EXPECT_EQ(hd.segments.duration, 180'000u);
    EXPECT_EQ(hd.segments.startNumber, 7u);
    EXPECT_EQ(hd.segments.mediaTemplate, "$RepresentationID$/$Number%04d$.m4s");
    EXPECT_EQ(hd.segments.base, "https://cdn.example/live/p1/video/");
    ASSERT_TRUE(hd.segments.initialization);
    EXPECT_EQ(hd.segments.initialization->address, "https://cdn.example/live/p1/video/hd/init.mp4");

    const DashRepresentation& sd = video.representations[1];
    EXPECT_EQ(sd.codecs, "avc1.4d401e");
    EXPECT_EQ(sd.width, 640u);
    EXPECT_EQ(sd.segments.startNumber, 1u);
    EXPECT_EQ(sd.segments.presentationTimeOffset, 900u);
    EXPECT_EQ(sd.segments.duration, 180'000u);
    EXPECT_EQ(sd.segments.base, "https://cdn.example/elsewhere/");

    const DashAdaptationSet& audio = first.adaptationSets[1];
    EXPECT_TRUE(audio.isMainRole);
    EXPECT_EQ(audio.language, "en");
    const DashRepresentation& aac = audio.representations[0];
    EXPECT_FALSE(aac.isProtected);
    EXPECT_EQ(aac.audioSamplingRate, 48'000u);
    EXPECT_EQ(aac.segments.timescale, 48'000u);
    ASSERT_EQ(aac.segments.timeline.size(), 1u);
    EXPECT_EQ(aac.segments.timeline[0].repeat, -1);
    EXPECT_EQ(aac.segments.initialization->address, "https://cdn.example/live/p1/a/init-128000.mp4");
}

TEST(DashManifest, ReadsListsAndSingleResources)
{
    const DashManifest manifest = parsed(R"(<MPD type="static" mediaPresentationDuration="PT6S">
  <Period>
    <AdaptationSet mimeType="video/mp4" codecs="avc1.64001f">
      <Representation id="list" bandwidth="1">
        <BaseURL>one.mp4</BaseURL>
        <SegmentList timescale="1000" duration="2000">
          <Initialization range="0-814"/>
          <SegmentURL mediaRange="815-16373" indexRange="815-866"/>
          <SegmentURL media="two.mp4"/>
          <SegmentURL media="https://other.example/three.mp4" mediaRange="10-19"/>
        </SegmentList>
      </Representation>
      <Representation id="indexed" bandwidth="2">
        <BaseURL>on-demand.mp4</BaseURL>
        <SegmentBase indexRange="820-1019" timescale="12800">
          <Initialization range="0-819"/>
        </SegmentBase>
      </Representation>
      <Representation id="whole" bandwidth="3"><BaseURL>whole.mp4</BaseURL></Representation>
    </AdaptationSet>
  </Period>
</MPD>)");
    ASSERT_EQ(manifest.periods.size(), 1u);
    EXPECT_EQ(manifest.periods[0].durationMs, 6000);  // from the presentation's duration
    const auto& representations = manifest.periods[0].adaptationSets.at(0).representations;
    ASSERT_EQ(representations.size(), 3u);

    const DashSegmentInfo& list = representations[0].segments;
    EXPECT_EQ(list.kind, DashSegmentInfo::Kind::list);
    const std::string base = "https://media.example/channels/one/";
    // An initialization without an address is a range of the representation's own.
    EXPECT_EQ(list.initialization, (DashResource{base + "one.mp4", DashByteRange{0, 815}}));
    ASSERT_EQ(list.media.size(), 3u);
    EXPECT_EQ(list.media[0], (DashResource{base + "one.mp4", DashByteRange{815, 15'559}}));
    EXPECT_EQ(list.media[1], (DashResource{base + "two.mp4", std::nullopt}));
    EXPECT_EQ(list.media[2], (DashResource{"https://other.example/three.mp4", DashByteRange{10, 10}}));

    const DashSegmentInfo& indexed = representations[1].segments;
    EXPECT_EQ(indexed.kind, DashSegmentInfo::Kind::indexed);
    EXPECT_EQ(indexed.indexRange, (DashByteRange{820, 200}));
    EXPECT_EQ(indexed.timescale, 12'800u);
    EXPECT_EQ(indexed.initialization, (DashResource{base + "on-demand.mp4", DashByteRange{0, 820}}));

    EXPECT_EQ(representations[2].segments.kind, DashSegmentInfo::Kind::wholeResource);
    EXPECT_EQ(representations[2].segments.base, base + "whole.mp4");
}

TEST(DashManifest, PlacesPeriodsInTime)
{
    const struct {
        const char* name;
        std::string attributes;  // of the MPD
        std::string periods;
        std::vector<std::pair<std::int64_t, std::optional<std::int64_t>>> placed;  // start, duration
    } cases[] = {
        {"a static first period starts at 0, the last ends with the presentation",
         "type=\"static\" mediaPresentationDuration=\"PT30S\"", "<Period/><Period start=\"PT10S\"/>",
         {{0, 10'000}, {10'000, 20'000}}},
        {"one without a start follows one with a duration", "type=\"static\"",
         "<Period duration=\"PT5S\"/><Period duration=\"PT7S\"/><Period/>", {{0, 5000}, {5000, 7000}, {12'000, {}}}},
        {"a live period without a start, after one without a duration, is left out",
         "type=\"dynamic\" availabilityStartTime=\"2026-01-01T00:00:00Z\"",
         "<Period start=\"PT0S\"/><Period/><Period start=\"PT20S\"/>", {{0, 20'000}, {20'000, {}}}},
        {"a live first period without a start is left out",
         "type=\"dynamic\" availabilityStartTime=\"2026-01-01T00:00:00Z\"", "<Period/><Period start=\"PT9S\"/>",
         {{9000, {}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const DashManifest manifest = parsed("<MPD " + c.attributes + ">" + c.periods + "</MPD>");
        ASSERT_EQ(manifest.periods.size(), c.placed.size());
        for (std::size_t i = 0; i < c.placed.size(); ++i) {
            EXPECT_EQ(manifest.periods[i].startMs, c.placed[i].first) << i;
            EXPECT_EQ(manifest.periods[i].durationMs, c.placed[i].second) << i;
        }
    }
}

TEST(DashManifest, ReadsTimelines)
{
    const DashManifest manifest = parsed(R"(<MPD type="static" mediaPresentationDuration="PT60S"><Period>
  <AdaptationSet mimeType="audio/mp4"><Representation id="a" bandwidth="1">
    <SegmentTemplate timescale="48000" media="$Time$.m4s">
      <SegmentTimeline>
        <S t="1000" d="96000" r="-1"/>
        <S t="500000" d="96256" r="1"/>
        <S d="3328"/>
      </SegmentTimeline>
    </SegmentTemplate>
  </Representation></AdaptationSet>
</Period></MPD>)");
    const auto& timeline = manifest.periods.at(0).adaptationSets.at(0).representations.at(0).segments.timeline;
    ASSERT_EQ(timeline.size(), 3u);
    // Repeated up to the next entry's time: 1000 + 6 * 96000 >= 500000.
    EXPECT_EQ(timeline[0].repeat, 5);
    EXPECT_EQ(timeline[1].time, 500'000u);
    EXPECT_EQ(timeline[2].time, 500'000u + 2 * 96'256u);  // the previous entry's end
}

TEST(DashManifest, RefusesWhatItCannotPlace)
{
    const std::string staticHead = "<MPD type=\"static\" mediaPresentationDuration=\"PT60S\"><Period>";
    const auto withTemplate = [&staticHead](const std::string& segmentTemplate) {
        return staticHead + "<AdaptationSet><Representation id=\"a\" bandwidth=\"1\">" + segmentTemplate +
               "</Representation></AdaptationSet></Period></MPD>";
    };
    const struct {
        const char* name;
        std::string text;
        DashError error;
    } cases[] = {
        {"not XML", "MPD", DashError::notXml},
        {"another root", "<html/>", DashError::notAManifest},
        {"no periods", "<MPD type=\"static\"/>", DashError::noPeriods},
        {"live without a start time", "<MPD type=\"dynamic\"><Period start=\"PT0S\"/></MPD>",
         DashError::missingStartTime},
        {"a duration that does not parse", "<MPD mediaPresentationDuration=\"10s\"><Period/></MPD>",
         DashError::badValue},
        {"a time that does not parse",
         "<MPD type=\"dynamic\" availabilityStartTime=\"yesterday\"><Period start=\"PT0S\"/></MPD>",
         DashError::badValue},
        {"periods out of order", "<MPD><Period start=\"PT10S\"/><Period start=\"PT5S\"/></MPD>", DashError::badValue},
        {"a negative width",
         staticHead + "<AdaptationSet width=\"-1\"><Representation id=\"a\"/></AdaptationSet></Period></MPD>",
         DashError::badValue},
        {"a range backwards", withTemplate("<SegmentBase indexRange=\"20-10\"/>"), DashError::badValue},
        {"a timescale of zero", withTemplate("<SegmentTemplate timescale=\"0\" duration=\"1\" media=\"$Number$\"/>"),
         DashError::badValue},
        {"a template without a number or time", withTemplate("<SegmentTemplate duration=\"1\" media=\"a.m4s\"/>"),
         DashError::badTemplate},
        {"a time without a timeline", withTemplate("<SegmentTemplate duration=\"1\" media=\"$Time$\"/>"),
         DashError::badTemplate},
        {"a number without duration or timeline", withTemplate("<SegmentTemplate media=\"$Number$\"/>"),
         DashError::badTemplate},
        {"an unknown identifier", withTemplate("<SegmentTemplate duration=\"1\" media=\"$Numbr$\"/>"),
         DashError::badTemplate},
        {"an initialization that needs a number",
         withTemplate("<SegmentTemplate duration=\"1\" media=\"$Number$\" initialization=\"$Number$\"/>"),
         DashError::badTemplate},
        {"a timeline that runs backwards",
         withTemplate("<SegmentTemplate media=\"$Time$\"><SegmentTimeline><S t=\"100\" d=\"10\"/><S t=\"50\" "
                      "d=\"10\"/></SegmentTimeline></SegmentTemplate>"),
         DashError::badTimeline},
        {"an open repeat before an entry without a time",
         withTemplate("<SegmentTemplate media=\"$Time$\"><SegmentTimeline><S t=\"0\" d=\"10\" r=\"-1\"/><S "
                      "d=\"10\"/></SegmentTimeline></SegmentTemplate>"),
         DashError::badTimeline},
        {"a segment of no duration",
         withTemplate("<SegmentTemplate media=\"$Time$\"><SegmentTimeline><S d=\"0\"/></SegmentTimeline>"
                      "</SegmentTemplate>"),
         DashError::badTimeline},
        {"a repeat of -2",
         withTemplate("<SegmentTemplate media=\"$Time$\"><SegmentTimeline><S d=\"1\" r=\"-2\"/></SegmentTimeline>"
                      "</SegmentTemplate>"),
         DashError::badTimeline},
        {"a timeline past 2^63",
         withTemplate("<SegmentTemplate media=\"$Time$\"><SegmentTimeline><S t=\"9223372036854775000\" d=\"1000\" "
                      "r=\"1\"/></SegmentTimeline></SegmentTemplate>"),
         DashError::badTimeline},
        {"a list of several segments that nothing times",
         withTemplate("<SegmentList><SegmentURL media=\"a\"/><SegmentURL media=\"b\"/></SegmentList>"),
         DashError::badValue},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const DashParseResult result = parseDashManifest(c.text, manifestAddress);
        const auto* error = std::get_if<DashParseError>(&result);
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(error->error, c.error) << describe(error->error);
    }
    const DashParseResult relative = parseDashManifest("<MPD><Period/></MPD>", "manifest.mpd");
    ASSERT_TRUE(std::holds_alternative<DashParseError>(relative));
    EXPECT_EQ(std::get<DashParseError>(relative).error, DashError::notAbsoluteBase);
    const DashParseResult doctype = parseDashManifest("<!DOCTYPE MPD><MPD/>", manifestAddress);
    EXPECT_EQ(std::get<DashParseError>(doctype), (DashParseError{DashError::notXml, XmlError::doctype}));
}

TEST(DashManifest, KeepsToTheLimits)
{
    std::string many = "<MPD type=\"static\" mediaPresentationDuration=\"PT1S\"><Period><AdaptationSet>";
    for (std::size_t i = 0; i <= dashRepresentationLimit; ++i) {
        many += "<Representation id=\"r" + std::to_string(i) + "\" bandwidth=\"1\"/>";
    }
    many += "</AdaptationSet></Period></MPD>";
    const DashParseResult tooMany = parseDashManifest(many, manifestAddress);
    ASSERT_TRUE(std::holds_alternative<DashParseError>(tooMany));
    EXPECT_EQ(std::get<DashParseError>(tooMany).error, DashError::tooLong);

    std::string urls = "<MPD><Period><AdaptationSet><Representation id=\"a\"><SegmentList duration=\"1\">";
    for (std::size_t i = 0; i <= dashSegmentLimit; ++i) {
        urls += "<SegmentURL media=\"s\"/>";
    }
    urls += "</SegmentList></Representation></AdaptationSet></Period></MPD>";
    const DashParseResult tooLong = parseDashManifest(urls, manifestAddress);
    ASSERT_TRUE(std::holds_alternative<DashParseError>(tooLong));
    EXPECT_EQ(std::get<DashParseError>(tooLong).error, DashError::tooLong);

    std::string periods = "<MPD>";
    for (std::size_t i = 0; i <= dashPeriodLimit; ++i) {
        periods += "<Period duration=\"PT1S\"/>";
    }
    periods += "</MPD>";
    const DashParseResult tooManyPeriods = parseDashManifest(periods, manifestAddress);
    ASSERT_TRUE(std::holds_alternative<DashParseError>(tooManyPeriods));
    EXPECT_EQ(std::get<DashParseError>(tooManyPeriods).error, DashError::tooLong);
}

}  // namespace
}  // namespace telvia::stream

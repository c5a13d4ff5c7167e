#include <cstdint>
#include <optional>

#include <gtest/gtest.h>

#include "playback/stream/dash/dash_clock.h"
#include "playback/stream/dash/xs_time.h"

namespace telvia::stream {
namespace {

TEST(XsTime, ReadsDurations)
{
    constexpr std::int64_t day = 86'400'000;
    const struct {
        const char* text;
        std::optional<std::int64_t> ms;
    } cases[] = {
        {"PT1H2M3.5S", 3'723'500},
        {"PT0S", 0},
        {"PT10S", 10'000},
        {"PT0.0S", 0},
        {"PT1.9999S", 1'999},  // cut, not rounded
        {"PT0H0M30.000S", 30'000},
        {"P1D", day},
        {"P1DT12H", day + 43'200'000},
        {"P1Y2M3D", 365 * day + 60 * day + 3 * day},
        {"PT90M", 5'400'000},  // a unit past its natural range is still read
        {"P100Y", 100 * 365 * day},
        {"P101Y", std::nullopt},  // longer than any presentation
        {"PT99999999999999S", std::nullopt},
        {"", std::nullopt},
        {"P", std::nullopt},
        {"PT", std::nullopt},
        {"-PT5S", std::nullopt},
        {"PT5", std::nullopt},
        {"PT5X", std::nullopt},
        {"PT1S2M", std::nullopt},   // out of order
        {"PT1M1M", std::nullopt},   // repeated
        {"P1H", std::nullopt},      // hours belong after T
        {"PT1.5M", std::nullopt},   // fractions only on seconds
        {"PT.5S", std::nullopt},
        {"PT5.S", std::nullopt},
        {"1S", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseXsDuration(c.text), c.ms);
    }
}

TEST(XsTime, ReadsMomentsInUtc)
{
    const struct {
        const char* text;
        std::optional<std::int64_t> ms;
    } cases[] = {
        {"1970-01-01T00:00:00Z", 0},
        {"1970-01-01T00:00:00", 0},  // no zone: taken as UTC
        {"2026-12-11T12:34:56.789Z", 1'796'992'496'789},
        {"2026-12-11T14:34:56.789+02:00", 1'796'992'496'789},
        {"2026-12-11T07:04:56.789-05:30", 1'796'992'496'789},
        {"2024-02-29T00:00:00Z", 1'709'164'800'000},  // a leap day
        {"2000-03-01T00:00:00Z", 951'868'800'000},    // after a leap century's February
        {"1969-12-31T23:59:59Z", -1000},
        {"2026-12-11T24:00:00Z", 1'797'033'600'000},  // the end of the day
        {"2026-12-11T12:34:56.1234567Z", 1'796'992'496'123},
        {"2023-02-29T00:00:00Z", std::nullopt},
        {"2026-13-01T00:00:00Z", std::nullopt},
        {"2026-12-11T24:00:01Z", std::nullopt},
        {"2026-12-11T12:60:00Z", std::nullopt},
        {"2026-12-11 12:00:00Z", std::nullopt},
        {"2026-12-11T12:00Z", std::nullopt},
        {"2026-12-11T12:00:00+0200", std::nullopt},
        {"2026-12-11T12:00:00+15:00", std::nullopt},
        {"2026-12-11T12:00:00Zjunk", std::nullopt},
        {"0999-12-31T00:00:00Z", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseXsDateTime(c.text), c.ms);
    }
}

TEST(DashClock, TakesTheFirstUsableTimeSource)
{
    DashManifest manifest;
    EXPECT_EQ(clockSourceOf(manifest).kind, DashClockSource::Kind::system);

    manifest.utcTimings = {{DashClockScheme::direct, "not a time"},
                           {DashClockScheme::direct, " 2026-12-11T12:00:00Z "},
                           {DashClockScheme::httpIso, "https://time.example/iso"}};
    DashClockSource source = clockSourceOf(manifest);
    EXPECT_EQ(source.kind, DashClockSource::Kind::direct);
    EXPECT_EQ(source.directMs, 1'796'990'400'000);

    manifest.utcTimings.erase(manifest.utcTimings.begin() + 1);
    source = clockSourceOf(manifest);
    EXPECT_EQ(source.kind, DashClockSource::Kind::fetch);
    EXPECT_EQ(source.address, "https://time.example/iso");
}

TEST(DashClock, ReadsTheTimeServersAnswer)
{
    EXPECT_EQ(parseTimeResponse("2026-12-11T12:00:00.250Z\r\n"), 1'796'990'400'250);
    EXPECT_EQ(parseTimeResponse("<html>busy</html>"), std::nullopt);
    EXPECT_EQ(parseTimeResponse(std::string(300, ' ') + "2026-12-11T12:00:00Z"), std::nullopt);
    // Asked at 1000, answered at 1400: the server's 5200 was at our 1200.
    EXPECT_EQ(clockOffsetMs(5200, 1000, 1400), 4000);
    EXPECT_EQ(clockOffsetMs(0, 1000, 1000), -1000);
}

}  // namespace
}  // namespace telvia::stream

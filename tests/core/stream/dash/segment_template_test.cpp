#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "playback/stream/dash/segment_template.h"

namespace telvia::stream {
namespace {

TEST(SegmentTemplate, ReplacesItsIdentifiers)
{
    const TemplateValues values{"video-720p", 2'500'000, 42, 900'000};
    const struct {
        const char* pattern;
        std::optional<std::string> expanded;
    } cases[] = {
        {"$RepresentationID$/$Number$.m4s", "video-720p/42.m4s"},
        {"seg-$Number%05d$.m4s", "seg-00042.m4s"},
        {"seg-$Number%5d$.m4s", "seg-00042.m4s"},       // without the leading zero
        {"seg-$Number%01d$.m4s", "seg-42.m4s"},         // a width below the digits pads nothing
        {"t$Time$-b$Bandwidth$.m4s", "t900000-b2500000.m4s"},
        {"t$Time%012d$.m4s", "t000000900000.m4s"},
        {"cost$$5-$Number$$$", "cost$5-42$"},
        {"plain.m4s", "plain.m4s"},
        {"", ""},
        {"$Number", std::nullopt},                      // never closed
        {"$Numbers$", std::nullopt},
        {"$SubNumber$", std::nullopt},
        {"$RepresentationID%05d$", std::nullopt},       // a name takes no width
        {"$Number%05x$", std::nullopt},
        {"$Number%d$", std::nullopt},
        {"$Number%-5d$", std::nullopt},
        {"$Number%033d$", std::nullopt},                // wider than any number
        {"$number$", std::nullopt},                     // names are case-sensitive
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(expandTemplate(c.pattern, values), c.expanded);
        EXPECT_EQ(templateIsValid(c.pattern), c.expanded.has_value());
    }
    EXPECT_EQ(expandTemplate("$Number%032d$", values), std::string(30, '0') + "42");
    EXPECT_TRUE(templateUses("a$Time%03d$b", "Time"));
    EXPECT_FALSE(templateUses("a$$Time$$b", "Time"));  // escaped dollars name nothing
    EXPECT_FALSE(templateUses("a$Time$b$bad$", "Time"));
}

}  // namespace
}  // namespace telvia::stream

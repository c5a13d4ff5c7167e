#include <string>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "playback/stream/dash/representation_choice.h"

namespace telvia::stream {
namespace {

DashRepresentation representation(std::string id, std::uint64_t bandwidth, std::string codecs,
                                  std::string mimeType = "video/mp4", std::uint32_t width = 0,
                                  std::uint32_t height = 0, bool isProtected = false)
{
    DashRepresentation r;
    r.id = std::move(id);
    r.bandwidth = bandwidth;
    r.codecs = std::move(codecs);
    r.mimeType = std::move(mimeType);
    r.width = width;
    r.height = height;
    r.isProtected = isProtected;
    return r;
}

DashAdaptationSet set(std::string id, std::string contentType, std::vector<DashRepresentation> representations,
                      bool isMainRole = false)
{
    DashAdaptationSet s;
    s.id = std::move(id);
    s.contentType = std::move(contentType);
    s.representations = std::move(representations);
    s.isMainRole = isMainRole;
    return s;
}

TEST(RepresentationChoice, TellsWhatASetCarries)
{
    const struct {
        const char* name;
        DashAdaptationSet set;
        DashMediaKind kind;
    } cases[] = {
        {"by content type", set("", "audio", {representation("a", 1, "avc1", "video/mp4")}), DashMediaKind::audio},
        {"by the set's MIME type", [] { auto s = set("", "", {}); s.mimeType = "video/mp4"; return s; }(),
         DashMediaKind::video},
        {"by the first representation's MIME type", set("", "", {representation("a", 1, "", "audio/mp4")}),
         DashMediaKind::audio},
        {"by codecs", set("", "", {representation("a", 1, "mp4a.40.2", "")}), DashMediaKind::audio},
        {"subtitles", set("", "", {representation("a", 1, "stpp", "application/mp4")}), DashMediaKind::other},
        {"thumbnails", set("", "image", {representation("a", 1, "jpeg", "image/jpeg")}), DashMediaKind::other},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(mediaKindOf(c.set), c.kind);
    }
}

TEST(RepresentationChoice, OrdersPlayableRepresentationsBestFirst)
{
    const DashAdaptationSet video = set(
        "v", "video",
        {representation("720", 3'000'000, "avc1.64001f", "video/mp4", 1280, 720),
         representation("2160", 16'000'000, "avc1.640033", "video/mp4", 3840, 2160),  // too large
         representation("hevc", 5'000'000, "hvc1.1.6.L93.B0", "video/mp4", 1280, 720),
         representation("1080", 6'000'000, "avc1.640028", "video/mp4", 1920, 1080),
         representation("drm", 9'000'000, "avc1.640028", "video/mp4", 1920, 1080, true),
         representation("webm", 7'000'000, "avc1.640028", "video/webm", 1920, 1080),
         representation("ts", 800'000, "avc1.4d401e,mp4a.40.2", "video/mp2t", 640, 360),
         representation("same", 3'000'000, "avc3.64001f", "video/mp4", 1280, 720)});
    EXPECT_EQ(representationOrder(video), (std::vector<std::size_t>{3, 0, 7, 6}));
}

TEST(RepresentationChoice, ChoosesPicturesAndSoundSideBySide)
{
    const DashRepresentation h264 = representation("h264", 2'000'000, "avc1.64001f");
    const DashRepresentation hevc = representation("hevc", 2'000'000, "hvc1.1.6.L93.B0");
    const DashRepresentation aac = representation("aac", 128'000, "mp4a.40.2", "audio/mp4");
    const DashRepresentation mp3 = representation("mp3", 128'000, "mp4a.40.34", "audio/mp4");
    const DashRepresentation ac3 = representation("ac3", 384'000, "ac-3", "audio/mp4");
    const DashRepresentation lockedAac = representation("aac", 128'000, "mp4a.40.2", "audio/mp4", 0, 0, true);
    const DashRepresentation lockedH264 = representation("h264", 2'000'000, "avc1.64001f", "video/mp4", 0, 0, true);
    const struct {
        const char* name;
        std::vector<DashAdaptationSet> sets;
        const char* video;  // id of the chosen set; empty: none
        const char* audio;
        std::optional<DashChoiceError> error;
    } cases[] = {
        {"one of each", {set("v", "video", {h264}), set("a", "audio", {aac})}, "v", "a", {}},
        {"radio: sound alone", {set("a", "audio", {mp3})}, "", "a", {}},
        {"the main sound over the first",
         {set("a1", "audio", {aac}), set("a2", "audio", {aac}, true), set("v", "video", {h264})}, "v", "a2", {}},
        {"a set of nothing playable is passed for the next",
         {set("a1", "audio", {ac3}), set("a2", "audio", {aac}), set("v", "video", {hevc}), set("v2", "video", {h264})},
         "v2", "a2", {}},
        {"pictures it cannot decode leave the sound alone", {set("v", "video", {hevc}), set("a", "audio", {aac})}, "",
         "a", {}},
        {"pictures without their sound are no channel", {set("v", "video", {h264}), set("a", "audio", {ac3})}, "", "",
         DashChoiceError::nothingPlayable},
        {"protected sound", {set("v", "video", {h264}), set("a", "audio", {lockedAac})}, "", "",
         DashChoiceError::protectedContent},
        {"all protected", {set("v", "video", {lockedH264}), set("a", "audio", {lockedAac})}, "", "",
         DashChoiceError::protectedContent},
        {"a protected set beside an open one", {set("v1", "video", {lockedH264}), set("v2", "video", {h264})}, "v2", "",
         {}},
        {"nothing but subtitles", {set("t", "text", {representation("t", 1, "stpp", "application/mp4")})}, "", "",
         DashChoiceError::nothingPlayable},
        {"no sets", {}, "", "", DashChoiceError::nothingPlayable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DashPeriod period;
        period.adaptationSets = c.sets;
        const auto choice = chooseTracks(period);
        if (c.error) {
            ASSERT_TRUE(std::holds_alternative<DashChoiceError>(choice));
            EXPECT_EQ(std::get<DashChoiceError>(choice), *c.error);
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<DashChoice>(choice));
        const DashChoice& chosen = std::get<DashChoice>(choice);
        EXPECT_EQ(chosen.video.set ? chosen.video.set->id : "", c.video);
        EXPECT_EQ(chosen.audio.set ? chosen.audio.set->id : "", c.audio);
        EXPECT_EQ(chosen.video.set != nullptr, !chosen.video.order.empty());
    }
}

}  // namespace
}  // namespace telvia::stream

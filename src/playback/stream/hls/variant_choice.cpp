#include "playback/stream/hls/variant_choice.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "common/ascii_trim.h"

namespace telvia::stream {

namespace {

struct AvcProfile {
    unsigned profile = 0;
    unsigned level = 0;
};

std::optional<unsigned> parseNumber(std::string_view text, int base)
{
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// "avc1.PPCCLL" in hexadecimal, or the older "avc1.PP.LL" in decimal.
std::optional<AvcProfile> parseAvcProfile(std::string_view details)
{
    if (details.size() == 6) {
        const auto profile = parseNumber(details.substr(0, 2), 16);
        const auto level = parseNumber(details.substr(4, 2), 16);
        if (profile && level) {
            return AvcProfile{*profile, *level};
        }
        return std::nullopt;
    }
    const std::size_t dot = details.find('.');
    if (dot == std::string_view::npos) {
        return std::nullopt;
    }
    const auto profile = parseNumber(details.substr(0, dot), 10);
    const auto level = parseNumber(details.substr(dot + 1), 10);
    if (profile && level) {
        return AvcProfile{*profile, *level};
    }
    return std::nullopt;
}

bool avcIsDecodable(std::string_view details)
{
    const std::optional<AvcProfile> avc = parseAvcProfile(details);
    if (!avc) {
        return false;
    }
    // Baseline, Main, Extended and High; level 5.1 at most. 10-bit, 4:2:2 and 4:4:4
    // profiles are beyond the system's decoder.
    const bool knownProfile = avc->profile == 66 || avc->profile == 77 || avc->profile == 88 ||
                              avc->profile == 100;
    return knownProfile && avc->level <= 51;
}

bool codecIsDecodable(std::string_view codec)
{
    const std::size_t dot = codec.find('.');
    const std::string_view family = codec.substr(0, dot);
    const std::string_view details = dot == std::string_view::npos ? std::string_view() : codec.substr(dot + 1);
    // avc3 carries its parameter sets in the stream, which in MPEG-TS is always so.
    // A family without details names no profile that could be too much.
    if (family == "avc1" || family == "avc3") {
        return details.empty() || avcIsDecodable(details);
    }
    if (family == "mp4a") {
        if (details.empty()) {
            return true;
        }
        // 40.x: AAC and its relatives, including MPEG audio as objects 32 to 34;
        // 69 and 6B: MPEG-2 and MPEG-1 audio.
        return details.starts_with("40.") || details == "69" || details == "6B" || details == "6b";
    }
    return family == "mp3";
}

// Families of pictures and sound, which CODECS lists besides subtitles, captions and
// metadata (stpp, wvtt, ...). Only these can rule a variant out: a text track the player
// does not show takes nothing from the pictures and sound it plays.
bool namesPicturesOrSound(std::string_view codec)
{
    static constexpr std::string_view families[] = {
        "avc1", "avc2", "avc3", "avc4", "hvc1", "hev1", "dvh1", "dvhe", "dvav", "dva1", "vp08", "vp09", "vp8",
        "vp9",  "av01", "mp4v", "vvc1", "vvi1", "mp4a", "mp3",  "ac-3", "ec-3", "ac-4", "opus", "Opus", "flac",
        "fLaC", "alac", "dtsc", "dtse", "dtsh", "dtsl", "dtsx", "mha1", "mhm1", "mhm2"};
    const std::string_view family = codec.substr(0, codec.find('.'));
    return std::find(std::begin(families), std::end(families), family) != std::end(families);
}

bool hasPicture(const HlsVariant& variant)
{
    if (variant.width > 0 && variant.height > 0) {
        return true;
    }
    // Without a resolution, only a list of audio codecs proves there is no picture.
    if (variant.codecs.empty()) {
        return true;
    }
    return variant.codecs.find("avc") != std::string::npos;
}

}  // namespace

bool codecsAreDecodable(std::string_view codecs)
{
    while (!codecs.empty()) {
        const std::size_t comma = codecs.find(',');
        const std::string_view codec = trimAscii(codecs.substr(0, comma), " ");
        if (!codec.empty() && namesPicturesOrSound(codec) && !codecIsDecodable(codec)) {
            return false;
        }
        codecs = comma == std::string_view::npos ? std::string_view() : codecs.substr(comma + 1);
    }
    return true;
}

std::vector<std::size_t> variantOrder(std::span<const HlsVariant> variants)
{
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < variants.size(); ++i) {
        const HlsVariant& v = variants[i];
        if (v.width <= largestDecodableWidth && v.height <= largestDecodableHeight &&
            codecsAreDecodable(v.codecs)) {
            order.push_back(i);
        }
    }
    std::stable_sort(order.begin(), order.end(), [variants](std::size_t a, std::size_t b) {
        const bool pictureA = hasPicture(variants[a]);
        const bool pictureB = hasPicture(variants[b]);
        if (pictureA != pictureB) {
            return pictureA;
        }
        return variants[a].bandwidth > variants[b].bandwidth;
    });
    return order;
}

const HlsAudioRendition* audioRenditionFor(const HlsMasterPlaylist& master, const HlsVariant& variant)
{
    if (variant.audioGroup.empty()) {
        return nullptr;
    }
    const HlsAudioRendition* first = nullptr;
    const HlsAudioRendition* autoselected = nullptr;
    const HlsAudioRendition* chosen = nullptr;
    for (const HlsAudioRendition& rendition : master.audio) {
        if (rendition.groupId != variant.audioGroup) {
            continue;
        }
        if (rendition.isDefault) {
            chosen = &rendition;
            break;
        }
        if (first == nullptr) first = &rendition;
        if (autoselected == nullptr && rendition.autoselect) autoselected = &rendition;
    }
    if (chosen == nullptr) {
        chosen = autoselected ? autoselected : first;
    }
    return chosen && !chosen->address.empty() ? chosen : nullptr;
}

}  // namespace telvia::stream

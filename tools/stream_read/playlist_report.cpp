#include "playlist_report.h"

#include <algorithm>
#include <variant>

#include "playback/stream/hls/hls_playlist.h"
#include "playback/stream/hls/playlist_scheduler.h"
#include "playback/stream/hls/variant_choice.h"

namespace telvia::tools {

namespace {

using namespace telvia::stream;

std::string seconds(std::int64_t milliseconds)
{
    std::string text = std::to_string(milliseconds / 1000);
    if (milliseconds % 1000 != 0) {
        std::string fraction = std::to_string(1000 + milliseconds % 1000).substr(1);
        while (fraction.back() == '0') fraction.pop_back();
        text += "." + fraction;
    }
    return text + " s";
}

std::string describeMaster(const HlsMasterPlaylist& master)
{
    std::string out = "multivariant: " + std::to_string(master.variants.size()) + " variants, " +
                      std::to_string(master.audio.size()) + " audio renditions, " +
                      std::to_string(master.variables.size()) + " variables\n";
    const std::vector<std::size_t> order = variantOrder(master.variants);
    for (std::size_t i = 0; i < master.variants.size(); ++i) {
        const HlsVariant& v = master.variants[i];
        const auto rank = std::find(order.begin(), order.end(), i);
        out += "  variant " + std::to_string(i + 1) + ": " + std::to_string(v.bandwidth) + " b/s";
        if (v.width > 0) out += ", " + std::to_string(v.width) + "x" + std::to_string(v.height);
        if (!v.codecs.empty()) out += ", codecs " + v.codecs;
        if (!v.audioGroup.empty()) out += ", audio group " + v.audioGroup;
        out += rank == order.end() ? ", not playable" : ", tried " + std::to_string(rank - order.begin() + 1) + ".";
        out += "\n    " + v.address + "\n";
    }
    for (const HlsAudioRendition& a : master.audio) {
        out += "  audio \"" + a.name + "\" in group " + a.groupId + (a.language.empty() ? "" : ", " + a.language) +
               (a.isDefault ? ", default" : "") + (a.autoselect ? ", autoselect" : "") +
               (a.address.empty() ? ", in the variant's segments" : "\n    " + a.address) + "\n";
    }
    for (const HlsVariable& variable : master.variables) {
        out += "  variable " + variable.name + " = " + variable.value + "\n";
    }
    return out;
}

std::string describeMedia(const HlsMediaPlaylist& media)
{
    std::size_t gaps = 0;
    std::size_t discontinuities = 0;
    std::size_t keyed = 0;
    std::size_t ranged = 0;
    std::int64_t total = 0;
    for (const HlsSegment& s : media.segments) {
        gaps += s.gap ? 1 : 0;
        discontinuities += s.discontinuity ? 1 : 0;
        keyed += s.key ? 1 : 0;
        ranged += s.range ? 1 : 0;
        total += s.durationMs;
    }
    std::string out = std::string(media.endList ? "media, finished" : "media, live") + ": target " +
                      seconds(media.targetDurationMs) + ", sequence " + std::to_string(media.mediaSequence) + ", " +
                      std::to_string(media.segments.size()) + " segments of " + seconds(total) + "; " +
                      std::to_string(gaps) + " gaps, " + std::to_string(discontinuities) + " discontinuities, " +
                      std::to_string(keyed) + " encrypted, " + std::to_string(ranged) + " byte ranges\n";
    if (!media.segments.empty()) {
        const PlaylistScheduler scheduler(media, Milliseconds{0});
        const SchedulerStep first = scheduler.next(Milliseconds{0});
        if (first.segment) {
            out += "  starts at segment " + std::to_string(first.segment->sequence) + ": " + first.segment->address + "\n";
        }
    }
    const HlsInitSection* section = nullptr;
    for (const HlsSegment& s : media.segments) {
        // Each initialisation section where it starts to apply.
        if (s.map && (section == nullptr || !section->sameAs(*s.map))) {
            const HlsByteRange* range = s.map->range ? &*s.map->range : nullptr;
            out += "  init section" + (s.map->key ? " key " + *s.map->key->address : std::string()) +
                   (range ? " bytes " + std::to_string(range->length) + "@" + std::to_string(range->offset) : "") +
                   " " + s.map->address + "\n";
        }
        section = s.map.get();
        out += "  " + std::to_string(s.sequence) + " " + seconds(s.durationMs) + (s.gap ? " gap" : "") +
               (s.discontinuity ? " discontinuity" : "") + (s.key ? " key " + *s.key->address : "") +
               (s.range ? " bytes " + std::to_string(s.range->length) + "@" + std::to_string(s.range->offset) : "") +
               " " + s.address + "\n";
    }
    return out;
}

}  // namespace

std::string describePlaylist(std::string_view text, std::string_view address)
{
    const HlsParseResult result = parseHlsPlaylist(text, address);
    if (const auto* master = std::get_if<HlsMasterPlaylist>(&result)) {
        return describeMaster(*master);
    }
    if (const auto* media = std::get_if<HlsMediaPlaylist>(&result)) {
        return describeMedia(*media);
    }
    const HlsParseError& error = std::get<HlsParseError>(result);
    return "refused: " + std::string(describe(error.error)) +
           (error.line > 0 ? " (line " + std::to_string(error.line) + ")" : "") + "\n";
}

}  // namespace telvia::tools

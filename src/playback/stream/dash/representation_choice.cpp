#include "playback/stream/dash/representation_choice.h"

#include <algorithm>

#include "playback/stream/hls/variant_choice.h"

namespace telvia::stream {

namespace {

DashMediaKind kindOfText(std::string_view text)
{
    if (text.starts_with("video")) return DashMediaKind::video;
    if (text.starts_with("audio")) return DashMediaKind::audio;
    return DashMediaKind::other;
}

DashMediaKind kindOfCodecs(std::string_view codecs)
{
    if (codecs.find("avc") != std::string_view::npos || codecs.find("hvc") != std::string_view::npos ||
        codecs.find("hev") != std::string_view::npos) {
        return DashMediaKind::video;
    }
    if (codecs.find("mp4a") != std::string_view::npos || codecs.find("ac-3") != std::string_view::npos ||
        codecs.find("ec-3") != std::string_view::npos || codecs.find("opus") != std::string_view::npos) {
        return DashMediaKind::audio;
    }
    return DashMediaKind::other;
}

bool isPlayableContainer(std::string_view mimeType)
{
    // Leave out what follows the type, such as "; codecs=...".
    const std::string_view type = mimeType.substr(0, mimeType.find(';'));
    return type.empty() || type == "video/mp4" || type == "audio/mp4" || type == "video/mp2t";
}

// The best set of a kind: the main one, else the first, among those that can be played.
const DashAdaptationSet* bestSet(const DashPeriod& period, DashMediaKind kind, bool& sawProtected, bool& sawSet)
{
    const DashAdaptationSet* first = nullptr;
    for (const DashAdaptationSet& set : period.adaptationSets) {
        if (mediaKindOf(set) != kind) {
            continue;
        }
        sawSet = true;
        if (representationOrder(set).empty()) {
            sawProtected = sawProtected || std::any_of(set.representations.begin(), set.representations.end(),
                                                       [](const DashRepresentation& r) {
                                                           return r.isProtected && representationIsPlayable(r);
                                                       });
            continue;
        }
        if (set.isMainRole) {
            return &set;
        }
        first = first ? first : &set;
    }
    return first;
}

}  // namespace

DashMediaKind mediaKindOf(const DashAdaptationSet& set)
{
    if (!set.contentType.empty()) {
        return kindOfText(set.contentType);
    }
    const DashRepresentation* first = set.representations.empty() ? nullptr : &set.representations.front();
    const std::string_view mimeType = !set.mimeType.empty() ? std::string_view(set.mimeType)
                                      : first != nullptr    ? std::string_view(first->mimeType)
                                                            : std::string_view();
    if (!mimeType.empty()) {
        return kindOfText(mimeType);
    }
    return first != nullptr ? kindOfCodecs(first->codecs) : DashMediaKind::other;
}

bool representationIsPlayable(const DashRepresentation& representation)
{
    return isPlayableContainer(representation.mimeType) && codecsAreDecodable(representation.codecs) &&
           representation.width <= largestDecodableWidth && representation.height <= largestDecodableHeight;
}

std::vector<std::size_t> representationOrder(const DashAdaptationSet& set)
{
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < set.representations.size(); ++i) {
        const DashRepresentation& representation = set.representations[i];
        if (!representation.isProtected && representationIsPlayable(representation)) {
            order.push_back(i);
        }
    }
    std::stable_sort(order.begin(), order.end(), [&set](std::size_t a, std::size_t b) {
        return set.representations[a].bandwidth > set.representations[b].bandwidth;
    });
    return order;
}

std::variant<DashChoice, DashChoiceError> chooseTracks(const DashPeriod& period)
{
    bool sawProtected = false;
    bool sawVideo = false;
    bool sawAudio = false;
    DashChoice choice;
    choice.video.set = bestSet(period, DashMediaKind::video, sawProtected, sawVideo);
    choice.audio.set = bestSet(period, DashMediaKind::audio, sawProtected, sawAudio);
    const bool audioMissing = sawAudio && choice.audio.set == nullptr;
    if (audioMissing || (choice.video.set == nullptr && choice.audio.set == nullptr)) {
        return sawProtected ? DashChoiceError::protectedContent : DashChoiceError::nothingPlayable;
    }
    if (choice.video.set != nullptr) {
        choice.video.order = representationOrder(*choice.video.set);
    }
    if (choice.audio.set != nullptr) {
        choice.audio.order = representationOrder(*choice.audio.set);
    }
    return choice;
}

std::string_view describe(DashChoiceError error)
{
    switch (error) {
    case DashChoiceError::nothingPlayable: return "no representation the system can play";
    case DashChoiceError::protectedContent: return "content is protected (DRM)";
    }
    return "unknown";
}

}  // namespace telvia::stream

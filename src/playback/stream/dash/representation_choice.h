// Which representations of a period to play: one of pictures and one of sound side by side
// (like an HLS variant with an audio rendition), or sound alone for radio. Only what the
// system decodes is taken, judged by the codecs as for HLS; protected content is not.
#pragma once

#include <cstddef>
#include <cstdint>
#include <variant>
#include <vector>

#include "playback/stream/dash/dash_manifest.h"

namespace telvia::stream {

enum class DashMediaKind : std::uint8_t { video, audio, other };

// What an adaptation set carries: by its content type, else its (or its first
// representation's) MIME type, else its codecs.
[[nodiscard]] DashMediaKind mediaKindOf(const DashAdaptationSet& set);

// Whether the system can play the representation: fragmented MP4 or a transport stream,
// codecs it decodes, a picture no larger than its decoder takes. Protection aside.
[[nodiscard]] bool representationIsPlayable(const DashRepresentation& representation);

// Indexes of the playable, unprotected representations of a set, highest bandwidth first;
// ties keep manifest order.
[[nodiscard]] std::vector<std::size_t> representationOrder(const DashAdaptationSet& set);

struct DashTrackChoice {
    const DashAdaptationSet* set = nullptr;   // none: the period has no such track to play
    std::vector<std::size_t> order;           // representations of the set, best first
};

struct DashChoice {
    DashTrackChoice video;
    DashTrackChoice audio;
};

enum class DashChoiceError : std::uint8_t {
    nothingPlayable,   // no set of sound or pictures the system decodes
    protectedContent,  // what could be played is encrypted (ContentProtection)
};

// The sets to play in the period: the first set of its kind with the role "main", else the
// first of its kind, among those with a playable representation. Pictures the system does
// not decode leave the sound to play alone; sound it does not decode fails the period, as
// pictures without their sound would be no channel.
[[nodiscard]] std::variant<DashChoice, DashChoiceError> chooseTracks(const DashPeriod& period);

[[nodiscard]] std::string_view describe(DashChoiceError error);

}  // namespace telvia::stream

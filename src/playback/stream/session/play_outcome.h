// How one attempt at playing something (a playlist, a variant, a plain stream's body) ended.
#pragma once

#include <cstdint>

#include "platform/stream_source_port.h"

namespace telvia::stream {

struct PlayOutcome {
    enum class End : std::uint8_t {
        finished,  // the stream played to its end
        stopped,   // the session was stopped
        gaveOut,   // it played, then failed too often to go on: another variant may take over
        failed,    // it never played, for `failure`
    };
    End end = End::finished;
    StreamOpenResult failure = StreamOpenResult::unreachable;

    [[nodiscard]] static PlayOutcome finished() { return {End::finished}; }
    [[nodiscard]] static PlayOutcome stopped() { return {End::stopped}; }
    [[nodiscard]] static PlayOutcome gaveOut() { return {End::gaveOut}; }
    [[nodiscard]] static PlayOutcome failed(StreamOpenResult why) { return {End::failed, why}; }
};

// What the session tells about the opening once an attempt ended.
[[nodiscard]] inline StreamOpenResult openResultOf(PlayOutcome outcome)
{
    switch (outcome.end) {
    case PlayOutcome::End::finished:
    case PlayOutcome::End::gaveOut:
        return StreamOpenResult::opened;
    case PlayOutcome::End::stopped:
        return StreamOpenResult::stopped;
    case PlayOutcome::End::failed:
        break;
    }
    return outcome.failure;
}

}  // namespace telvia::stream

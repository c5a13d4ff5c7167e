// Plays a DASH manifest: one track of pictures and one of sound side by side, or sound
// alone, each fetched as its scheduler asks, through the same pipeline an HLS variant and
// its audio rendition take. Fragmented MP4 segments follow their initialisation segment;
// a representation of transport stream segments needs none. A live manifest is timed by
// the time source it names, else by the system's calendar clock, and reloaded as it says.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

#include "playback/stream/dash/dash_manifest.h"
#include "playback/stream/dash/dash_scheduler.h"
#include "playback/stream/delivery/sample_exchange.h"
#include "playback/stream/delivery/stream_clock.h"
#include "playback/stream/net/session_http.h"
#include "playback/stream/session/fetch_settings.h"
#include "playback/stream/session/media_pipeline.h"
#include "playback/stream/session/play_outcome.h"
#include "playback/stream/session/segment_loader.h"
#include "playback/stream/session/session_observer.h"

namespace telvia::stream {

class DashPlayback {
public:
    DashPlayback(SegmentLoader& loader, SessionHttp& http, SampleExchange& exchange, StreamClock& clock,
                 const FetchSettings& settings, SessionObserver& observer, std::stop_token stop);

    // `text` came from `requested`, which led to `finalAddress`; the manifest's addresses
    // are resolved against the latter, while reloads go to the former unless it names a
    // location of its own.
    [[nodiscard]] PlayOutcome play(std::string_view text, const std::string& requested,
                                   const std::string& finalAddress);

private:
    enum class StepEnd : std::uint8_t { goOn, stopped, noPlayableTrack };

    // Reads the manifest's time source, when it names one, into the clock offset.
    void setClock(const DashManifest& manifest);
    [[nodiscard]] Milliseconds wallNow() const;
    [[nodiscard]] PlayOutcome playTracks(const DashManifest& manifest, MediaPipeline& pipeline);
    [[nodiscard]] PlayOutcome failedWith(DashScheduleError error, const MediaPipeline& pipeline) const;
    [[nodiscard]] StepEnd perform(DashScheduler& scheduler, const DashStep& step, MediaPipeline& pipeline,
                                  MediaPipeline::Input input);
    [[nodiscard]] StepEnd playSegment(DashScheduler& scheduler, const DashStep& step, MediaPipeline& pipeline,
                                      MediaPipeline::Input input);
    // Fetches the manifest again and hands it to every scheduler still playing.
    void reload(DashScheduler& first, DashScheduler* second);
    [[nodiscard]] bool sleepUntilWall(Milliseconds until);

    SegmentLoader& loader_;
    SessionHttp& http_;
    SampleExchange& exchange_;
    StreamClock& clock_;
    const FetchSettings& settings_;
    SessionObserver& observer_;
    std::stop_token stop_;
    std::string reloadAddress_;
    Milliseconds clockOffset_{0};  // the manifest's time source ahead of the system's clock
};

}  // namespace telvia::stream

// Plays an HLS playlist: a media playlist's segments as its scheduler asks for them, or
// the variants of a master playlist, best first, each with the audio rendition it names
// fetched side by side with it. A variant that fails before it plays makes way for the
// next; one that gives out while playing hands over to the next, which goes on after the
// last segment that played.
#pragma once

#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

#include "playback/stream/delivery/sample_exchange.h"
#include "playback/stream/delivery/stream_clock.h"
#include "playback/stream/hls/hls_playlist.h"
#include "playback/stream/hls/playlist_scheduler.h"
#include "playback/stream/session/fetch_settings.h"
#include "playback/stream/session/media_pipeline.h"
#include "playback/stream/session/play_outcome.h"
#include "playback/stream/session/segment_loader.h"
#include "playback/stream/session/session_observer.h"

namespace telvia::stream {

class HlsPlayback {
public:
    HlsPlayback(SegmentLoader& loader, SampleExchange& exchange, StreamClock& clock, const FetchSettings& settings,
                SessionObserver& observer, std::stop_token stop);

    // `text` came from `requested`, which led to `finalAddress`; the playlist's addresses
    // are resolved against the latter, while reloads go to the former.
    [[nodiscard]] PlayOutcome play(std::string_view text, const std::string& requested,
                                   const std::string& finalAddress);

private:
    enum class StepEnd : std::uint8_t { goOn, stopped, noPlayableTrack };

    [[nodiscard]] PlayOutcome playVariants(const HlsMasterPlaylist& master);
    [[nodiscard]] PlayOutcome playVariant(const HlsVariant& variant, const HlsAudioRendition* audio,
                                          MediaPipeline& pipeline);
    [[nodiscard]] PlayOutcome playMedia(const HlsMediaPlaylist& playlist, const std::string& reloadAddress,
                                        MediaPipeline& pipeline);
    // Plays a variant's pictures and a separate audio rendition together, fetching from
    // whichever of the two playlists is further behind.
    [[nodiscard]] PlayOutcome playWithRendition(const HlsMediaPlaylist& video, const std::string& videoAddress,
                                                const HlsMediaPlaylist& audio, const std::string& audioAddress,
                                                MediaPipeline& pipeline);
    // Fetches the segment the scheduler asked for into one input of the pipeline and tells
    // the scheduler how it went.
    [[nodiscard]] StepEnd playSegment(PlaylistScheduler& scheduler, const SchedulerStep& step,
                                      std::int64_t targetDurationMs, MediaPipeline& pipeline,
                                      MediaPipeline::Input input);
    // Readies the input's reader for the segment: reads the initialisation section it
    // follows, fetched the first time, unless the reader has it already.
    [[nodiscard]] FetchResult prepareReader(const HlsSegment& segment, std::int64_t targetDurationMs,
                                            MediaPipeline& pipeline, MediaPipeline::Input input);
    // The playlist at the address, read and parsed; none when it could not be had.
    [[nodiscard]] std::optional<HlsParseResult> readPlaylist(const std::string& address);
    [[nodiscard]] PlaylistScheduler scheduleFor(const HlsMediaPlaylist& playlist) const;
    // Only what reached the player counts: a variant that never opened leaves no place.
    void notePlayed(std::uint64_t sequence, const MediaPipeline& pipeline);

    SegmentLoader& loader_;
    SampleExchange& exchange_;
    StreamClock& clock_;
    const FetchSettings& settings_;
    SessionObserver& observer_;
    std::stop_token stop_;
    // The sequence number of the latest segment that played, for a variant taking over.
    std::optional<std::uint64_t> lastSequence_;
};

}  // namespace telvia::stream

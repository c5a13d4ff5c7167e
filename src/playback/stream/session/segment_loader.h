// Fetches what a media playlist names: its segments, whose bytes go on as they arrive
// (decrypted on the way where the playlist says so), and the playlist itself again.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <vector>

#include "platform/cipher_port.h"
#include "playback/stream/delivery/sample_exchange.h"
#include "playback/stream/delivery/stream_clock.h"
#include "playback/stream/hls/hls_playlist.h"
#include "playback/stream/hls/playlist_scheduler.h"
#include "playback/stream/net/session_http.h"
#include "playback/stream/session/fetch_result.h"
#include "playback/stream/session/fetch_settings.h"
#include "playback/stream/session/init_section_cache.h"
#include "playback/stream/session/segment_keys.h"

namespace telvia::stream {

// Takes a segment's bytes as they arrive; answers false when it wants no more.
using SegmentSink = std::function<bool(std::span<const std::uint8_t> bytes)>;

// An initialisation section's bytes, valid until the next one is loaded, or why it could
// not be had.
struct InitSectionLoaded {
    FetchResult result = FetchResult::failed;
    const std::vector<std::uint8_t>* bytes = nullptr;
};

// A playlist read and parsed, or why it could not be had.
struct PlaylistFetched {
    std::optional<HlsParseResult> parsed;
    FetchFailure failure = FetchFailure::other;
};

class SegmentLoader {
public:
    SegmentLoader(SessionHttp& http, CipherPort& cipher, SampleExchange& exchange, StreamClock& clock,
                  const FetchSettings& settings, std::stop_token stop);

    // Fetches the segment into the sink, waiting for room in the exchange between reads.
    // A sink that wants no more ends the segment as loaded: the caller knows why. A segment
    // of a playlist with this target duration that takes longer than its download limit
    // fails.
    [[nodiscard]] FetchResult load(const HlsSegment& segment, std::int64_t targetDurationMs, const SegmentSink& sink);

    // The initialisation section, fetched (and decrypted) whole the first time and kept.
    // One cut short or larger than the settings allow fails.
    [[nodiscard]] InitSectionLoaded loadInitSection(const HlsInitSection& section, std::int64_t targetDurationMs);

    // Reads the playlist at the address within the download limit of its target duration
    // (0 when it is not known yet, before the playlist was ever read).
    [[nodiscard]] PlaylistFetched fetchPlaylist(const std::string& address, std::int64_t targetDurationMs);

    // The media playlists read from now on belong to this multivariant playlist and may
    // import its variables.
    void importFrom(const HlsMasterPlaylist& master) { imports_ = master.variables; }

    // Fetches the playlist at the address again and tells the scheduler what came.
    void reload(PlaylistScheduler& scheduler, const std::string& address, std::int64_t targetDurationMs);

private:
    // When a download started now must be whole.
    [[nodiscard]] Milliseconds deadlineFor(std::int64_t targetDurationMs) const;

    SessionHttp& http_;
    SampleExchange& exchange_;
    StreamClock& clock_;
    const FetchSettings& settings_;
    std::stop_token stop_;
    std::optional<std::vector<HlsVariable>> imports_;
    SegmentKeys keys_;
    InitSectionCache initSections_;
    std::vector<std::uint8_t> buffer_;  // one read's bytes
};

}  // namespace telvia::stream

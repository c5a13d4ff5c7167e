// How a stream session fetches: the pace of playlists and segments, the assembler's
// patience, the largest reads, and how a plain stream that breaks off is asked for again.
#pragma once

#include <chrono>
#include <cstddef>

#include "playback/stream/dash/dash_scheduler.h"
#include "playback/stream/delivery/sample_assembler.h"
#include "playback/stream/hls/playlist_scheduler.h"

namespace telvia::stream {

struct FetchSettings {
    SchedulerSettings scheduler;
    DashSchedulerSettings dash;
    AssemblerSettings assembler;
    std::size_t playlistLimit = 4 * 1024 * 1024;  // longest playlist read
    std::size_t readSize = 64 * 1024;             // most bytes asked for by one read
    // Largest initialisation section (#EXT-X-MAP) read: a movie box with a few tracks'
    // descriptions is a few kilobytes.
    std::size_t initSectionLimit = 1024 * 1024;
    // A plain stream whose connection breaks off is asked for again, after this delay,
    // doubled for each attempt in a row that brings nothing, up to this many attempts.
    std::chrono::milliseconds reconnectDelay{1000};
    int reconnectAttempts = 3;
    // Variants of a master playlist tried in all, the best first; before each try after one
    // that failed without playing, this pause. A list of thousands of failing variants
    // (to as many hosts) is then a handful of requests, not a flood.
    std::size_t variantAttempts = 8;
    // The longest a segment or a playlist may take to come whole, in target durations and
    // at least this long: a server that trickles a byte now and then fails like one that
    // does not answer, and the next try, skip or variant follows.
    int downloadTargets = 3;
    std::chrono::milliseconds shortestDownloadLimit{10'000};
    std::chrono::milliseconds variantPause{500};
    // Audio units of a separate rendition kept while the pictures' program is awaited:
    // about 80 seconds of AAC. Older ones go.
    std::size_t heldAudioLimit = 4096;
};

}  // namespace telvia::stream

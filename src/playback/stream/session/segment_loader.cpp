#include "playback/stream/session/segment_loader.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>
#include <variant>

namespace telvia::stream {

SegmentLoader::SegmentLoader(SessionHttp& http, CipherPort& cipher, SampleExchange& exchange, StreamClock& clock,
                             const FetchSettings& settings, std::stop_token stop)
    : http_(http),
      exchange_(exchange),
      clock_(clock),
      settings_(settings),
      stop_(stop),
      keys_(http, cipher, stop),
      buffer_(std::max<std::size_t>(settings.readSize, 1))
{
}

Milliseconds SegmentLoader::deadlineFor(std::int64_t targetDurationMs) const
{
    const Milliseconds limit{std::max<std::int64_t>(settings_.downloadTargets * std::max<std::int64_t>(targetDurationMs, 0),
                                                    settings_.shortestDownloadLimit.count())};
    return clock_.now() + limit;
}

FetchResult SegmentLoader::load(const HlsSegment& segment, std::int64_t targetDurationMs, const SegmentSink& sink)
{
    Milliseconds deadline = deadlineFor(targetDurationMs);
    std::optional<HttpByteRange> range;
    if (segment.range && segment.range->length > 0) {
        range = HttpByteRange{segment.range->offset, segment.range->offset + segment.range->length - 1};
    }
    // The key comes first, so that the segment's bytes can be decrypted as they arrive.
    std::unique_ptr<SegmentDecryption> decryption;
    if (segment.key) {
        SegmentDecryptionMade made = keys_.decryptionFor(*segment.key);
        if (!made.decryption) {
            return made.failure;
        }
        decryption = std::move(made.decryption);
    }
    const std::unique_ptr<SessionTransfer> transfer = http_.get(segment.address, range);
    const HttpStarted started = transfer->start();
    if (started.error != httpOk) {
        return stop_.stop_requested() ? FetchResult::stopped : FetchResult::failed;
    }
    if (!isSuccess(started.head.status)) {
        return resultOfStatus(started.head.status);
    }
    // Each piece goes on as it arrives: playback need not wait for whole segments.
    bool any = false;
    for (;;) {
        const HttpReadResult read = transfer->read(buffer_);
        if (read.error != httpOk) {
            return stop_.stop_requested() ? FetchResult::stopped : any ? FetchResult::brokenOff : FetchResult::failed;
        }
        const bool ended = read.count == 0;
        std::optional<std::span<const std::uint8_t>> bytes = std::span<const std::uint8_t>(buffer_).first(read.count);
        if (decryption) {
            bytes = ended ? decryption->finish() : decryption->feed(*bytes);
            if (!bytes) {
                // Cut short, padded wrongly or decrypted with the wrong key: what came
                // before the last block has been played, the rest is lost.
                return any ? FetchResult::brokenOff : FetchResult::failed;
            }
        }
        if (ended) {
            // The last block's plain bytes; whatever the sink answers, the segment is whole.
            (void)sink(*bytes);
            return FetchResult::loaded;
        }
        any = true;
        if (!sink(*bytes)) {
            return FetchResult::loaded;
        }
        // Waiting for room is the player's time, not the server's.
        const Milliseconds waitStart = clock_.now();
        if (!exchange_.waitForRoom()) {
            return FetchResult::stopped;
        }
        deadline += clock_.now() - waitStart;
        if (clock_.now() >= deadline) {
            return FetchResult::brokenOff;  // what came plays, the rest is given up
        }
    }
}

PlaylistFetched SegmentLoader::fetchPlaylist(const std::string& address, std::int64_t targetDurationMs)
{
    const Milliseconds deadline = deadlineFor(targetDurationMs);
    const WholeBody whole =
        http_.getWhole(address, settings_.playlistLimit, [this, deadline] { return clock_.now() >= deadline; });
    if (whole.error != httpOk || !isSuccess(whole.head.status)) {
        return {std::nullopt, whole.error == httpOk ? failureOfStatus(whole.head.status) : FetchFailure::other};
    }
    return {parseHlsPlaylist(whole.body, whole.head.finalAddress, imports_ ? &*imports_ : nullptr)};
}

void SegmentLoader::reload(PlaylistScheduler& scheduler, const std::string& address, std::int64_t targetDurationMs)
{
    const PlaylistFetched fetched = fetchPlaylist(address, targetDurationMs);
    if (stop_.stop_requested()) {
        return;
    }
    const auto* media = fetched.parsed ? std::get_if<HlsMediaPlaylist>(&*fetched.parsed) : nullptr;
    if (media == nullptr) {
        scheduler.playlistFailed(fetched.parsed ? FetchFailure::other : fetched.failure, clock_.now());
        return;
    }
    scheduler.playlistLoaded(*media, clock_.now());
}

}  // namespace telvia::stream

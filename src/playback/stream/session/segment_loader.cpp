#include "playback/stream/session/segment_loader.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>
#include <variant>

#include "playback/stream/session/byte_range_window.h"

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
    std::optional<HlsByteRange> wanted;
    if (segment.range && segment.range->length > 0) {
        range = HttpByteRange{segment.range->offset, segment.range->offset + segment.range->length - 1};
        wanted = segment.range;
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
    constexpr std::uint32_t partialContent = 206;
    ByteRangeWindow window(wanted, started.head.status != partialContent);
    // Each piece goes on as it arrives: playback need not wait for whole segments.
    bool any = false;
    for (;;) {
        const HttpReadResult read = transfer->read(buffer_);
        if (read.error != httpOk) {
            return stop_.stop_requested() ? FetchResult::stopped : any ? FetchResult::brokenOff : FetchResult::failed;
        }
        const std::span<const std::uint8_t> piece = window.take(std::span<const std::uint8_t>(buffer_).first(read.count));
        const bool ended = read.count == 0 || window.complete();
        if (!piece.empty()) {
            const std::optional<std::span<const std::uint8_t>> bytes = decryption ? decryption->feed(piece) : piece;
            if (!bytes) {
                return any ? FetchResult::brokenOff : FetchResult::failed;
            }
            any = true;
            if (!sink(*bytes)) {
                return FetchResult::loaded;
            }
        }
        if (ended) {
            if (decryption) {
                // Cut short, padded wrongly or decrypted with the wrong key: what came
                // before the last block has been played, the rest is lost.
                const std::optional<std::span<const std::uint8_t>> last = decryption->finish();
                if (!last) {
                    return any ? FetchResult::brokenOff : FetchResult::failed;
                }
                // The last block's plain bytes; whatever the sink answers, the segment is whole.
                (void)sink(*last);
            }
            return FetchResult::loaded;
        }
        if (read.count > 0) {
            any = true;
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

InitSectionLoaded SegmentLoader::loadInitSection(const HlsInitSection& section, std::int64_t targetDurationMs)
{
    if (const std::vector<std::uint8_t>* kept = initSections_.find(section)) {
        return {FetchResult::loaded, kept};
    }
    // Fetched like a segment: the same range request, key and time limit.
    HlsSegment request;
    request.address = section.address;
    request.range = section.range;
    request.key = section.key;
    std::vector<std::uint8_t> bytes;
    bool tooLong = false;
    const FetchResult result = load(request, targetDurationMs, [&](std::span<const std::uint8_t> piece) {
        if (piece.size() > settings_.initSectionLimit - bytes.size()) {
            tooLong = true;
            return false;
        }
        bytes.insert(bytes.end(), piece.begin(), piece.end());
        return true;
    });
    if (result == FetchResult::stopped) {
        return {result, nullptr};
    }
    if (result != FetchResult::loaded || tooLong) {
        // Half a movie box describes nothing. A section that is gone is not a segment the
        // live edge has passed: every segment after it needs it, so it fails like a key.
        return {FetchResult::failed, nullptr};
    }
    return {FetchResult::loaded, &initSections_.keep(section, std::move(bytes))};
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

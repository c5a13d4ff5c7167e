#include "playback/stream/session/stream_fetcher.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "playback/stream/container/stream_sniffer.h"
#include "playback/stream/container/unit_reader.h"
#include "playback/stream/session/dash_playback.h"
#include "playback/stream/session/hls_playback.h"
#include "playback/stream/session/media_pipeline.h"
#include "playback/stream/session/plain_stream_playback.h"
#include "playback/stream/session/segment_loader.h"

namespace telvia::stream {

void StreamFetcher::run(const std::string& address, AddressKind kind)
{
    StreamOpenResult result = StreamOpenResult::unreachable;
    try {
        result = openResultOf(play(address, kind));
    } catch (...) {
        // Nothing may leave the thread, or the process ends: a stream whose data made the
        // session fail (memory it could not have, above all) ends here like a stream
        // that broke off, or fails to open like one that could not be reached.
    }
    exchange_.finish(result);
}

PlayOutcome StreamFetcher::unreachable() const
{
    return stop_.stop_requested() ? PlayOutcome::stopped() : PlayOutcome::failed(StreamOpenResult::unreachable);
}

PlayOutcome StreamFetcher::play(const std::string& address, AddressKind kind)
{
    OpenedBody body{http_.get(address), IcyMetadataSkipper(0), {}, false};
    const HttpStarted started = body.transfer->start();
    if (started.error != httpOk || !isSuccess(started.head.status)) {
        return unreachable();
    }
    body.skipper = metadataSkipperFor(started.head);

    // Enough of the body to tell what it holds; the address alone does not say.
    std::vector<std::uint8_t> buffer(std::max<std::size_t>(settings_.readSize, 1));
    while (!body.ended && body.first.size() < sniffLength) {
        const HttpReadResult read = body.transfer->read(buffer);
        if (read.error != httpOk) {
            return unreachable();
        }
        body.ended = read.count == 0;
        body.skipper.feed(std::span(buffer).first(read.count), body.first);
    }
    StreamFormat format = sniffStreamFormat(started.head.contentType.value_or(""), body.first);
    if (format == StreamFormat::unknown && kind == AddressKind::hlsPlaylist) {
        format = StreamFormat::hlsPlaylist;  // the parser has the last word
    }
    if (format == StreamFormat::unknown && kind == AddressKind::dashManifest) {
        format = StreamFormat::dashManifest;
    }
    observer_.onFormat(format);
    switch (format) {
    case StreamFormat::hlsPlaylist:
    case StreamFormat::dashManifest: {
        std::string text(body.first.begin(), body.first.end());
        while (!body.ended) {
            const HttpReadResult read = body.transfer->read(buffer);
            if (read.error != httpOk || text.size() + read.count > settings_.playlistLimit) {
                return unreachable();
            }
            body.ended = read.count == 0;
            text.append(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(read.count));
        }
        body.transfer.reset();
        SegmentLoader loader(http_, cipher_, exchange_, clock_, settings_, stop_);
        if (format == StreamFormat::dashManifest) {
            DashPlayback dash(loader, http_, exchange_, clock_, settings_, observer_, stop_);
            return dash.play(text, address, started.head.finalAddress);
        }
        HlsPlayback hls(loader, exchange_, clock_, settings_, observer_, stop_);
        return hls.play(text, address, started.head.finalAddress);
    }
    case StreamFormat::transportStream:
    case StreamFormat::fragmentedMp4:
    case StreamFormat::mpegAudio:
    case StreamFormat::adtsAudio: {
        std::unique_ptr<UnitReader> reader =
            format == StreamFormat::transportStream ? makeTransportStreamReader()
            : format == StreamFormat::fragmentedMp4 ? makeFragmentedMp4Reader()
            : makeAudioStreamReader(format == StreamFormat::mpegAudio ? StreamTrackKind::mpegAudio
                                                                      : StreamTrackKind::aacAdts);
        MediaPipeline pipeline(exchange_, std::move(reader), settings_.assembler, settings_.heldAudioLimit);
        PlainStreamPlayback plain(http_, exchange_, clock_, settings_, stop_);
        return plain.play(address, std::move(body), pipeline);
    }
    case StreamFormat::asf:
    case StreamFormat::unknown:
        break;
    }
    return PlayOutcome::failed(StreamOpenResult::notSupported);
}

}  // namespace telvia::stream

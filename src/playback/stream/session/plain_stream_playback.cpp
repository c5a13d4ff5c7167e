#include "playback/stream/session/plain_stream_playback.h"

#include <algorithm>
#include <utility>

namespace telvia::stream {

IcyMetadataSkipper metadataSkipperFor(const HttpResponseHead& head)
{
    return IcyMetadataSkipper(head.icyMetaInt ? parseIcyMetaInt(*head.icyMetaInt).value_or(0) : 0);
}

PlainStreamPlayback::PlainStreamPlayback(SessionHttp& http, SampleExchange& exchange, StreamClock& clock,
                                         const FetchSettings& settings, std::stop_token stop)
    : http_(http),
      exchange_(exchange),
      clock_(clock),
      settings_(settings),
      stop_(std::move(stop)),
      buffer_(std::max<std::size_t>(settings.readSize, 1))
{
}

PlayOutcome PlainStreamPlayback::play(const std::string& address, OpenedBody body, MediaPipeline& pipeline)
{
    if (!pipeline.feed(body.first)) {
        return PlayOutcome::failed(StreamOpenResult::noPlayableTrack);
    }
    int failures = 0;
    for (;;) {
        bool delivered = false;
        const BodyEnd end = body.ended ? BodyEnd::complete : readBody(body, pipeline, delivered);
        switch (end) {
        case BodyEnd::nothingPlayable:
            return PlayOutcome::failed(StreamOpenResult::noPlayableTrack);
        case BodyEnd::stopped:
            return pipeline.ended(stop_);
        case BodyEnd::complete:
            pipeline.finish();
            return pipeline.ended(stop_);
        case BodyEnd::brokenOff:
            break;
        }
        if (!pipeline.opened()) {
            return pipeline.gaveOut(stop_);
        }
        // A stream that broke off after it played is picked up again where the server now
        // stands; what was lost in between is a gap in the samples.
        pipeline.finish();
        pipeline.loss();
        if (delivered) {
            failures = 0;
        }
        if (!reconnect(address, failures, body)) {
            return pipeline.ended(stop_);
        }
    }
}

PlainStreamPlayback::BodyEnd PlainStreamPlayback::readBody(OpenedBody& body, MediaPipeline& pipeline,
                                                           bool& delivered)
{
    std::vector<std::uint8_t> audio;
    for (;;) {
        if (!exchange_.waitForRoom()) {
            return BodyEnd::stopped;
        }
        const HttpReadResult read = body.transfer->read(buffer_);
        if (read.error != httpOk) {
            return stop_.stop_requested() ? BodyEnd::stopped : BodyEnd::brokenOff;
        }
        if (read.count == 0) {
            return BodyEnd::complete;
        }
        delivered = true;
        audio.clear();
        body.skipper.feed(std::span(buffer_).first(read.count), audio);
        if (!pipeline.feed(audio)) {
            return BodyEnd::nothingPlayable;
        }
    }
}

bool PlainStreamPlayback::reconnect(const std::string& address, int& failures, OpenedBody& body)
{
    while (failures < settings_.reconnectAttempts) {
        const std::chrono::milliseconds delay = settings_.reconnectDelay * (1 << std::min(failures, 16));
        ++failures;
        if (!exchange_.sleepUntil(clock_.now() + delay)) {
            return false;
        }
        std::unique_ptr<SessionTransfer> transfer = http_.get(address);
        const HttpStarted started = transfer->start();
        if (started.error == httpOk && isSuccess(started.head.status)) {
            body.transfer = std::move(transfer);
            // The new answer counts its metadata afresh.
            body.skipper = metadataSkipperFor(started.head);
            return true;
        }
        if (stop_.stop_requested()) {
            return false;
        }
    }
    return false;
}

}  // namespace telvia::stream

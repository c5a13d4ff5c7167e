#include "playback/stream/stream_fetcher.h"

#include <algorithm>
#include <iterator>
#include <utility>
#include <variant>
#include <vector>

#include "playback/stream/icy_metadata.h"
#include "playback/stream/segment_decryption.h"
#include "playback/stream/stream_sniffer.h"
#include "playback/stream/variant_choice.h"

namespace telvia::stream {

namespace {

FetchFailure failureOf(std::uint32_t status)
{
    return status == 404 || status == 410 ? FetchFailure::notFound : FetchFailure::other;
}

// When every variant failed, a failure that reached the stream says more than one that
// did not reach it.
OpenStatus moreTelling(std::optional<OpenStatus> so_far, OpenStatus next)
{
    return so_far && *so_far != OpenStatus::unreachable ? *so_far : next;
}

// Pictures and audio come in separate segments, a whole segment of one before the other:
// the assembler waits that much longer for the half it lacks.
AssemblerSettings pairedSettings(AssemblerSettings settings, const HlsMediaPlaylist& pictures,
                                 const HlsMediaPlaylist& audio)
{
    constexpr std::int64_t longestCounted = 60'000;
    const std::int64_t longestMs = std::min(std::max(pictures.targetDurationMs, audio.targetDurationMs), longestCounted);
    settings.audioPatience += 2 * longestMs * static_cast<std::int64_t>(streamClockRate) / 1000;
    constexpr std::int64_t framesPerSecond = 50;  // AAC at 48 kHz has about 47
    settings.audioWhileAwaitingVideo += static_cast<std::size_t>(2 * (longestMs / 1000 + 1) * framesPerSecond);
    return settings;
}

// Audio frames kept while the pictures' program is awaited: about 80 seconds of AAC.
constexpr std::size_t heldAudioLimit = 4096;

bool isAudioStream(const ProgramStream& stream)
{
    return stream.kind == EsKind::aacAdts || stream.kind == EsKind::mpegAudio;
}

}  // namespace

void StreamFetcher::run(const std::string& address, AddressKind kind)
{
    buffer_.resize(std::max<std::size_t>(settings_.readSize, 1));
    exchange_.finish(openAddress(address, kind));
}

OpenStatus StreamFetcher::failedRequest() const
{
    return http_.cancelled() ? OpenStatus::stopped : OpenStatus::unreachable;
}

OpenStatus StreamFetcher::openAddress(const std::string& address, AddressKind kind)
{
    std::unique_ptr<SessionTransfer> transfer = http_.get(address);
    const HttpStarted started = transfer->start();
    if (started.error != httpOk || !isSuccess(started.head.status)) {
        return failedRequest();
    }
    // Radio servers may put metadata between the audio bytes; only the audio counts.
    IcyMetadataSkipper skipper(started.head.icyMetaInt ? parseIcyMetaInt(*started.head.icyMetaInt).value_or(0) : 0);

    // Enough of the body to tell what it holds; the address alone does not say.
    std::vector<std::uint8_t> first;
    bool ended = false;
    while (!ended && first.size() < sniffLength) {
        const HttpReadResult read = transfer->read(buffer_);
        if (read.error != httpOk) {
            return failedRequest();
        }
        ended = read.count == 0;
        skipper.feed(std::span(buffer_).first(read.count), first);
    }
    StreamFormat format = sniffStreamFormat(started.head.contentType.value_or(""), first);
    if (format == StreamFormat::unknown && kind == AddressKind::hlsPlaylist) {
        format = StreamFormat::hlsPlaylist;  // the parser has the last word
    }
    switch (format) {
    case StreamFormat::hlsPlaylist: {
        std::string text(first.begin(), first.end());
        while (!ended) {
            const HttpReadResult read = transfer->read(buffer_);
            if (read.error != httpOk || text.size() + read.count > settings_.playlistLimit) {
                return failedRequest();
            }
            ended = read.count == 0;
            text.append(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(read.count));
        }
        return playPlaylist(text, address, started.head.finalAddress);
    }
    case StreamFormat::transportStream: {
        Pipeline pipeline{makeTransportStreamReader(), SampleAssembler(settings_.assembler)};
        return playBody(address, std::move(transfer), pipeline, skipper, first, ended);
    }
    case StreamFormat::mpegAudio:
    case StreamFormat::adtsAudio: {
        const EsKind audio = format == StreamFormat::mpegAudio ? EsKind::mpegAudio : EsKind::aacAdts;
        Pipeline pipeline{makeAudioStreamReader(audio), SampleAssembler(settings_.assembler)};
        return playBody(address, std::move(transfer), pipeline, skipper, first, ended);
    }
    case StreamFormat::asf:
    case StreamFormat::unknown:
        break;
    }
    return OpenStatus::notSupported;
}

OpenStatus StreamFetcher::playBody(const std::string& address, std::unique_ptr<SessionTransfer> transfer,
                                   Pipeline& pipeline, IcyMetadataSkipper skipper,
                                   std::span<const std::uint8_t> first, bool ended)
{
    if (!pump(pipeline, first)) {
        return OpenStatus::noPlayableTrack;
    }
    int failures = 0;
    for (;;) {
        bool delivered = false;
        const BodyEnd end = ended ? BodyEnd::complete : readBody(*transfer, pipeline, skipper, delivered);
        switch (end) {
        case BodyEnd::nothingPlayable:
            return OpenStatus::noPlayableTrack;
        case BodyEnd::stopped:
            return endOf(pipeline);
        case BodyEnd::complete:
            flush(pipeline);
            return endOf(pipeline);
        case BodyEnd::brokenOff:
            break;
        }
        if (!opened_) {
            return failedRequest();
        }
        // A stream that broke off after it played is picked up again where the server now
        // stands; what was lost in between is a gap in the samples.
        flush(pipeline);
        pipeline.assembler.loss();
        if (delivered) {
            failures = 0;
        }
        transfer = reconnect(address, failures, skipper);
        if (!transfer) {
            return endOf(pipeline);
        }
    }
}

StreamFetcher::BodyEnd StreamFetcher::readBody(SessionTransfer& transfer, Pipeline& pipeline,
                                               IcyMetadataSkipper& skipper, bool& delivered)
{
    std::vector<std::uint8_t> audio;
    for (;;) {
        if (!exchange_.waitForRoom()) {
            return BodyEnd::stopped;
        }
        const HttpReadResult read = transfer.read(buffer_);
        if (read.error != httpOk) {
            return http_.cancelled() ? BodyEnd::stopped : BodyEnd::brokenOff;
        }
        if (read.count == 0) {
            return BodyEnd::complete;
        }
        delivered = true;
        audio.clear();
        skipper.feed(std::span(buffer_).first(read.count), audio);
        if (!pump(pipeline, audio)) {
            return BodyEnd::nothingPlayable;
        }
    }
}

std::unique_ptr<SessionTransfer> StreamFetcher::reconnect(const std::string& address, int& failures,
                                                          IcyMetadataSkipper& skipper)
{
    while (failures < settings_.reconnectAttempts) {
        const std::chrono::milliseconds delay = settings_.reconnectDelay * (1 << std::min(failures, 16));
        ++failures;
        if (!exchange_.sleepUntil(clock_.now() + delay)) {
            return nullptr;
        }
        std::unique_ptr<SessionTransfer> transfer = http_.get(address);
        const HttpStarted started = transfer->start();
        if (started.error == httpOk && isSuccess(started.head.status)) {
            // The new answer counts its metadata afresh.
            skipper = IcyMetadataSkipper(
                started.head.icyMetaInt ? parseIcyMetaInt(*started.head.icyMetaInt).value_or(0) : 0);
            return transfer;
        }
        if (http_.cancelled()) {
            return nullptr;
        }
    }
    return nullptr;
}

OpenStatus StreamFetcher::playPlaylist(std::string_view text, const std::string& requested,
                                       const std::string& finalAddress)
{
    const HlsParseResult parsed = parseHlsPlaylist(text, finalAddress);
    if (const auto* master = std::get_if<HlsMasterPlaylist>(&parsed)) {
        return playVariants(*master);
    }
    if (const auto* media = std::get_if<HlsMediaPlaylist>(&parsed)) {
        // Reloads go to the address asked for: a redirect may have led to a one-time address.
        Pipeline pipeline{makeTransportStreamReader(), SampleAssembler(settings_.assembler)};
        bool gaveOut = false;
        return playMedia(*media, requested, pipeline, gaveOut);
    }
    return OpenStatus::notSupported;
}

OpenStatus StreamFetcher::playVariants(const HlsMasterPlaylist& master)
{
    std::optional<OpenStatus> failure;
    std::optional<Pipeline> pipeline;
    for (const std::size_t index : variantOrder(master.variants)) {
        if (!opened_) {
            // Each try at opening starts clean.
            pipeline.emplace(Pipeline{makeTransportStreamReader(), SampleAssembler(settings_.assembler)});
        } else {
            // A variant gave out while playing and the next takes over: the tracks stay,
            // and the timeline runs on from where the last one ended.
            flush(*pipeline);
            pipeline->reader = makeTransportStreamReader();
            pipeline->rendition.reset();
            pipeline->heldAudio.clear();
            pipeline->assembler.discontinuity();
        }
        bool gaveOut = false;
        const HlsVariant& variant = master.variants[index];
        const OpenStatus status = playVariant(variant.address, audioRenditionFor(master, variant), *pipeline, gaveOut);
        if (status == OpenStatus::stopped || (status == OpenStatus::opened && !gaveOut)) {
            return status;
        }
        if (!opened_) {
            failure = moreTelling(failure, status);
        }
    }
    return opened_ ? OpenStatus::opened : failure.value_or(OpenStatus::noPlayableTrack);
}

OpenStatus StreamFetcher::playVariant(const std::string& address, const HlsAudioRendition* audio,
                                      Pipeline& pipeline, bool& gaveOut)
{
    const WholeBody whole = http_.getWhole(address, settings_.playlistLimit);
    if (whole.error != httpOk || !isSuccess(whole.head.status)) {
        gaveOut = opened_;
        return opened_ && !http_.cancelled() ? OpenStatus::opened : failedRequest();
    }
    const HlsParseResult parsed = parseHlsPlaylist(whole.body, whole.head.finalAddress);
    if (const auto* media = std::get_if<HlsMediaPlaylist>(&parsed)) {
        if (audio != nullptr) {
            // A rendition whose playlist cannot be had leaves the pictures to play alone.
            const WholeBody sound = http_.getWhole(audio->address, settings_.playlistLimit);
            if (sound.error == httpOk && isSuccess(sound.head.status)) {
                const HlsParseResult soundParsed = parseHlsPlaylist(sound.body, sound.head.finalAddress);
                if (const auto* soundMedia = std::get_if<HlsMediaPlaylist>(&soundParsed)) {
                    pipeline.rendition = std::make_unique<RenditionReader>();
                    if (!opened_) {
                        pipeline.assembler = SampleAssembler(pairedSettings(settings_.assembler, *media, *soundMedia));
                    }
                    return playPair(*media, address, *soundMedia, audio->address, pipeline, gaveOut);
                }
            }
        }
        return playMedia(*media, address, pipeline, gaveOut);
    }
    gaveOut = opened_;
    return opened_ ? OpenStatus::opened : OpenStatus::notSupported;
}

OpenStatus StreamFetcher::playMedia(const HlsMediaPlaylist& playlist, const std::string& reloadAddress,
                                    Pipeline& pipeline, bool& gaveOut)
{
    LiveScheduler scheduler(playlist, clock_.now(), settings_.scheduler);
    if (lastSequence_) {
        scheduler.continueAfter(*lastSequence_);
    }
    for (;;) {
        if (!exchange_.waitForRoom()) {
            return endOf(pipeline);
        }
        const SchedulerStep step = scheduler.next(clock_.now());
        switch (step.kind) {
        case SchedulerStep::Kind::fetchPlaylist:
            reloadPlaylist(scheduler, reloadAddress);
            break;
        case SchedulerStep::Kind::fetchSegment:
            switch (playSegment(scheduler, step, pipeline, Side::variant)) {
            case StepEnd::goOn:
                break;
            case StepEnd::stopped:
                return endOf(pipeline);
            case StepEnd::noPlayableTrack:
                return OpenStatus::noPlayableTrack;
            }
            break;
        case SchedulerStep::Kind::wait:
            if (!exchange_.sleepUntil(step.until)) {
                return endOf(pipeline);
            }
            break;
        case SchedulerStep::Kind::finished:
            flush(pipeline);
            return endOf(pipeline);
        case SchedulerStep::Kind::failed:
            gaveOut = opened_;
            return opened_ ? OpenStatus::opened : failedRequest();
        }
    }
}

OpenStatus StreamFetcher::playPair(const HlsMediaPlaylist& pictures, const std::string& picturesAddress,
                                   const HlsMediaPlaylist& audio, const std::string& audioAddress,
                                   Pipeline& pipeline, bool& gaveOut)
{
    using Kind = SchedulerStep::Kind;
    LiveScheduler video(pictures, clock_.now(), settings_.scheduler);
    if (lastSequence_) {
        video.continueAfter(*lastSequence_);
    }
    // The two playlists number their segments each in their own way: the audio starts
    // where the pictures do in time.
    LiveScheduler sound(audio, clock_.now(), settings_.scheduler);
    sound.startAtPending(video.pendingDuration());
    // While the audio waits to try a segment again, the pictures go on only this far ahead.
    const Milliseconds lead{2 * std::max(pictures.targetDurationMs, audio.targetDurationMs)};
    for (;;) {
        if (!exchange_.waitForRoom()) {
            return endOf(pipeline);
        }
        const Milliseconds now = clock_.now();
        const SchedulerStep videoStep = video.next(now);
        const std::optional<SchedulerStep> soundStep =
            pipeline.rendition ? std::optional(sound.next(now)) : std::nullopt;
        if (videoStep.kind == Kind::failed) {
            gaveOut = opened_;
            return opened_ ? OpenStatus::opened : failedRequest();
        }
        if (soundStep && soundStep->kind == Kind::failed) {
            dropRendition(pipeline);
            continue;
        }
        // Each playlist is reloaded on its own cadence.
        if (videoStep.kind == Kind::fetchPlaylist) {
            reloadPlaylist(video, picturesAddress);
            continue;
        }
        if (soundStep && soundStep->kind == Kind::fetchPlaylist) {
            reloadPlaylist(sound, audioAddress);
            continue;
        }
        const bool soundReady = soundStep && soundStep->kind == Kind::fetchSegment;
        const bool videoTooFarAhead = soundStep && soundStep->kind == Kind::wait &&
                                      video.pendingDuration() + lead < sound.pendingDuration();
        const bool videoReady = videoStep.kind == Kind::fetchSegment && !videoTooFarAhead;
        if (videoReady || soundReady) {
            // The one further behind in time goes first, so both stay about as far ahead.
            // Audio wins a tie: its segments are small, and with them at hand the first
            // key frame opens playback.
            const bool soundFirst = soundReady && (!videoReady || sound.pendingDuration() >= video.pendingDuration());
            const StepEnd end = soundFirst ? playSegment(sound, *soundStep, pipeline, Side::rendition)
                                           : playSegment(video, videoStep, pipeline, Side::variant);
            if (end == StepEnd::stopped) {
                return endOf(pipeline);
            }
            if (end == StepEnd::noPlayableTrack) {
                return OpenStatus::noPlayableTrack;
            }
            if (soundFirst && pipeline.rendition && !pipeline.rendition->playable()) {
                dropRendition(pipeline);
            }
            continue;
        }
        if (videoStep.kind == Kind::finished && (!soundStep || soundStep->kind == Kind::finished)) {
            flush(pipeline);
            return endOf(pipeline);
        }
        Milliseconds until = videoStep.kind == Kind::wait ? videoStep.until : soundStep->until;
        if (soundStep && soundStep->kind == Kind::wait) {
            until = std::min(until, soundStep->until);
        }
        if (!exchange_.sleepUntil(until)) {
            return endOf(pipeline);
        }
    }
}

StreamFetcher::StepEnd StreamFetcher::playSegment(LiveScheduler& scheduler, const SchedulerStep& step,
                                                  Pipeline& pipeline, Side side)
{
    const HlsSegment& segment = *step.segment;
    if (step.discontinuity) {
        // What came before ends here, and the timestamps may start afresh. The pictures
        // set the timeline; a gap in the audio alone is a loss.
        flush(pipeline, side);
        if (side == Side::variant) {
            pipeline.assembler.discontinuity();
        } else {
            pipeline.assembler.loss();
        }
    }
    const SegmentResult result = fetchSegment(pipeline, segment, side);
    if (side == Side::rendition && pipeline.rendition &&
        (result == SegmentResult::loaded || result == SegmentResult::brokenOff)) {
        pipeline.rendition->endSegment();
        deliver(pipeline);
    }
    switch (result) {
    case SegmentResult::loaded:
        scheduler.segmentLoaded(segment.sequence);
        break;
    case SegmentResult::brokenOff:
        // What arrived plays; the rest of the segment is lost.
        flush(pipeline, side);
        pipeline.assembler.loss();
        scheduler.segmentLoaded(segment.sequence);
        break;
    case SegmentResult::notFound:
        scheduler.segmentFailed(segment.sequence, FetchFailure::notFound, clock_.now());
        break;
    case SegmentResult::failed:
        scheduler.segmentFailed(segment.sequence, FetchFailure::other, clock_.now());
        break;
    case SegmentResult::stopped:
        return StepEnd::stopped;
    }
    if ((result == SegmentResult::loaded || result == SegmentResult::brokenOff) && side == Side::variant) {
        notePlayed(segment.sequence);
    }
    if (pipeline.assembler.state() == SampleAssembler::State::noPlayableTrack) {
        return StepEnd::noPlayableTrack;
    }
    return StepEnd::goOn;
}

void StreamFetcher::dropRendition(Pipeline& pipeline)
{
    pipeline.rendition.reset();
    pipeline.heldAudio.clear();
    // The pictures' units held back for the audio's program now go on by themselves.
    deliver(pipeline);
}

void StreamFetcher::notePlayed(std::uint64_t sequence)
{
    // Only what reached the player counts: a variant that never opened leaves no place.
    if (opened_) {
        lastSequence_ = sequence;
    }
}

void StreamFetcher::reloadPlaylist(LiveScheduler& scheduler, const std::string& address)
{
    const WholeBody whole = http_.getWhole(address, settings_.playlistLimit);
    if (http_.cancelled()) {
        return;
    }
    if (whole.error != httpOk || !isSuccess(whole.head.status)) {
        scheduler.playlistFailed(whole.error == httpOk ? failureOf(whole.head.status) : FetchFailure::other,
                                 clock_.now());
        return;
    }
    const HlsParseResult parsed = parseHlsPlaylist(whole.body, whole.head.finalAddress);
    const auto* media = std::get_if<HlsMediaPlaylist>(&parsed);
    if (media == nullptr) {
        scheduler.playlistFailed(FetchFailure::other, clock_.now());
        return;
    }
    scheduler.playlistLoaded(*media, clock_.now());
}

StreamFetcher::SegmentResult StreamFetcher::fetchSegment(Pipeline& pipeline, const HlsSegment& segment, Side side)
{
    std::optional<HttpByteRange> range;
    if (segment.range && segment.range->length > 0) {
        range = HttpByteRange{segment.range->offset, segment.range->offset + segment.range->length - 1};
    }
    // The key comes first, so that the segment's bytes can be decrypted as they arrive.
    std::optional<SegmentDecryption> decryption;
    if (segment.key) {
        const KeyResult key = keyAt(segment.key->address);
        if (!key.key) {
            return key.failure;
        }
        CipherMade made = cipher_.aes128CbcDecryptor(*key.key, segment.key->iv);
        if (made.error != cipherOk || !made.decryptor) {
            return SegmentResult::failed;
        }
        decryption.emplace(std::move(made.decryptor));
    }
    const std::unique_ptr<SessionTransfer> transfer = http_.get(segment.address, range);
    const HttpStarted started = transfer->start();
    if (started.error != httpOk) {
        return http_.cancelled() ? SegmentResult::stopped : SegmentResult::failed;
    }
    if (!isSuccess(started.head.status)) {
        return failureOf(started.head.status) == FetchFailure::notFound ? SegmentResult::notFound
                                                                          : SegmentResult::failed;
    }
    // Each piece goes on as it arrives: playback need not wait for whole segments.
    bool any = false;
    for (;;) {
        const HttpReadResult read = transfer->read(buffer_);
        if (read.error != httpOk) {
            return http_.cancelled() ? SegmentResult::stopped : any ? SegmentResult::brokenOff : SegmentResult::failed;
        }
        const bool ended = read.count == 0;
        std::optional<std::span<const std::uint8_t>> bytes = std::span<const std::uint8_t>(buffer_).first(read.count);
        if (decryption) {
            bytes = ended ? decryption->finish() : decryption->feed(*bytes);
            if (!bytes) {
                // Cut short, padded wrongly or decrypted with the wrong key: what came
                // before the last block has been played, the rest is lost.
                return any ? SegmentResult::brokenOff : SegmentResult::failed;
            }
        }
        if (ended) {
            // The last block's plain bytes; whether they made the stream unplayable the
            // caller sees in the assembler's state.
            pump(pipeline, *bytes, side);
            return SegmentResult::loaded;
        }
        any = true;
        if (!pump(pipeline, *bytes, side)) {
            return SegmentResult::loaded;
        }
        if (!exchange_.waitForRoom()) {
            return SegmentResult::stopped;
        }
    }
}

StreamFetcher::KeyResult StreamFetcher::keyAt(const std::string& address)
{
    if (const std::optional<CipherKey> known = keys_.find(address)) {
        return {known};
    }
    // A longer answer is no key either: there is no need to read it all.
    const WholeBody whole = http_.getWhole(address, CipherKey().size());
    if (http_.cancelled()) {
        return {std::nullopt, SegmentResult::stopped};
    }
    if (whole.error == httpOk && !isSuccess(whole.head.status)) {
        return {std::nullopt, failureOf(whole.head.status) == FetchFailure::notFound ? SegmentResult::notFound
                                                                                      : SegmentResult::failed};
    }
    CipherKey key{};
    if (whole.error != httpOk || whole.body.size() != key.size()) {
        return {std::nullopt, SegmentResult::failed};
    }
    std::copy(whole.body.begin(), whole.body.end(), key.begin());
    keys_.remember(address, key);
    return {key};
}

bool StreamFetcher::pump(Pipeline& pipeline, std::span<const std::uint8_t> bytes, Side side)
{
    UnitReader* reader = side == Side::variant ? pipeline.reader.get() : pipeline.rendition.get();
    if (!bytes.empty() && reader != nullptr) {
        reader->feed(bytes);
        deliver(pipeline);
    }
    return pipeline.assembler.state() != SampleAssembler::State::noPlayableTrack;
}

void StreamFetcher::flush(Pipeline& pipeline)
{
    pipeline.reader->finish();
    if (pipeline.rendition) {
        pipeline.rendition->finish();
    }
    deliver(pipeline);
}

void StreamFetcher::flush(Pipeline& pipeline, Side side)
{
    if (side == Side::variant) {
        pipeline.reader->finish();
    } else if (pipeline.rendition) {
        pipeline.rendition->finish();
    }
    deliver(pipeline);
}

void StreamFetcher::deliver(Pipeline& pipeline)
{
    if (pipeline.rendition) {
        // The tracks are chosen from both halves of the programme at once: until both
        // are known, their units wait in the readers.
        const auto pictures = pipeline.reader->program();
        const auto audio = pipeline.rendition->program();
        if (audio && !pictures) {
            // Pictures that never show their program must not make the audio pile up.
            for (AccessUnit& unit : pipeline.rendition->takeAccessUnits()) {
                pipeline.heldAudio.push_back(std::move(unit));
            }
            while (pipeline.heldAudio.size() > heldAudioLimit) {
                pipeline.heldAudio.pop_front();
            }
        }
        if (!pictures || !audio) {
            return;
        }
        // The variant's own audio, if any, gives way to the rendition's.
        std::vector<ProgramStream> streams;
        std::copy_if(pictures->begin(), pictures->end(), std::back_inserter(streams),
                     [](const ProgramStream& stream) { return !isAudioStream(stream); });
        streams.insert(streams.end(), audio->begin(), audio->end());
        pipeline.assembler.setProgram(streams);
        for (AccessUnit& unit : pipeline.reader->takeAccessUnits()) {
            pipeline.assembler.push(std::move(unit));
        }
        for (AccessUnit& unit : std::exchange(pipeline.heldAudio, {})) {
            pipeline.assembler.push(std::move(unit));
        }
        for (AccessUnit& unit : pipeline.rendition->takeAccessUnits()) {
            pipeline.assembler.push(std::move(unit));
        }
    } else {
        if (const auto program = pipeline.reader->program()) {
            pipeline.assembler.setProgram(*program);
        }
        for (AccessUnit& unit : pipeline.reader->takeAccessUnits()) {
            pipeline.assembler.push(std::move(unit));
        }
    }
    if (!opened_ && pipeline.assembler.state() == SampleAssembler::State::ready) {
        const std::span<const TrackFormat> tracks = pipeline.assembler.tracks();
        exchange_.opened(std::vector<TrackFormat>(tracks.begin(), tracks.end()));
        opened_ = true;
    }
    exchange_.push(pipeline.assembler.takeSamples());
}

OpenStatus StreamFetcher::endOf(const Pipeline& pipeline) const
{
    if (opened_) {
        return OpenStatus::opened;
    }
    if (http_.cancelled()) {
        return OpenStatus::stopped;
    }
    switch (pipeline.assembler.state()) {
    case SampleAssembler::State::awaitingProgram:
        return OpenStatus::notSupported;  // nothing in it looked like a stream
    case SampleAssembler::State::awaitingFormats:
    case SampleAssembler::State::noPlayableTrack:
    case SampleAssembler::State::ready:
        break;
    }
    return OpenStatus::noPlayableTrack;
}

}  // namespace telvia::stream

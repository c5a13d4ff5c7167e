#include "playback/stream/session/hls_playback.h"

#include <algorithm>
#include <variant>
#include <vector>

#include "playback/stream/container/unit_reader.h"
#include "playback/stream/hls/variant_choice.h"

namespace telvia::stream {

namespace {

using Input = MediaPipeline::Input;
using Kind = SchedulerStep::Kind;

// When every variant failed, a failure that reached the stream says more than one that
// did not reach it.
StreamOpenResult moreTelling(std::optional<StreamOpenResult> soFar, StreamOpenResult next)
{
    return soFar && *soFar != StreamOpenResult::unreachable ? *soFar : next;
}

AssemblerSettings pairedSettings(const AssemblerSettings& settings, const HlsMediaPlaylist& video,
                                 const HlsMediaPlaylist& audio)
{
    return pairedAssemblerSettings(settings, std::max(video.targetDurationMs, audio.targetDurationMs));
}

}  // namespace

HlsPlayback::HlsPlayback(SegmentLoader& loader, SampleExchange& exchange, StreamClock& clock,
                         const FetchSettings& settings, SessionObserver& observer, std::stop_token stop)
    : loader_(loader),
      exchange_(exchange),
      clock_(clock),
      settings_(settings),
      observer_(observer),
      stop_(std::move(stop))
{
}

PlayOutcome HlsPlayback::play(std::string_view text, const std::string& requested, const std::string& finalAddress)
{
    const HlsParseResult parsed = parseHlsPlaylist(text, finalAddress);
    observer_.onPlaylist(requested, parsed);
    if (const auto* master = std::get_if<HlsMasterPlaylist>(&parsed)) {
        loader_.importFrom(*master);
        return playVariants(*master);
    }
    if (const auto* media = std::get_if<HlsMediaPlaylist>(&parsed)) {
        // Reloads go to the address asked for: a redirect may have led to a one-time address.
        MediaPipeline pipeline(exchange_, makeTransportStreamReader(), settings_.assembler, settings_.heldAudioLimit);
        return playMedia(*media, requested, pipeline);
    }
    return PlayOutcome::failed(StreamOpenResult::notSupported);
}

PlayOutcome HlsPlayback::playVariants(const HlsMasterPlaylist& master)
{
    std::optional<StreamOpenResult> failure;
    std::optional<MediaPipeline> pipeline;
    const std::vector<std::size_t> order = variantOrder(master.variants);
    for (std::size_t attempt = 0; attempt < std::min(order.size(), settings_.variantAttempts); ++attempt) {
        const bool playing = pipeline && pipeline->opened();
        if (attempt > 0 && !playing && !exchange_.sleepUntil(clock_.now() + settings_.variantPause)) {
            return PlayOutcome::stopped();
        }
        if (!playing) {
            // Each try at opening starts clean.
            pipeline.emplace(exchange_, makeTransportStreamReader(), settings_.assembler, settings_.heldAudioLimit);
        } else {
            // A variant gave out while playing and the next takes over.
            pipeline->handOver(makeTransportStreamReader());
        }
        const HlsVariant& variant = master.variants[order[attempt]];
        const PlayOutcome outcome = playVariant(variant, audioRenditionFor(master, variant), *pipeline);
        if (outcome.end == PlayOutcome::End::finished || outcome.end == PlayOutcome::End::stopped) {
            return outcome;
        }
        if (outcome.end == PlayOutcome::End::failed && !pipeline->opened()) {
            failure = moreTelling(failure, outcome.failure);
        }
    }
    if (pipeline && pipeline->opened()) {
        return PlayOutcome::gaveOut();  // the last that played gave out, and no other took over
    }
    return PlayOutcome::failed(failure.value_or(StreamOpenResult::noPlayableTrack));
}

PlayOutcome HlsPlayback::playVariant(const HlsVariant& variant, const HlsAudioRendition* audio,
                                     MediaPipeline& pipeline)
{
    observer_.onVariant(variant, audio);
    const std::optional<HlsParseResult> parsed = readPlaylist(variant.address);
    if (!parsed) {
        return pipeline.gaveOut(stop_);
    }
    const auto* media = std::get_if<HlsMediaPlaylist>(&*parsed);
    if (media == nullptr) {
        return pipeline.opened() ? PlayOutcome::gaveOut() : PlayOutcome::failed(StreamOpenResult::notSupported);
    }
    if (audio != nullptr) {
        // A rendition whose playlist cannot be had leaves the pictures to play alone.
        const std::optional<HlsParseResult> audioParsed = readPlaylist(audio->address);
        const auto* audioMedia = audioParsed ? std::get_if<HlsMediaPlaylist>(&*audioParsed) : nullptr;
        if (audioMedia != nullptr) {
            pipeline.addRendition(pairedSettings(settings_.assembler, *media, *audioMedia));
            return playWithRendition(*media, variant.address, *audioMedia, audio->address, pipeline);
        }
    }
    return playMedia(*media, variant.address, pipeline);
}

std::optional<HlsParseResult> HlsPlayback::readPlaylist(const std::string& address)
{
    PlaylistFetched fetched = loader_.fetchPlaylist(address, 0);
    if (fetched.parsed) {
        observer_.onPlaylist(address, *fetched.parsed);
    }
    return std::move(fetched.parsed);
}

PlaylistScheduler HlsPlayback::scheduleFor(const HlsMediaPlaylist& playlist) const
{
    PlaylistScheduler scheduler(playlist, clock_.now(), settings_.scheduler);
    if (lastSequence_) {
        scheduler.continueAfter(*lastSequence_);
    }
    return scheduler;
}

PlayOutcome HlsPlayback::playMedia(const HlsMediaPlaylist& playlist, const std::string& reloadAddress,
                                   MediaPipeline& pipeline)
{
    PlaylistScheduler scheduler = scheduleFor(playlist);
    for (;;) {
        if (!exchange_.waitForRoom()) {
            return pipeline.ended(stop_);
        }
        const SchedulerStep step = scheduler.next(clock_.now());
        switch (step.kind) {
        case Kind::fetchPlaylist:
            loader_.reload(scheduler, reloadAddress, playlist.targetDurationMs);
            break;
        case Kind::fetchSegment:
            switch (playSegment(scheduler, step, playlist.targetDurationMs, pipeline, Input::main)) {
            case StepEnd::goOn:
                break;
            case StepEnd::stopped:
                return pipeline.ended(stop_);
            case StepEnd::noPlayableTrack:
                return PlayOutcome::failed(StreamOpenResult::noPlayableTrack);
            }
            break;
        case Kind::wait:
            if (!exchange_.sleepUntil(step.until)) {
                return pipeline.ended(stop_);
            }
            break;
        case Kind::finished:
            pipeline.finish();
            return pipeline.ended(stop_);
        case Kind::failed:
            return pipeline.gaveOut(stop_);
        }
    }
}

PlayOutcome HlsPlayback::playWithRendition(const HlsMediaPlaylist& video, const std::string& videoAddress,
                                           const HlsMediaPlaylist& audio, const std::string& audioAddress,
                                           MediaPipeline& pipeline)
{
    PlaylistScheduler videoSchedule = scheduleFor(video);
    // The two playlists number their segments each in their own way: the audio starts
    // where the pictures do in time.
    PlaylistScheduler audioSchedule(audio, clock_.now(), settings_.scheduler);
    audioSchedule.startAtPending(videoSchedule.pendingDuration());
    // While the audio waits to try a segment again, the pictures go on only this far ahead.
    const Milliseconds lead{2 * std::max(video.targetDurationMs, audio.targetDurationMs)};
    for (;;) {
        if (!exchange_.waitForRoom()) {
            return pipeline.ended(stop_);
        }
        const Milliseconds now = clock_.now();
        const SchedulerStep videoStep = videoSchedule.next(now);
        const std::optional<SchedulerStep> audioStep =
            pipeline.hasRendition() ? std::optional(audioSchedule.next(now)) : std::nullopt;
        if (videoStep.kind == Kind::failed) {
            return pipeline.gaveOut(stop_);
        }
        if (audioStep && audioStep->kind == Kind::failed) {
            pipeline.dropRendition();
            continue;
        }
        // Each playlist is reloaded on its own cadence.
        if (videoStep.kind == Kind::fetchPlaylist) {
            loader_.reload(videoSchedule, videoAddress, video.targetDurationMs);
            continue;
        }
        if (audioStep && audioStep->kind == Kind::fetchPlaylist) {
            loader_.reload(audioSchedule, audioAddress, audio.targetDurationMs);
            continue;
        }
        const bool audioReady = audioStep && audioStep->kind == Kind::fetchSegment;
        const bool videoTooFarAhead = audioStep && audioStep->kind == Kind::wait &&
                                      videoSchedule.pendingDuration() + lead < audioSchedule.pendingDuration();
        const bool videoReady = videoStep.kind == Kind::fetchSegment && !videoTooFarAhead;
        if (videoReady || audioReady) {
            // The one further behind in time goes first, so both stay about as far ahead.
            // Audio wins a tie: its segments are small, and with them at hand the first
            // key frame opens playback.
            const bool audioFirst =
                audioReady && (!videoReady || audioSchedule.pendingDuration() >= videoSchedule.pendingDuration());
            const StepEnd end =
                audioFirst ? playSegment(audioSchedule, *audioStep, audio.targetDurationMs, pipeline, Input::rendition)
                           : playSegment(videoSchedule, videoStep, video.targetDurationMs, pipeline, Input::main);
            if (end == StepEnd::stopped) {
                return pipeline.ended(stop_);
            }
            if (end == StepEnd::noPlayableTrack) {
                return PlayOutcome::failed(StreamOpenResult::noPlayableTrack);
            }
            if (audioFirst && !pipeline.renditionPlayable()) {
                pipeline.dropRendition();
            }
            continue;
        }
        if (videoStep.kind == Kind::finished && (!audioStep || audioStep->kind == Kind::finished)) {
            pipeline.finish();
            return pipeline.ended(stop_);
        }
        Milliseconds until = videoStep.kind == Kind::wait ? videoStep.until : audioStep->until;
        if (audioStep && audioStep->kind == Kind::wait) {
            until = std::min(until, audioStep->until);
        }
        if (!exchange_.sleepUntil(until)) {
            return pipeline.ended(stop_);
        }
    }
}

HlsPlayback::StepEnd HlsPlayback::playSegment(PlaylistScheduler& scheduler, const SchedulerStep& step,
                                              std::int64_t targetDurationMs, MediaPipeline& pipeline, Input input)
{
    const HlsSegment& segment = *step.segment;
    if (step.discontinuity) {
        // What came before ends here, and the timestamps may start afresh. The pictures
        // set the timeline; a gap in the audio alone is a loss.
        pipeline.finish(input);
        if (input == Input::main) {
            pipeline.discontinuity();
        } else {
            pipeline.loss();
        }
    } else if (step.afterGap) {
        // The bytes before the gap end here; the timestamps go on, the gap's time later.
        pipeline.finish(input);
    }
    FetchResult result = prepareReader(segment, targetDurationMs, pipeline, input);
    if (result == FetchResult::loaded) {
        result = loader_.load(segment, targetDurationMs,
                              [&pipeline, input](std::span<const std::uint8_t> bytes) { return pipeline.feed(bytes, input); });
    }
    const bool played = result == FetchResult::loaded || result == FetchResult::brokenOff;
    if (played && input == Input::rendition) {
        pipeline.endRenditionSegment();
    }
    switch (result) {
    case FetchResult::loaded:
        // A segment holds whole PES packets, so its last access unit is whole as well: it
        // goes on now, not a segment later when the next one's first packet shows its end.
        if (input == Input::main) {
            pipeline.finish(input);
        }
        scheduler.segmentLoaded(segment.sequence);
        break;
    case FetchResult::brokenOff:
        // What arrived plays; the rest of the segment is lost.
        pipeline.finish(input);
        pipeline.loss();
        scheduler.segmentLoaded(segment.sequence);
        break;
    case FetchResult::notFound:
        scheduler.segmentFailed(segment.sequence, FetchFailure::notFound, clock_.now());
        break;
    case FetchResult::failed:
        scheduler.segmentFailed(segment.sequence, FetchFailure::other, clock_.now());
        break;
    case FetchResult::stopped:
        return StepEnd::stopped;
    }
    if (played && input == Input::main) {
        notePlayed(segment.sequence, pipeline);
    }
    if (input == Input::main && pipeline.encrypted()) {
        // Encrypted samples would decode to noise: the variant is not played.
        observer_.onEncryptedSamples();
        return StepEnd::noPlayableTrack;
    }
    return pipeline.unplayable() ? StepEnd::noPlayableTrack : StepEnd::goOn;
}

FetchResult HlsPlayback::prepareReader(const HlsSegment& segment, std::int64_t targetDurationMs,
                                       MediaPipeline& pipeline, Input input)
{
    if (!segment.map) {
        pipeline.readWithoutInitSection(input);
        return FetchResult::loaded;
    }
    if (pipeline.hasRead(input, *segment.map)) {
        return FetchResult::loaded;
    }
    const InitSectionLoaded loaded = loader_.loadInitSection(*segment.map, targetDurationMs);
    if (loaded.bytes != nullptr) {
        pipeline.readInitSection(input, segment.map, *loaded.bytes);
    }
    return loaded.result;
}

void HlsPlayback::notePlayed(std::uint64_t sequence, const MediaPipeline& pipeline)
{
    if (pipeline.opened()) {
        lastSequence_ = sequence;
    }
}

}  // namespace telvia::stream

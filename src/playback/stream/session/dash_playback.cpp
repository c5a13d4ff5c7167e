#include "playback/stream/session/dash_playback.h"

#include <algorithm>
#include <memory>
#include <variant>

#include "playback/stream/container/unit_reader.h"
#include "playback/stream/dash/dash_clock.h"

namespace telvia::stream {

namespace {

using Input = MediaPipeline::Input;
using Kind = DashStep::Kind;

// A time server's answer is a line.
constexpr std::size_t timeAnswerLimit = 256;
// Segments of pictures and of sound come each a whole segment before the other: the
// assembler waits as long as such a segment lasts. Manifests do not all say how long
// theirs are before their index or timeline is read; this covers what packagers write.
constexpr std::int64_t pairedSegmentMs = 10'000;

HlsInitSection sectionOf(const DashResource& resource)
{
    HlsInitSection section;
    section.address = resource.address;
    if (resource.range) {
        section.range = HlsByteRange{resource.range->length, resource.range->offset};
    }
    return section;
}

}  // namespace

DashPlayback::DashPlayback(SegmentLoader& loader, SessionHttp& http, SampleExchange& exchange, StreamClock& clock,
                           const FetchSettings& settings, SessionObserver& observer, std::stop_token stop)
    : loader_(loader),
      http_(http),
      exchange_(exchange),
      clock_(clock),
      settings_(settings),
      observer_(observer),
      stop_(std::move(stop))
{
}

PlayOutcome DashPlayback::play(std::string_view text, const std::string& requested, const std::string& finalAddress)
{
    const DashParseResult parsed = parseDashManifest(text, finalAddress);
    observer_.onManifest(requested, parsed);
    const auto* manifest = std::get_if<DashManifest>(&parsed);
    if (manifest == nullptr) {
        return PlayOutcome::failed(StreamOpenResult::notSupported);
    }
    reloadAddress_ = manifest->location.value_or(requested);
    if (manifest->dynamic) {
        setClock(*manifest);
    }
    MediaPipeline pipeline(exchange_, makeTransportStreamReader(), settings_.assembler, settings_.heldAudioLimit);
    return playTracks(*manifest, pipeline);
}

void DashPlayback::setClock(const DashManifest& manifest)
{
    const DashClockSource source = clockSourceOf(manifest);
    switch (source.kind) {
    case DashClockSource::Kind::system:
        return;
    case DashClockSource::Kind::direct:
        clockOffset_ = Milliseconds{source.directMs} - clock_.wallTime();
        return;
    case DashClockSource::Kind::fetch:
        break;
    }
    const Milliseconds asked = clock_.wallTime();
    const Milliseconds deadline = clock_.now() + settings_.shortestDownloadLimit;
    const WholeBody whole =
        http_.getWhole(source.address, timeAnswerLimit, [this, deadline] { return clock_.now() >= deadline; });
    const Milliseconds answered = clock_.wallTime();
    // A time source that fails leaves the system's clock, as if none were named.
    if (whole.error == httpOk && isSuccess(whole.head.status)) {
        if (const auto serverMs = parseTimeResponse(whole.body)) {
            clockOffset_ = Milliseconds{clockOffsetMs(*serverMs, asked.count(), answered.count())};
        }
    }
}

Milliseconds DashPlayback::wallNow() const { return clock_.wallTime() + clockOffset_; }

bool DashPlayback::sleepUntilWall(Milliseconds until)
{
    return exchange_.sleepUntil(clock_.now() + std::max(until - wallNow(), Milliseconds{0}));
}

PlayOutcome DashPlayback::failedWith(DashScheduleError error, const MediaPipeline& pipeline) const
{
    observer_.onDashFailure(error);
    switch (error) {
    case DashScheduleError::nothingPlayable:
    case DashScheduleError::protectedContent:
        return pipeline.opened() ? PlayOutcome::gaveOut() : PlayOutcome::failed(StreamOpenResult::noPlayableTrack);
    case DashScheduleError::unknownLength:
    case DashScheduleError::badIndex:
    case DashScheduleError::badTimes:
        return pipeline.opened() ? PlayOutcome::gaveOut() : PlayOutcome::failed(StreamOpenResult::notSupported);
    case DashScheduleError::stalled:
    case DashScheduleError::fetchesFailed:
        break;
    }
    return pipeline.gaveOut(stop_);
}

PlayOutcome DashPlayback::playTracks(const DashManifest& manifest, MediaPipeline& pipeline)
{
    const Milliseconds start = wallNow();
    DashScheduler video(manifest, DashTrack::video, start, settings_.dash);
    DashScheduler audio(manifest, DashTrack::audio, start, settings_.dash);
    for (const DashScheduler* scheduler : {&video, &audio}) {
        const DashStep first = scheduler->next(start);
        if (first.kind == Kind::failed) {
            return failedWith(first.failure.value_or(DashScheduleError::nothingPlayable), pipeline);
        }
    }
    // Sound alone takes the main input; beside pictures, the input of a rendition.
    const bool hasVideo = video.representation() != nullptr;
    DashScheduler& main = hasVideo ? video : audio;
    DashScheduler* beside = hasVideo && audio.representation() != nullptr ? &audio : nullptr;
    if (beside != nullptr) {
        pipeline.addRendition(pairedAssemblerSettings(settings_.assembler, pairedSegmentMs));
    }
    for (;;) {
        if (!exchange_.waitForRoom()) {
            return pipeline.ended(stop_);
        }
        const Milliseconds now = wallNow();
        const DashStep mainStep = main.next(now);
        const bool withSound = beside != nullptr && pipeline.hasRendition();
        const std::optional<DashStep> besideStep = withSound ? std::optional(beside->next(now)) : std::nullopt;
        if (mainStep.kind == Kind::failed) {
            return failedWith(mainStep.failure.value_or(DashScheduleError::fetchesFailed), pipeline);
        }
        if (besideStep && besideStep->kind == Kind::failed) {
            // The pictures play on without their sound, as with an HLS rendition.
            observer_.onDashFailure(besideStep->failure.value_or(DashScheduleError::fetchesFailed));
            pipeline.dropRendition();
            continue;
        }
        if (mainStep.kind == Kind::fetchManifest || (besideStep && besideStep->kind == Kind::fetchManifest)) {
            reload(main, withSound ? beside : nullptr);
            continue;
        }
        // What a segment needs first (an index, an initialisation segment) goes right away.
        const auto preparatory = [](const DashStep& step) {
            return step.kind == Kind::fetchIndex || step.kind == Kind::fetchInitialization;
        };
        const bool mainReady = mainStep.kind == Kind::fetchSegment || preparatory(mainStep);
        const bool besideReady =
            besideStep && (besideStep->kind == Kind::fetchSegment || preparatory(*besideStep));
        if (mainReady || besideReady) {
            // The one further behind in time goes first; sound wins a tie, as its segments
            // are small and with them at hand the first key frame opens playback.
            const auto startOf = [](const DashStep& step) {
                return step.segment ? step.segment->startMs : INT64_MIN;
            };
            const bool besideFirst =
                besideReady && (!mainReady || startOf(*besideStep) <= startOf(mainStep));
            const StepEnd end = besideFirst ? perform(*beside, *besideStep, pipeline, Input::rendition)
                                            : perform(main, mainStep, pipeline, Input::main);
            if (end == StepEnd::stopped) {
                return pipeline.ended(stop_);
            }
            if (end == StepEnd::noPlayableTrack) {
                return PlayOutcome::failed(StreamOpenResult::noPlayableTrack);
            }
            if (besideFirst && !pipeline.renditionPlayable()) {
                pipeline.dropRendition();
            }
            continue;
        }
        if (mainStep.kind == Kind::finished && (!besideStep || besideStep->kind == Kind::finished)) {
            pipeline.finish();
            return pipeline.ended(stop_);
        }
        Milliseconds until = Milliseconds::max();
        for (const DashStep* step : {&mainStep, besideStep ? &*besideStep : nullptr}) {
            if (step != nullptr && step->kind == Kind::wait) {
                until = std::min(until, step->until);
            }
        }
        if (!sleepUntilWall(until)) {
            return pipeline.ended(stop_);
        }
    }
}

void DashPlayback::reload(DashScheduler& first, DashScheduler* second)
{
    const Milliseconds deadline = clock_.now() + settings_.shortestDownloadLimit;
    const WholeBody whole =
        http_.getWhole(reloadAddress_, settings_.playlistLimit, [this, deadline] { return clock_.now() >= deadline; });
    if (stop_.stop_requested()) {
        return;
    }
    const Milliseconds now = wallNow();
    if (whole.error == httpOk && isSuccess(whole.head.status)) {
        const DashParseResult parsed = parseDashManifest(whole.body, whole.head.finalAddress);
        if (const auto* manifest = std::get_if<DashManifest>(&parsed)) {
            if (manifest->location) {
                reloadAddress_ = *manifest->location;
            }
            first.manifestLoaded(*manifest, now);
            if (second != nullptr) {
                second->manifestLoaded(*manifest, now);
            }
            return;
        }
    }
    first.manifestFailed(now);
    if (second != nullptr) {
        second->manifestFailed(now);
    }
}

DashPlayback::StepEnd DashPlayback::perform(DashScheduler& scheduler, const DashStep& step, MediaPipeline& pipeline,
                                            Input input)
{
    if (step.kind == Kind::fetchSegment) {
        return playSegment(scheduler, step, pipeline, input);
    }
    auto section = std::make_shared<const HlsInitSection>(sectionOf(*step.resource));
    if (step.kind == Kind::fetchInitialization && pipeline.hasRead(input, *section)) {
        scheduler.initializationLoaded();
        return StepEnd::goOn;
    }
    // An index range is fetched and kept like an initialisation segment: a part of a file.
    const InitSectionLoaded loaded = loader_.loadInitSection(*section, 0);
    if (loaded.result == FetchResult::stopped) {
        return StepEnd::stopped;
    }
    const Milliseconds now = wallNow();
    if (step.kind == Kind::fetchIndex) {
        if (loaded.bytes != nullptr) {
            scheduler.indexLoaded(*loaded.bytes, now);
        } else {
            scheduler.indexFailed(now);
        }
        return StepEnd::goOn;
    }
    if (loaded.bytes == nullptr) {
        scheduler.initializationFailed(now);
        return StepEnd::goOn;
    }
    pipeline.readInitSection(input, std::move(section), *loaded.bytes);
    scheduler.initializationLoaded();
    if (pipeline.encrypted()) {
        observer_.onEncryptedSamples();
        return StepEnd::noPlayableTrack;
    }
    return StepEnd::goOn;
}

DashPlayback::StepEnd DashPlayback::playSegment(DashScheduler& scheduler, const DashStep& step,
                                                MediaPipeline& pipeline, Input input)
{
    const DashSegment& segment = *step.segment;
    if (step.discontinuity) {
        // What came before ends here, and the timestamps may start afresh. The pictures
        // set the timeline; a gap in the sound alone is a loss.
        pipeline.finish(input);
        if (input == Input::main) {
            pipeline.discontinuity();
        } else {
            pipeline.loss();
        }
    }
    // A representation without an initialisation segment has segments that stand alone:
    // transport streams.
    const DashRepresentation* representation = scheduler.representation();
    if (representation != nullptr && !representation->segments.initialization) {
        pipeline.readWithoutInitSection(input);
    }
    HlsSegment request;
    request.address = segment.media.address;
    request.sequence = segment.number;
    request.durationMs = segment.durationMs;
    if (segment.media.range) {
        request.range = HlsByteRange{segment.media.range->length, segment.media.range->offset};
    }
    const FetchResult result = loader_.load(request, segment.durationMs, [&pipeline, input](std::span<const std::uint8_t> bytes) {
        return pipeline.feed(bytes, input);
    });
    const bool played = result == FetchResult::loaded || result == FetchResult::brokenOff;
    if (played && input == Input::rendition) {
        pipeline.endRenditionSegment();
    }
    const Milliseconds now = wallNow();
    switch (result) {
    case FetchResult::loaded:
        if (input == Input::main) {
            pipeline.finish(input);
        }
        scheduler.segmentLoaded(segment.number, now);
        break;
    case FetchResult::brokenOff:
        pipeline.finish(input);
        pipeline.loss();
        scheduler.segmentLoaded(segment.number, now);
        break;
    case FetchResult::notFound:
        scheduler.segmentFailed(segment.number, FetchFailure::notFound, now);
        break;
    case FetchResult::failed:
        scheduler.segmentFailed(segment.number, FetchFailure::other, now);
        break;
    case FetchResult::stopped:
        return StepEnd::stopped;
    }
    if (pipeline.encrypted()) {
        // Encrypted samples would decode to noise.
        observer_.onEncryptedSamples();
        return StepEnd::noPlayableTrack;
    }
    return pipeline.unplayable() ? StepEnd::noPlayableTrack : StepEnd::goOn;
}

}  // namespace telvia::stream

#include "playback/stream/session/media_pipeline.h"

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

namespace telvia::stream {

namespace {

// The rendition numbers its streams in its own way: its units and streams come in through
// an input of their own, so that they never pass for the main reader's.
constexpr std::uint8_t renditionInput = 1;

bool isAudio(std::optional<StreamTrackKind> kind)
{
    return kind == StreamTrackKind::aacAdts || kind == StreamTrackKind::mpegAudio;
}

std::vector<AccessUnit> fromRendition(std::vector<AccessUnit> units)
{
    for (AccessUnit& unit : units) {
        unit.stream.input = renditionInput;
    }
    return units;
}

std::size_t indexOf(MediaPipeline::Input input) { return input == MediaPipeline::Input::main ? 0 : 1; }

}  // namespace

MediaPipeline::MediaPipeline(SampleExchange& exchange, std::unique_ptr<UnitReader> reader, AssemblerSettings settings,
                             std::size_t heldAudioLimit)
    : exchange_(exchange), reader_(std::move(reader)), assembler_(settings), heldAudioLimit_(heldAudioLimit)
{
}

bool MediaPipeline::feed(std::span<const std::uint8_t> bytes, Input input)
{
    UnitReader* reader = input == Input::main ? reader_.get() : rendition_.get();
    if (!bytes.empty() && reader != nullptr) {
        reader->feed(bytes);
        deliver();
    }
    return !unplayable();
}

void MediaPipeline::finish()
{
    reader_->finish();
    if (rendition_) {
        rendition_->finish();
    }
    deliver();
}

void MediaPipeline::finish(Input input)
{
    if (input == Input::main) {
        reader_->finish();
    } else if (rendition_) {
        rendition_->finish();
    }
    deliver();
}

void MediaPipeline::readInitSection(Input input, std::shared_ptr<const HlsInitSection> section,
                                    std::span<const std::uint8_t> bytes)
{
    std::shared_ptr<const HlsInitSection>& current = initSections_[indexOf(input)];
    if (input == Input::main) {
        if (!current) {
            // What the reader before held ends here.
            reader_->finish();
            deliver();
            reader_ = makeFragmentedMp4Reader();
        }
        reader_->feed(bytes);
        reader_->finish();
    } else if (rendition_) {
        if (!current) {
            rendition_->readFragmentedMp4();
        }
        rendition_->feed(bytes);
        rendition_->finish();
    } else {
        return;
    }
    current = std::move(section);
    deliver();
}

bool MediaPipeline::hasRead(Input input, const HlsInitSection& section) const
{
    const std::shared_ptr<const HlsInitSection>& current = initSections_[indexOf(input)];
    return current && current->sameAs(section);
}

void MediaPipeline::readWithoutInitSection(Input input)
{
    std::shared_ptr<const HlsInitSection>& current = initSections_[indexOf(input)];
    if (!current) {
        return;
    }
    current.reset();
    if (input == Input::main) {
        reader_->finish();
        deliver();
        reader_ = makeTransportStreamReader();
    } else if (rendition_) {
        rendition_ = std::make_unique<RenditionReader>();
    }
}

void MediaPipeline::addRendition(AssemblerSettings settings)
{
    rendition_ = std::make_unique<RenditionReader>();
    initSections_[indexOf(Input::rendition)].reset();
    if (!opened_) {
        assembler_ = SampleAssembler(settings);
    }
}

void MediaPipeline::dropRendition()
{
    rendition_.reset();
    initSections_[indexOf(Input::rendition)].reset();
    heldAudio_.clear();
    // The pictures' units held back for the audio's program now go on by themselves.
    deliver();
}

void MediaPipeline::endRenditionSegment()
{
    if (rendition_) {
        rendition_->endSegment();
        deliver();
    }
}

void MediaPipeline::handOver(std::unique_ptr<UnitReader> reader)
{
    finish();
    reader_ = std::move(reader);
    rendition_.reset();
    initSections_ = {};
    heldAudio_.clear();
    assembler_.discontinuity();
}

PlayOutcome MediaPipeline::ended(const std::stop_token& stop) const
{
    if (opened_) {
        return PlayOutcome::finished();
    }
    if (stop.stop_requested()) {
        return PlayOutcome::stopped();
    }
    // Nothing in it looked like a stream, or what did holds nothing the system decodes.
    return PlayOutcome::failed(assembler_.state() == SampleAssembler::State::awaitingProgram
                                   ? StreamOpenResult::notSupported
                                   : StreamOpenResult::noPlayableTrack);
}

PlayOutcome MediaPipeline::gaveOut(const std::stop_token& stop) const
{
    if (stop.stop_requested()) {
        return PlayOutcome::stopped();
    }
    return opened_ ? PlayOutcome::gaveOut() : PlayOutcome::failed(StreamOpenResult::unreachable);
}

void MediaPipeline::deliver()
{
    if (rendition_) {
        deliverPaired();
    } else {
        if (const auto program = reader_->program()) {
            assembler_.setProgram(*program);
        }
        for (AccessUnit& unit : reader_->takeAccessUnits()) {
            assembler_.push(std::move(unit));
        }
    }
    if (!opened_ && assembler_.state() == SampleAssembler::State::ready) {
        const std::span<const StreamTrackFormat> tracks = assembler_.tracks();
        exchange_.opened(std::vector<StreamTrackFormat>(tracks.begin(), tracks.end()));
        opened_ = true;
    }
    exchange_.push(assembler_.takeSamples());
}

void MediaPipeline::deliverPaired()
{
    // The tracks are chosen from both halves of the programme at once: until both are
    // known, their units wait in the readers.
    const auto video = reader_->program();
    const auto audio = rendition_->program();
    if (audio && !video) {
        // Pictures that never show their program must not make the audio pile up.
        for (AccessUnit& unit : fromRendition(rendition_->takeAccessUnits())) {
            heldAudio_.push_back(std::move(unit));
        }
        while (heldAudio_.size() > heldAudioLimit_) {
            heldAudio_.pop_front();
        }
    }
    if (!video || !audio) {
        return;
    }
    // The main reader's own audio, if any, gives way to the rendition's.
    std::vector<StreamDescription> streams;
    std::copy_if(video->begin(), video->end(), std::back_inserter(streams),
                 [](const StreamDescription& stream) { return !isAudio(stream.kind); });
    for (StreamDescription stream : *audio) {
        stream.id.input = renditionInput;
        streams.push_back(stream);
    }
    assembler_.setProgram(streams);
    for (AccessUnit& unit : reader_->takeAccessUnits()) {
        assembler_.push(std::move(unit));
    }
    for (AccessUnit& unit : std::exchange(heldAudio_, {})) {
        assembler_.push(std::move(unit));
    }
    for (AccessUnit& unit : fromRendition(rendition_->takeAccessUnits())) {
        assembler_.push(std::move(unit));
    }
}

AssemblerSettings pairedAssemblerSettings(AssemblerSettings settings, std::int64_t longestSegmentMs)
{
    constexpr std::int64_t longestCounted = 60'000;
    const std::int64_t longestMs = std::min(longestSegmentMs, longestCounted);
    settings.audioPatience += 2 * longestMs * static_cast<std::int64_t>(streamClockRate) / 1000;
    constexpr std::int64_t framesPerSecond = 50;  // AAC at 48 kHz has about 47
    settings.audioWhileAwaitingVideo += static_cast<std::size_t>(2 * (longestMs / 1000 + 1) * framesPerSecond);
    constexpr std::int64_t picturesPerSecond = 60;
    settings.stagedUnitLimit += static_cast<std::size_t>(2 * (longestMs / 1000 + 1) * picturesPerSecond);
    return settings;
}

}  // namespace telvia::stream

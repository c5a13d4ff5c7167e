#include "playback/stream/delivery/sample_assembler.h"

#include <algorithm>
#include <utility>

namespace telvia::stream {

namespace {

// b - a on the 33-bit stream clock, taking the shorter way round.
std::int64_t streamDelta(std::uint64_t from, std::uint64_t to)
{
    constexpr auto modulus = static_cast<std::int64_t>(streamClockModulus);
    std::int64_t delta = static_cast<std::int64_t>(to % streamClockModulus) -
                         static_cast<std::int64_t>(from % streamClockModulus);
    if (delta >= modulus / 2) {
        delta -= modulus;
    } else if (delta < -modulus / 2) {
        delta += modulus;
    }
    return delta;
}

bool isAudioKind(std::optional<StreamTrackKind> kind) { return kind == StreamTrackKind::aacAdts || kind == StreamTrackKind::mpegAudio; }

const StreamDescription* firstOf(std::span<const StreamDescription> streams, bool audio)
{
    const auto found = std::find_if(streams.begin(), streams.end(), [audio](const StreamDescription& s) {
        return audio ? isAudioKind(s.kind) : s.kind == StreamTrackKind::h264;
    });
    return found == streams.end() ? nullptr : &*found;
}

bool lists(std::span<const StreamDescription> streams, StreamId id, StreamTrackKind kind)
{
    return std::any_of(streams.begin(), streams.end(),
                       [id, kind](const StreamDescription& s) { return s.id == id && s.kind == kind; });
}

}  // namespace

void SampleAssembler::setProgram(std::span<const StreamDescription> streams)
{
    const StreamDescription* video = firstOf(streams, false);
    const StreamDescription* audio = firstOf(streams, true);
    const auto chosen = [](const StreamDescription* s) {
        return s ? std::optional<Chosen>(Chosen{s->id, *s->kind}) : std::nullopt;
    };
    const auto sameStream = [](const std::optional<Chosen>& a, const StreamDescription* b) {
        return a ? (b && b->id == a->stream) : b == nullptr;
    };
    switch (state_) {
    case State::noPlayableTrack:
        return;
    case State::awaitingProgram:
    case State::awaitingFormats:
        if (state_ == State::awaitingFormats && sameStream(video_, video) && sameStream(audio_, audio)) {
            return;
        }
        // A program chosen anew before the start begins the wait anew.
        video_ = chosen(video);
        audio_ = chosen(audio);
        clearStaging();
        state_ = video_ || audio_ ? State::awaitingFormats : State::noPlayableTrack;
        return;
    case State::ready:
        // The formats are told already: only a stream of the same kind can take over.
        if (video_ && !lists(streams, video_->stream, video_->kind) && video) {
            video_->stream = video->id;
        }
        if (audio_ && !lists(streams, audio_->stream, audio_->kind)) {
            // Sound of the same kind takes over as it is; sound of another kind (a
            // broadcast that switched codecs) opens a new format on the same track.
            auto next = std::find_if(streams.begin(), streams.end(),
                                     [this](const StreamDescription& s) { return s.kind == audio_->kind; });
            if (next == streams.end()) {
                next = std::find_if(streams.begin(), streams.end(),
                                    [](const StreamDescription& s) { return isAudioKind(s.kind); });
            }
            if (next != streams.end()) {
                audio_ = Chosen{next->id, *next->kind};
            }
        }
        return;
    }
}

void SampleAssembler::push(AccessUnit unit)
{
    if (!isVideo(unit) && !isAudio(unit)) {
        return;
    }
    if (state_ == State::ready) {
        emit(std::move(unit));
    } else if (state_ == State::awaitingFormats) {
        stage(std::move(unit));
        tryToStart();
    }
}

void SampleAssembler::stage(AccessUnit unit)
{
    if (isVideo(unit)) {
        parameterSets_.observe(unit.data);
        if (!keyFrameFormat_) {
            // Pictures before the first key frame cannot be decoded: they are dropped.
            const std::optional<std::uint64_t> time = unit.dts ? unit.dts : unit.pts;
            if (!unit.keyFrame || !time) {
                return;
            }
            keyFrameFormat_ = parameterSets_.format();
            if (!keyFrameFormat_) {
                return;
            }
            keyFrameTime_ = *time;
            keepAudioThatFitsTheKeyFrame();
        }
        keep(std::move(unit));
        return;
    }
    if (!unit.pts) {
        return;  // nothing to place it by
    }
    if (video_ && !keyFrameFormat_) {
        // Only audio is staged before the key frame, the latest of it.
        keep(std::move(unit));
        while (staged_.size() > settings_.audioWhileAwaitingVideo || stagedBytes_ > settings_.stagedByteLimit) {
            stagedBytes_ -= staged_.front().data.size();
            staged_.pop_front();
        }
        return;
    }
    if (fitsTheKeyFrame(unit)) {
        ++stagedAudio_;
        keep(std::move(unit));
    }
}

void SampleAssembler::keep(AccessUnit unit)
{
    stagedBytes_ += unit.data.size();
    staged_.push_back(std::move(unit));
}

bool SampleAssembler::fitsTheKeyFrame(const AccessUnit& unit) const
{
    // Audio from before the key frame has no picture to go with: playback starts with both.
    return !(video_ && streamDelta(keyFrameTime_, *unit.pts) < 0) && audioFormatOf(unit.kind, unit.data).has_value();
}

void SampleAssembler::keepAudioThatFitsTheKeyFrame()
{
    std::erase_if(staged_, [this](const AccessUnit& unit) { return isAudio(unit) && !fitsTheKeyFrame(unit); });
    stagedBytes_ = 0;
    stagedAudio_ = 0;
    for (const AccessUnit& unit : staged_) {
        stagedBytes_ += unit.data.size();
        stagedAudio_ += isAudio(unit) ? 1 : 0;
    }
}

bool SampleAssembler::stagingIsFull() const
{
    return staged_.size() >= settings_.stagedUnitLimit || stagedBytes_ >= settings_.stagedByteLimit;
}

void SampleAssembler::tryToStart()
{
    if (video_ && !keyFrameFormat_) {
        return;
    }
    if (!audio_) {
        start(keyFrameTime_, keyFrameFormat_, std::nullopt);
        return;
    }
    if (!video_) {
        if (!staged_.empty()) {
            start(*staged_.front().pts, std::nullopt, audioFormatOf(audio_->kind, staged_.front().data));
        }
        return;
    }
    if (stagedAudio_ > 0) {
        const auto firstAudio =
            std::find_if(staged_.begin(), staged_.end(), [this](const AccessUnit& unit) { return isAudio(unit); });
        start(keyFrameTime_, keyFrameFormat_, audioFormatOf(firstAudio->kind, firstAudio->data));
        return;
    }
    // The program lists audio it does not send: after a while of pictures, or once they
    // fill what may be staged (pictures whose times stand still never show the while).
    const AccessUnit& latest = staged_.back();
    const std::uint64_t latestTime = latest.dts.value_or(latest.pts.value_or(keyFrameTime_));
    if (streamDelta(keyFrameTime_, latestTime) >= settings_.audioPatience || stagingIsFull()) {
        audio_.reset();
        start(keyFrameTime_, keyFrameFormat_, std::nullopt);
    }
}

void SampleAssembler::start(std::uint64_t anchor, const std::optional<StreamVideoFormat>& video,
                            const std::optional<StreamAudioFormat>& audio)
{
    if (video) {
        videoTrack_ = tracks_.size();
        tracks_.push_back(StreamTrackFormat{StreamTrackKind::h264, *video, {}});
    }
    if (audio) {
        audioTrack_ = tracks_.size();
        tracks_.push_back(StreamTrackFormat{audio_->kind, {}, *audio});
        soundNow_ = tracks_.back();
    } else {
        audio_.reset();
    }
    mapper_.anchor(anchor, 0);
    state_ = State::ready;
    std::deque<AccessUnit> staged = std::move(staged_);
    clearStaging();
    for (AccessUnit& unit : staged) {
        emit(std::move(unit));
    }
}

bool SampleAssembler::followsItsTracksClock(std::size_t track, const AccessUnit& unit)
{
    // Decoding times rise within a track (presentation times of reordered pictures do
    // not); a step back beyond jitter is a restarted clock.
    constexpr std::int64_t jitter = static_cast<std::int64_t>(streamClockRate) / 100;
    constexpr std::int64_t otherTrackWindow = 2 * static_cast<std::int64_t>(streamClockRate);
    const std::optional<std::uint64_t> time = unit.dts ? unit.dts : unit.pts;
    if (!time) {
        return true;
    }
    const std::size_t other = 1 - track;
    std::optional<std::uint64_t>& last = lastDecoding_[track];
    const bool back = last && streamDelta(*last, *time) < -jitter;
    if (awaitingJumpUntil_[track]) {
        const std::optional<std::uint64_t>& leader = lastDecoding_[other];
        const bool windowOver = leader && streamDelta(*awaitingJumpUntil_[track], *leader) > 0;
        if (back) {
            // The restart the other track met first: same timeline, no second jump.
            awaitingJumpUntil_[track].reset();
            last = time;
            discontinuityPending_[track] = true;
            return true;
        }
        if (!windowOver) {
            return false;  // still on the old clock, which the timeline has left
        }
        awaitingJumpUntil_[track].reset();
    } else if (back) {
        mapper_.discontinuity();
        discontinuityPending_[track] = true;
        if (tracks_.size() > 1 && lastDecoding_[other]) {
            awaitingJumpUntil_[other] = *time + static_cast<std::uint64_t>(otherTrackWindow);
        }
    }
    last = time;
    return true;
}

void SampleAssembler::emit(AccessUnit unit)
{
    const std::size_t track = isVideo(unit) ? *videoTrack_ : *audioTrack_;
    if (!followsItsTracksClock(track, unit)) {
        return;
    }
    StreamSample sample;
    // Decoding time first, so that after a restart of the clock the earliest time anchors.
    const std::optional<std::int64_t> decoding = unit.dts ? std::optional(mapper_.map(*unit.dts)) : std::nullopt;
    sample.start = unit.pts ? mapper_.map(*unit.pts) : decoding.value_or(lastStart_[track]);
    lastStart_[track] = sample.start;
    sample.keyFrame = unit.keyFrame;
    sample.discontinuity = discontinuityPending_[track] || unit.afterLoss;
    discontinuityPending_[track] = false;
    if (audioTrack_ == track) {
        sample.newFormat = soundChange(unit);
    }
    sample.data = std::move(unit.data);
    samples_.push_back(TrackSample{track, std::move(sample)});
}

std::shared_ptr<const StreamTrackFormat> SampleAssembler::soundChange(const AccessUnit& unit)
{
    // Every frame's header tells its sound; the bit rate of MPEG audio may change from
    // frame to frame without anything for a decoder to learn.
    const std::optional<StreamAudioFormat> format = audioFormatOf(unit.kind, unit.data);
    const StreamAudioFormat& now = soundNow_.audio;
    if (!format || (unit.kind == soundNow_.kind && format->sampleRate == now.sampleRate &&
                    format->channels == now.channels && format->aacObjectType == now.aacObjectType &&
                    format->mpegLayer == now.mpegLayer)) {
        return nullptr;
    }
    soundNow_ = StreamTrackFormat{unit.kind, {}, *format};
    return std::make_shared<const StreamTrackFormat>(soundNow_);
}

void SampleAssembler::discontinuity()
{
    if (state_ == State::ready) {
        mapper_.discontinuity();
        loss();
        // Announced: the clock starts afresh on every track, no jump to watch for.
        lastDecoding_.fill(std::nullopt);
        awaitingJumpUntil_.fill(std::nullopt);
    } else if (state_ == State::awaitingFormats) {
        // Staged times would not line up with the ones that follow.
        clearStaging();
    }
}

void SampleAssembler::clearStaging()
{
    staged_.clear();
    stagedBytes_ = 0;
    stagedAudio_ = 0;
    keyFrameFormat_.reset();
}

void SampleAssembler::loss() { discontinuityPending_.fill(true); }

std::vector<TrackSample> SampleAssembler::takeSamples() { return std::exchange(samples_, {}); }

}  // namespace telvia::stream

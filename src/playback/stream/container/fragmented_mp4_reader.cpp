#include "playback/stream/container/fragmented_mp4_reader.h"

#include <algorithm>
#include <utility>

#include "playback/stream/container/mp4_audio_config.h"
#include "playback/stream/container/mp4_box.h"
#include "playback/stream/container/mpeg_audio_header.h"

namespace telvia::stream {

namespace {

constexpr std::size_t shortHeader = 8;
constexpr std::size_t longHeader = 16;

// A time of `ticks` a second on the 33-bit 90 kHz clock. The whole seconds and the rest are
// scaled apart so that nothing overflows; a product that wraps in 64 bits still gives the
// right value modulo 2^33, which divides 2^64.
std::uint64_t toStreamClock(std::uint64_t magnitude, bool negative, std::uint32_t timescale)
{
    const std::uint64_t scaled =
        magnitude / timescale * streamClockRate + magnitude % timescale * streamClockRate / timescale;
    const std::uint64_t wrapped = scaled % streamClockModulus;
    return negative ? (streamClockModulus - wrapped) % streamClockModulus : wrapped;
}

// A decoding time moved by an offset (the edit list's shift, a composition offset), which
// may come out before zero.
std::uint64_t streamTimeOf(std::uint64_t decode, std::int64_t offset, std::uint32_t timescale)
{
    if (offset >= 0) {
        return toStreamClock(decode + static_cast<std::uint64_t>(offset), false, timescale);
    }
    const std::uint64_t back = 0 - static_cast<std::uint64_t>(offset);
    return back <= decode ? toStreamClock(decode - back, false, timescale)
                          : toStreamClock(back - decode, true, timescale);
}

// What a held box may leave allocated for the next one; a larger buffer is given back.
constexpr std::size_t keptCapacity = 1024 * 1024;

void release(std::vector<std::uint8_t>& bytes)
{
    bytes.clear();
    if (bytes.capacity() > keptCapacity) {
        std::vector<std::uint8_t>().swap(bytes);
    }
}

bool isHeld(std::uint32_t type) { return type == fourCc("moov") || type == fourCc("moof"); }

}  // namespace

void FragmentedMp4Reader::feed(std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        if (skipToEnd_) {
            position_ += bytes.size();
            return;
        }
        if (media_) {
            readMedia(bytes);
            continue;
        }
        if (skipLeft_ > 0) {
            const std::size_t skipped = static_cast<std::size_t>(std::min<std::uint64_t>(skipLeft_, bytes.size()));
            skipLeft_ -= skipped;
            position_ += skipped;
            bytes = bytes.subspan(skipped);
            continue;
        }
        std::size_t wanted = 0;
        if (!box_) {
            // Only the header's bytes: a short box must not take those of the next one.
            wanted = pending_.size() < shortHeader ? shortHeader - pending_.size() : longHeader - pending_.size();
        } else if (box_->size) {
            wanted = static_cast<std::size_t>(*box_->size - pending_.size());
        } else {
            // Up to one byte past the limit, which shows the box is too large.
            const std::size_t limit = limitFor(box_->type);
            wanted = limit + 1 - pending_.size();
            if (pending_.capacity() < pending_.size() + std::min(wanted, bytes.size())) {
                // Doubling, but never past the limit, and straight to it from a quarter of
                // it: the old and the new buffer together stay within 1.25 times the limit.
                std::size_t capacity = std::max(pending_.capacity() * 2, pending_.size() + bytes.size());
                if (capacity > (limit + 1) / 4) {
                    capacity = limit + 1;
                }
                pending_.reserve(capacity);
            }
        }
        const std::size_t taken = std::min(wanted, bytes.size());
        pending_.insert(pending_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(taken));
        bytes = bytes.subspan(taken);
        process();
    }
}

void FragmentedMp4Reader::process()
{
    if (!box_) {
        const Mp4HeaderRead read = readMp4BoxHeader(pending_);
        if (read.status == Mp4HeaderStatus::needMore) {
            return;
        }
        if (read.status == Mp4HeaderStatus::malformed) {
            // Boxes have no sync word to find the next one by: the rest of the file is lost.
            ++stats_.malformedBoxes;
            loseAwaited();
            pending_.clear();
            skipToEnd_ = true;
            return;
        }
        const OpenBox box{read.header.type, read.header.headerLength, read.header.size, isHeld(read.header.type)};
        openBox(box);
        if (!box_) {
            return;
        }
    }
    if (box_->held && !box_->size && pending_.size() > limitFor(box_->type)) {
        ++stats_.oversizedBoxes;
        box_.reset();
        release(pending_);
        skipToEnd_ = true;
        return;
    }
    if (box_->size && pending_.size() == *box_->size) {
        closeBox(pending_);
        position_ += pending_.size();
        release(pending_);
        box_.reset();
    }
}

std::size_t FragmentedMp4Reader::limitFor(std::uint32_t type) const
{
    return type == fourCc("moov") ? limits_.movie : limits_.fragment;
}

void FragmentedMp4Reader::openBox(const OpenBox& box)
{
    if (box.type == fourCc("pssh")) {
        encrypted_ = true;  // a protection system's data, outside the movie
    }
    if (box.type == fourCc("mdat")) {
        // Read as it streams in; the header's bytes are done with.
        position_ += pending_.size();
        pending_.clear();
        media_ = OpenMedia{box.size ? std::optional(position_ - box.headerLength + *box.size) : std::nullopt};
        return;
    }
    const bool oversized = box.held && box.size && *box.size > limitFor(box.type);
    if (oversized) {
        ++stats_.oversizedBoxes;
    }
    if (box.held && !oversized) {
        box_ = box;
        if (box.size) {
            pending_.reserve(static_cast<std::size_t>(*box.size));  // once, rather than doubling past it
        }
        return;
    }
    // Passed over: what of it has come goes, the rest is skipped as it arrives.
    if (box.size) {
        skipLeft_ = *box.size - pending_.size();
        position_ += pending_.size();
    } else {
        skipToEnd_ = true;
    }
    pending_.clear();
}

void FragmentedMp4Reader::closeBox(std::span<const std::uint8_t> whole)
{
    const std::span<const std::uint8_t> contents = whole.subspan(box_->headerLength);
    if (box_->type == fourCc("moov")) {
        readMovie(contents);
    } else {
        readFragment(contents);
    }
}

void FragmentedMp4Reader::readMedia(std::span<const std::uint8_t>& bytes)
{
    const std::uint64_t left = media_->end ? *media_->end - position_ : bytes.size();
    std::span<const std::uint8_t> chunk = bytes.first(static_cast<std::size_t>(std::min<std::uint64_t>(left, bytes.size())));
    bytes = bytes.subspan(chunk.size());
    while (!chunk.empty()) {
        if (awaitedAt_ == awaited_.size()) {
            position_ += chunk.size();  // no sample listed here
            break;
        }
        const Mp4Sample& sample = awaited_[awaitedAt_];
        if (sampleBytes_.empty() && sample.position != position_) {
            if (sample.position < position_) {
                loseSample(sample);  // its data were due before these
                ++awaitedAt_;
                continue;
            }
            const auto gap = static_cast<std::size_t>(std::min<std::uint64_t>(sample.position - position_, chunk.size()));
            position_ += gap;
            chunk = chunk.subspan(gap);
            continue;
        }
        if (sample.size > limits_.sample) {
            ++stats_.oversizedBoxes;
            loseSample(sample);
            ++awaitedAt_;
            continue;
        }
        const std::size_t taken = std::min<std::size_t>(sample.size - sampleBytes_.size(), chunk.size());
        sampleBytes_.insert(sampleBytes_.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(taken));
        position_ += taken;
        chunk = chunk.subspan(taken);
        if (sampleBytes_.size() == sample.size) {
            const Mp4Track* track = trackOf(sample.track);
            if (track != nullptr && !encrypted_) {
                handOn(sample, *track, sampleBytes_);
            }
            sampleBytes_.clear();
            ++awaitedAt_;
        }
    }
    if (media_->end && position_ == *media_->end) {
        endMedia();
    }
}

void FragmentedMp4Reader::endMedia()
{
    // A sample cut off by the box's end is lost; the ones listed beyond it may lie in a
    // further media data box.
    if (!sampleBytes_.empty()) {
        sampleBytes_.clear();
        loseSample(awaited_[awaitedAt_++]);
    }
    media_.reset();
}

void FragmentedMp4Reader::loseAwaited()
{
    for (std::size_t i = awaitedAt_; i < awaited_.size(); ++i) {
        loseSample(awaited_[i]);
    }
    awaited_.clear();
    awaitedAt_ = 0;
    sampleBytes_.clear();
}

void FragmentedMp4Reader::finish()
{
    if (box_ && box_->held && !box_->size) {
        closeBox(pending_);  // it ran to the end of the file, which is here
    }
    media_.reset();
    loseAwaited();
    release(pending_);
    box_.reset();
    position_ = 0;
    skipLeft_ = 0;
    skipToEnd_ = false;
}

std::optional<std::span<const StreamDescription>> FragmentedMp4Reader::program() const
{
    if (!movie_) {
        return std::nullopt;
    }
    return std::span<const StreamDescription>(streams_);
}

void FragmentedMp4Reader::readMovie(std::span<const std::uint8_t> contents)
{
    std::optional<Mp4Movie> movie = parseMp4Movie(contents);
    if (!movie) {
        ++stats_.malformedBoxes;
        return;
    }
    // A new movie (after a discontinuity) replaces the tracks and restarts their clocks.
    movie_ = std::move(movie);
    clocks_.clear();
    awaited_.clear();
    awaitedAt_ = 0;
    sampleBytes_.clear();
    lossPending_.clear();
    encrypted_ = movie_->encrypted;
    streams_.clear();
    for (const Mp4Track& track : movie_->tracks) {
        streams_.push_back(StreamDescription{StreamId{track.id, 0}, encrypted_ ? std::nullopt : track.kind});
    }
}

void FragmentedMp4Reader::readFragment(std::span<const std::uint8_t> contents)
{
    loseAwaited();
    if (!movie_) {
        return;  // no tracks to read it by: a stream joined without its initialisation
    }
    std::optional<Mp4Fragment> fragment = parseMp4Fragment(contents, position_, *movie_, clocks_);
    if (!fragment) {
        ++stats_.malformedBoxes;
        for (const Mp4Track& track : movie_->tracks) {
            lossPending_[track.id] = true;
        }
        return;
    }
    if (fragment->encrypted && !encrypted_) {
        encrypted_ = true;
        for (StreamDescription& stream : streams_) {
            stream.kind.reset();
        }
    }
    // The data are read in the order they lie in, which interleaves the tracks as they
    // were written.
    awaited_ = std::move(fragment->samples);
    std::stable_sort(awaited_.begin(), awaited_.end(),
                     [](const Mp4Sample& a, const Mp4Sample& b) { return a.position < b.position; });
}

void FragmentedMp4Reader::handOn(const Mp4Sample& sample, const Mp4Track& track, std::span<const std::uint8_t> bytes)
{
    if (!track.kind || bytes.empty()) {
        return;
    }
    AccessUnit unit;
    unit.stream = StreamId{track.id, 0};
    unit.kind = *track.kind;
    unit.keyFrame = sample.sync;
    const std::uint64_t decode = streamTimeOf(sample.decodeTime, track.presentationShift, track.timescale);
    const std::uint64_t presentation =
        streamTimeOf(sample.decodeTime, track.presentationShift + sample.compositionOffset, track.timescale);
    unit.pts = presentation;
    switch (*track.kind) {
    case StreamTrackKind::h264: {
        std::optional<std::vector<std::uint8_t>> data = annexBAccessUnit(bytes, track.video, sample.sync);
        if (!data) {
            return loseSample(sample);
        }
        unit.data = std::move(*data);
        if (decode != presentation) {
            unit.dts = decode;
        }
        break;
    }
    case StreamTrackKind::aacAdts: {
        std::optional<std::vector<std::uint8_t>> data = adtsFrame(track.audio, bytes);
        if (!data) {
            return loseSample(sample);
        }
        unit.data = std::move(*data);
        break;
    }
    case StreamTrackKind::mpegAudio: {
        // A sample is usually one frame, but may hold several: each goes on by itself,
        // timed on by the samples before it.
        std::uint64_t samplesBefore = 0;
        while (!bytes.empty()) {
            const std::optional<MpegAudioHeader> header = parseMpegAudioHeader(bytes);
            if (!header || header->frameLength > bytes.size()) {
                return loseSample(sample);
            }
            AccessUnit frame = unit;
            frame.pts = (presentation + samplesBefore * streamClockRate / header->sampleRate) % streamClockModulus;
            frame.data.assign(bytes.begin(), bytes.begin() + header->frameLength);
            frame.afterLoss = std::exchange(lossPending_[track.id], false);
            units_.push_back(std::move(frame));
            samplesBefore += header->samplesPerFrame;
            bytes = bytes.subspan(header->frameLength);
        }
        return;
    }
    }
    unit.afterLoss = std::exchange(lossPending_[track.id], false);
    units_.push_back(std::move(unit));
}

void FragmentedMp4Reader::loseSample(const Mp4Sample& sample)
{
    ++stats_.lostSamples;
    lossPending_[sample.track] = true;
}

const Mp4Track* FragmentedMp4Reader::trackOf(std::uint32_t id) const
{
    if (!movie_) {
        return nullptr;
    }
    const auto found = std::find_if(movie_->tracks.begin(), movie_->tracks.end(),
                                    [id](const Mp4Track& track) { return track.id == id; });
    return found == movie_->tracks.end() ? nullptr : &*found;
}

}  // namespace telvia::stream

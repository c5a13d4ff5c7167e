// From bytes to samples for one attempt at playing something: the reader of the stream
// (a variant, or the body of the address itself), the reader of a separate audio
// rendition beside it, the assembler that picks the tracks and times the samples, and the
// hand-over of what comes out to the exchange, which it tells once the stream is open.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <stop_token>

#include "platform/stream_source_port.h"
#include "playback/stream/container/unit_reader.h"
#include "playback/stream/delivery/sample_assembler.h"
#include "playback/stream/delivery/sample_exchange.h"
#include "playback/stream/hls/hls_playlist.h"
#include "playback/stream/hls/rendition_reader.h"
#include "playback/stream/session/play_outcome.h"

namespace telvia::stream {

class MediaPipeline {
public:
    // Which reader bytes go to.
    enum class Input : std::uint8_t { main, rendition };

    MediaPipeline(SampleExchange& exchange, std::unique_ptr<UnitReader> reader, AssemblerSettings settings,
                  std::size_t heldAudioLimit);

    // Feeds bytes to one reader and hands on what comes out; false once the stream turned
    // out to hold nothing playable.
    bool feed(std::span<const std::uint8_t> bytes, Input input = Input::main);
    // The bytes of both readers end here (see TsDemuxer::finish), or of one only.
    void finish();
    void finish(Input input);
    // The timestamps may start afresh with the next unit (see SampleAssembler).
    void discontinuity() { assembler_.discontinuity(); }
    // Data was lost before the next unit.
    void loss() { assembler_.loss(); }

    // From now on the audio comes from a rendition of its own, beside the main reader's
    // pictures. The assembler waits `settings` for the half it lacks, unless the stream
    // is open already.
    void addRendition(AssemblerSettings settings);
    // The rendition cannot be played: the main reader goes on alone.
    void dropRendition();
    [[nodiscard]] bool hasRendition() const { return rendition_ != nullptr; }
    // False once the rendition's bytes turned out to be no audio it reads.
    [[nodiscard]] bool renditionPlayable() const { return !rendition_ || rendition_->playable(); }
    // One of the rendition's segments ended.
    void endRenditionSegment();

    // The input's segments from now on are fragmented MP4 that follow this initialisation
    // section: its reader becomes one for them, if it is not yet, and reads the section.
    void readInitSection(Input input, std::shared_ptr<const HlsInitSection> section,
                         std::span<const std::uint8_t> bytes);
    // Whether the input's reader has read this section already, and needs it not again.
    [[nodiscard]] bool hasRead(Input input, const HlsInitSection& section) const;
    // The input's segments from now on follow no initialisation section: after fragmented
    // MP4, its reader becomes one that finds out from their bytes again.
    void readWithoutInitSection(Input input);
    // The samples turned out to be encrypted.
    [[nodiscard]] bool encrypted() const { return reader_->encrypted() || (rendition_ && rendition_->encrypted()); }

    // Another stream takes over from the main reader's (a variant that gave out): what
    // the old one held ends here, the tracks stay, and the timeline runs on.
    void handOver(std::unique_ptr<UnitReader> reader);

    // The exchange has been told the tracks: samples flow.
    [[nodiscard]] bool opened() const { return opened_; }
    [[nodiscard]] bool unplayable() const
    {
        return assembler_.state() == SampleAssembler::State::noPlayableTrack;
    }
    // What an attempt that ended comes to: finished once samples flowed, else stopped, or
    // why nothing played.
    [[nodiscard]] PlayOutcome ended(const std::stop_token& stop) const;
    // What an attempt that failed too often to go on comes to: it gave out once samples
    // flowed, else it never reached the stream.
    [[nodiscard]] PlayOutcome gaveOut(const std::stop_token& stop) const;

private:
    void deliver();
    void deliverPaired();

    SampleExchange& exchange_;
    std::unique_ptr<UnitReader> reader_;
    SampleAssembler assembler_;
    std::size_t heldAudioLimit_;
    std::unique_ptr<RenditionReader> rendition_;
    std::deque<AccessUnit> heldAudio_;  // the rendition's, until the pictures' program is known
    // The section each input's reader read last; none while it reads no fragmented MP4.
    std::array<std::shared_ptr<const HlsInitSection>, 2> initSections_;
    bool opened_ = false;
};

// Pictures and audio that come in separate segments, a whole segment of one before the
// other, of up to `longestSegmentMs` each: the assembler waits that much longer for the
// half it lacks.
[[nodiscard]] AssemblerSettings pairedAssemblerSettings(AssemblerSettings settings, std::int64_t longestSegmentMs);

}  // namespace telvia::stream

// The work of a stream session's fetch thread: opens the address (an HLS playlist, a
// transport stream or a radio stream over HTTP), and from then on downloads, demultiplexes
// and hands samples to the exchange as the bytes arrive, until the stream ends, fails or
// is stopped. Segments encrypted with AES-128 are decrypted on the way, each key fetched
// once, when the first segment that needs it comes up.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "playback/stream/address_classification.h"
#include "playback/stream/hls_playlist.h"
#include "platform/cipher_port.h"
#include "playback/stream/icy_metadata.h"
#include "playback/stream/key_cache.h"
#include "playback/stream/live_scheduler.h"
#include "playback/stream/rendition_reader.h"
#include "playback/stream/sample_assembler.h"
#include "playback/stream/sample_exchange.h"
#include "playback/stream/session_http.h"
#include "playback/stream/stream_clock.h"
#include "playback/stream/unit_reader.h"

namespace telvia::stream {

struct FetchSettings {
    SchedulerSettings scheduler;
    AssemblerSettings assembler;
    std::size_t playlistLimit = 4 * 1024 * 1024;  // longest playlist read
    std::size_t readSize = 64 * 1024;             // most bytes asked for by one read
    // A plain stream whose connection breaks off is asked for again, after this delay,
    // doubled for each attempt in a row that brings nothing, up to this many attempts.
    std::chrono::milliseconds reconnectDelay{1000};
    int reconnectAttempts = 3;
};

class StreamFetcher {
public:
    StreamFetcher(SessionHttp& http, CipherPort& cipher, SampleExchange& exchange, StreamClock& clock,
                  FetchSettings settings)
        : http_(http), cipher_(cipher), exchange_(exchange), clock_(clock), settings_(settings)
    {
    }

    // The whole life of the stream; tells the exchange how it opened and when it ended.
    void run(const std::string& address, AddressKind kind);

private:
    // One attempt at playing something: a variant, or the body of the address itself.
    struct Pipeline {
        Pipeline(std::unique_ptr<UnitReader> variantReader, SampleAssembler sampleAssembler)
            : reader(std::move(variantReader)), assembler(std::move(sampleAssembler))
        {
        }
        std::unique_ptr<UnitReader> reader;
        SampleAssembler assembler;
        // The audio rendition played beside the variant's pictures, while it plays.
        std::unique_ptr<RenditionReader> rendition;
        std::deque<AccessUnit> heldAudio;  // the rendition's, until the pictures' program is known
    };
    // Which of the pipeline's readers a segment's bytes go to.
    enum class Side : std::uint8_t { variant, rendition };
    enum class SegmentResult : std::uint8_t { loaded, notFound, failed, brokenOff, stopped };
    enum class StepEnd : std::uint8_t { goOn, stopped, noPlayableTrack };
    enum class BodyEnd : std::uint8_t { complete, brokenOff, stopped, nothingPlayable };
    struct KeyResult {
        std::optional<CipherKey> key;
        SegmentResult failure = SegmentResult::failed;  // why there is none
    };

    [[nodiscard]] OpenStatus openAddress(const std::string& address, AddressKind kind);
    [[nodiscard]] OpenStatus playPlaylist(std::string_view text, const std::string& requested,
                                          const std::string& finalAddress);
    [[nodiscard]] OpenStatus playVariants(const HlsMasterPlaylist& master);
    // Plays a variant through `pipeline`; `gaveOut` tells whether it stopped because its
    // playlist or segments failed too often after the stream had opened.
    [[nodiscard]] OpenStatus playVariant(const std::string& address, const HlsAudioRendition* audio,
                                         Pipeline& pipeline, bool& gaveOut);
    [[nodiscard]] OpenStatus playMedia(const HlsMediaPlaylist& playlist, const std::string& reloadAddress,
                                       Pipeline& pipeline, bool& gaveOut);
    // Plays a variant's pictures and a separate audio rendition together, fetching from
    // whichever of the two playlists is further behind.
    [[nodiscard]] OpenStatus playPair(const HlsMediaPlaylist& pictures, const std::string& picturesAddress,
                                      const HlsMediaPlaylist& audio, const std::string& audioAddress,
                                      Pipeline& pipeline, bool& gaveOut);
    // Fetches the segment a scheduler asked for into one side of the pipeline and tells
    // the scheduler how it went.
    [[nodiscard]] StepEnd playSegment(LiveScheduler& scheduler, const SchedulerStep& step, Pipeline& pipeline,
                                      Side side);
    // The rendition cannot be played: the variant goes on alone.
    void dropRendition(Pipeline& pipeline);
    void reloadPlaylist(LiveScheduler& scheduler, const std::string& address);
    void notePlayed(std::uint64_t sequence);
    [[nodiscard]] SegmentResult fetchSegment(Pipeline& pipeline, const HlsSegment& segment, Side side);
    // The key at this address: remembered, or fetched now.
    [[nodiscard]] KeyResult keyAt(const std::string& address);
    [[nodiscard]] OpenStatus playBody(const std::string& address, std::unique_ptr<SessionTransfer> transfer,
                                      Pipeline& pipeline, IcyMetadataSkipper skipper,
                                      std::span<const std::uint8_t> first, bool ended);
    // Reads the rest of a plain stream's body through the pipeline; `delivered` tells
    // whether any of it came.
    [[nodiscard]] BodyEnd readBody(SessionTransfer& transfer, Pipeline& pipeline, IcyMetadataSkipper& skipper,
                                   bool& delivered);
    // The address asked for again, after the delay for `failures` attempts in a row that
    // brought nothing; nothing once the attempts are used up or the session stops.
    [[nodiscard]] std::unique_ptr<SessionTransfer> reconnect(const std::string& address, int& failures,
                                                             IcyMetadataSkipper& skipper);
    // unreachable for a request that failed, stopped when stop() made it fail.
    [[nodiscard]] OpenStatus failedRequest() const;

    // Feeds bytes through the pipeline and hands on what comes out; false once the stream
    // turned out to hold nothing playable.
    bool pump(Pipeline& pipeline, std::span<const std::uint8_t> bytes, Side side = Side::variant);
    // The bytes of both sides end here (see TsDemuxer::finish), or of one side only.
    void flush(Pipeline& pipeline);
    void flush(Pipeline& pipeline, Side side);
    void deliver(Pipeline& pipeline);
    // What an attempt that ended comes to: opened once samples flowed, else why not.
    [[nodiscard]] OpenStatus endOf(const Pipeline& pipeline) const;

    SessionHttp& http_;
    CipherPort& cipher_;
    SampleExchange& exchange_;
    StreamClock& clock_;
    FetchSettings settings_;
    std::vector<std::uint8_t> buffer_;  // one read's bytes
    KeyCache keys_;
    bool opened_ = false;
    // The sequence number of the latest segment that played, for a variant taking over.
    std::optional<std::uint64_t> lastSequence_;
};

}  // namespace telvia::stream

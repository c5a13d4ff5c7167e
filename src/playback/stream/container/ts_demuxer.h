// Demultiplexes an MPEG transport stream into access units of the elementary streams the
// system decodes. Bytes arrive in pieces of any size (network reads, whole segments);
// the demuxer keeps its place across them, so a PES packet or a table may span
// segments. Damage costs only the data it touches: garbage is skipped until three
// packets line up again, a broken continuity counter drops the PES packet it hits.
// Memory stays bounded whatever the stream says: one PES packet is at most 8 MiB and all
// those being collected at once at most 16 MiB.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "playback/stream/container/audio_framer.h"
#include "playback/stream/container/elementary_stream.h"
#include "playback/stream/container/psi_section.h"
#include "playback/stream/container/ts_packet.h"

namespace telvia::stream {

struct DemuxStats {
    std::uint64_t skippedBytes = 0;      // garbage between packets, or inside audio payloads
    std::uint32_t syncLosses = 0;        // times the packet boundary was lost
    std::uint32_t continuityErrors = 0;  // packets missing on a PID we read
    std::uint32_t transportErrors = 0;   // packets the sender marked as damaged
    std::uint32_t badPackets = 0;        // adaptation fields longer than the packet
    std::uint32_t badSections = 0;       // tables with a wrong CRC or length
    std::uint32_t droppedPes = 0;        // PES packets lost to damage or a bad header
};

class TsDemuxer {
public:
    // Takes the next bytes of the stream.
    void feed(std::span<const std::uint8_t> bytes);

    // The bytes so far end here: at the end of the stream, and before bytes that do not
    // continue them (a discontinuity, a skipped segment, a jump to the live edge). Hands
    // on the last PES packet of each stream, which had no length to show it was whole,
    // forgets whatever is incomplete, and takes the next bytes as a fresh start. The
    // program tables stay, as they hold until the stream sends new ones.
    void finish();

    // Access units completed since the last call, in stream order per PID.
    [[nodiscard]] std::vector<AccessUnit> takeAccessUnits();

    // The streams of the program being read (the first of the association table), each
    // named by its PID.
    [[nodiscard]] const std::vector<StreamDescription>& programStreams() const { return streams_; }
    [[nodiscard]] bool hasProgramMap() const { return pmtSection_.has_value(); }

    [[nodiscard]] DemuxStats stats() const;

private:
    struct PesState {
        StreamTrackKind kind = StreamTrackKind::h264;
        std::vector<std::uint8_t> buffer;  // the PES packet so far, header included
        bool collecting = false;
        bool randomAccess = false;
        bool lost = false;  // data was lost since the last unit handed on
        std::optional<AudioFramer> framer;
    };

    void processBuffered(bool atEnd);
    struct SyncSearch {
        std::size_t position = 0;  // of the first candidate, or the end of the bytes
        bool confirmed = false;    // packets line up from there; else more bytes must decide
    };
    [[nodiscard]] SyncSearch findSync(std::size_t from, bool atEnd) const;
    void processPacket(std::span<const std::uint8_t, tsPacketSize> bytes);
    enum class Continuity : std::uint8_t { next, duplicate, broken };
    [[nodiscard]] Continuity checkContinuity(const TsPacket& packet, std::span<const std::uint8_t, tsPacketSize> bytes);
    void recoverFromLoss(std::uint16_t pid);
    void readPat(const TsPacket& packet);
    void readPmt(const TsPacket& packet);
    void applyPmt(const Pmt& pmt);
    void readPes(const TsPacket& packet, PesState& state);
    void completePes(std::uint16_t pid, PesState& state);
    void dropPes(PesState& state);
    void releaseBuffer(PesState& state);

    std::vector<std::uint8_t> pending_;  // bytes not yet a whole packet, or not yet in sync
    bool synced_ = false;
    // The last packet with a payload on each PID we read: a packet sent twice on purpose
    // repeats it byte for byte, while a counter that merely repeats is damage.
    std::map<std::uint16_t, std::array<std::uint8_t, tsPacketSize>> lastPacket_;
    PsiSectionAssembler patSections_;
    PsiSectionAssembler pmtSections_;
    std::optional<std::uint16_t> programNumber_;
    std::optional<std::uint16_t> pmtPid_;
    std::optional<std::vector<std::uint8_t>> pmtSection_;  // the map in force, as sent
    std::vector<StreamDescription> streams_;
    std::map<std::uint16_t, PesState> pes_;
    std::size_t collecting_ = 0;  // memory of the PES buffers, over all streams
    std::vector<AccessUnit> units_;
    DemuxStats stats_;
};

}  // namespace telvia::stream

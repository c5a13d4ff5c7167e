#include "transport_report.h"

#include <map>

#include "playback/stream/container/ts_demuxer.h"

namespace telvia::tools {

namespace {

using namespace telvia::stream;

const char* kindName(std::optional<StreamTrackKind> kind)
{
    if (!kind) return "not decoded";
    switch (*kind) {
    case StreamTrackKind::h264: return "H.264";
    case StreamTrackKind::aacAdts: return "AAC (ADTS)";
    case StreamTrackKind::mpegAudio: return "MPEG audio";
    }
    return "?";
}

struct StreamTally {
    std::optional<StreamTrackKind> kind;
    std::size_t units = 0;
    std::size_t keyFrames = 0;
    std::size_t afterLoss = 0;
    std::size_t bytes = 0;
    std::optional<std::uint64_t> firstTime;
    std::optional<std::uint64_t> lastTime;
};

}  // namespace

std::string describeTransportStream(std::span<const std::uint8_t> bytes)
{
    TsDemuxer demuxer;
    std::map<std::uint32_t, StreamTally> tallies;
    const auto count = [&] {
        for (const StreamDescription& s : demuxer.programStreams()) tallies[s.id.number].kind = s.kind;
        for (const AccessUnit& unit : demuxer.takeAccessUnits()) {
            StreamTally& tally = tallies[unit.stream.number];
            tally.kind = unit.kind;
            ++tally.units;
            tally.keyFrames += unit.keyFrame ? 1 : 0;
            tally.afterLoss += unit.afterLoss ? 1 : 0;
            tally.bytes += unit.data.size();
            if (const auto time = unit.dts ? unit.dts : unit.pts) {
                if (!tally.firstTime) tally.firstTime = time;
                tally.lastTime = time;
            }
        }
    };
    // In network-sized pieces, as the session feeds it.
    constexpr std::size_t piece = 64 * 1024;
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        demuxer.feed(bytes.subspan(at, std::min(piece, bytes.size() - at)));
        count();
    }
    demuxer.finish();
    count();

    std::string out = "transport stream: " + std::to_string(bytes.size()) + " bytes, " +
                      std::to_string(tallies.size()) + " streams" + (demuxer.hasProgramMap() ? "" : ", no program map") +
                      "\n";
    for (const auto& [pid, tally] : tallies) {
        out += "  PID " + std::to_string(pid) + " " + kindName(tally.kind) + ": " + std::to_string(tally.units) +
               " units, " + std::to_string(tally.keyFrames) + " key, " + std::to_string(tally.afterLoss) +
               " after a loss, " + std::to_string(tally.bytes) + " bytes";
        if (tally.firstTime) {
            out += ", times " + std::to_string(*tally.firstTime) + " to " + std::to_string(*tally.lastTime);
        }
        out += "\n";
    }
    const DemuxStats stats = demuxer.stats();
    out += "  damage: " + std::to_string(stats.skippedBytes) + " bytes skipped, " + std::to_string(stats.syncLosses) +
           " sync losses, " + std::to_string(stats.continuityErrors) + " continuity errors, " +
           std::to_string(stats.transportErrors) + " transport errors, " + std::to_string(stats.badPackets) +
           " bad packets, " + std::to_string(stats.badSections) + " bad tables, " + std::to_string(stats.droppedPes) +
           " PES packets dropped\n";
    return out;
}

}  // namespace telvia::tools

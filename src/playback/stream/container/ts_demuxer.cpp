#include "playback/stream/container/ts_demuxer.h"

#include <algorithm>

#include "playback/stream/container/annexb.h"
#include "playback/stream/container/pes_header.h"

namespace telvia::stream {

namespace {

constexpr std::uint16_t patPid = 0x0000;
// Larger than any access unit of a stream the system decodes (a 1080p intra picture
// at the highest level stays well below), so a PES packet that grows past it is damage.
constexpr std::size_t longestPes = 8 * 1024 * 1024;
// All PES packets being collected at once, over every stream of the program, counted by
// the memory their buffers hold. A real
// program has one picture and a few audio frames open at a time, some megabytes at most;
// a map listing hundreds of streams that never end their packets stops here, not at
// hundreds of times the longest packet.
constexpr std::size_t collectingBudget = 16 * 1024 * 1024;
// Three packets in a row, each starting with the sync byte, confirm the boundary.
constexpr std::size_t packetsToConfirmSync = 3;

std::optional<StreamTrackKind> kindOfStreamType(std::uint8_t streamType)
{
    switch (streamType) {
    case 0x1B: return StreamTrackKind::h264;
    case 0x0F: return StreamTrackKind::aacAdts;
    case 0x03:
    case 0x04: return StreamTrackKind::mpegAudio;
    default: return std::nullopt;
    }
}

}  // namespace

void TsDemuxer::feed(std::span<const std::uint8_t> bytes)
{
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    processBuffered(false);
}

TsDemuxer::SyncSearch TsDemuxer::findSync(std::size_t from, bool atEnd) const
{
    for (std::size_t p = from; p < pending_.size(); ++p) {
        if (pending_[p] != tsSyncByte) {
            continue;
        }
        bool mismatch = false;
        std::size_t seen = 0;
        for (std::size_t k = 0; k < packetsToConfirmSync; ++k) {
            const std::size_t at = p + k * tsPacketSize;
            if (at >= pending_.size()) {
                break;
            }
            if (pending_[at] != tsSyncByte) {
                mismatch = true;
                break;
            }
            ++seen;
        }
        if (mismatch) {
            continue;
        }
        if (seen == packetsToConfirmSync) {
            return {p, true};
        }
        // At the end of the stream, fewer packets are all there is to go by.
        if (atEnd && pending_.size() - p >= tsPacketSize) {
            return {p, true};
        }
        return {p, false};
    }
    return {pending_.size(), false};
}

void TsDemuxer::processBuffered(bool atEnd)
{
    std::size_t offset = 0;
    while (offset < pending_.size()) {
        if (!synced_) {
            const SyncSearch search = findSync(offset, atEnd);
            stats_.skippedBytes += search.position - offset;
            offset = search.position;
            if (!search.confirmed) {
                break;
            }
            synced_ = true;
        }
        // A packet is taken once the byte after it is in as well, which tells whether the
        // packets go on there or something else comes first.
        const std::size_t available = pending_.size() - offset;
        if (available < tsPacketSize || (available == tsPacketSize && !atEnd)) {
            break;
        }
        if (pending_[offset] != tsSyncByte) {
            synced_ = false;
            ++stats_.syncLosses;
            continue;  // search from here: the boundary was lost within what came before
        }
        if (available > tsPacketSize && pending_[offset + tsPacketSize] != tsSyncByte) {
            // Something else follows. Where the packets line up again decides what this
            // was: a whole packet with junk after it when that is a packet's length or more
            // away, else junk that merely starts with a sync byte.
            const SyncSearch next = findSync(offset + 1, atEnd);
            const bool junkStartsHere = next.position < offset + tsPacketSize;
            if (junkStartsHere && !next.confirmed && !atEnd) {
                break;  // more bytes must decide
            }
            ++stats_.syncLosses;
            if (junkStartsHere && next.confirmed) {
                stats_.skippedBytes += next.position - offset;
                offset = next.position;
                continue;
            }
            processPacket(std::span<const std::uint8_t, tsPacketSize>(pending_.data() + offset, tsPacketSize));
            offset += tsPacketSize;
            synced_ = false;  // the search from here passes the junk by
            continue;
        }
        processPacket(std::span<const std::uint8_t, tsPacketSize>(pending_.data() + offset, tsPacketSize));
        offset += tsPacketSize;
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(offset));
}

TsDemuxer::Continuity TsDemuxer::checkContinuity(const TsPacket& packet,
                                                 std::span<const std::uint8_t, tsPacketSize> bytes)
{
    // The counter counts packets with a payload only.
    if (!packet.hasPayload) {
        return Continuity::next;
    }
    std::array<std::uint8_t, tsPacketSize> copy{};
    std::copy(bytes.begin(), bytes.end(), copy.begin());
    const auto last = lastPacket_.find(packet.pid);
    if (last == lastPacket_.end() || packet.discontinuityIndicator) {
        lastPacket_[packet.pid] = copy;
        return Continuity::next;
    }
    if (last->second == copy) {
        return Continuity::duplicate;  // sent twice on purpose; the copy adds nothing
    }
    const std::uint8_t previous = last->second[3] & 0x0F;
    last->second = copy;
    return packet.continuity == ((previous + 1) & 0x0F) ? Continuity::next : Continuity::broken;
}

void TsDemuxer::recoverFromLoss(std::uint16_t pid)
{
    if (pid == patPid) {
        patSections_.reset();
    } else if (pmtPid_ && pid == *pmtPid_) {
        pmtSections_.reset();
    } else if (const auto state = pes_.find(pid); state != pes_.end()) {
        dropPes(state->second);
    }
}

void TsDemuxer::processPacket(std::span<const std::uint8_t, tsPacketSize> bytes)
{
    const std::optional<TsPacket> packet = parseTsPacket(bytes);
    if (!packet) {
        ++stats_.badPackets;
        return;
    }
    const bool wanted = packet->pid == patPid || (pmtPid_ && packet->pid == *pmtPid_) || pes_.contains(packet->pid);
    if (!wanted) {
        return;
    }
    if (packet->transportError) {
        // Its counter may be as damaged as the rest: the next packet starts counting anew.
        ++stats_.transportErrors;
        lastPacket_.erase(packet->pid);
        recoverFromLoss(packet->pid);
        return;
    }
    switch (checkContinuity(*packet, bytes)) {
    case Continuity::duplicate:
        return;
    case Continuity::broken:
        ++stats_.continuityErrors;
        recoverFromLoss(packet->pid);
        break;
    case Continuity::next:
        break;
    }
    if (!packet->hasPayload) {
        return;  // adaptation field only: stuffing or a clock reference
    }
    if (packet->pid == patPid) {
        readPat(*packet);
    } else if (pmtPid_ && packet->pid == *pmtPid_) {
        readPmt(*packet);
    } else {
        readPes(*packet, pes_.at(packet->pid));
    }
}

void TsDemuxer::readPat(const TsPacket& packet)
{
    std::vector<std::vector<std::uint8_t>> sections;
    patSections_.push(packet.payload, packet.payloadStart, sections);
    for (const auto& section : sections) {
        const auto programs = parsePat(section);
        if (!programs) {
            ++stats_.badSections;
            continue;
        }
        // Program 0 names the network information table, not a program.
        const auto first = std::find_if(programs->begin(), programs->end(), [](const PatProgram& p) {
            return p.programNumber != 0 && p.pmtPid != patPid && p.pmtPid != tsNullPid;
        });
        if (first == programs->end() || (pmtPid_ == first->pmtPid && programNumber_ == first->programNumber)) {
            continue;
        }
        if (pmtPid_) {
            lastPacket_.erase(*pmtPid_);
        }
        programNumber_ = first->programNumber;
        pmtPid_ = first->pmtPid;
        pmtSection_.reset();
        pmtSections_.reset();
        applyPmt(Pmt{});  // the old program's streams end here
    }
}

void TsDemuxer::readPmt(const TsPacket& packet)
{
    std::vector<std::vector<std::uint8_t>> sections;
    pmtSections_.push(packet.payload, packet.payloadStart, sections);
    for (const auto& section : sections) {
        const auto pmt = parsePmt(section);
        if (!pmt) {
            ++stats_.badSections;
            continue;
        }
        // A map is new when what it says is new: encoders that restart, and ads spliced
        // in, send other streams under the version number they had before.
        if (pmt->programNumber != programNumber_ || section == pmtSection_) {
            continue;
        }
        pmtSection_ = section;
        applyPmt(*pmt);
    }
}

void TsDemuxer::applyPmt(const Pmt& pmt)
{
    std::vector<StreamDescription> streams;
    std::map<std::uint16_t, PesState> states;
    for (const PmtStream& listed : pmt.streams) {
        const bool taken = listed.pid == patPid || listed.pid == pmtPid_ || listed.pid == tsNullPid ||
                           std::any_of(streams.begin(), streams.end(),
                                       [&listed](const StreamDescription& s) { return s.id.number == listed.pid; });
        if (taken) {
            continue;
        }
        const std::optional<StreamTrackKind> kind = kindOfStreamType(listed.streamType);
        streams.push_back({StreamId{listed.pid}, kind});
        if (!kind) {
            continue;
        }
        // A stream that stays what it was keeps its place, so a repeated or updated map
        // loses no data.
        if (const auto old = pes_.find(listed.pid); old != pes_.end() && old->second.kind == *kind) {
            states.emplace(listed.pid, std::move(old->second));
            continue;
        }
        PesState state;
        state.kind = *kind;
        if (*kind != StreamTrackKind::h264) {
            state.framer.emplace(listed.pid, *kind);
        }
        states.emplace(listed.pid, std::move(state));
    }
    for (const auto& [pid, state] : pes_) {
        if (!states.contains(pid)) {
            lastPacket_.erase(pid);
        }
    }
    pes_ = std::move(states);
    streams_ = std::move(streams);
    // Streams that left the program took their packets with them.
    collecting_ = 0;
    for (const auto& [pid, state] : pes_) {
        collecting_ += state.buffer.capacity();
    }
}

void TsDemuxer::readPes(const TsPacket& packet, PesState& state)
{
    if (packet.payloadStart) {
        if (state.collecting) {
            completePes(packet.pid, state);
        }
        state.collecting = true;
        state.randomAccess = packet.randomAccess;
    } else if (!state.collecting) {
        return;  // the rest of a PES packet whose start was lost
    }
    const std::size_t capacity = state.buffer.capacity();
    state.buffer.insert(state.buffer.end(), packet.payload.begin(), packet.payload.end());
    collecting_ += state.buffer.capacity() - capacity;
    if (collecting_ > collectingBudget) {
        ++stats_.droppedPes;
        dropPes(state);
        return;
    }
    if (state.buffer.size() < pesFixedHeaderLength) {
        return;
    }
    if (state.buffer[0] != 0 || state.buffer[1] != 0 || state.buffer[2] != 1 || state.buffer.size() > longestPes) {
        ++stats_.droppedPes;
        dropPes(state);
        return;
    }
    const std::size_t declared = static_cast<std::size_t>(state.buffer[4] << 8 | state.buffer[5]);
    // A PES packet with a length is complete as soon as it is all there, without
    // waiting for the next one to start: audio reaches the output sooner.
    if (declared != 0 && state.buffer.size() >= pesFixedHeaderLength + declared) {
        state.buffer.resize(pesFixedHeaderLength + declared);
        completePes(packet.pid, state);
    }
}

void TsDemuxer::completePes(std::uint16_t pid, PesState& state)
{
    state.collecting = false;
    const std::optional<PesHeader> header = parsePesHeader(state.buffer);
    if (!header || (header->totalLength && state.buffer.size() < *header->totalLength)) {
        ++stats_.droppedPes;
        dropPes(state);
        return;
    }
    const std::span<const std::uint8_t> payload = std::span<const std::uint8_t>(state.buffer).subspan(header->payloadOffset);
    if (state.framer) {
        state.framer->push(payload, header->pts, state.lost, units_);
    } else if (!payload.empty()) {
        AccessUnit unit;
        unit.stream = StreamId{pid};
        unit.kind = state.kind;
        unit.pts = header->pts;
        unit.dts = header->dts;
        unit.data.assign(payload.begin(), payload.end());
        unit.keyFrame = state.randomAccess || holdsIdrPicture(unit.data);
        unit.afterLoss = state.lost;
        units_.push_back(std::move(unit));
    }
    state.lost = false;
    // The capacity goes as well: a stream that once carried a large picture holds no
    // megabytes between its packets.
    releaseBuffer(state);
}

void TsDemuxer::releaseBuffer(PesState& state)
{
    collecting_ -= state.buffer.capacity();
    std::vector<std::uint8_t>().swap(state.buffer);
}

void TsDemuxer::dropPes(PesState& state)
{
    releaseBuffer(state);
    state.collecting = false;
    state.lost = true;
    if (state.framer) {
        state.framer->reset();
    }
}

void TsDemuxer::finish()
{
    processBuffered(true);
    for (auto& [pid, state] : pes_) {
        if (state.collecting) {
            completePes(pid, state);
        }
        if (state.framer) {
            state.framer->reset();
        }
    }
    stats_.skippedBytes += pending_.size();
    pending_.clear();
    synced_ = false;
    lastPacket_.clear();
    patSections_.reset();
    pmtSections_.reset();
}

std::vector<AccessUnit> TsDemuxer::takeAccessUnits()
{
    std::vector<AccessUnit> units;
    units.swap(units_);
    return units;
}

DemuxStats TsDemuxer::stats() const
{
    DemuxStats stats = stats_;
    stats.badSections += patSections_.badSections() + pmtSections_.badSections();
    for (const auto& [pid, state] : pes_) {
        if (state.framer) {
            stats.skippedBytes += state.framer->skippedBytes();
        }
    }
    return stats;
}

}  // namespace telvia::stream

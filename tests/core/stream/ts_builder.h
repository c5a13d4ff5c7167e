// Writes small transport streams byte by byte for the demultiplexer tests, so each test
// shows exactly which packet is damaged, missing or repeated.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "playback/stream/container/psi_section.h"

namespace telvia::stream::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

inline Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

struct PacketFlags {
    bool payloadStart = false;
    bool randomAccess = false;
    bool discontinuity = false;
    bool transportError = false;
};

// One packet; the payload (at most 184 bytes) is preceded by an adaptation field
// stuffed to fill the packet. An empty payload makes an adaptation-only packet.
inline Bytes tsPacket(std::uint16_t pid, std::uint8_t continuity, const Bytes& payload, PacketFlags flags = {})
{
    Bytes packet = {0x47, static_cast<std::uint8_t>((flags.transportError ? 0x80 : 0) | (flags.payloadStart ? 0x40 : 0) | pid >> 8),
                    static_cast<std::uint8_t>(pid), 0};
    const bool needsField = payload.size() < 184 || flags.randomAccess || flags.discontinuity;
    const unsigned control = (payload.empty() ? 0 : 1) | (needsField ? 2 : 0);
    packet[3] = static_cast<std::uint8_t>(control << 4 | (continuity & 0x0F));
    if (needsField) {
        const std::size_t fieldLength = 183 - payload.size();
        packet.push_back(static_cast<std::uint8_t>(fieldLength));
        if (fieldLength > 0) {
            packet.push_back(static_cast<std::uint8_t>((flags.discontinuity ? 0x80 : 0) | (flags.randomAccess ? 0x40 : 0)));
            packet.insert(packet.end(), fieldLength - 1, 0xFF);
        }
    }
    packet.insert(packet.end(), payload.begin(), payload.end());
    return packet;
}

// A long-syntax section with its CRC.
inline Bytes section(std::uint8_t tableId, std::uint16_t extension, std::uint8_t version, const Bytes& body)
{
    const std::size_t length = 5 + body.size() + 4;
    Bytes s = {tableId, static_cast<std::uint8_t>(0xB0 | length >> 8), static_cast<std::uint8_t>(length),
               static_cast<std::uint8_t>(extension >> 8), static_cast<std::uint8_t>(extension),
               static_cast<std::uint8_t>(0xC1 | version << 1), 0, 0};
    s.insert(s.end(), body.begin(), body.end());
    const std::uint32_t crc = mpegCrc32(s);
    for (int shift = 24; shift >= 0; shift -= 8) {
        s.push_back(static_cast<std::uint8_t>(crc >> shift));
    }
    return s;
}

inline Bytes patSection(std::uint16_t program, std::uint16_t pmtPid)
{
    return section(0x00, 1, 0,
                   {static_cast<std::uint8_t>(program >> 8), static_cast<std::uint8_t>(program),
                    static_cast<std::uint8_t>(0xE0 | pmtPid >> 8), static_cast<std::uint8_t>(pmtPid)});
}

struct StreamEntry {
    std::uint8_t type = 0;
    std::uint16_t pid = 0;
    std::size_t descriptorBytes = 0;  // filler descriptors, to make a map span packets
};

inline Bytes pmtSection(std::uint16_t program, const std::vector<StreamEntry>& streams, std::uint8_t version = 0)
{
    Bytes body = {0xE1, 0x00, 0xF0, 0x00};  // PCR PID 0x100, no program descriptors
    for (const StreamEntry& s : streams) {
        body.push_back(s.type);
        body.push_back(static_cast<std::uint8_t>(0xE0 | s.pid >> 8));
        body.push_back(static_cast<std::uint8_t>(s.pid));
        body.push_back(static_cast<std::uint8_t>(0xF0 | s.descriptorBytes >> 8));
        body.push_back(static_cast<std::uint8_t>(s.descriptorBytes));
        body.insert(body.end(), s.descriptorBytes, 0x00);
    }
    return section(0x02, program, version, body);
}

inline void putTimestamp(Bytes& out, unsigned prefix, std::uint64_t t)
{
    out.push_back(static_cast<std::uint8_t>(prefix << 4 | (t >> 29 & 0x0E) | 1));
    out.push_back(static_cast<std::uint8_t>(t >> 22));
    out.push_back(static_cast<std::uint8_t>((t >> 14 & 0xFE) | 1));
    out.push_back(static_cast<std::uint8_t>(t >> 7));
    out.push_back(static_cast<std::uint8_t>((t << 1 & 0xFE) | 1));
}

// A PES packet; `bounded` writes its length (audio), otherwise 0 (video).
inline Bytes pesPacket(std::uint8_t streamId, std::optional<std::uint64_t> pts, std::optional<std::uint64_t> dts,
                       const Bytes& payload, bool bounded)
{
    Bytes header;
    if (pts) putTimestamp(header, dts ? 3 : 2, *pts);
    if (pts && dts) putTimestamp(header, 1, *dts);
    const unsigned flags = pts ? (dts ? 0xC0 : 0x80) : 0;
    const std::size_t length = bounded ? 3 + header.size() + payload.size() : 0;
    Bytes pes;
    pes.reserve(9 + header.size() + payload.size());  // also spares GCC 12 a false bounds warning
    for (const std::size_t byte : {std::size_t{0}, std::size_t{0}, std::size_t{1}, std::size_t{streamId}, length >> 8,
                                   length & 0xFF, std::size_t{0x80}, std::size_t{flags}, header.size()}) {
        pes.push_back(static_cast<std::uint8_t>(byte));
    }
    pes.insert(pes.end(), header.begin(), header.end());
    pes.insert(pes.end(), payload.begin(), payload.end());
    return pes;
}

// Keeps the continuity counters and cuts tables and PES packets into packets.
class TsWriter {
public:
    void table(std::uint16_t pid, const Bytes& sectionBytes)
    {
        Bytes payload = {0};  // pointer field
        payload.insert(payload.end(), sectionBytes.begin(), sectionBytes.end());
        split(pid, payload, false);
    }

    void pes(std::uint16_t pid, const Bytes& pesBytes, bool randomAccess = false) { split(pid, pesBytes, randomAccess); }

    // One packet as it is, counting on the PID's counter unless told otherwise.
    void packet(std::uint16_t pid, const Bytes& payload, PacketFlags flags = {})
    {
        append(tsPacket(pid, payload.empty() ? counters_[pid] : next(pid), payload, flags));
    }

    void append(const Bytes& bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); }

    std::uint8_t next(std::uint16_t pid)
    {
        const std::uint8_t value = counters_.contains(pid) ? static_cast<std::uint8_t>((counters_[pid] + 1) & 0x0F) : 0;
        counters_[pid] = value;
        return value;
    }

    Bytes out;

private:
    void split(std::uint16_t pid, const Bytes& bytes, bool randomAccess)
    {
        std::size_t at = 0;
        while (at < bytes.size()) {
            // The random-access flag needs two bytes of adaptation field.
            const std::size_t room = at == 0 && randomAccess ? 182 : 184;
            const std::size_t end = std::min(bytes.size(), at + room);
            const Bytes part(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin() + static_cast<std::ptrdiff_t>(end));
            PacketFlags flags;
            flags.payloadStart = at == 0;
            flags.randomAccess = at == 0 && randomAccess;
            append(tsPacket(pid, next(pid), part, flags));
            at = end;
        }
    }

    std::map<std::uint16_t, std::uint8_t> counters_;
};

// An ADTS frame (AAC LC, 48 kHz, stereo) of the given total length, its body filled
// with `fill`.
inline Bytes adtsFrame(std::size_t length, std::uint8_t fill)
{
    Bytes frame = {0xFF, 0xF1, 0x4C, static_cast<std::uint8_t>(0x80 | length >> 11),
                   static_cast<std::uint8_t>(length >> 3), static_cast<std::uint8_t>((length & 7) << 5 | 0x1F), 0xFC};
    frame.resize(length, fill);
    return frame;
}

// An MPEG-1 layer 2 frame, 64 kb/s at 48 kHz: 192 bytes.
inline Bytes mpegAudioFrame(std::uint8_t fill)
{
    Bytes frame = {0xFF, 0xFD, 0x44, 0xC0};
    frame.resize(192, fill);
    return frame;
}

}  // namespace telvia::stream::testing

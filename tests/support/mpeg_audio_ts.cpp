#include "mpeg_audio_ts.h"

#include <algorithm>
#include <string_view>

namespace telvia::testing {

namespace {

constexpr std::size_t packetSize = 188;
constexpr std::uint16_t pmtPid = 0x1000;
constexpr std::uint16_t audioPid = 0x101;
constexpr std::uint16_t nullPid = 0x1FFF;
constexpr std::uint64_t ticksPerFrame = 90'000 * silentFrameMilliseconds / 1000;  // 2160
// Where the first frame's time stands: an encoder's clock never starts at zero.
constexpr std::uint64_t firstPts = 900'000;
// PES header (9) + PTS (5) + frame (384): three packets, the last one padded.
constexpr int packetsPerFrame = 3;

std::string silentFrame()
{
    std::string frame(silentFrameBytes, '\0');
    frame[0] = '\xFF';
    frame[1] = '\xFD';  // MPEG-1, layer 2, no CRC
    frame[2] = '\x84';  // 128 kbit/s, 48 kHz, no padding
    return frame;
}

std::uint32_t mpegCrc32(std::string_view bytes)
{
    std::uint32_t crc = 0xFFFFFFFF;
    for (const char byte : bytes) {
        crc ^= static_cast<std::uint32_t>(static_cast<std::uint8_t>(byte)) << 24;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x80000000) != 0 ? (crc << 1) ^ 0x04C11DB7 : crc << 1;
        }
    }
    return crc;
}

// One transport packet; a short payload is padded with an adaptation field of stuffing.
std::string packet(std::uint16_t pid, bool unitStart, std::uint64_t continuity, std::string_view payload)
{
    std::string bytes;
    bytes += '\x47';
    bytes += static_cast<char>((unitStart ? 0x40 : 0x00) | ((pid >> 8) & 0x1F));
    bytes += static_cast<char>(pid & 0xFF);
    const std::size_t room = packetSize - 4;
    if (payload.size() >= room) {
        bytes += static_cast<char>(0x10 | (continuity & 0x0F));
        bytes.append(payload.substr(0, room));
        return bytes;
    }
    bytes += static_cast<char>(0x30 | (continuity & 0x0F));
    const std::size_t fieldLength = room - payload.size() - 1;
    bytes += static_cast<char>(fieldLength);
    if (fieldLength > 0) {
        bytes += '\x00';  // no flags
        bytes.append(fieldLength - 1, '\xFF');
    }
    bytes.append(payload);
    return bytes;
}

// A long section with its CRC, behind a pointer field, in one packet.
std::string sectionPacket(std::uint16_t pid, std::uint64_t continuity, char tableId, std::string_view body)
{
    const std::size_t sectionLength = 5 + body.size() + 4;
    std::string section = {tableId, static_cast<char>(0xB0 | (sectionLength >> 8)),
                           static_cast<char>(sectionLength & 0xFF),
                           '\x00', '\x01',  // transport stream or program number 1
                           '\xC1',          // version 0, current
                           '\x00', '\x00'};
    section += body;
    const std::uint32_t crc = mpegCrc32(section);
    for (int shift = 24; shift >= 0; shift -= 8) {
        section += static_cast<char>((crc >> shift) & 0xFF);
    }
    std::string payload(1, '\0');  // pointer field
    payload += section;
    payload.append(packetSize - 4 - payload.size(), '\xFF');
    return packet(pid, true, continuity, payload);
}

std::string pesOf(std::uint64_t pts, const std::string& frame)
{
    const std::size_t length = 3 + 5 + frame.size();
    std::string pes = {'\x00', '\x00', '\x01', '\xC0', static_cast<char>(length >> 8),
                       static_cast<char>(length & 0xFF), '\x80', '\x80', '\x05'};
    pes += static_cast<char>(0x21 | ((pts >> 29) & 0x0E));
    pes += static_cast<char>((pts >> 22) & 0xFF);
    pes += static_cast<char>(0x01 | ((pts >> 14) & 0xFE));
    pes += static_cast<char>((pts >> 7) & 0xFF);
    pes += static_cast<char>(0x01 | ((pts << 1) & 0xFE));
    return pes + frame;
}

}  // namespace

std::string silentMpegAudio(int count)
{
    const std::string frame = silentFrame();
    std::string body;
    for (int i = 0; i < count; ++i) {
        body += frame;
    }
    return body;
}

std::string silentMpegAudioSegment(std::uint64_t index, int framesPerSegment, int fillerPerFrame)
{
    const auto high = [](std::uint16_t pid) { return static_cast<char>(0xE0 | (pid >> 8)); };
    const auto low = [](std::uint16_t pid) { return static_cast<char>(pid & 0xFF); };
    const std::string pat = {'\x00', '\x01', high(pmtPid), low(pmtPid)};
    const std::string pmt = {high(audioPid), low(audioPid),  // PCR PID
                             '\xF0', '\x00',                 // no program info
                             '\x03',                         // MPEG-1 audio
                             high(audioPid), low(audioPid), '\xF0', '\x00'};
    std::string segment = sectionPacket(0, index, '\x00', pat) + sectionPacket(pmtPid, index, '\x02', pmt);
    const std::string frame = silentFrame();
    const std::uint64_t firstFrame = index * static_cast<std::uint64_t>(framesPerSegment);
    for (int i = 0; i < framesPerSegment; ++i) {
        const std::uint64_t number = firstFrame + static_cast<std::uint64_t>(i);
        const std::string pes = pesOf((firstPts + number * ticksPerFrame) & 0x1FFFFFFFF, frame);
        std::uint64_t continuity = number * packetsPerFrame;
        std::size_t offset = 0;
        for (int part = 0; part < packetsPerFrame; ++part, ++continuity) {
            const std::string_view rest = std::string_view(pes).substr(offset);
            segment += packet(audioPid, part == 0, continuity, rest.substr(0, packetSize - 4));
            offset += std::min(rest.size(), packetSize - 4);
        }
        for (int filler = 0; filler < fillerPerFrame; ++filler) {
            segment += packet(nullPid, false, 0, std::string(packetSize - 4, '\xFF'));
        }
    }
    return segment;
}

}  // namespace telvia::testing

#include "playback/stream/container/ts_packet.h"

namespace telvia::stream {

std::optional<TsPacket> parseTsPacket(std::span<const std::uint8_t, tsPacketSize> b)
{
    if (b[0] != tsSyncByte) {
        return std::nullopt;
    }
    TsPacket packet;
    packet.transportError = (b[1] & 0x80) != 0;
    packet.payloadStart = (b[1] & 0x40) != 0;
    packet.pid = static_cast<std::uint16_t>((b[1] & 0x1F) << 8 | b[2]);
    const unsigned control = (b[3] >> 4) & 0x03;
    packet.continuity = b[3] & 0x0F;
    if (control == 0) {
        return std::nullopt;
    }
    std::size_t offset = 4;
    if ((control & 0x02) != 0) {
        const std::size_t length = b[4];
        // Adaptation only: the field fills the packet. With a payload: it leaves room.
        if (length > tsPacketSize - 5) {
            return std::nullopt;
        }
        if (length > 0) {
            packet.discontinuityIndicator = (b[5] & 0x80) != 0;
            packet.randomAccess = (b[5] & 0x40) != 0;
        }
        offset = 5 + length;
    }
    packet.hasPayload = (control & 0x01) != 0;
    if (packet.hasPayload) {
        packet.payload = std::span<const std::uint8_t>(b).subspan(offset);
    }
    return packet;
}

}  // namespace telvia::stream

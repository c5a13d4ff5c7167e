// One 188-byte MPEG transport stream packet: its header and where its payload lies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace telvia::stream {

inline constexpr std::size_t tsPacketSize = 188;
inline constexpr std::uint8_t tsSyncByte = 0x47;
inline constexpr std::uint16_t tsNullPid = 0x1FFF;

struct TsPacket {
    std::uint16_t pid = 0;
    bool transportError = false;
    bool payloadStart = false;
    std::uint8_t continuity = 0;
    bool hasPayload = false;
    bool discontinuityIndicator = false;  // counters and clocks restart here, not an error
    bool randomAccess = false;            // a decoder can start with this packet's PES
    std::span<const std::uint8_t> payload;
};

// Empty when the packet has no sync byte, a reserved adaptation field control, or an
// adaptation field longer than the packet.
[[nodiscard]] std::optional<TsPacket> parseTsPacket(std::span<const std::uint8_t, tsPacketSize> bytes);

}  // namespace telvia::stream

// What the transport stream demultiplexer understood of one stream, as lines of text: the
// program's streams, the access units of each (count, key frames, first and last time)
// and the damage it met.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace telvia::tools {

[[nodiscard]] std::string describeTransportStream(std::span<const std::uint8_t> bytes);

}  // namespace telvia::tools

// The catalogue: 400 channel slots whose used slots form a prefix.
#pragma once

#include <array>
#include <string_view>

#include "catalogue/channel.h"

namespace telvia {

inline constexpr int channelCapacity = 400;

// No count is stored: the first slot with an empty country ends the table.
struct ChannelTable {
    std::array<Channel, channelCapacity> slots{};

    [[nodiscard]] Channel& operator[](int slot) { return slots.at(static_cast<std::size_t>(slot)); }
    [[nodiscard]] const Channel& operator[](int slot) const
    {
        return slots.at(static_cast<std::size_t>(slot));
    }
};

// Index of the first free slot (empty country), or channelCapacity when all are used.
[[nodiscard]] int channelCount(const ChannelTable& table);

// Lowest slot, over all 400, whose name is not empty and equals the given name; -1 if none.
[[nodiscard]] int findChannelByName(const ChannelTable& table, std::u16string_view name);

// Lowest slot, over all 400 (free slots included), whose address equals the text; -1 if none.
[[nodiscard]] int findChannelByAddress(const ChannelTable& table, std::u16string_view address);

// Every slot back to zero bytes.
void clearChannels(ChannelTable& table);

// Copies the record into the first free slot; a full table drops it. Returns whether it was kept.
bool appendChannel(ChannelTable& table, const Channel& channel);

}  // namespace telvia

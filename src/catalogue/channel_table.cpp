#include "catalogue/channel_table.h"

namespace telvia {

int channelCount(const ChannelTable& table)
{
    for (int slot = 0; slot < channelCapacity; ++slot) {
        if (table[slot].country.empty()) {
            return slot;
        }
    }
    return channelCapacity;
}

int findChannelByName(const ChannelTable& table, std::u16string_view name)
{
    for (int slot = 0; slot < channelCapacity; ++slot) {
        const Channel& channel = table[slot];
        if (!channel.name.empty() && channel.name == name) {
            return slot;
        }
    }
    return -1;
}

int findChannelByAddress(const ChannelTable& table, std::u16string_view address)
{
    for (int slot = 0; slot < channelCapacity; ++slot) {
        if (table[slot].address == address) {
            return slot;
        }
    }
    return -1;
}

void clearChannels(ChannelTable& table)
{
    table.slots.fill(Channel{});
}

bool appendChannel(ChannelTable& table, const Channel& channel)
{
    const int slot = channelCount(table);
    if (slot >= channelCapacity) {
        return false;
    }
    table[slot] = channel;
    return true;
}

}  // namespace telvia

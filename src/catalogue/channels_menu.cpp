#include "catalogue/channels_menu.h"

#include <algorithm>
#include <vector>

#include "resources/resource.h"

namespace telvia {

namespace {

constexpr int itemsPerColumn = 10;

bool isMarked(const Channel& channel)
{
    return !channel.country.empty() && channel.on != 0;
}

}  // namespace

void buildChannelsMenu(const ChannelTable& channels, ChannelsMenuPort& menu,
                       CollationPort& collation)
{
    std::vector<std::u16string_view> names;
    names.reserve(channelCapacity);
    for (int slot = 0; slot < channelCapacity && !channels[slot].country.empty(); ++slot) {
        if (channels[slot].on != 0) {
            names.push_back(channels[slot].name.view());
        }
    }
    // Equal names look and pick the same, so their order among themselves does not matter.
    std::sort(names.begin(), names.end(), [&collation](std::u16string_view a, std::u16string_view b) {
        return collation.compare(a, b) < 0;
    });

    std::vector<ChannelsMenuItem> items;
    items.reserve(names.size());
    for (std::size_t k = 0; k < names.size(); ++k) {
        items.push_back({IDM_CHANNEL_FIRST + static_cast<int>(k), names[k],
                         k > 0 && k % itemsPerColumn == 0});
    }
    menu.rebuild(items);
}

std::optional<int> slotOfPickedName(const ChannelTable& channels, const FixedText<260>& name)
{
    for (int slot = 0; slot < channelCapacity; ++slot) {
        if (channels[slot].name == name) {
            return slot;
        }
    }
    return std::nullopt;
}

std::optional<int> nextMarkedSlot(const ChannelTable& channels, const FixedText<260>& currentName)
{
    const int current = findChannelByName(channels, currentName.view());
    if (current < 0) {
        return std::nullopt;
    }
    for (int slot = current + 1; slot < channelCapacity; ++slot) {
        if (channels[slot].country.empty()) {
            break;  // the end of the table
        }
        if (channels[slot].on != 0) {
            return slot;
        }
    }
    for (int slot = 0; slot < current; ++slot) {
        if (channels[slot].country.empty()) {
            return std::nullopt;
        }
        if (channels[slot].on != 0) {
            return slot;
        }
    }
    return std::nullopt;
}

std::optional<int> previousMarkedSlot(const ChannelTable& channels,
                                      const FixedText<260>& currentName)
{
    const int current = findChannelByName(channels, currentName.view());
    if (current < 0) {
        return std::nullopt;
    }
    for (int slot = current - 1; slot >= 0; --slot) {
        if (isMarked(channels[slot])) {
            return slot;
        }
    }
    for (int slot = channelCapacity - 1; slot > current; --slot) {
        if (isMarked(channels[slot])) {
            return slot;
        }
    }
    return std::nullopt;
}

}  // namespace telvia

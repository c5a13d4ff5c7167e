#include "catalogue/channels_menu.h"

#include <algorithm>
#include <vector>

#include "catalogue/select_channel.h"
#include "resources/resource.h"

namespace telvia {

namespace {

constexpr int itemsPerColumn = 10;

bool isMarked(const Channel& channel)
{
    return !channel.country.empty() && channel.on != 0;
}

}  // namespace

void buildChannelsMenu(AppState& state, Ports& ports)
{
    std::vector<std::u16string_view> names;
    names.reserve(channelCapacity);
    for (int slot = 0; slot < channelCapacity && !state.channels[slot].country.empty(); ++slot) {
        if (state.channels[slot].on != 0) {
            names.push_back(state.channels[slot].name.view());
        }
    }
    // Equal names look and pick the same, so their order among themselves does not matter.
    std::sort(names.begin(), names.end(), [&ports](std::u16string_view a, std::u16string_view b) {
        return ports.collation.compare(a, b) < 0;
    });

    std::vector<ChannelsMenuItem> items;
    items.reserve(names.size());
    for (std::size_t k = 0; k < names.size(); ++k) {
        items.push_back({IDM_CHANNEL_FIRST + static_cast<int>(k), names[k],
                         k > 0 && k % itemsPerColumn == 0});
    }
    ports.channelsMenu.rebuild(items);
}

void pickMenuChannel(AppState& state, Ports& ports, const TranslationTable& translations)
{
    // Every slot is compared, empty names included: an item without text picks the first
    // slot without a name.
    for (int slot = 0; slot < channelCapacity; ++slot) {
        if (state.channels[slot].name == state.current.name) {
            selectChannel(state, ports, translations, slot);
            return;
        }
    }
}

void nextChannel(AppState& state, Ports& ports, const TranslationTable& translations)
{
    const int current = findChannelByName(state.channels, state.current.name.view());
    if (current < 0) {
        return;
    }
    for (int slot = current + 1; slot < channelCapacity; ++slot) {
        if (state.channels[slot].country.empty()) {
            break;  // the end of the table
        }
        if (state.channels[slot].on != 0) {
            selectChannel(state, ports, translations, slot);
            return;
        }
    }
    for (int slot = 0; slot < current; ++slot) {
        if (state.channels[slot].country.empty()) {
            return;
        }
        if (state.channels[slot].on != 0) {
            selectChannel(state, ports, translations, slot);
            return;
        }
    }
}

void previousChannel(AppState& state, Ports& ports, const TranslationTable& translations)
{
    const int current = findChannelByName(state.channels, state.current.name.view());
    if (current < 0) {
        return;
    }
    for (int slot = current - 1; slot >= 0; --slot) {
        if (isMarked(state.channels[slot])) {
            selectChannel(state, ports, translations, slot);
            return;
        }
    }
    for (int slot = channelCapacity - 1; slot > current; --slot) {
        if (isMarked(state.channels[slot])) {
            selectChannel(state, ports, translations, slot);
            return;
        }
    }
}

}  // namespace telvia

// The channels pop-up menu: its owner builds it, tracks it and reads an item back.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "platform/geometry.h"

namespace telvia {

struct ChannelsMenuItem {
    int commandId = 0;
    std::u16string_view text;
    bool startsColumn = false;  // a vertical bar and a new column before this item
};

class ChannelsMenuPort {
public:
    virtual ~ChannelsMenuPort() = default;

    // Replaces the pop-up with a fresh copy of the template holding exactly these items.
    virtual void rebuild(std::span<const ChannelsMenuItem> items) = 0;
    // Shows the pop-up at a screen point; the pick arrives later as a command.
    virtual void track(Point screenPoint) = 0;
    // The whole text of the item with that command id; empty if there is none.
    [[nodiscard]] virtual std::u16string itemText(int commandId) = 0;
};

}  // namespace telvia

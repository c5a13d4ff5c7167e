// The channels pop-up menu and stepping through the marked channels.
#pragma once

#include <optional>

#include "catalogue/channel_table.h"
#include "catalogue/fixed_text.h"
#include "platform/channels_menu_port.h"
#include "platform/collation_port.h"

namespace telvia {

// Rebuilds the pop-up from the marked channels, sorted by name in the user's order, in
// columns of ten; item k has the command id IDM_CHANNEL_FIRST + k.
void buildChannelsMenu(const ChannelTable& channels, ChannelsMenuPort& menu,
                       CollationPort& collation);

// The slot a picked menu item plays: the lowest of all 400 whose name equals the item's
// text. Empty names count too, so an item without text finds the first slot without one.
[[nodiscard]] std::optional<int> slotOfPickedName(const ChannelTable& channels,
                                                  const FixedText<260>& name);

// The next marked channel after the one of that name in catalogue order, wrapping at the
// end of the table; nothing when the name is not in the catalogue or nothing else is marked.
[[nodiscard]] std::optional<int> nextMarkedSlot(const ChannelTable& channels,
                                                const FixedText<260>& currentName);

// The previous marked channel before the one of that name, wrapping to the last marked one.
[[nodiscard]] std::optional<int> previousMarkedSlot(const ChannelTable& channels,
                                                    const FixedText<260>& currentName);

}  // namespace telvia

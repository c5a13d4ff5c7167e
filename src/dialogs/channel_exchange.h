// What the save and the load dialog share: both re-use the edit dialog's window as a list
// of channels with a check box each, in which the user picks the channels to exchange.
#pragma once

#include <string_view>

#include "platform/channel_list_port.h"
#include "platform/dialog_port.h"

namespace telvia {

// Turns the edit dialog's buttons into "Select all" and "Unselect all", hides those that
// act on one channel (Play, "+", Visit) and sets the title.
void repurposeAsExchangeDialog(DialogView& view, std::u16string_view title);

// Sets or clears every row's check box.
void checkAllRows(ChannelListPort& list, bool checked);

}  // namespace telvia

// The catalogue of a user's first run: the channels file supplied with the program, with
// the channels of the user's country switched on.
#pragma once

#include <string_view>

#include "catalogue/channel_table.h"
#include "catalogue/fixed_text.h"
#include "platform/file_port.h"

namespace telvia {

inline constexpr std::u16string_view firstRunFile = u"channels_init.qcl";

// Copies the file's records over the table from slot 0 (at most 400; a last record that
// the file holds only in part is filled in part) and marks the channels. A file that
// cannot be opened leaves the table as it was.
void importFirstRunCatalogue(ChannelTable& channels, const FixedText<4>& homeCountry,
                             FilePort& files);

// Switches on the channels of the home country, plus the other of Russia and Belarus for
// a user of either, or, when no channel is of the home country, the British and American
// ones. Looks at all 400 slots; the marks that the file carried are never kept.
void markFirstRunChannels(ChannelTable& table, const FixedText<4>& homeCountry);

}  // namespace telvia

// The list of channels that the edit, save and load dialogs share: filling it from the
// catalogue, one channel per row, reading rows back, selection, search and order. While a
// dialog is open its list is the working copy of the channels.
#pragma once

#include <string_view>

#include "catalogue/channel.h"
#include "catalogue/channel_table.h"
#include "i18n/translation_table.h"
#include "platform/channel_list_port.h"
#include "platform/collation_port.h"
#include "platform/dialog_port.h"

namespace telvia {

// The list's columns: the check box, then one per text field of a channel.
enum ListColumn : int {
    columnOn = 0,
    columnCountry = 1,
    columnName = 2,
    columnNote = 3,
    columnAddress = 4,
    columnHomePage = 5,
};

// Row codes of putChannelRow besides an existing row's index: a new row at the top that
// becomes the selected one, or a new row at the top that leaves the selection alone.
inline constexpr int newSelectedRow = -1;
inline constexpr int newRow = -2;

// The list's styles and its columns with their translated headers, as wide as the
// display's resolution asks; no rows.
void setUpChannelColumns(ChannelListPort& list, const TranslationTable& translations);

// Gives the columns the widths for a display of `dpi` dots per inch, when the dialog has
// moved to a display of another resolution. Whatever the user dragged them to is lost.
void scaleChannelColumns(ChannelListPort& list, int dpi);

// Columns with their translated headers, then every catalogue entry up to the first free
// slot as a row, and the rows sorted. The list is drawn once, when it is full.
void setUpChannelList(ChannelListPort& list, const ChannelTable& channels,
                      const TranslationTable& translations, CollationPort& collation);

// Writes the channel into a row: an existing one, or a new one for the two codes above.
void putChannelRow(ChannelListPort& list, int row, const Channel& channel);

// The channel of a row: on is 1 for a checked box, 0 otherwise; each text cut to its field.
[[nodiscard]] Channel getChannelRow(ChannelListPort& list, int row);

// The selected row, or -1.
[[nodiscard]] int firstSelectedRow(ChannelListPort& list);

// The selected row; -1 after telling the user why there is none.
[[nodiscard]] int requireSelectedRow(ChannelListPort& list, DialogView& dialog,
                                     std::u16string_view caption);

// The first row other than skipRow (-1 skips none) whose whole text in the column, read
// up to its field's width, equals the text exactly; -1 if none.
[[nodiscard]] int findRowByText(ChannelListPort& list, std::u16string_view text, int column,
                                int skipRow);

// Country, then name, in the user's order.
[[nodiscard]] int compareChannelRows(ChannelListPort& list, CollationPort& collation, int rowA,
                                     int rowB);
void sortChannelList(ChannelListPort& list, CollationPort& collation);

// Brings the selected row wholly into view, if there is one.
void scrollToSelection(ChannelListPort& list);

}  // namespace telvia

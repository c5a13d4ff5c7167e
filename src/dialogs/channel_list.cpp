#include "dialogs/channel_list.h"

#include <array>
#include <cstddef>

#include "platform/dpi.h"

namespace telvia {

namespace {

struct ColumnLook {
    const char* key;       // in the common section of the translation
    const char* fallback;
    int width;             // pixels at 96 dots per inch
};

constexpr std::array<ColumnLook, 6> columnLooks = {{
    {"CMN_1", "Menu", 50},
    {"CMN_2", "Country", 75},
    {"CMN_3", "Name", 150},
    {"CMN_4", "Note", 300},
    {"CMN_5", "Address", 100},
    {"CMN_6", "Home page", 150},
}};

// The characters a column's field holds, so that a row never reads more than its field.
constexpr std::size_t fieldLength(int column)
{
    switch (column) {
    case columnCountry: return decltype(Channel::country)::maxLength;
    case columnName: return decltype(Channel::name)::maxLength;
    case columnNote: return decltype(Channel::note)::maxLength;
    case columnAddress: return decltype(Channel::address)::maxLength;
    case columnHomePage: return decltype(Channel::homePage)::maxLength;
    default: return 0;
    }
}

std::u16string cellText(ChannelListPort& list, int row, int column)
{
    return list.text(row, column, fieldLength(column));
}

}  // namespace

void setUpChannelColumns(ChannelListPort& list, const TranslationTable& translations)
{
    list.setListStyles();
    const int dpi = list.dpi();
    for (const ColumnLook& look : columnLooks) {
        const TranslatedText header = lookupText(translations, commonTexts, look.key, look.fallback);
        list.addColumn(header.text, header.encoding, scaleToDpi(look.width, dpi));
    }
}

void scaleChannelColumns(ChannelListPort& list, int dpi)
{
    for (std::size_t column = 0; column < columnLooks.size(); ++column) {
        list.setColumnWidth(static_cast<int>(column), scaleToDpi(columnLooks[column].width, dpi));
    }
}

void setUpChannelList(ChannelListPort& list, const ChannelTable& channels,
                      const TranslationTable& translations, CollationPort& collation)
{
    setUpChannelColumns(list, translations);
    list.setRedraw(false);
    for (int slot = 0; slot < channelCapacity && !channels[slot].country.empty(); ++slot) {
        putChannelRow(list, newRow, channels[slot]);
    }
    sortChannelList(list, collation);
    list.setRedraw(true);
}

void putChannelRow(ChannelListPort& list, int row, const Channel& channel)
{
    if (row < 0) {
        list.insertTopRow(row == newSelectedRow);
        row = 0;
    }
    list.setChecked(row, channel.on != 0);
    list.setText(row, columnCountry, channel.country.view());
    list.setText(row, columnName, channel.name.view());
    list.setText(row, columnNote, channel.note.view());
    list.setText(row, columnAddress, channel.address.view());
    list.setText(row, columnHomePage, channel.homePage.view());
}

Channel getChannelRow(ChannelListPort& list, int row)
{
    Channel channel;
    channel.on = list.isChecked(row) ? 1 : 0;
    channel.country = cellText(list, row, columnCountry);
    channel.name = cellText(list, row, columnName);
    channel.note = cellText(list, row, columnNote);
    channel.address = cellText(list, row, columnAddress);
    channel.homePage = cellText(list, row, columnHomePage);
    return channel;
}

int firstSelectedRow(ChannelListPort& list)
{
    return list.firstSelectedRow();
}

int requireSelectedRow(ChannelListPort& list, DialogView& dialog, std::u16string_view caption)
{
    if (list.rowCount() == 0) {
        dialog.showInformation(u"There is no item in listview!", caption);
        return -1;
    }
    const int row = list.firstSelectedRow();
    if (row < 0) {
        dialog.showInformation(u"Please select a line!", caption);
    }
    return row;
}

int findRowByText(ChannelListPort& list, std::u16string_view text, int column, int skipRow)
{
    const int rows = list.rowCount();
    for (int row = 0; row < rows; ++row) {
        if (row != skipRow && cellText(list, row, column) == text) {
            return row;
        }
    }
    return -1;
}

int compareChannelRows(ChannelListPort& list, CollationPort& collation, int rowA, int rowB)
{
    if (const int byCountry = collation.compare(cellText(list, rowA, columnCountry),
                                                cellText(list, rowB, columnCountry));
        byCountry != 0) {
        return byCountry;
    }
    return collation.compare(cellText(list, rowA, columnName), cellText(list, rowB, columnName));
}

void sortChannelList(ChannelListPort& list, CollationPort& collation)
{
    list.sort([&list, &collation](int rowA, int rowB) {
        return compareChannelRows(list, collation, rowA, rowB);
    });
}

void scrollToSelection(ChannelListPort& list)
{
    if (const int row = list.firstSelectedRow(); row >= 0) {
        list.ensureVisible(row);
    }
}

}  // namespace telvia

// The list of channels in the channel dialogs: a report list with a check box in every
// row, single selection, rows addressed by their index from the top.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "platform/text_ports.h"

namespace telvia {

class ChannelListPort {
public:
    virtual ~ChannelListPort() = default;

    // Grid lines, check boxes, whole-row selection and tips for cut texts.
    virtual void setListStyles() = 0;
    // Appends a column with a translated 8-bit header and a width in pixels.
    virtual void addColumn(std::string_view header, TextEncoding encoding, int width) = 0;
    // Sets the width in pixels of a column that exists (0 is the first).
    virtual void setColumnWidth(int column, int width) = 0;
    // Dots per inch of the display the list is on.
    [[nodiscard]] virtual int dpi() = 0;
    // Off while many rows go in, so that the list is drawn once when it is switched on again.
    virtual void setRedraw(bool enabled) = 0;

    [[nodiscard]] virtual int rowCount() = 0;
    // A new empty row at index 0; the rows below move down by one. When selected is set it
    // becomes the selected and focused row.
    virtual void insertTopRow(bool selected) = 0;
    virtual void deleteRow(int row) = 0;

    virtual void setChecked(int row, bool checked) = 0;
    [[nodiscard]] virtual bool isChecked(int row) = 0;
    virtual void setText(int row, int column, std::u16string_view text) = 0;
    // At most maxLength units of the cell's text.
    [[nodiscard]] virtual std::u16string text(int row, int column, std::size_t maxLength) = 0;

    // The first selected row, or -1.
    [[nodiscard]] virtual int firstSelectedRow() = 0;
    // Makes the row the selected and focused one.
    virtual void selectRow(int row) = 0;
    // Scrolls until the whole row is in view.
    virtual void ensureVisible(int row) = 0;

    // Sorts the rows by the comparison, which gets the current indices of two rows and
    // answers negative, zero or positive. Grouping is switched off first.
    virtual void sort(const std::function<int(int rowA, int rowB)>& compare) = 0;
};

}  // namespace telvia

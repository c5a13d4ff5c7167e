// A list-view control (SysListView32) of another process, read and operated from outside.
//
// The list view's own messages are not carried across processes: a pointer in one of them
// is taken as an address in the list's process. Reading a row's text or changing its state
// therefore goes through a block of memory allocated in that process, which the driver
// fills and reads back. Row count, check and selection state come back as plain results
// and need no such block.
#pragma once

#include <string>
#include <vector>

#include "driver/win32.h"

namespace telvia::e2e {

class ListView {
public:
    // `list` is the control, a child window of a dialog of the program.
    explicit ListView(HWND list) : list_(list) {}

    [[nodiscard]] HWND handle() const { return list_; }

    [[nodiscard]] int rowCount() const;
    // The text of `column` in `row`; throws when the list does not answer.
    [[nodiscard]] std::wstring text(int row, int column) const;
    // Every row's text in `column`, top to bottom.
    [[nodiscard]] std::vector<std::wstring> columnTexts(int column) const;
    // Whether the row's check box (its state image) shows checked.
    [[nodiscard]] bool checked(int row) const;
    // The first selected row and the focused row; -1 when there is none.
    [[nodiscard]] int selectedRow() const;
    [[nodiscard]] int focusedRow() const;

    // Makes `row` the selected and focused row, as a click on it would.
    void select(int row) const;
    // Posts the Space key to the list, which toggles the focused row's check box.
    void pressSpace() const;

private:
    HWND list_;
};

}  // namespace telvia::e2e

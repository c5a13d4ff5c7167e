// The channel list of the channel dialogs on a report-view SysListView32 control.
#pragma once

#include <optional>

#include "platform/channel_list_port.h"
#include "platform/win32/base/windows_includes.h"

namespace telvia::win32 {

class Win32ChannelList final : public ChannelListPort {
public:
    // The list is the dialog's control; it outlives this object's use of it.
    explicit Win32ChannelList(HWND list) : list_(list) {}

    void setListStyles() override;
    void addColumn(std::string_view header, TextEncoding encoding, int width) override;
    void setColumnWidth(int column, int width) override;
    int dpi() override;
    void setRedraw(bool enabled) override;

    int rowCount() override;
    void insertTopRow(bool selected) override;
    void deleteRow(int row) override;

    void setChecked(int row, bool checked) override;
    bool isChecked(int row) override;
    void setText(int row, int column, std::u16string_view text) override;
    std::u16string text(int row, int column, std::size_t maxLength) override;

    int firstSelectedRow() override;
    void selectRow(int row) override;
    void ensureVisible(int row) override;

    void sort(const std::function<int(int rowA, int rowB)>& compare) override;

private:
    // Row -1 addresses every row in the state messages; other rows outside the list
    // address none. Both are refused before a message is sent.
    [[nodiscard]] bool isRow(int row);

    HWND list_;
};

// What a notification of the list means to a dialog: a changed row, a double click or the
// Delete key; nothing for every other notification.
enum class ChannelListEvent { itemChanged, doubleClick, deleteKey };
[[nodiscard]] std::optional<ChannelListEvent> channelListEvent(const NMHDR& header);

}  // namespace telvia::win32

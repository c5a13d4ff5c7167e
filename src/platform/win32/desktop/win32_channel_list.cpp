#include "platform/win32/desktop/win32_channel_list.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <cwchar>
#include <numeric>
#include <string>
#include <vector>

#include "platform/win32/base/wide_text.h"
#include "platform/win32/desktop/win32_dpi.h"
#include "platform/win32/desktop/win32_text_targets.h"

namespace telvia::win32 {

namespace {

// The state-image index of the check boxes: 1 is the unchecked box, 2 the checked one.
constexpr UINT uncheckedImage = 1;
constexpr UINT checkedImage = 2;

UINT stateImageMask(UINT image)
{
    return image << 12;  // INDEXTOSTATEIMAGEMASK without its C-style cast
}

// Orders rows by the rank stored in each row's item data.
int CALLBACK compareRanks(LPARAM rankA, LPARAM rankB, LPARAM)
{
    return (rankA > rankB) - (rankA < rankB);
}

}  // namespace

void Win32ChannelList::setListStyles()
{
    const DWORD styles =
        LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP;
    SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, styles, styles);
}

void Win32ChannelList::addColumn(std::string_view header, TextEncoding encoding, int width)
{
    std::wstring text = toWideFrom(header, encoding);
    const auto headerControl =
        reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETHEADER, 0, 0));
    const int count = static_cast<int>(SendMessageW(headerControl, HDM_GETITEMCOUNT, 0, 0));

    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = text.data();
    column.cx = width;
    column.iSubItem = std::max(count, 0);
    SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column.iSubItem),
                 reinterpret_cast<LPARAM>(&column));
}

void Win32ChannelList::setColumnWidth(int column, int width)
{
    // The width goes in the low word of lParam.
    SendMessageW(list_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
                 static_cast<LPARAM>(std::clamp(width, 0, 0x7FFF)));
}

int Win32ChannelList::dpi()
{
    return windowDpi(list_);
}

void Win32ChannelList::setRedraw(bool enabled)
{
    SendMessageW(list_, WM_SETREDRAW, enabled ? TRUE : FALSE, 0);
    if (enabled) {
        // What changed while drawing was off has not been painted yet.
        InvalidateRect(list_, nullptr, TRUE);
    }
}

int Win32ChannelList::rowCount()
{
    return static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
}

bool Win32ChannelList::isRow(int row)
{
    return row >= 0 && row < rowCount();
}

void Win32ChannelList::insertTopRow(bool selected)
{
    wchar_t empty[] = L"";
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = 0;
    item.pszText = empty;
    if (selected) {
        item.mask |= LVIF_STATE;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    }
    SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void Win32ChannelList::deleteRow(int row)
{
    if (!isRow(row)) {
        return;
    }
    SendMessageW(list_, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
}

void Win32ChannelList::setChecked(int row, bool checked)
{
    if (!isRow(row)) {
        return;
    }
    LVITEMW item{};
    item.state = stateImageMask(checked ? checkedImage : uncheckedImage);
    item.stateMask = LVIS_STATEIMAGEMASK;
    SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

bool Win32ChannelList::isChecked(int row)
{
    if (!isRow(row)) {
        return false;
    }
    const auto state = static_cast<UINT>(
        SendMessageW(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK));
    // Any image after the unchecked box counts as checked; a row without a state image
    // (image 0) is not.
    return (state & LVIS_STATEIMAGEMASK) >> 12 > uncheckedImage;
}

void Win32ChannelList::setText(int row, int column, std::u16string_view text)
{
    std::wstring wide = toWide(text);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = wide.data();
    SendMessageW(list_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

std::u16string Win32ChannelList::text(int row, int column, std::size_t maxLength)
{
    if (!isRow(row)) {
        return {};
    }
    // Room for the text and its terminator; the list writes no more than cchTextMax units.
    const std::size_t length = std::min<std::size_t>(maxLength, INT_MAX - 1);
    std::wstring buffer(length + 1, L'\0');
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(length + 1);
    SendMessageW(list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    // The list may answer with its own text instead of filling the buffer.
    const wchar_t* source = item.pszText != nullptr ? item.pszText : buffer.data();
    return fromWide(std::wstring_view(source, wcsnlen(source, length)));
}

int Win32ChannelList::firstSelectedRow()
{
    return static_cast<int>(
        SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void Win32ChannelList::selectRow(int row)
{
    if (!isRow(row)) {
        return;
    }
    LVITEMW item{};
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void Win32ChannelList::ensureVisible(int row)
{
    if (!isRow(row)) {
        return;
    }
    SendMessageW(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

void Win32ChannelList::sort(const std::function<int(int rowA, int rowB)>& compare)
{
    // Groups would keep rows apart that the comparison puts together.
    SendMessageW(list_, LVM_ENABLEGROUPVIEW, FALSE, 0);
    if (!compare) {
        return;
    }
    // The comparison reads rows by their index, so it runs here on a list that stands
    // still; the list then only moves each row to its rank. (Asking the list to call the
    // comparison while it sorts gives indices that some list versions move mid-sort.)
    std::vector<int> order(static_cast<std::size_t>(std::max(rowCount(), 0)));
    std::iota(order.begin(), order.end(), 0);
    try {
        std::stable_sort(order.begin(), order.end(),
                         [&compare](int a, int b) { return compare(a, b) < 0; });
    } catch (...) {
        // A comparison that fails leaves the rows as they were.
        return;
    }
    for (std::size_t rank = 0; rank < order.size(); ++rank) {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = order[rank];
        item.lParam = static_cast<LPARAM>(rank);
        SendMessageW(list_, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageW(list_, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(&compareRanks));
}

std::optional<ChannelListEvent> channelListEvent(const NMHDR& header)
{
    switch (header.code) {
    case LVN_ITEMCHANGED: return ChannelListEvent::itemChanged;
    case NM_DBLCLK: return ChannelListEvent::doubleClick;
    case LVN_KEYDOWN:
        if (reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_DELETE) {
            return ChannelListEvent::deleteKey;
        }
        return std::nullopt;
    default: return std::nullopt;
    }
}

}  // namespace telvia::win32

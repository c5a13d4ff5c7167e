#include "platform/win32/desktop/win32_channels_menu.h"

#include <string>

#include "platform/win32/base/wide_text.h"
#include "resources/resource.h"

namespace telvia::win32 {

void Win32ChannelsMenu::rebuild(std::span<const ChannelsMenuItem> items)
{
    popup_ = nullptr;
    menuBar_.reset(LoadMenuW(instance_, MAKEINTRESOURCEW(IDR_CHANNELS_MENU)));
    if (!menuBar_) {
        return;
    }
    popup_ = GetSubMenu(menuBar_.get(), 0);
    DeleteMenu(popup_, 0, MF_BYPOSITION);  // the template's placeholder
    for (const ChannelsMenuItem& item : items) {
        const std::wstring text = toWide(item.text);
        const UINT flags = MF_STRING | (item.startsColumn ? MF_MENUBARBREAK : 0u);
        AppendMenuW(popup_, flags, static_cast<UINT_PTR>(item.commandId), text.c_str());
    }
}

void Win32ChannelsMenu::track(Point screenPoint)
{
    if (popup_ == nullptr) {
        return;
    }
    TrackPopupMenu(popup_, 0, screenPoint.x, screenPoint.y, 0, owner_.handle(), nullptr);
}

std::u16string Win32ChannelsMenu::itemText(int commandId)
{
    if (popup_ == nullptr) {
        return {};
    }
    // Room for the longest channel name (259 characters) and the terminator.
    wchar_t buffer[260] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = buffer;
    info.cch = static_cast<UINT>(std::size(buffer));
    if (!GetMenuItemInfoW(popup_, static_cast<UINT>(commandId), FALSE, &info)) {
        return {};
    }
    return fromWide(buffer);
}

}  // namespace telvia::win32

// The channels pop-up menu, made from its menu template and owned here.
#pragma once

#include "platform/channels_menu_port.h"
#include "platform/win32/base/unique_handle.h"
#include "platform/win32/desktop/win32_main_window.h"

namespace telvia::win32 {

class Win32ChannelsMenu final : public ChannelsMenuPort {
public:
    Win32ChannelsMenu(HINSTANCE instance, const Win32MainWindow& owner) : instance_(instance), owner_(owner) {}

    void rebuild(std::span<const ChannelsMenuItem> items) override;
    void track(Point screenPoint) override;
    std::u16string itemText(int commandId) override;

    [[nodiscard]] HMENU popup() const { return popup_; }

private:
    HINSTANCE instance_;
    const Win32MainWindow& owner_;
    UniqueMenu menuBar_;      // the loaded template; destroying it destroys the pop-up too
    HMENU popup_ = nullptr;   // its first pop-up, the one that is shown
};

}  // namespace telvia::win32

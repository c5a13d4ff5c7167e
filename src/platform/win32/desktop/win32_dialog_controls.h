// The controls of an open dialog, addressed by id, for the portable handler that decides
// what the dialog does. Running a nested dialog belongs to the dialog procedure, which
// derives from this class and supplies runChild.
#pragma once

#include "platform/dialog_port.h"
#include "platform/win32/desktop/win32_channel_list.h"
#include "platform/win32/base/windows_includes.h"

namespace telvia::win32 {

class Win32DialogControls : public DialogView {
public:
    // The dialog window from WM_INITDIALOG on; also takes its channel list, control 1000
    // (a dialog without one gets a list that holds nothing).
    void attach(HWND dialog);

    void setDialogTitle(std::string_view text, TextEncoding encoding) override;
    void setControlText(int controlId, std::string_view text, TextEncoding encoding) override;

    void setTitle(std::u16string_view title) override;
    std::u16string title() override;
    void enableControl(int controlId, bool enabled) override;
    void showControl(int controlId, bool shown) override;
    void enableWindow(bool enabled) override;
    void end(int result) override;

    ChannelListPort& channelList() override;

    void limitText(int controlId, std::size_t maxLength) override;
    void setText(int controlId, std::u16string_view text) override;
    std::u16string text(int controlId, std::size_t maxLength) override;
    void setChecked(int controlId, bool checked) override;
    bool isChecked(int controlId) override;

    int findComboItem(int controlId, std::u16string_view prefix) override;
    void addComboItem(int controlId, std::u16string_view text) override;
    void selectComboItem(int controlId, int index) override;
    int comboItemCount(int controlId) override;

    void showInformation(std::u16string_view text, std::u16string_view caption) override;
    bool askYesNo(std::u16string_view text, std::u16string_view caption) override;
    std::optional<std::u16string> askFileToOpen(std::u16string_view title,
                                                std::span<const FileTypeFilter> filters) override;

protected:
    [[nodiscard]] HWND dialogWindow() const { return dialog_; }

private:
    [[nodiscard]] HWND control(int controlId) const { return GetDlgItem(dialog_, controlId); }

    HWND dialog_ = nullptr;
    Win32ChannelList list_{nullptr};
};

}  // namespace telvia::win32

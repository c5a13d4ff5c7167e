#include "program/presenter_dialog.h"

#include <optional>

#include "resources/resource.h"

namespace telvia::program {

namespace {

// Clears a flag however the scope is left, an exception included.
class FlagWhile {
public:
    explicit FlagWhile(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagWhile() { flag_ = false; }
    FlagWhile(const FlagWhile&) = delete;
    FlagWhile& operator=(const FlagWhile&) = delete;

private:
    bool& flag_;
};

}  // namespace

void PresenterDialog::runChild(int templateId, DialogHandler& handler)
{
    PresenterDialog child(handler, instance_);
    (void)child.run(templateId, window());
}

bool PresenterDialog::onInit()
{
    attach(window());
    const FlagWhile initialising(initialising_);
    handler_.onInit(*this);
    return true;
}

bool PresenterDialog::onCommand(int id, int notifyCode)
{
    // Buttons, Enter, Esc and the close box come as BN_CLICKED (0). Edit boxes and the
    // combo box report every change and focus move; those are not commands.
    if (notifyCode != BN_CLICKED) {
        return false;
    }
    handler_.onCommand(id);
    return true;
}

bool PresenterDialog::onNotify(const NMHDR& header, LRESULT& result)
{
    if (header.idFrom != IDC_CHANNEL_LIST || initialising_) {
        return false;
    }
    const std::optional<win32::ChannelListEvent> event = win32::channelListEvent(header);
    if (!event) {
        return false;
    }
    result = 0;
    switch (*event) {
    case win32::ChannelListEvent::itemChanged: handler_.onListItemChanged(); break;
    case win32::ChannelListEvent::doubleClick: handler_.onListDoubleClick(); break;
    case win32::ChannelListEvent::deleteKey: handler_.onListDeleteKey(); break;
    }
    return true;
}

void PresenterDialog::onDpiChanged(int dpi)
{
    if (!initialising_) {
        handler_.onDpiChanged(dpi);
    }
}

}  // namespace telvia::program

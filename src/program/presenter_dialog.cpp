#include "program/presenter_dialog.h"

#include <commctrl.h>

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
    result = 0;
    switch (header.code) {
    case LVN_ITEMCHANGED:
        handler_.onListItemChanged();
        return true;
    case NM_DBLCLK:
        handler_.onListDoubleClick();
        return true;
    case LVN_KEYDOWN:
        if (reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey != VK_DELETE) {
            return false;
        }
        handler_.onListDeleteKey();
        return true;
    default:
        return false;
    }
}

}  // namespace telvia::program

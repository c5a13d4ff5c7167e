// The About box: product, version and the two lines of the maker.
#pragma once

#include "program/modal_dialog.h"

namespace telvia::program {

class AboutDialog final : public ModalDialog {
protected:
    bool onInit() override;
    bool onCommand(int id, int notifyCode) override;
};

}  // namespace telvia::program

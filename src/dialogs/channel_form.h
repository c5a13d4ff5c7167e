// The form in which the user types one channel, opened over the edit dialog to add a
// channel or to edit the selected one. It works on the edit dialog's list: it offers the
// countries of the list, refuses an address another row already has, and on OK writes
// the channel into the list. The catalogue itself is never touched here.
#pragma once

#include <string_view>

#include "catalogue/channel.h"
#include "catalogue/fixed_text.h"
#include "i18n/translation_table.h"
#include "platform/channel_list_port.h"
#include "platform/dialog_port.h"

namespace telvia {

enum class FormMode : std::uint8_t { add, edit };

class ChannelForm final : public DialogHandler {
public:
    ChannelForm(ChannelListPort& list, FormMode mode, const FixedText<4>& homeCountry,
                std::u16string_view productName, const TranslationTable& translations);

    void onInit(DialogView& view) override;
    void onCommand(int controlId) override;

    // True once OK has put the channel into the list.
    [[nodiscard]] bool channelPut() const { return channelPut_; }

private:
    void offerCountries();
    void show(const Channel& channel);
    [[nodiscard]] Channel read();
    // The first of the four checks that fails, as its message; empty when all pass.
    [[nodiscard]] std::u16string_view refusal(const Channel& channel);
    void accept();

    ChannelListPort& list_;
    const FormMode mode_;
    const FixedText<4>& homeCountry_;
    const std::u16string_view productName_;
    const TranslationTable& translations_;
    DialogView* view_ = nullptr;
    int editedRow_ = -1;
    bool channelPut_ = false;
};

}  // namespace telvia

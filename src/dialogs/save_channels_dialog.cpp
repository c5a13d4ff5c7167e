#include "dialogs/save_channels_dialog.h"

#include <string>
#include <vector>

#include "catalogue/channel_file.h"
#include "common/utf16.h"
#include "dialogs/channel_exchange.h"
#include "dialogs/channel_list.h"
#include "i18n/dialog_texts.h"
#include "resources/resource.h"

namespace telvia {

namespace {

std::u16string savedMessage(std::size_t count)
{
    return asciiToUtf16(std::to_string(count)) + (count == 1 ? u" channel is saved" : u" channels are saved") +
           u" to file CHANNELS.QCL in program folder";
}

}  // namespace

SaveChannelsDialog::SaveChannelsDialog(SaveChannelsSubject subject, FilePort& files,
                                       CollationPort& collation, const TranslationTable& translations)
    : subject_(subject), files_(files), collation_(collation), translations_(translations)
{
}

void SaveChannelsDialog::onInit(DialogView& view)
{
    view_ = &view;
    setUpChannelList(view.channelList(), subject_.channels, translations_, collation_);
    repurposeAsExchangeDialog(view, u"Save channels");
    // A row's box here marks the channel for saving; it starts cleared whatever the
    // channel's menu mark.
    checkAllRows(view.channelList(), false);
    applyDialogTexts(translations_, saveChannelsTexts, view);
}

void SaveChannelsDialog::save()
{
    ChannelListPort& list = view_->channelList();
    std::vector<Channel> checked;
    const int rows = list.rowCount();
    for (int row = 0; row < rows; ++row) {
        if (list.isChecked(row)) {
            checked.push_back(getChannelRow(list, row));
        }
    }
    std::u16string message;
    if (checked.empty()) {
        message = u"There are no checked items.";
    } else if (!writeChannelFile(files_, savedChannelsFile, checked)) {
        message = u"Error save!";
    } else {
        message = savedMessage(checked.size());
    }
    view_->showInformation(message, subject_.productName);
}

void SaveChannelsDialog::onCommand(int controlId)
{
    switch (controlId) {
    case IDC_LIST_EDIT: checkAllRows(view_->channelList(), true); break;
    case IDC_LIST_DELETE: checkAllRows(view_->channelList(), false); break;
    case IDOK:
        // One pass: the dialog closes after the attempt, whatever its outcome.
        save();
        view_->end(IDOK);
        break;
    case IDCANCEL: view_->end(IDCANCEL); break;
    default: break;
    }
}

void SaveChannelsDialog::onDpiChanged(int dpi)
{
    if (view_ != nullptr) {
        scaleChannelColumns(view_->channelList(), dpi);
    }
}

}  // namespace telvia

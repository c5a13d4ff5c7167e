#include "dialogs/load_channels_dialog.h"

#include <array>
#include <string>
#include <utility>

#include "catalogue/channel_import.h"
#include "catalogue/channels_menu.h"
#include "common/utf16.h"
#include "dialogs/channel_exchange.h"
#include "dialogs/channel_list.h"
#include "i18n/dialog_texts.h"
#include "resources/resource.h"

namespace telvia {

namespace {

// The channel-file filter comes first, so it is the one the file dialog starts with.
constexpr std::array<FileTypeFilter, 2> loadableFiles = {{
    {u"Qeno (*.qcl)", u"*.qcl"},
    {u"Playlists (*.m3u;*.m3u8)", u"*.m3u;*.m3u8"},
}};

std::u16string leftOutNote(int count)
{
    return u" (" + asciiToUtf16(std::to_string(count)) + (count == 1 ? u" entry" : u" entries") + u" left out)";
}

std::u16string notAddedMessage(int count)
{
    return count == 1 ? u"The catalogue is full: 1 channel was not added."
                      : u"The catalogue is full: " + asciiToUtf16(std::to_string(count)) + u" channels were not added.";
}

}  // namespace

LoadChannelsDialog::LoadChannelsDialog(LoadChannelsSubject subject, LoadChannelsPorts ports,
                                       const TranslationTable& translations,
                                       std::optional<std::u16string> file)
    : subject_(subject), ports_(ports), translations_(translations), file_(std::move(file))
{
}

void LoadChannelsDialog::showInformation(std::u16string_view text)
{
    view_->showInformation(text, subject_.productName);
}

void LoadChannelsDialog::onInit(DialogView& view)
{
    view_ = &view;
    setUpChannelColumns(view.channelList(), translations_);
    const std::optional<std::u16string> path =
        file_ ? file_ : view.askFileToOpen(u"Please select file", loadableFiles);
    if (!path) {
        view.end(IDCANCEL);
        return;
    }
    const std::optional<int> leftOut = offerChannelsOf(*path);
    if (!leftOut) {
        return;
    }
    repurposeAsExchangeDialog(view, u"Load channels");
    checkAllRows(view.channelList(), true);
    applyDialogTexts(translations_, loadChannelsTexts, view);
    // After the translation, so the count shows whatever the title's language.
    if (*leftOut > 0) {
        view.setTitle(view.title() + leftOutNote(*leftOut));
    }
}

std::optional<int> LoadChannelsDialog::offerChannelsOf(std::u16string_view path)
{
    const ImportedChannels imported =
        readChannelsToImport(ports_.files, path, subject_.homeCountry.view());
    switch (imported.status) {
    case ImportStatus::cannotOpen:
        showInformation(u"Error open file");
        view_->end(IDCANCEL);
        return std::nullopt;
    case ImportStatus::invalidFormat:
        showInformation(u"Invalid format");
        view_->end(IDCANCEL);
        return std::nullopt;
    case ImportStatus::read:
        break;
    }

    // Each new channel goes on top, so the list shows them in reverse file order with the
    // last one selected. Only the catalogue is searched: a file may offer an address twice.
    ChannelListPort& list = view_->channelList();
    list.setRedraw(false);
    for (const Channel& channel : imported.channels) {
        if (findChannelByAddress(subject_.channels, channel.address.view()) < 0) {
            putChannelRow(list, newSelectedRow, channel);
        }
    }
    list.setRedraw(true);
    if (list.rowCount() == 0) {
        showInformation(u"There are no new channels.");
        view_->end(IDCANCEL);
        return std::nullopt;
    }
    return imported.leftOut;
}

void LoadChannelsDialog::append()
{
    ChannelListPort& list = view_->channelList();
    int notAdded = 0;
    const int rows = list.rowCount();
    for (int row = 0; row < rows; ++row) {
        if (list.isChecked(row) && !appendChannel(subject_.channels, getChannelRow(list, row))) {
            ++notAdded;
        }
    }
    // Rows the full catalogue could not take would otherwise vanish without a word.
    if (notAdded > 0) {
        showInformation(notAddedMessage(notAdded));
    }
    buildChannelsMenu(subject_.channels, ports_.channelsMenu, ports_.collation);
}

void LoadChannelsDialog::onCommand(int controlId)
{
    switch (controlId) {
    case IDC_LIST_EDIT: checkAllRows(view_->channelList(), true); break;
    case IDC_LIST_DELETE: checkAllRows(view_->channelList(), false); break;
    case IDOK:
        append();
        view_->end(IDOK);
        break;
    case IDCANCEL: view_->end(IDCANCEL); break;
    default: break;
    }
}

void LoadChannelsDialog::onDpiChanged(int dpi)
{
    if (view_ != nullptr) {
        scaleChannelColumns(view_->channelList(), dpi);
    }
}

}  // namespace telvia

#include "dialogs/edit_channels_dialog.h"

#include <cstddef>
#include <string>

#include "catalogue/channels_menu.h"
#include "dialogs/channel_list.h"
#include "i18n/dialog_texts.h"
#include "resources/resource.h"

namespace telvia {

namespace {

constexpr std::u16string_view homePageSuffix = u"?player=zorvic;";

bool startsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix)
{
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char16_t unit = text[i];
        if (unit >= u'A' && unit <= u'Z') {
            unit = static_cast<char16_t>(unit - u'A' + u'a');
        }
        if (unit != prefix[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool isWebAddress(std::u16string_view address)
{
    return startsWithIgnoringCase(address, u"http://") ||
           startsWithIgnoringCase(address, u"https://");
}

EditChannelsDialog::EditChannelsDialog(EditChannelsSubject subject, EditChannelsPorts ports,
                                       const TranslationTable& translations)
    : subject_(subject), ports_(ports), translations_(translations)
{
}

void EditChannelsDialog::onInit(DialogView& view)
{
    view_ = &view;
    setUpChannelList(list(), subject_.channels, translations_, ports_.collation);
    if (const int row = findRowByText(list(), subject_.current.name.view(), columnName, -1);
        row >= 0) {
        list().selectRow(row);
        scrollToSelection(list());
    }
    applyDialogTexts(translations_, editChannelsTexts, view);
    updateEditButtons();
}

void EditChannelsDialog::onListItemChanged()
{
    updateEditButtons();
}

void EditChannelsDialog::onListDoubleClick()
{
    edit();
}

void EditChannelsDialog::onListDeleteKey()
{
    remove();
}

void EditChannelsDialog::updateEditButtons()
{
    const int row = firstSelectedRow(list());
    const bool selected = row >= 0;
    view_->enableControl(IDC_LIST_EDIT, selected);
    view_->enableControl(IDC_LIST_DELETE, selected);
    view_->enableControl(IDC_LIST_PLAY, selected);
    // One character tells whether there is a home page; the whole row is not needed here.
    view_->enableControl(IDC_LIST_VISIT, selected && !list().text(row, columnHomePage, 1).empty());
}

void EditChannelsDialog::openForm(FormMode mode)
{
    ChannelForm form(list(), mode, subject_.homeCountry, subject_.productName, translations_);
    view_->runChild(IDD_CHANNEL_FORM, form);
    if (form.channelPut()) {
        sortChannelList(list(), ports_.collation);
        scrollToSelection(list());
    }
}

void EditChannelsDialog::add()
{
    // The catalogue holds 400 channels; refusing the 401st here means OK never drops one.
    if (list().rowCount() >= channelCapacity) {
        view_->showInformation(u"The channel list is full (400 channels).", subject_.productName);
        return;
    }
    openForm(FormMode::add);
}

void EditChannelsDialog::edit()
{
    if (requireSelectedRow(list(), *view_, subject_.productName) >= 0) {
        openForm(FormMode::edit);
    }
}

void EditChannelsDialog::remove()
{
    const int row = requireSelectedRow(list(), *view_, subject_.productName);
    if (row < 0) {
        return;
    }
    if (view_->askYesNo(u"Delete the selected item. Are you sure?", subject_.productName)) {
        list().deleteRow(row);
        updateEditButtons();
    }
}

void EditChannelsDialog::play()
{
    const int row = requireSelectedRow(list(), *view_, subject_.productName);
    if (row < 0) {
        return;
    }
    // The channel becomes current before the catalogue is rewritten, and the connect is
    // posted, so the main window plays it only after this dialog has written and closed.
    subject_.current = getChannelRow(list(), row);
    view_->enableWindow(false);
    ports_.window.postCommand(IDM_CONNECT_CURRENT);
    accept();
}

void EditChannelsDialog::visit()
{
    const int row = requireSelectedRow(list(), *view_, subject_.productName);
    if (row < 0) {
        return;
    }
    const Channel channel = getChannelRow(list(), row);
    if (channel.homePage.empty() || !isWebAddress(channel.homePage.view())) {
        return;
    }
    // The shell's own answer is not examined: a browser that fails shows its own message.
    ports_.shell.open(std::u16string(channel.homePage.view()) + std::u16string(homePageSuffix));
}

void EditChannelsDialog::accept()
{
    clearChannels(subject_.channels);
    const int rows = list().rowCount();
    for (int row = 0; row < rows && row < channelCapacity; ++row) {
        subject_.channels[row] = getChannelRow(list(), row);
    }
    buildChannelsMenu(subject_.channels, ports_.channelsMenu, ports_.collation);
    view_->end(IDOK);
}

void EditChannelsDialog::onCommand(int controlId)
{
    switch (controlId) {
    case IDOK: accept(); break;
    case IDCANCEL: view_->end(IDCANCEL); break;
    case IDC_LIST_ADD: add(); break;
    case IDC_LIST_EDIT: edit(); break;
    case IDC_LIST_DELETE: remove(); break;
    case IDC_LIST_PLAY: play(); break;
    case IDC_LIST_VISIT: visit(); break;
    default: break;
    }
}

void EditChannelsDialog::onDpiChanged(int dpi)
{
    if (view_ != nullptr) {
        scaleChannelColumns(view_->channelList(), dpi);
    }
}

}  // namespace telvia

#include "dialogs/channel_form.h"

#include <string>

#include "dialogs/channel_list.h"
#include "dialogs/trim_spaces.h"
#include "i18n/dialog_texts.h"
#include "resources/resource.h"

namespace telvia {

namespace {

constexpr int formAccepted = 1;
constexpr int formCancelled = 0;

// Reads a control's text and trims the spaces typed around it.
std::u16string trimmedText(DialogView& view, int controlId, std::size_t maxLength)
{
    std::u16string text = view.text(controlId, maxLength);
    trimSpaces(text);
    return text;
}

}  // namespace

ChannelForm::ChannelForm(ChannelListPort& list, FormMode mode, const FixedText<4>& homeCountry,
                         std::u16string_view productName, const TranslationTable& translations)
    : list_(list), mode_(mode), homeCountry_(homeCountry), productName_(productName),
      translations_(translations)
{
}

void ChannelForm::onInit(DialogView& view)
{
    view_ = &view;
    view.limitText(IDC_FORM_NAME, decltype(Channel::name)::maxLength);
    view.limitText(IDC_FORM_NOTE, decltype(Channel::note)::maxLength);
    view.limitText(IDC_FORM_COUNTRY, decltype(Channel::country)::maxLength);
    view.limitText(IDC_FORM_ADDRESS, decltype(Channel::address)::maxLength);
    view.limitText(IDC_FORM_HOME_PAGE, decltype(Channel::homePage)::maxLength);
    offerCountries();

    Channel channel;
    if (mode_ == FormMode::add) {
        channel.on = 1;
        channel.country = homeCountry_.view();
    } else {
        view.setTitle(u"Edit channel");
        editedRow_ = firstSelectedRow(list_);
        if (editedRow_ >= 0) {
            channel = getChannelRow(list_, editedRow_);
        }
    }
    show(channel);

    applyDialogTexts(translations_, channelFormTexts, view);
    if (mode_ == FormMode::edit) {
        if (const TranslatedText title =
                lookupText(translations_, channelFormTexts, "MAIN_TITLE_2", "");
            !title.text.empty()) {
            view.setDialogTitle(title.text, title.encoding);
        }
    }
}

void ChannelForm::offerCountries()
{
    // A country is left out when an offered one begins with it (USA hides a later US).
    const int rows = list_.rowCount();
    for (int row = 0; row < rows; ++row) {
        const std::u16string country =
            list_.text(row, columnCountry, decltype(Channel::country)::maxLength);
        if (view_->findComboItem(IDC_FORM_COUNTRY, country) < 0) {
            view_->addComboItem(IDC_FORM_COUNTRY, country);
        }
    }
}

void ChannelForm::show(const Channel& channel)
{
    view_->setChecked(IDC_FORM_ON, channel.on != 0);
    // The country shows only through a selection: an empty list leaves the field empty.
    if (view_->comboItemCount(IDC_FORM_COUNTRY) > 0) {
        const int found = view_->findComboItem(IDC_FORM_COUNTRY, channel.country.view());
        view_->selectComboItem(IDC_FORM_COUNTRY, found >= 0 ? found : 0);
    }
    view_->setText(IDC_FORM_NAME, channel.name.view());
    view_->setText(IDC_FORM_NOTE, channel.note.view());
    view_->setText(IDC_FORM_ADDRESS, channel.address.view());
    view_->setText(IDC_FORM_HOME_PAGE, channel.homePage.view());
}

Channel ChannelForm::read()
{
    DialogView& view = *view_;
    Channel channel;
    channel.on = view.isChecked(IDC_FORM_ON) ? 1 : 0;
    channel.name = trimmedText(view, IDC_FORM_NAME, decltype(Channel::name)::maxLength);
    channel.note = trimmedText(view, IDC_FORM_NOTE, decltype(Channel::note)::maxLength);
    channel.country = trimmedText(view, IDC_FORM_COUNTRY, decltype(Channel::country)::maxLength);
    channel.address = trimmedText(view, IDC_FORM_ADDRESS, decltype(Channel::address)::maxLength);
    channel.homePage =
        trimmedText(view, IDC_FORM_HOME_PAGE, decltype(Channel::homePage)::maxLength);
    return channel;
}

std::u16string_view ChannelForm::refusal(const Channel& channel)
{
    if (channel.country.empty()) {
        return u"Enter a country.";
    }
    if (channel.name.empty()) {
        return u"Enter a channel name.";
    }
    if (channel.address.empty()) {
        return u"Enter an address name.";
    }
    const int skip = mode_ == FormMode::edit ? editedRow_ : -1;
    if (findRowByText(list_, channel.address.view(), columnAddress, skip) >= 0) {
        return u"This channel address already exists!";
    }
    return {};
}

void ChannelForm::accept()
{
    const Channel channel = read();
    if (const std::u16string_view message = refusal(channel); !message.empty()) {
        view_->showInformation(message, productName_);
        return;  // the form stays open with everything as typed
    }
    putChannelRow(list_, mode_ == FormMode::edit ? editedRow_ : newSelectedRow, channel);
    channelPut_ = true;
    view_->end(formAccepted);
}

void ChannelForm::onCommand(int controlId)
{
    if (controlId == IDOK) {
        accept();
    } else if (controlId == IDCANCEL) {
        view_->end(formCancelled);
    }
}

}  // namespace telvia

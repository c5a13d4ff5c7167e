#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dialog_fixture.h"
#include "dialogs/channel_form.h"
#include "dialogs/trim_spaces.h"

namespace telvia {
namespace {

using fakes::FakeDialogView;

struct ChannelFormTest : DialogFixture {
    ChannelFormTest()
    {
        state->homeCountry = u"GBR";
        fill({channelOf(u"USA", u"Bravo"), channelOf(u"GBR", u"Zulu")});
    }

    // Opens the form from Edit channels with a button (after selecting the named row), lets
    // the script fill it, and accepts the edit dialog afterwards.
    void throughForm(int button, std::u16string_view selectedName,
                     std::function<void(FakeDialogView&, DialogHandler&)> formScript)
    {
        const std::u16string name(selectedName);
        editChannels({
            [button, name](FakeDialogView& view, DialogHandler& dialog) {
                if (!name.empty()) {
                    select(view, dialog, rowNamed(view, name));
                }
                dialog.onCommand(button);
                dialog.onCommand(IDOK);
            },
            std::move(formScript),
        });
    }
};

TEST(TrimSpacesTest, OnlySpacesAtEitherEndGo)
{
    const struct {
        std::u16string text;
        std::u16string trimmed;
    } cases[] = {
        {u"  a b  ", u"a b"}, {u"   ", u""}, {u"", u""}, {u"\tx ", u"\tx"}, {u" x\n", u"x\n"},
    };
    for (const auto& c : cases) {
        std::u16string text = c.text;
        trimSpaces(text);
        EXPECT_EQ(text, c.trimmed) << fakes::narrow(c.text);
    }
}

TEST_F(ChannelFormTest, AddStartsCheckedInTheHomeCountryAndPutsTheChannelOnTop)
{
    throughForm(IDC_LIST_ADD, u"", [](FakeDialogView& view, DialogHandler& form) {
        EXPECT_TRUE(view.controls[IDC_FORM_ON].checked);
        EXPECT_EQ(view.controls[IDC_FORM_COUNTRY].text, u"GBR");
        EXPECT_EQ(view.controls[IDC_FORM_COUNTRY].items, (std::vector<std::u16string>{u"GBR", u"USA"}));
        EXPECT_TRUE(view.shownTitle.empty());  // the template's own title stays
        EXPECT_EQ(view.controls[IDC_FORM_NAME].limit, 259u);
        EXPECT_EQ(view.controls[IDC_FORM_NOTE].limit, 519u);
        EXPECT_EQ(view.controls[IDC_FORM_COUNTRY].limit, 3u);
        EXPECT_EQ(view.controls[IDC_FORM_ADDRESS].limit, 519u);
        EXPECT_EQ(view.controls[IDC_FORM_HOME_PAGE].limit, 259u);
        view.typeInCombo(IDC_FORM_COUNTRY, u"deux");
        view.type(IDC_FORM_NAME, u"  Neu  ");
        view.type(IDC_FORM_ADDRESS, u" \thttp://neu ");
        view.type(IDC_FORM_NOTE, u"");
        form.onCommand(IDOK);
    });
    EXPECT_EQ(platform.dialogs.results, (std::vector<int>{1, IDOK}));
    const int slot = findChannelByName(state->channels, u"Neu");
    ASSERT_EQ(slot, 0);  // DEU sorts first
    const Channel& added = state->channels[slot];
    EXPECT_EQ(added.country, u"DEU");
    EXPECT_EQ(added.address, u"\thttp://neu");  // the tab stays
    EXPECT_EQ(added.on, 1);
    EXPECT_TRUE(added.note.empty());
    EXPECT_EQ(channelCount(state->channels), 3);
}

TEST_F(ChannelFormTest, TheChecksRefuseInTheirOrderAndKeepTheFormOpen)
{
    const struct {
        const char* what;
        std::u16string country;
        std::u16string name;
        std::u16string address;
        int button;
        std::u16string selected;
        std::optional<std::u16string> message;
    } cases[] = {
        {"everything empty", u"   ", u"", u"", IDC_LIST_ADD, u"", u"Enter a country."},
        {"name of spaces", u"USA", u"   ", u"", IDC_LIST_ADD, u"", u"Enter a channel name."},
        {"address of spaces", u"USA", u"X", u"  ", IDC_LIST_ADD, u"", u"Enter an address name."},
        {"another row's address", u"USA", u"X", u"http://streams/Zulu", IDC_LIST_ADD, u"",
         u"This channel address already exists!"},
        {"the selected row's address when adding", u"USA", u"X", u"http://streams/Zulu",
         IDC_LIST_ADD, u"Zulu", u"This channel address already exists!"},
        {"the same address in other letters", u"USA", u"X", u"HTTP://streams/Zulu",
         IDC_LIST_ADD, u"", std::nullopt},
        {"editing without changing the address", u"USA", u"Zulu 2", u"http://streams/Zulu",
         IDC_LIST_EDIT, u"Zulu", std::nullopt},
        {"editing to another row's address", u"USA", u"Zulu", u"http://streams/Bravo",
         IDC_LIST_EDIT, u"Zulu", u"This channel address already exists!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        platform.dialogs.messages.clear();
        std::optional<int> formResult;
        throughForm(c.button, c.selected, [&c](FakeDialogView& view, DialogHandler& form) {
            view.typeInCombo(IDC_FORM_COUNTRY, c.country);
            view.type(IDC_FORM_NAME, c.name);
            view.type(IDC_FORM_ADDRESS, c.address);
            form.onCommand(IDOK);
            if (!view.result) {
                // Refused: still open, with what was typed.
                EXPECT_EQ(view.controls[IDC_FORM_NAME].text, c.name);
                form.onCommand(IDCANCEL);
            }
        });
        formResult = platform.dialogs.results.end()[-2];
        if (c.message) {
            EXPECT_EQ(platform.dialogs.messages, std::vector<std::u16string>{*c.message});
            EXPECT_EQ(formResult, 0);
        } else {
            EXPECT_TRUE(platform.dialogs.messages.empty());
            EXPECT_EQ(formResult, 1);
        }
        fill({channelOf(u"USA", u"Bravo"), channelOf(u"GBR", u"Zulu")});
        for (int slot = 2; slot < channelCapacity; ++slot) {
            state->channels[slot] = Channel{};
        }
    }
}

TEST_F(ChannelFormTest, EditShowsTheSelectedRowAndWritesItBack)
{
    state->channels[1].on = 0;
    state->channels[1].note = u"old note";
    throughForm(IDC_LIST_EDIT, u"Zulu", [](FakeDialogView& view, DialogHandler& form) {
        EXPECT_EQ(view.shownTitle, u"Edit channel");
        EXPECT_FALSE(view.controls[IDC_FORM_ON].checked);
        EXPECT_EQ(view.controls[IDC_FORM_COUNTRY].text, u"GBR");
        EXPECT_EQ(view.controls[IDC_FORM_NOTE].text, u"old note");
        EXPECT_EQ(view.controls[IDC_FORM_HOME_PAGE].text, u"http://home/Zulu");
        view.setChecked(IDC_FORM_ON, true);
        view.type(IDC_FORM_NOTE, u"new note");
        form.onCommand(IDOK);
    });
    const Channel& edited = state->channels[findChannelByName(state->channels, u"Zulu")];
    EXPECT_EQ(edited.on, 1);
    EXPECT_EQ(edited.note, u"new note");
    EXPECT_EQ(channelCount(state->channels), 2);
}

TEST_F(ChannelFormTest, CountriesOfferedAndTheOneShownFirst)
{
    const struct {
        const char* what;
        std::vector<std::u16string> rowCountries;  // top to bottom, as the list stands
        std::u16string home;
        std::vector<std::u16string> offered;
        std::u16string shown;
    } cases[] = {
        {"none", {}, u"USA", {}, u""},
        {"home not among them", {u"DEU", u"FRA"}, u"ITA", {u"DEU", u"FRA"}, u"DEU"},
        {"USA hides a later US", {u"USA", u"US"}, u"US", {u"USA"}, u"USA"},
        {"US first keeps both", {u"US", u"USA"}, u"USA", {u"US", u"USA"}, u"USA"},
        {"small letters", {u"deu"}, u"DEU", {u"DEU"}, u"DEU"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fakes::FakeDialogView list{platform.dialogs, IDD_CHANNEL_LIST};
        for (auto it = c.rowCountries.rbegin(); it != c.rowCountries.rend(); ++it) {
            putChannelRow(list.list, newRow, channelOf(*it, u"x"));
        }
        FixedText<4> home(c.home);
        ChannelForm form(list.list, FormMode::add, home, u"Telvia", *translations);
        platform.dialogs.scripts.push_back([&c](FakeDialogView& view, DialogHandler&) {
            EXPECT_EQ(view.controls[IDC_FORM_COUNTRY].items, c.offered);
            EXPECT_EQ(view.controls[IDC_FORM_COUNTRY].text, c.shown);
        });
        platform.dialogs.run(IDD_CHANNEL_FORM, form);
        EXPECT_FALSE(form.channelPut());
    }
}

TEST_F(ChannelFormTest, TitlesWithAndWithoutTheTwoTranslatedKeys)
{
    const struct {
        std::string file;
        FormMode mode;
        std::u16string title;
    } cases[] = {
        {"", FormMode::add, u""},
        {"", FormMode::edit, u"Edit channel"},
        {"[SECTION_1]\nMAIN_TITLE=Sender\n", FormMode::add, u"Sender"},
        {"[SECTION_1]\nMAIN_TITLE=Sender\n", FormMode::edit, u"Sender"},
        {"[SECTION_1]\nMAIN_TITLE=Sender\nMAIN_TITLE_2=Bearbeiten\n", FormMode::edit, u"Bearbeiten"},
        {"[SECTION_1]\nMAIN_TITLE_2=Bearbeiten\n", FormMode::add, u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        auto table = std::make_unique<TranslationTable>();
        loadTranslationsFrom(*table, c.file);
        fakes::FakeDialogView list{platform.dialogs, IDD_CHANNEL_LIST};
        putChannelRow(list.list, newSelectedRow, channelOf(u"USA", u"x"));
        ChannelForm form(list.list, c.mode, state->homeCountry, u"Telvia", *table);
        std::u16string title = u"unset";
        platform.dialogs.scripts.push_back(
            [&title](FakeDialogView& view, DialogHandler&) { title = view.shownTitle; });
        platform.dialogs.run(IDD_CHANNEL_FORM, form);
        EXPECT_EQ(title, c.title);
    }
}

}  // namespace
}  // namespace telvia

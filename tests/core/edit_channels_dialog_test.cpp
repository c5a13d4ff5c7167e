#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dialog_fixture.h"
#include "dialogs/edit_channels_dialog.h"

namespace telvia {
namespace {

using fakes::FakeDialogView;

struct EditChannelsTest : DialogFixture {
    EditChannelsTest()
    {
        fill({channelOf(u"USA", u"Bravo"), channelOf(u"GBR", u"Zulu", 0),
              channelOf(u"GBR", u"Alpha")});
        state->channels[2].homePage.clear();
    }
};

TEST_F(EditChannelsTest, OpensOnTheCurrentChannelWithTheButtonsItAllows)
{
    const struct {
        std::u16string current;
        int selected;
        bool editable;
        bool visit;
    } cases[] = {
        {u"Zulu", 1, true, true},
        {u"Alpha", 0, true, false},  // no home page
        {u"Gone", -1, false, false},
        {u"", -1, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(fakes::narrow(c.current));
        state->current.name = c.current;
        editChannels({[&c](FakeDialogView& view, DialogHandler&) {
            EXPECT_EQ(view.list.firstSelectedRow(), c.selected);
            EXPECT_EQ(view.list.visible, c.selected >= 0 ? std::optional<int>(c.selected) : std::nullopt);
            for (const int button : {IDC_LIST_EDIT, IDC_LIST_DELETE, IDC_LIST_PLAY}) {
                EXPECT_EQ(view.controls[button].enabled, c.editable) << button;
            }
            EXPECT_EQ(view.controls[IDC_LIST_VISIT].enabled, c.visit);
        }});
        EXPECT_EQ(platform.dialogs.results.back(), IDCANCEL);
    }
}

TEST_F(EditChannelsTest, OkWritesTheListInItsOrderAndRebuildsTheMenu)
{
    state->channels[5] = channelOf(u"DEU", u"Left over behind a free slot");
    editChannels({[](FakeDialogView& view, DialogHandler& dialog) {
        // Clear Alpha's box, then accept.
        view.list.setChecked(DialogFixture::rowNamed(view, u"Alpha"), false);
        dialog.onListItemChanged();
        dialog.onCommand(IDOK);
    }});
    EXPECT_EQ(catalogueNames(), (std::vector<std::u16string>{u"Alpha", u"Zulu", u"Bravo"}));
    EXPECT_EQ(state->channels[0].on, 0);
    EXPECT_EQ(state->channels[0].address, u"http://streams/Alpha");
    for (int slot = 3; slot < channelCapacity; ++slot) {
        ASSERT_EQ(state->channels[slot], Channel{}) << slot;
    }
    EXPECT_EQ(menuItems(), std::vector<std::u16string>{u"Bravo"});
    EXPECT_EQ(platform.dialogs.results, std::vector<int>{IDOK});
}

TEST_F(EditChannelsTest, CancelAfterChangesLeavesCatalogueAndMenuAlone)
{
    const auto before = std::make_unique<ChannelTable>(state->channels);
    platform.dialogs.answers = {true};
    editChannels({
        [](FakeDialogView& view, DialogHandler& dialog) {
            DialogFixture::select(view, dialog, 0);
            dialog.onCommand(IDC_LIST_DELETE);
            dialog.onCommand(IDC_LIST_ADD);
            ASSERT_EQ(view.list.rowCount(), 3);  // two left, one added
            dialog.onCommand(IDCANCEL);
        },
        [](FakeDialogView& view, DialogHandler& form) {
            view.typeInCombo(IDC_FORM_COUNTRY, u"FRA");
            view.type(IDC_FORM_NAME, u"New");
            view.type(IDC_FORM_ADDRESS, u"http://new");
            form.onCommand(IDOK);
        },
    });
    EXPECT_TRUE(state->channels.slots == before->slots);
    EXPECT_FALSE(platform.log.contains("channelsMenu.rebuild 2"));
    EXPECT_EQ(platform.dialogs.results, (std::vector<int>{1, IDCANCEL}));
}

TEST_F(EditChannelsTest, DeleteAsksFirstAndOnlyYesRemoves)
{
    const struct {
        std::deque<bool> answers;
        int rowsLeft;
    } cases[] = {{{false}, 3}, {{}, 3}, {{true}, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rowsLeft);
        platform.dialogs.answers = c.answers;
        platform.log.calls.clear();
        int rowsLeft = -1;
        editChannels({[&rowsLeft](FakeDialogView& view, DialogHandler& dialog) {
            DialogFixture::select(view, dialog, 1);
            dialog.onListDeleteKey();
            rowsLeft = view.list.rowCount();
        }});
        EXPECT_EQ(rowsLeft, c.rowsLeft);
        EXPECT_TRUE(platform.log.contains(
            "dialog.question Delete the selected item. Are you sure? | Telvia"));
    }
}

TEST_F(EditChannelsTest, ButtonsThatNeedARowSayWhyThereIsNone)
{
    for (const int button : {IDC_LIST_EDIT, IDC_LIST_DELETE, IDC_LIST_PLAY, IDC_LIST_VISIT}) {
        SCOPED_TRACE(button);
        platform.dialogs.messages.clear();
        editChannels({[button](FakeDialogView& view, DialogHandler& dialog) {
            dialog.onCommand(button);
            while (view.list.rowCount() > 0) {
                view.list.deleteRow(0);
            }
            dialog.onCommand(button);
        }});
        EXPECT_EQ(platform.dialogs.messages, (std::vector<std::u16string>{
                                                 u"Please select a line!",
                                                 u"There is no item in listview!"}));
        EXPECT_FALSE(platform.log.contains("dialogs.open 130"));
        EXPECT_TRUE(platform.window.postedCommands.empty());
    }
}

TEST_F(EditChannelsTest, PlayMakesTheRowCurrentPostsTheConnectAndThenAccepts)
{
    state->current.name = u"Bravo";
    editChannels({[](FakeDialogView& view, DialogHandler& dialog) {
        view.list.setText(DialogFixture::rowNamed(view, u"Zulu"), columnNote, u"edited");
        DialogFixture::select(view, dialog, DialogFixture::rowNamed(view, u"Zulu"));
        dialog.onCommand(IDC_LIST_PLAY);
    }});
    EXPECT_EQ(state->current.name, u"Zulu");
    EXPECT_EQ(state->current.note, u"edited");
    EXPECT_EQ(state->channels[1].note, u"edited");  // the edits are stored too
    const int disabled = platform.log.indexOf("dialog.enableWindow 0");
    const int posted = platform.log.indexOf("window.postCommand 32771");
    const int rebuilt = platform.log.indexOf("channelsMenu.rebuild 2");
    const int closed = platform.log.indexOf("dialogs.closed 129 1");
    ASSERT_GE(disabled, 0);
    EXPECT_LT(disabled, posted);
    EXPECT_LT(posted, rebuilt);
    EXPECT_LT(rebuilt, closed);
    // The connect itself waits for the posted command.
    EXPECT_EQ(platform.media->liveReferences, 0);
}

TEST_F(EditChannelsTest, AddIsRefusedAt400Rows)
{
    for (int slot = 0; slot < channelCapacity; ++slot) {
        state->channels[slot] = channelOf(u"USA", u"Channel " + fakes::widen(std::to_string(slot)));
    }
    editChannels({[](FakeDialogView&, DialogHandler& dialog) { dialog.onCommand(IDC_LIST_ADD); }});
    EXPECT_EQ(platform.dialogs.messages,
              std::vector<std::u16string>{u"The channel list is full (400 channels)."});
    EXPECT_FALSE(platform.log.contains("dialogs.open 130"));
}

TEST_F(EditChannelsTest, VisitOpensOnlyWebAddressesWithTheSuffix)
{
    const struct {
        std::u16string homePage;
        std::optional<std::string> opened;
    } cases[] = {
        {u"http://example.org/tv", "shell.open http://example.org/tv?player=zorvic;"},
        {u"HTTPS://Example.org/?a=1", "shell.open HTTPS://Example.org/?a=1?player=zorvic;"},
        {u"file:///C:/Windows/notepad.exe", std::nullopt},
        {u"C:\\Windows\\System32\\calc.exe", std::nullopt},
        {u"\\\\host\\share\\x.exe", std::nullopt},
        {u"javascript:alert(1)", std::nullopt},
        {u" http://leading.space", std::nullopt},
        {u"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(fakes::narrow(c.homePage));
        state->channels[0].homePage = c.homePage;
        platform.log.calls.clear();
        editChannels({[](FakeDialogView& view, DialogHandler& dialog) {
            DialogFixture::select(view, dialog, DialogFixture::rowNamed(view, u"Bravo"));
            dialog.onCommand(IDC_LIST_VISIT);
        }});
        const auto opened = std::find_if(platform.log.calls.begin(), platform.log.calls.end(),
                                         [](const std::string& call) { return call.starts_with("shell.open"); });
        if (c.opened) {
            ASSERT_NE(opened, platform.log.calls.end());
            EXPECT_EQ(*opened, *c.opened);
        } else {
            EXPECT_EQ(opened, platform.log.calls.end());
        }
    }
}

TEST_F(EditChannelsTest, TranslationIsAppliedAfterTheListIsFilled)
{
    loadTranslationsFrom(*translations,
                         "[SECTION_0]\nMAIN_TITLE=Kanäle\nOK=Gut\nPLAY=Spielen\n");
    editChannels({[](FakeDialogView& view, DialogHandler&) {
        EXPECT_EQ(view.translatedTitle, "Kanäle");
        EXPECT_EQ(view.controls[IDOK].translated, "Gut");
        EXPECT_EQ(view.controls[IDC_LIST_PLAY].translated, "Spielen");
        EXPECT_EQ(view.list.rowCount(), 3);
    }});
}

TEST_F(EditChannelsTest, DoubleClickEditsTheRow)
{
    editChannels({
        [](FakeDialogView& view, DialogHandler& dialog) {
            DialogFixture::select(view, dialog, DialogFixture::rowNamed(view, u"Bravo"));
            dialog.onListDoubleClick();
            dialog.onCommand(IDOK);
        },
        [](FakeDialogView& view, DialogHandler& form) {
            EXPECT_EQ(view.shownTitle, u"Edit channel");
            EXPECT_EQ(view.controls[IDC_FORM_NAME].text, u"Bravo");
            view.type(IDC_FORM_NAME, u"Bravo renamed");
            form.onCommand(IDOK);
        },
    });
    EXPECT_EQ(catalogueNames(), (std::vector<std::u16string>{u"Alpha", u"Zulu", u"Bravo renamed"}));
}

}  // namespace
}  // namespace telvia

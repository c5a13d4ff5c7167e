#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue/channel_file.h"
#include "common/utf16.h"
#include "dialog_fixture.h"
#include "dialogs/save_channels_dialog.h"
#include "record_bytes.h"

namespace telvia {
namespace {

using fakes::FakeDialogView;

struct SaveChannelsTest : DialogFixture {
    SaveChannelsTest()
    {
        fill({channelOf(u"USA", u"Bravo"), channelOf(u"GBR", u"Zulu", 0), channelOf(u"GBR", u"Alpha")});
    }

    void saveChannels(Script script)
    {
        platform.dialogs.scripts.push_back(std::move(script));
        presenter.onCommand(IDM_SAVE_CHANNELS);
    }

    // The records of the saved file, read back by the program's own reader.
    [[nodiscard]] std::vector<Channel> savedRecords()
    {
        const ChannelFileContent content = readChannelFile(platform.files, savedChannelsFile);
        EXPECT_EQ(content.status, ChannelFileStatus::read);
        return content.channels;
    }
};

TEST_F(SaveChannelsTest, OpensAsAListToPickFromWithEveryBoxCleared)
{
    saveChannels([](FakeDialogView& view, DialogHandler&) {
        EXPECT_EQ(view.shownTitle, u"Save channels");
        EXPECT_EQ(view.controls[IDC_LIST_EDIT].text, u"Select all");
        EXPECT_EQ(view.controls[IDC_LIST_DELETE].text, u"Unselect all");
        for (const int hidden : {IDC_LIST_PLAY, IDC_LIST_ADD, IDC_LIST_VISIT}) {
            EXPECT_FALSE(view.controls[hidden].shown) << hidden;
        }
        for (const int kept : {IDOK, IDCANCEL, IDC_LIST_EDIT, IDC_LIST_DELETE}) {
            EXPECT_TRUE(view.controls[kept].shown) << kept;
        }
        ASSERT_EQ(view.list.rowCount(), 3);
        EXPECT_EQ(view.list.cell(0, columnName), u"Alpha");  // by country, then name
        for (int row = 0; row < 3; ++row) {
            EXPECT_FALSE(view.list.isChecked(row)) << row;
        }
    });
    EXPECT_EQ(platform.dialogs.results, std::vector<int>{IDCANCEL});
    EXPECT_EQ(platform.files.find(savedChannelsFile), nullptr);
}

TEST_F(SaveChannelsTest, TheTranslationReplacesTheTextsItSets)
{
    loadTranslationsFrom(*translations, "[SECTION_3]\nMAIN_TITLE=Sichern\nMARK=Alle\n");
    saveChannels([](FakeDialogView& view, DialogHandler&) {
        EXPECT_EQ(view.shownTitle, u"Sichern");
        EXPECT_EQ(view.controls[IDC_LIST_EDIT].translated, "Alle");
    });
}

TEST_F(SaveChannelsTest, WritesTheCheckedRowsInListOrderAndSaysHowMany)
{
    const struct {
        const char* what;
        std::vector<std::u16string> checked;  // names; "*" presses Select all
        std::vector<std::u16string> saved;
        std::u16string message;
    } cases[] = {
        {"none", {}, {}, u"There are no checked items."},
        {"one, marked off in the menu", {u"Zulu"}, {u"Zulu"},
         u"1 channel is saved to file CHANNELS.QCL in program folder"},
        {"two", {u"Bravo", u"Alpha"}, {u"Alpha", u"Bravo"},
         u"2 channels are saved to file CHANNELS.QCL in program folder"},
        {"all", {u"*"}, {u"Alpha", u"Zulu", u"Bravo"},
         u"3 channels are saved to file CHANNELS.QCL in program folder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        platform.files.put(savedChannelsFile, {std::byte{1}});  // an older file of that name
        platform.dialogs.messages.clear();
        saveChannels([&c](FakeDialogView& view, DialogHandler& dialog) {
            for (const std::u16string& name : c.checked) {
                if (name == u"*") {
                    dialog.onCommand(IDC_LIST_EDIT);
                } else {
                    view.list.setChecked(rowNamed(view, name), true);
                }
            }
            dialog.onCommand(IDOK);
        });
        EXPECT_EQ(platform.dialogs.results.back(), IDOK);
        EXPECT_EQ(platform.dialogs.messages, std::vector<std::u16string>{c.message});
        if (c.saved.empty()) {
            EXPECT_EQ(platform.files.find(savedChannelsFile)->size(), 1u) << "the older file stays";
            continue;
        }
        EXPECT_EQ(platform.files.find(savedChannelsFile)->size(), c.saved.size() * testing::recordSize);
        std::vector<std::u16string> names;
        for (const Channel& channel : savedRecords()) {
            names.emplace_back(channel.name.view());
            EXPECT_EQ(channel.on, 1);
            EXPECT_EQ(channel, [&] {
                Channel expected = state->channels[findChannelByName(state->channels, channel.name.view())];
                expected.on = 1;
                return expected;
            }());
        }
        EXPECT_EQ(names, c.saved);
    }
}

TEST_F(SaveChannelsTest, AFullCatalogueFillsALongestFile)
{
    for (int slot = 0; slot < channelCapacity; ++slot) {
        state->channels[slot] = channelOf(u"DEU", u"Channel " + asciiToUtf16(std::to_string(1000 + slot)));
    }
    saveChannels([](FakeDialogView&, DialogHandler& dialog) {
        dialog.onCommand(IDC_LIST_EDIT);
        dialog.onCommand(IDOK);
    });
    EXPECT_EQ(platform.dialogs.messages,
              std::vector<std::u16string>{u"400 channels are saved to file CHANNELS.QCL in program folder"});
    EXPECT_EQ(platform.files.find(savedChannelsFile)->size(), channelFileMaxBytes);
}

TEST_F(SaveChannelsTest, UnselectAllClearsWhatWasChecked)
{
    saveChannels([](FakeDialogView& view, DialogHandler& dialog) {
        dialog.onCommand(IDC_LIST_EDIT);
        view.list.setChecked(0, false);
        dialog.onCommand(IDC_LIST_DELETE);
        dialog.onCommand(IDOK);
    });
    EXPECT_EQ(platform.dialogs.messages, std::vector<std::u16string>{u"There are no checked items."});
    EXPECT_EQ(platform.files.find(savedChannelsFile), nullptr);
}

TEST_F(SaveChannelsTest, AFailedWriteIsReportedAndTheDialogClosesAllTheSame)
{
    const struct {
        const char* what;
        bool locked;
        std::optional<std::size_t> writeLimit;
    } cases[] = {
        {"cannot be created", true, std::nullopt},
        {"disk full", false, testing::recordSize},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        platform.dialogs.messages.clear();
        platform.files.locked = c.locked ? std::vector<std::u16string>{std::u16string(savedChannelsFile)}
                                         : std::vector<std::u16string>{};
        platform.files.shortWriteLimit = c.writeLimit;
        saveChannels([](FakeDialogView&, DialogHandler& dialog) {
            dialog.onCommand(IDC_LIST_EDIT);
            dialog.onCommand(IDOK);
        });
        EXPECT_EQ(platform.dialogs.messages, std::vector<std::u16string>{u"Error save!"});
        EXPECT_EQ(platform.dialogs.results.back(), IDOK);
    }
}

TEST_F(SaveChannelsTest, CancelWritesNothingAndLeavesTheCatalogue)
{
    const ChannelTable before = state->channels;
    saveChannels([](FakeDialogView&, DialogHandler& dialog) {
        dialog.onCommand(IDC_LIST_EDIT);
        dialog.onCommand(IDCANCEL);
    });
    EXPECT_EQ(platform.files.find(savedChannelsFile), nullptr);
    EXPECT_TRUE(platform.dialogs.messages.empty());
    EXPECT_EQ(state->channels.slots, before.slots);
}

}  // namespace
}  // namespace telvia

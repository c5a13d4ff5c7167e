#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue/channel_file.h"
#include "common/utf16.h"
#include "dialog_fixture.h"
#include "dialogs/load_channels_dialog.h"
#include "dialogs/save_channels_dialog.h"
#include "record_bytes.h"

namespace telvia {
namespace {

using fakes::FakeDialogView;
using testing::RecordImage;

constexpr std::u16string_view picked = u"C:\\Downloads\\friends.qcl";

// A record as another program writes it, junk behind every terminator.
RecordImage recordOf(std::u16string_view country, std::u16string_view name, std::u16string_view address,
                     std::uint32_t on = 0)
{
    RecordImage record;
    record.number(testing::onAt, on)
        .text(testing::nameAt, name)
        .text(testing::noteAt, u"from a friend")
        .text(testing::countryAt, country)
        .text(testing::addressAt, address)
        .text(testing::homePageAt, u"");
    return record;
}

struct LoadChannelsTest : DialogFixture {
    LoadChannelsTest()
    {
        state->homeCountry = u"DEU";
        fill({channelOf(u"USA", u"Bravo"), channelOf(u"GBR", u"Zulu", 0)});
    }

    // Picks the file in the file dialog; the script acts in the list, if it is shown.
    void loadChannels(std::optional<std::u16string> file, Script script = {})
    {
        platform.dialogs.fileChoices.push_back(std::move(file));
        if (script) {
            platform.dialogs.scripts.push_back(std::move(script));
        }
        presenter.onCommand(IDM_LOAD_CHANNELS);
    }

    void loadAndAccept(std::u16string_view file)
    {
        loadChannels(std::u16string(file), [](FakeDialogView&, DialogHandler& dialog) { dialog.onCommand(IDOK); });
    }

    [[nodiscard]] static std::vector<std::u16string> rowNames(FakeDialogView& view)
    {
        std::vector<std::u16string> names;
        for (int row = 0; row < view.list.rowCount(); ++row) {
            names.push_back(view.list.cell(row, columnName));
        }
        return names;
    }

    [[nodiscard]] bool lastDialogShown() const { return platform.dialogs.shown.back(); }
};

TEST_F(LoadChannelsTest, AsksForAChannelFileOrAPlaylist)
{
    loadChannels(std::nullopt);
    ASSERT_EQ(platform.dialogs.fileRequests.size(), 1u);
    const auto& request = platform.dialogs.fileRequests[0];
    EXPECT_EQ(request.title, u"Please select file");
    using Filter = std::pair<std::u16string, std::u16string>;
    EXPECT_EQ(request.filters, (std::vector<Filter>{{u"Qeno (*.qcl)", u"*.qcl"},
                                                    {u"Playlists (*.m3u;*.m3u8)", u"*.m3u;*.m3u8"}}));
    // A cancelled choice ends the dialog before it shows, without a word.
    EXPECT_FALSE(lastDialogShown());
    EXPECT_TRUE(platform.dialogs.messages.empty());
}

TEST_F(LoadChannelsTest, OffersTheNewChannelsInReverseFileOrderAllCheckedAndAppendsThemOnOk)
{
    platform.files.put(picked, testing::joinRecords({recordOf(u"FRA", u"A", u"http://a"),
                                                     recordOf(u"FRA", u"B", u"http://b", 1),
                                                     recordOf(u"FRA", u"C", u"http://c")}));
    loadChannels(std::u16string(picked), [](FakeDialogView& view, DialogHandler& dialog) {
        EXPECT_EQ(rowNames(view), (std::vector<std::u16string>{u"C", u"B", u"A"}));
        EXPECT_EQ(view.list.firstSelectedRow(), 0);
        for (int row = 0; row < 3; ++row) {
            EXPECT_TRUE(view.list.isChecked(row)) << row;
        }
        EXPECT_EQ(view.shownTitle, u"Load channels");
        EXPECT_EQ(view.controls[IDC_LIST_EDIT].text, u"Select all");
        EXPECT_EQ(view.controls[IDC_LIST_DELETE].text, u"Unselect all");
        for (const int hidden : {IDC_LIST_PLAY, IDC_LIST_ADD, IDC_LIST_VISIT}) {
            EXPECT_FALSE(view.controls[hidden].shown) << hidden;
        }
        dialog.onCommand(IDOK);
    });
    EXPECT_EQ(catalogueNames(), (std::vector<std::u16string>{u"Bravo", u"Zulu", u"C", u"B", u"A"}));
    for (int slot = 2; slot < 5; ++slot) {
        EXPECT_EQ(state->channels[slot].on, 1);
        EXPECT_EQ(state->channels[slot].note, u"from a friend");
    }
    EXPECT_EQ(menuItems(), (std::vector<std::u16string>{u"A", u"B", u"Bravo", u"C"}));  // sorted, Zulu off
    EXPECT_TRUE(platform.dialogs.messages.empty());
}

TEST_F(LoadChannelsTest, OnlyTheCheckedRowsAreAppendedInListOrder)
{
    platform.files.put(picked, testing::joinRecords({recordOf(u"FRA", u"A", u"http://a"),
                                                     recordOf(u"FRA", u"B", u"http://b"),
                                                     recordOf(u"FRA", u"C", u"http://c")}));
    loadChannels(std::u16string(picked), [](FakeDialogView& view, DialogHandler& dialog) {
        dialog.onCommand(IDC_LIST_DELETE);
        view.list.setChecked(2, true);
        view.list.setChecked(0, true);
        dialog.onCommand(IDOK);
    });
    EXPECT_EQ(catalogueNames(), (std::vector<std::u16string>{u"Bravo", u"Zulu", u"C", u"A"}));
}

TEST_F(LoadChannelsTest, CancelInTheListChangesNothing)
{
    platform.files.put(picked, testing::joinRecords({recordOf(u"FRA", u"A", u"http://a")}));
    const ChannelTable before = state->channels;
    loadChannels(std::u16string(picked), [](FakeDialogView&, DialogHandler& dialog) { dialog.onCommand(IDCANCEL); });
    EXPECT_TRUE(lastDialogShown());
    EXPECT_EQ(state->channels.slots, before.slots);
    EXPECT_TRUE(platform.channelsMenu.items.empty());
}

TEST_F(LoadChannelsTest, FilesThatOfferNothingEndBeforeTheListShows)
{
    const std::vector<std::byte> oneRecord = recordOf(u"FRA", u"A", u"http://a").bytes;
    std::vector<std::byte> tooLong = oneRecord;
    tooLong.push_back(std::byte{0});
    const struct {
        const char* what;
        std::optional<std::vector<std::byte>> bytes;  // none: no such file
        std::u16string message;
    } cases[] = {
        {"no such file", std::nullopt, u"Error open file"},  // first: each later case puts its file
        {"empty file", std::vector<std::byte>{}, u"There are no new channels."},
        {"3131 bytes", std::vector<std::byte>(oneRecord.begin(), oneRecord.end() - 1), u"Invalid format"},
        {"3133 bytes", tooLong, u"Invalid format"},
        {"401 records", std::vector<std::byte>(401 * testing::recordSize), u"Invalid format"},
        {"every address known",
         testing::joinRecords({recordOf(u"GBR", u"Zulu again", u"http://streams/Zulu")}),
         u"There are no new channels."},
        {"an empty address while a slot is free", testing::joinRecords({recordOf(u"FRA", u"Nowhere", u"")}),
         u"There are no new channels."},
        {"no country or no name",
         testing::joinRecords({recordOf(u"", u"Stateless", u"http://s"), recordOf(u"FRA", u"", u"http://n")}),
         u"There are no new channels."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.bytes) {
            platform.files.put(picked, *c.bytes);
        }
        platform.dialogs.messages.clear();
        const ChannelTable before = state->channels;
        loadChannels(std::u16string(picked));
        EXPECT_EQ(platform.dialogs.messages, std::vector<std::u16string>{c.message});
        EXPECT_FALSE(lastDialogShown());
        EXPECT_EQ(state->channels.slots, before.slots);
    }
}

TEST_F(LoadChannelsTest, AShortReadOffersNothing)
{
    platform.files.put(picked, testing::joinRecords({recordOf(u"FRA", u"A", u"http://a")}));
    platform.files.shortReadLimit = 100;
    loadChannels(std::u16string(picked));
    EXPECT_EQ(platform.dialogs.messages, std::vector<std::u16string>{u"There are no new channels."});
}

TEST_F(LoadChannelsTest, AFileSavedFromThisCatalogueHoldsNothingNew)
{
    platform.dialogs.scripts.push_back([](FakeDialogView&, DialogHandler& dialog) {
        dialog.onCommand(IDC_LIST_EDIT);
        dialog.onCommand(IDOK);
    });
    presenter.onCommand(IDM_SAVE_CHANNELS);
    platform.dialogs.messages.clear();
    loadChannels(std::u16string(savedChannelsFile));
    EXPECT_EQ(platform.dialogs.messages, std::vector<std::u16string>{u"There are no new channels."});
}

TEST_F(LoadChannelsTest, AddressesAreComparedExactlyWithTheCatalogueOnly)
{
    platform.files.put(picked, testing::joinRecords({recordOf(u"USA", u"Bravo loud", u"HTTP://streams/Bravo"),
                                                     recordOf(u"USA", u"Twin 1", u"http://twin"),
                                                     recordOf(u"USA", u"Twin 2", u"http://twin"),
                                                     recordOf(u"USA", u"Bravo", u"http://streams/Bravo")}));
    loadChannels(std::u16string(picked), [](FakeDialogView& view, DialogHandler&) {
        EXPECT_EQ(rowNames(view), (std::vector<std::u16string>{u"Twin 2", u"Twin 1", u"Bravo loud"}));
    });
}

TEST_F(LoadChannelsTest, RecordsWithoutCountryOrNameAreLeftOutAndCounted)
{
    platform.files.put(picked, testing::joinRecords({recordOf(u"", u"Stateless", u"http://s"),
                                                     recordOf(u"FRA", u"Kept", u"http://k"),
                                                     recordOf(u"FRA", u"", u"http://n")}));
    loadChannels(std::u16string(picked), [](FakeDialogView& view, DialogHandler& dialog) {
        EXPECT_EQ(rowNames(view), std::vector<std::u16string>{u"Kept"});
        EXPECT_EQ(view.shownTitle, u"Load channels (2 entries left out)");
        dialog.onCommand(IDOK);
    });
    EXPECT_EQ(catalogueNames(), (std::vector<std::u16string>{u"Bravo", u"Zulu", u"Kept"}));
}

TEST_F(LoadChannelsTest, AFullCatalogueTakesWhatFitsAndSaysWhatWasNotAdded)
{
    for (int slot = 0; slot < 398; ++slot) {
        state->channels[slot] = channelOf(u"DEU", u"Old " + asciiToUtf16(std::to_string(slot)));
    }
    std::vector<RecordImage> records;
    for (const char16_t* name : {u"N1", u"N2", u"N3", u"N4", u"N5"}) {
        records.push_back(recordOf(u"FRA", name, u"http://new/" + std::u16string(name)));
    }
    platform.files.put(picked, testing::joinRecords(records));
    loadAndAccept(picked);
    EXPECT_EQ(channelCount(state->channels), channelCapacity);
    EXPECT_EQ(state->channels[398].name, u"N5");  // the top rows come first
    EXPECT_EQ(state->channels[399].name, u"N4");
    EXPECT_EQ(platform.dialogs.messages,
              std::vector<std::u16string>{u"The catalogue is full: 3 channels were not added."});
    ASSERT_EQ(platform.channelsMenu.items.size(), 400u);
}

TEST_F(LoadChannelsTest, TheTranslationComesLastAndTheLeftOutCountAfterIt)
{
    loadTranslationsFrom(*translations, "[SECTION_4]\nMAIN_TITLE=Laden\nUNMARK=Keine\n");
    platform.files.put(picked, testing::joinRecords({recordOf(u"FRA", u"A", u"http://a"),
                                                     recordOf(u"FRA", u"", u"http://b")}));
    loadChannels(std::u16string(picked), [](FakeDialogView& view, DialogHandler&) {
        EXPECT_EQ(view.translatedTitle, "Laden");
        EXPECT_EQ(view.shownTitle, u"Laden (1 entry left out)");
        EXPECT_EQ(view.controls[IDC_LIST_DELETE].translated, "Keine");
    });
}

// Playlists take the same path as channel files once they are read.
struct LoadPlaylistTest : LoadChannelsTest {
    static constexpr std::u16string_view list = u"C:\\Downloads\\list.m3u8";

    void putPlaylist(std::string_view text) { platform.files.putText(list, text); }
};

TEST_F(LoadPlaylistTest, EntriesTakeTheirOwnCountryOrTheHomeCountry)
{
    putPlaylist("\xEF\xBB\xBF#EXTM3U\r\n"
                "#EXTINF:-1 tvg-country=\"GBR\",Three letters\r\nhttp://three\r\n"
                "#EXTINF:-1 tvg-country=\"GB\",Two letters\r\nhttp://two\r\n"
                "#EXTINF:-1,No country\r\nhttp://none\r\n"
                "#EXTINF:-1 tvg-country=\"USA\",Bravo again\r\nhttp://streams/Bravo\r\n");
    loadChannels(std::u16string(list), [](FakeDialogView& view, DialogHandler& dialog) {
        EXPECT_EQ(rowNames(view), (std::vector<std::u16string>{u"No country", u"Two letters", u"Three letters"}));
        EXPECT_EQ(view.shownTitle, u"Load channels");
        dialog.onCommand(IDOK);
    });
    ASSERT_EQ(channelCount(state->channels), 5);
    EXPECT_EQ(state->channels[2].country, u"DEU");
    EXPECT_EQ(state->channels[3].country, u"GBR");
    EXPECT_EQ(state->channels[4].country, u"GBR");
    EXPECT_EQ(state->channels[4].address, u"http://three");
}

TEST_F(LoadPlaylistTest, EntriesThatDoNotFitAreLeftOutAndCounted)
{
    putPlaylist("#EXTM3U\n"
                "#EXTINF:-1,Fits\nhttp://fits\n"
                "#EXTINF:-1,Address too long\nhttp://" + std::string(520, 'x') + "\n"
                "#EXTINF:-1," + std::string(260, 'N') + "\nhttp://long-name\n");
    loadChannels(std::u16string(list), [](FakeDialogView& view, DialogHandler&) {
        EXPECT_EQ(rowNames(view), std::vector<std::u16string>{u"Fits"});
        EXPECT_EQ(view.shownTitle, u"Load channels (2 entries left out)");
    });
}

TEST_F(LoadPlaylistTest, ALongListIsOfferedWholeAndTheCatalogueTakesWhatFits)
{
    std::string text = "#EXTM3U\n";
    for (int i = 0; i < 450; ++i) {
        text += "#EXTINF:-1 tvg-id=\"Ch" + std::to_string(i) + ".fr\",Channel " + std::to_string(i) +
                "\nhttp://list/" + std::to_string(i) + "\n";
    }
    putPlaylist(text);
    loadChannels(std::u16string(list), [](FakeDialogView& view, DialogHandler& dialog) {
        EXPECT_EQ(view.list.rowCount(), 450);
        dialog.onCommand(IDOK);
    });
    EXPECT_EQ(channelCount(state->channels), channelCapacity);
    EXPECT_EQ(state->channels[2].name, u"Channel 449");
    EXPECT_EQ(state->channels[2].country, u"FRA");
    EXPECT_EQ(platform.dialogs.messages,
              std::vector<std::u16string>{u"The catalogue is full: 52 channels were not added."});
}

TEST_F(LoadPlaylistTest, TextThatIsNoPlaylistIsAnInvalidFormat)
{
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"plain addresses", "http://a\nhttp://b\n"},
        {"a broken entry", "#EXTM3U\n#EXTINF:-1 tvg-country=\"GBR,Unclosed\nhttp://a\n"},
        {"not UTF-8", "#EXTM3U\n#EXTINF:-1,\xFF\xFE\nhttp://a\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        platform.dialogs.messages.clear();
        putPlaylist(c.text);
        loadChannels(std::u16string(list));
        EXPECT_EQ(platform.dialogs.messages, std::vector<std::u16string>{u"Invalid format"});
        EXPECT_FALSE(lastDialogShown());
    }
}

}  // namespace
}  // namespace telvia

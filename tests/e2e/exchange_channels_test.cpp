// Exchanging channels on the real program: the save dialog writes "channels.qcl" into the
// working folder, the load dialog takes channels from a channel file written by another
// program or from a public playlist, and an address copied to the clipboard plays as a test
// channel.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/catalogue.h"
#include "driver/clipboard.h"
#include "driver/dialog.h"
#include "driver/list_view.h"
#include "driver/menu_probe.h"
#include "driver/options.h"
#include "driver/registry.h"
#include "driver/text.h"
#include "registry_expectations.h"
#include "scenario.h"

namespace telvia::e2e {
namespace {

constexpr unsigned saveCommand = 32804;
constexpr unsigned loadCommand = 32808;
constexpr unsigned testClipboardCommand = 32813;

constexpr int listControl = 1000;
constexpr int selectAll = 4;
constexpr int unselectAll = 5;
constexpr int nameColumn = 2;
constexpr int countryColumn = 1;

ChannelFields channel(std::wstring country, const std::wstring& name, std::uint32_t on = 1)
{
    return sampleChannel(std::move(country), name, on);
}



bool sameChannel(const ChannelFields& a, const ChannelFields& b)
{
    return a.on == b.on && a.country == b.country && a.name == b.name && a.note == b.note &&
           a.address == b.address && a.homePage == b.homePage;
}

// Types the path into the system's open-file dialog and confirms it. The explorer-style
// dialog names its file name box cmb13, the older style edt1.
void chooseFile(const TelviaProcess& telvia, const std::filesystem::path& path)
{
    const Dialog files = Dialog::waitForTitled(telvia, L"Please select file");
    constexpr int fileNameCombo = 0x47C;
    constexpr int fileNameEdit = 0x480;
    files.setControlText(files.hasControl(fileNameCombo) ? fileNameCombo : fileNameEdit, path.wstring());
    files.press(IDOK);
    ASSERT_TRUE(files.waitClosed()) << "the file dialog stayed open";
}

// Reads the message box the program shows, closes it and answers its text.
std::wstring answerMessage(const TelviaProcess& telvia)
{
    const Dialog box = Dialog::waitForTitled(telvia, L"Telvia");
    std::wstring text = box.controlText(Dialog::messageTextId);
    box.press(IDOK);
    EXPECT_TRUE(box.waitClosed());
    return text;
}

class ExchangeChannels : public Scenario {
protected:
    static Dialog waitForExchangeDialog(const TelviaProcess& telvia, std::wstring_view title)
    {
        const Dialog dialog = Dialog::waitForTitled(telvia, title);
        // The edit dialog's window, turned into a list to pick from.
        EXPECT_EQ(dialog.controlText(selectAll), L"Select all");
        EXPECT_EQ(dialog.controlText(unselectAll), L"Unselect all");
        for (const int hidden : {101, 3, 32812}) {
            EXPECT_FALSE(IsWindowVisible(dialog.control(hidden))) << "control " << hidden;
        }
        return dialog;
    }
};

TEST_F(ExchangeChannels, SaveWritesTheCheckedChannelsIntoTheWorkingFolder)
{
    const std::vector<ChannelFields> stored = {channel(L"USA", L"Boston"), channel(L"GBR", L"London", 0),
                                               channel(L"DEU", L"Berlin")};
    registry::writeAllValues(registry::channelsKey, registry::catalogueValues(stored));
    TelviaProcess& telvia = startAndWaitForWindow();

    telvia.postCommand(saveCommand);
    const Dialog dialog = waitForExchangeDialog(telvia, L"Save channels");
    const ListView list(dialog.control(listControl));
    ASSERT_EQ(list.rowCount(), 3);
    for (int row = 0; row < 3; ++row) {
        EXPECT_FALSE(list.checked(row)) << "row " << row;
    }
    dialog.press(selectAll);
    ASSERT_TRUE(waitUntil([&] { return list.checked(0) && list.checked(1) && list.checked(2); }));
    dialog.press(IDOK);
    EXPECT_EQ(answerMessage(telvia), L"3 channels are saved to file CHANNELS.QCL in program folder");
    ASSERT_TRUE(dialog.waitClosed());

    // Read at the documented offsets by the driver's own decoder: the list's order, each
    // record marked on whatever its mark in the catalogue.
    const std::vector<ChannelFields> saved = decodeChannelFile(workspace().readFile(L"channels.qcl"));
    std::vector<ChannelFields> expected = inListOrder(stored);
    for (ChannelFields& c : expected) {
        c.on = 1;
    }
    ASSERT_EQ(saved.size(), expected.size());
    for (std::size_t i = 0; i < saved.size(); ++i) {
        EXPECT_TRUE(sameChannel(saved[i], expected[i])) << toUtf8(saved[i].name);
    }
    exitNormally(telvia);
    // Saving does not change the catalogue.
    EXPECT_TRUE(keyHoldsExactly(registry::channelsKey, registry::catalogueValues(stored)));
}

TEST_F(ExchangeChannels, LoadAppendsTheNewChannelsOfAnotherWritersFile)
{
    const std::vector<ChannelFields> stored = {channel(L"USA", L"Boston"), channel(L"DEU", L"Berlin")};
    registry::writeAllValues(registry::channelsKey, registry::catalogueValues(stored));
    // In a folder of its own, with junk behind every text's terminator; Boston is known.
    const std::vector<ChannelFields> offered = {channel(L"FRA", L"Paris", 0), channel(L"USA", L"Boston"),
                                                channel(L"ITA", L"Roma", 0)};
    std::filesystem::create_directories(workspace().pathOf(L"incoming"));
    workspace().writeFile(L"incoming\\friends.qcl", encodeChannelFile(offered, L'\xEEEE'));
    TelviaProcess& telvia = startAndWaitForWindow();

    telvia.postCommand(loadCommand);
    chooseFile(telvia, workspace().pathOf(L"incoming\\friends.qcl"));
    const Dialog dialog = waitForExchangeDialog(telvia, L"Load channels");
    const ListView list(dialog.control(listControl));
    // The new ones in reverse file order, all checked, the last one selected.
    EXPECT_EQ(list.columnTexts(nameColumn), (std::vector<std::wstring>{L"Roma", L"Paris"}));
    EXPECT_TRUE(list.checked(0) && list.checked(1));
    EXPECT_EQ(list.selectedRow(), 0);
    dialog.press(IDOK);
    ASSERT_TRUE(dialog.waitClosed());
    EXPECT_EQ(textsOf(readChannelsPopup(telvia, workspace())),
              (std::vector<std::wstring>{L"Berlin", L"Boston", L"Paris", L"Roma"}));

    // The file dialog left the current directory alone: a save still lands in the
    // working folder.
    telvia.postCommand(saveCommand);
    const Dialog save = waitForExchangeDialog(telvia, L"Save channels");
    save.press(selectAll);
    save.press(IDOK);
    EXPECT_EQ(answerMessage(telvia), L"4 channels are saved to file CHANNELS.QCL in program folder");
    ASSERT_TRUE(save.waitClosed());
    EXPECT_TRUE(std::filesystem::exists(workspace().pathOf(L"channels.qcl")));
    EXPECT_FALSE(std::filesystem::exists(workspace().pathOf(L"incoming\\channels.qcl")));
    exitNormally(telvia);

    std::vector<ChannelFields> expected = stored;
    for (const wchar_t* name : {L"Roma", L"Paris"}) {
        ChannelFields added = *std::find_if(offered.begin(), offered.end(),
                                            [name](const ChannelFields& c) { return c.name == name; });
        added.on = 1;
        expected.push_back(added);
    }
    EXPECT_TRUE(keyHoldsExactly(registry::channelsKey, registry::catalogueValues(expected)));
}

TEST_F(ExchangeChannels, LoadOffersTheEntriesOfAPublicPlaylist)
{
    registry::writeAllValues(registry::channelsKey, registry::catalogueValues(std::vector<ChannelFields>{}));
    workspace().copyIn(windowsPath(fromUtf8(TELVIA_TEST_PLAYLISTS)) / L"uk.m3u", L"uk.m3u");
    TelviaProcess& telvia = startAndWaitForWindow();

    telvia.postCommand(loadCommand);
    chooseFile(telvia, workspace().pathOf(L"uk.m3u"));
    const Dialog dialog = Dialog::waitForOwned(telvia);
    EXPECT_EQ(dialog.title().rfind(L"Load channels", 0), 0u) << toUtf8(dialog.title());
    const ListView list(dialog.control(listControl));
    // The list has 220 entries; a few repeat an address and are left out.
    EXPECT_GT(list.rowCount(), 200);
    const std::vector<std::wstring> names = list.columnTexts(nameColumn);
    const auto fourMusic = std::find(names.begin(), names.end(), L"4Music [Geo-blocked]");
    ASSERT_NE(fourMusic, names.end());
    EXPECT_EQ(list.text(static_cast<int>(fourMusic - names.begin()), countryColumn), L"GBR");
    dialog.press(IDCANCEL);
    ASSERT_TRUE(dialog.waitClosed());
    exitNormally(telvia);
}

TEST_F(ExchangeChannels, AnAddressFromTheClipboardPlaysAsATestChannel)
{
    workspace().copyIn(options().demoVideo, L"demo.wmv");
    ChannelFields known = channel(L"DEU", L"Known");
    known.address = L"mms://known.example/live";
    registry::writeAllValues(registry::channelsKey, registry::catalogueValues(std::vector<ChannelFields>{known}));
    TelviaProcess& telvia = startAndWaitForWindow();

    copyToClipboard(L"mms://known.example/live");
    telvia.postCommand(testClipboardCommand);
    EXPECT_EQ(answerMessage(telvia), L"This address already exists.\r\nCountry: DEU\r\nName: Known\r\n");

    emptyClipboard();
    telvia.postCommand(testClipboardCommand);
    EXPECT_EQ(answerMessage(telvia), L"Copy an address to clipboard for test");

    // The demo video lies in the working folder, so its relative name is an address.
    copyToClipboard(L"  demo.wmv  ");
    telvia.postCommand(testClipboardCommand);
    EXPECT_TRUE(waitUntil([&] { return telvia.title() == L"Telvia  [ TEST :: demo.wmv ]"; }))
        << toUtf8(telvia.title());
    exitNormally(telvia);
    EXPECT_TRUE(keyHoldsExactly(registry::channelsKey, registry::catalogueValues(std::vector<ChannelFields>{known})));
}

}  // namespace
}  // namespace telvia::e2e

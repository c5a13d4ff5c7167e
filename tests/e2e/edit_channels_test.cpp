// The Edit channels dialog and its channel form on the real program: what the list shows
// when it opens, adding a channel through the form, clearing a channel's box, playing a
// row, and leaving without a change; and how long the dialog takes to open on a full
// catalogue.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "driver/catalogue.h"
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

constexpr std::wstring_view firstRunFile = L"channels_init.qcl";
constexpr std::wstring_view demoFile = L"demo.wmv";
constexpr std::wstring_view editTitle = L"Edit channels";
constexpr std::wstring_view addTitle = L"Add a channel";
constexpr int capacity = 400;

// Controls of the Edit channels dialog and of the channel form.
namespace control {
constexpr int list = 1000;
constexpr int play = 101;
constexpr int add = 3;
constexpr int edit = 4;
constexpr int remove = 5;
constexpr int visit = 32812;
constexpr int formName = 1005;
constexpr int formNote = 1006;
constexpr int formAddress = 1007;
constexpr int formHomePage = 1012;
constexpr int formCountry = 1013;
}  // namespace control

// Columns of the list: 0 holds only the check box.
constexpr int countryColumn = 1;
constexpr int nameColumn = 2;

ChannelFields channel(std::wstring country, std::wstring name, std::uint32_t on = 1)
{
    return sampleChannel(std::move(country), name, on);
}

// The demo video as a channel; its address is opened in the working folder.
ChannelFields demoChannel()
{
    ChannelFields fields = channel(L"DEU", L"Demo TV");
    fields.address = std::wstring(demoFile);
    return fields;
}


// What a row of the list shows of a channel.
struct Row {
    std::wstring country;
    std::wstring name;
    bool checked = false;

    friend bool operator==(const Row&, const Row&) = default;
    friend void PrintTo(const Row& row, std::ostream* out)
    {
        *out << toUtf8(row.country) << " / " << toUtf8(row.name) << (row.checked ? " [x]" : " [ ]");
    }
};

std::vector<Row> rowsOf(const ListView& list)
{
    std::vector<Row> rows;
    const int count = list.rowCount();
    for (int row = 0; row < count; ++row) {
        rows.push_back({list.text(row, countryColumn), list.text(row, nameColumn), list.checked(row)});
    }
    return rows;
}

std::vector<Row> rowsFor(const std::vector<ChannelFields>& channels)
{
    std::vector<Row> rows;
    for (const ChannelFields& c : channels) {
        rows.push_back({c.country, c.name, c.on != 0});
    }
    return rows;
}

// The catalogue key read back position by position, up to the first without a name.
std::vector<ChannelFields> storedCatalogue()
{
    std::vector<ChannelFields> channels;
    for (int position = 0; position < capacity; ++position) {
        const std::optional<std::wstring> name =
            registry::readString(registry::channelsKey, positionValueName(position, L"_name"));
        if (!name) {
            break;
        }
        ChannelFields c;
        c.name = *name;
        c.country = registry::readString(registry::channelsKey, positionValueName(position, L"_language")).value_or(L"");
        c.on = registry::readDword(registry::channelsKey, positionValueName(position, L"_on")).value_or(0);
        channels.push_back(std::move(c));
    }
    return channels;
}

int rowNamed(const ListView& list, std::wstring_view name)
{
    const std::vector<std::wstring> names = list.columnTexts(nameColumn);
    const auto found = std::find(names.begin(), names.end(), name);
    return found == names.end() ? -1 : static_cast<int>(found - names.begin());
}

// The names the channels pop-up lists for `channels`: the marked ones, sorted.
std::vector<std::wstring> menuNames(const std::vector<ChannelFields>& channels)
{
    std::vector<std::wstring> names;
    for (const ChannelFields& c : channels) {
        if (c.on != 0) {
            names.push_back(c.name);
        }
    }
    std::sort(names.begin(), names.end(),
              [](const std::wstring& a, const std::wstring& b) { return lstrcmpW(a.c_str(), b.c_str()) < 0; });
    return names;
}


// What the user types into the channel form, field by field.
struct Typed {
    std::wstring country;
    std::wstring name;
    std::wstring note;
    std::wstring address;
    std::wstring homePage;
};

class EditChannels : public Scenario {
protected:
    // Sends the Edit channels command and waits for the dialog.
    static Dialog openEditChannels(const TelviaProcess& telvia)
    {
        telvia.postCommand(command::editChannels);
        Dialog dialog = Dialog::waitForOwned(telvia);
        EXPECT_EQ(dialog.title(), editTitle);
        return dialog;
    }

    static ListView listOf(const Dialog& dialog) { return ListView(dialog.control(control::list)); }

    // Presses "+", types `typed` into the form and accepts it; the new row is then in the
    // list. False (with the failure recorded) when the form did not come or did not close.
    static bool addThroughForm(const TelviaProcess& telvia, const Dialog& editor, const Typed& typed)
    {
        editor.press(control::add);
        const Dialog form = Dialog::waitForTitled(telvia, addTitle);
        form.setControlText(control::formCountry, typed.country);
        form.setControlText(control::formName, typed.name);
        form.setControlText(control::formNote, typed.note);
        form.setControlText(control::formAddress, typed.address);
        form.setControlText(control::formHomePage, typed.homePage);
        form.press(IDOK);
        if (!form.waitClosed()) {
            ADD_FAILURE() << "the form stayed open after OK";
            return false;
        }
        return true;
    }

    void putDemoVideoInTheWorkingFolder() { workspace().copyIn(options().demoVideo, demoFile); }
};

TEST_F(EditChannels, TheFirstRunOpensTheDialogByItselfWithTheImportedChannelsSorted)
{
    struct Case {
        const char* name;
        std::optional<std::vector<ChannelFields>> file;  // nothing: no first-run file
    };
    const Case cases[] = {
        {"seven channels in no order",
         std::vector<ChannelFields>{channel(L"USA", L"Boston", 0), channel(L"GBR", L"London", 0),
                                    channel(L"DEU", L"Berlin", 0), channel(L"GBR", L"Aberdeen", 0),
                                    channel(L"FRA", L"Paris", 0), channel(L"DEU", L"Aachen", 0),
                                    channel(L"USA", L"Austin", 0)}},
        {"no first-run file: an empty list", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        resetRegistry();
        makeNextStartAFirstRun();
        workspace().remove(firstRunFile);
        if (c.file) {
            workspace().writeFile(firstRunFile, encodeChannelFile(*c.file));
        }

        TelviaProcess& telvia = startAndWaitForWindow();
        const Dialog editor = Dialog::waitForOwned(telvia);
        EXPECT_EQ(editor.title(), editTitle);
        const ListView list = listOf(editor);
        const std::vector<Row> shown = rowsOf(list);
        // No channel is current on a first run, so no row is selected and only OK, "+"
        // and Cancel can be used.
        EXPECT_EQ(list.selectedRow(), -1);
        for (const int id : {control::edit, control::remove, control::play, control::visit}) {
            EXPECT_FALSE(editor.controlEnabled(id)) << "control " << id;
        }
        for (const int id : {IDOK, IDCANCEL, control::add}) {
            EXPECT_TRUE(editor.controlEnabled(id)) << "control " << id;
        }
        editor.press(IDCANCEL);
        ASSERT_TRUE(editor.waitClosed());
        exitNormally(telvia);

        // One row for every record of the file, sorted, each with the mark the import gave
        // its channel (the catalogue written at exit holds the marks).
        const std::size_t records = c.file ? c.file->size() : 0;
        EXPECT_EQ(shown.size(), records);
        const std::vector<ChannelFields> stored = storedCatalogue();
        ASSERT_EQ(stored.size(), records);
        EXPECT_EQ(shown, rowsFor(inListOrder(stored)));
    }
}

TEST_F(EditChannels, AChannelAddedThroughTheFormIsStoredInTheListsOrder)
{
    const std::vector<ChannelFields> stored = {
        channel(L"USA", L"B"),
        channel(L"GBR", L"Z", 0),
        channel(L"GBR", L"A"),
    };
    struct Case {
        const char* name;
        Typed typed;
        ChannelFields expected;  // as stored; the box of a new channel starts checked
        std::function<void(const Dialog& editor)> accept;
    };
    const auto pressOk = [](const Dialog& editor) { editor.press(IDOK); };
    const Case cases[] = {
        {"typed as stored, accepted with OK",
         {L"FRA", L"Neu", L"a note", L"mms://neu.example/live", L"http://neu.example/"},
         {1, L"FRA", L"Neu", L"a note", L"mms://neu.example/live", L"http://neu.example/"},
         pressOk},
        // The combo box makes the country capitals; spaces at either end of a text go, a
        // tab stays. Enter in the list stands for the default button, OK.
        {"small letters and spaces, accepted with Enter",
         {L"gbr", L"  R\u00e4dio \u20ac  ", L"", L" mms://r.example/\t ", L""},
         {1, L"GBR", L"R\u00e4dio \u20ac", L"", L"mms://r.example/\t", L""},
         [](const Dialog& editor) {
             PostMessageW(editor.control(control::list), WM_KEYDOWN, VK_RETURN, 1 | (0x1C << 16));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        resetRegistry();
        registry::writeAllValues(registry::channelsKey, registry::catalogueValues(stored));

        TelviaProcess& telvia = startAndWaitForWindow();
        const Dialog editor = openEditChannels(telvia);
        ASSERT_TRUE(addThroughForm(telvia, editor, c.typed));
        const ListView list = listOf(editor);
        std::vector<ChannelFields> all = stored;
        all.push_back(c.expected);
        all = inListOrder(all);
        EXPECT_EQ(rowsOf(list), rowsFor(all));
        // The new row is the selected one, so that "..." edits it next.
        EXPECT_EQ(list.selectedRow(), rowNamed(list, c.expected.name));
        EXPECT_TRUE(editor.controlEnabled(control::edit));

        c.accept(editor);
        ASSERT_TRUE(editor.waitClosed()) << "the dialog stayed open";
        // The marked channels of the new catalogue, in the menu's order.
        EXPECT_EQ(textsOf(readChannelsPopup(telvia, workspace())), menuNames(all));
        exitNormally(telvia);

        EXPECT_TRUE(keyHoldsExactly(registry::channelsKey, registry::catalogueValues(all)));
    }
}

TEST_F(EditChannels, ClearingTheCurrentChannelsBoxTakesItOutOfTheChannelsMenuAndStoresItOff)
{
    putDemoVideoInTheWorkingFolder();
    const std::vector<ChannelFields> stored = {channel(L"DEU", L"Zeta"), demoChannel(), channel(L"AUT", L"Alpen")};
    registry::writeAllValues(registry::channelsKey, registry::catalogueValues(stored));
    // The channel of the last run is the current one and plays at start.
    registry::writeString(registry::settingsKey, L"channelName", L"Demo TV");

    TelviaProcess& telvia = startAndWaitForWindow();
    ASSERT_TRUE(waitUntil([&] { return telvia.title() == L"Telvia  [ Demo TV ]"; })) << toUtf8(telvia.title());
    ASSERT_EQ(textsOf(readChannelsPopup(telvia, workspace())), (std::vector<std::wstring>{L"Alpen", L"Demo TV", L"Zeta"}));

    const Dialog editor = openEditChannels(telvia);
    const ListView list = listOf(editor);
    // The current channel's row is selected and focused, so Space acts on it.
    const int demoRow = rowNamed(list, L"Demo TV");
    ASSERT_NE(demoRow, -1);
    EXPECT_EQ(list.selectedRow(), demoRow);
    EXPECT_EQ(list.focusedRow(), demoRow);
    ASSERT_TRUE(list.checked(demoRow));
    list.pressSpace();
    ASSERT_TRUE(waitUntil([&] { return !list.checked(demoRow); })) << "Space did not clear the focused row's box";
    EXPECT_TRUE(list.checked(rowNamed(list, L"Alpen")));
    EXPECT_TRUE(list.checked(rowNamed(list, L"Zeta")));
    editor.press(IDOK);
    ASSERT_TRUE(editor.waitClosed());

    EXPECT_EQ(textsOf(readChannelsPopup(telvia, workspace())), (std::vector<std::wstring>{L"Alpen", L"Zeta"}));
    exitNormally(telvia);

    std::vector<ChannelFields> expected = inListOrder(stored);
    for (ChannelFields& c : expected) {
        if (c.name == L"Demo TV") {
            c.on = 0;
        }
    }
    EXPECT_TRUE(keyHoldsExactly(registry::channelsKey, registry::catalogueValues(expected)));
}

TEST_F(EditChannels, PlayOnARowPlaysItsChannelAndStoresTheList)
{
    putDemoVideoInTheWorkingFolder();
    const std::vector<ChannelFields> stored = {channel(L"DEU", L"Zeta"), demoChannel(), channel(L"AUT", L"Alpen")};
    registry::writeAllValues(registry::channelsKey, registry::catalogueValues(stored));

    TelviaProcess& telvia = startAndWaitForWindow();
    ASSERT_EQ(telvia.title(), L"Telvia");
    const Dialog editor = openEditChannels(telvia);
    const ListView list = listOf(editor);
    ASSERT_EQ(list.selectedRow(), -1) << "no channel is current, so none should be selected";
    EXPECT_FALSE(editor.controlEnabled(control::play));

    // Selecting a row makes Play usable, as a click on the row would.
    const int demoRow = rowNamed(list, L"Demo TV");
    ASSERT_NE(demoRow, -1);
    list.select(demoRow);
    ASSERT_TRUE(waitUntil([&] { return editor.controlEnabled(control::play); })) << "Play stayed disabled";
    editor.press(control::play);
    ASSERT_TRUE(editor.waitClosed()) << "Play did not close the dialog";

    EXPECT_TRUE(waitUntil([&] { return telvia.title() == L"Telvia  [ Demo TV ]"; })) << toUtf8(telvia.title());
    EXPECT_TRUE(waitUntil([&] { return !findChildWindows(telvia.mainWindow(), WindowQuery{}.visible()).empty(); }))
        << "no video window appeared";
    EXPECT_TRUE(IsWindowEnabled(telvia.mainWindow()));
    exitNormally(telvia);

    // Play also stores the list, and the channel it played is the one of the next start.
    EXPECT_TRUE(keyHoldsExactly(registry::channelsKey, registry::catalogueValues(inListOrder(stored))));
    EXPECT_EQ(registry::readString(registry::settingsKey, L"channelName"), std::optional<std::wstring>(L"Demo TV"));
}

TEST_F(EditChannels, LeavingWithoutOkAfterAddingARowChangesNothing)
{
    // Not in list order, so that a catalogue rewritten from the list would show.
    const std::vector<ChannelFields> stored = {channel(L"USA", L"B"), channel(L"GBR", L"Z", 0), channel(L"GBR", L"A")};
    struct Case {
        const char* name;
        std::function<void(const Dialog& editor)> leave;
    };
    const Case cases[] = {
        {"Cancel", [](const Dialog& editor) { editor.press(IDCANCEL); }},
        {"Esc in the list",
         [](const Dialog& editor) {
             PostMessageW(editor.control(control::list), WM_KEYDOWN, VK_ESCAPE, 1 | (0x01 << 16));
         }},
        {"the close box", [](const Dialog& editor) { PostMessageW(editor.handle(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        resetRegistry();
        registry::writeAllValues(registry::channelsKey, registry::catalogueValues(stored));

        TelviaProcess& telvia = startAndWaitForWindow();
        const Dialog editor = openEditChannels(telvia);
        ASSERT_TRUE(addThroughForm(telvia, editor,
                                   {L"FRA", L"Neu", L"", L"mms://neu.example/live", L"http://neu.example/"}));
        EXPECT_EQ(listOf(editor).rowCount(), 4);
        c.leave(editor);
        ASSERT_TRUE(editor.waitClosed()) << "the dialog stayed open";
        EXPECT_EQ(textsOf(readChannelsPopup(telvia, workspace())), menuNames(stored));
        exitNormally(telvia);

        EXPECT_TRUE(keyHoldsExactly(registry::channelsKey, registry::catalogueValues(stored)));
    }
}

TEST_F(EditChannels, DeletingARowAsksFirstAndOkStoresTheCatalogueWithoutIt)
{
    const std::vector<ChannelFields> stored = {channel(L"USA", L"B"), channel(L"GBR", L"Z", 0), channel(L"GBR", L"A")};
    struct Case {
        const char* name;
        std::function<void(const Dialog& editor)> remove;
    };
    const Case cases[] = {
        {"the - button", [](const Dialog& editor) { editor.press(control::remove); }},
        {"the Delete key in the list",
         [](const Dialog& editor) {
             PostMessageW(editor.control(control::list), WM_KEYDOWN, VK_DELETE, 1 | (0x53 << 16) | (1 << 24));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        resetRegistry();
        registry::writeAllValues(registry::channelsKey, registry::catalogueValues(stored));

        TelviaProcess& telvia = startAndWaitForWindow();
        const Dialog editor = openEditChannels(telvia);
        const ListView list = listOf(editor);
        list.select(rowNamed(list, L"Z"));
        ASSERT_TRUE(waitUntil([&] { return editor.controlEnabled(control::remove); })) << "\"-\" stayed disabled";

        // No keeps the row; Yes removes it.
        for (const int answer : {IDNO, IDYES}) {
            c.remove(editor);
            const Dialog question = Dialog::waitForTitled(telvia, L"Telvia");
            EXPECT_EQ(question.controlText(Dialog::messageTextId), L"Delete the selected item. Are you sure?");
            question.press(answer);
            ASSERT_TRUE(question.waitClosed());
            EXPECT_EQ(rowNamed(list, L"Z") == -1, answer == IDYES);
        }
        EXPECT_EQ(list.rowCount(), 2);
        editor.press(IDOK);
        ASSERT_TRUE(editor.waitClosed());
        exitNormally(telvia);

        EXPECT_TRUE(keyHoldsExactly(registry::channelsKey,
                                    registry::catalogueValues(inListOrder({stored[0], stored[2]}))));
    }
}

// A catalogue of `count` channels over a few countries, not in list order.
std::vector<ChannelFields> largeCatalogue(int count)
{
    const wchar_t* const countries[] = {L"USA", L"DEU", L"GBR", L"FRA", L"ITA", L"RUS", L"AUT"};
    std::vector<ChannelFields> channels;
    for (int i = count - 1; i >= 0; --i) {
        channels.push_back(channel(countries[i % 7], L"Channel " + std::to_wstring(i), i % 3 == 0 ? 1 : 0));
    }
    return channels;
}

TEST_F(EditChannels, AddingToAFullListIsRefusedWithoutOpeningTheForm)
{
    const std::vector<ChannelFields> stored = largeCatalogue(capacity);
    registry::writeAllValues(registry::channelsKey, registry::catalogueValues(stored));

    TelviaProcess& telvia = startAndWaitForWindow();
    const Dialog editor = openEditChannels(telvia);
    ASSERT_EQ(listOf(editor).rowCount(), capacity);
    editor.press(control::add);
    const Dialog refusal = Dialog::waitForTitled(telvia, L"Telvia");
    EXPECT_EQ(refusal.controlText(Dialog::messageTextId), L"The channel list is full (400 channels).");
    refusal.press(IDOK);
    ASSERT_TRUE(refusal.waitClosed());
    EXPECT_TRUE(findTopLevelWindows(WindowQuery{}.ofProcess(telvia.id()).titled(addTitle)).empty())
        << "the form opened";
    EXPECT_EQ(listOf(editor).rowCount(), capacity);
    editor.press(IDOK);
    ASSERT_TRUE(editor.waitClosed());
    exitNormally(telvia);

    EXPECT_TRUE(keyHoldsExactly(registry::channelsKey, registry::catalogueValues(inListOrder(stored))));
}

// The time from posting `commandId` to the main window until a dialog owned by it is
// visible, asked every millisecond; the dialog is left open. Nothing when none came.
std::optional<std::chrono::microseconds> timeToDialog(const TelviaProcess& telvia, unsigned commandId, HWND& dialog)
{
    const WindowQuery query =
        WindowQuery{}.ofProcess(telvia.id()).ofClass(L"#32770").ownedBy(telvia.mainWindow()).visible();
    const auto start = std::chrono::steady_clock::now();
    telvia.postCommand(commandId);
    const auto deadline = start + defaultTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        const std::vector<HWND> found = findTopLevelWindows(query);
        if (!found.empty()) {
            dialog = found.front();
            return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return std::nullopt;
}

double milliseconds(std::chrono::microseconds time)
{
    return static_cast<double>(time.count()) / 1000.0;
}

TEST_F(EditChannels, OpeningOnAFullCatalogueIsTimedAgainstTheAboutBox)
{
    registry::writeAllValues(registry::channelsKey, registry::catalogueValues(largeCatalogue(capacity)));
    TelviaProcess& telvia = startAndWaitForWindow();

    constexpr int rounds = 5;
    std::vector<double> about;
    std::vector<double> edit;
    for (int round = 0; round < rounds; ++round) {
        HWND window = nullptr;
        const std::optional<std::chrono::microseconds> aboutTime = timeToDialog(telvia, command::about, window);
        ASSERT_TRUE(aboutTime) << "the About box did not open";
        about.push_back(milliseconds(*aboutTime));
        PostMessageW(window, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(window); })) << "the About box did not close";

        const std::optional<std::chrono::microseconds> editTime = timeToDialog(telvia, command::editChannels, window);
        ASSERT_TRUE(editTime) << "the Edit channels dialog did not open";
        // The dialog shows only once its list is filled.
        EXPECT_EQ(ListView(GetDlgItem(window, control::list)).rowCount(), capacity);
        edit.push_back(milliseconds(*editTime));
        PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(window); })) << "the Edit channels dialog did not close";
    }
    exitNormally(telvia);

    const auto median = [](std::vector<double> times) {
        std::sort(times.begin(), times.end());
        return times[times.size() / 2];
    };
    std::cout << "[ figures  ] opening, in ms, over " << rounds << " rounds:\n";
    for (int round = 0; round < rounds; ++round) {
        std::cout << "[ figures  ]   About box " << about[round] << ", Edit channels with " << capacity << " rows "
                  << edit[round] << "\n";
    }
    std::cout << "[ figures  ] median About box " << median(about) << " ms, Edit channels " << median(edit)
              << " ms, ratio " << median(edit) / median(about) << std::endl;
}

}  // namespace
}  // namespace telvia::e2e

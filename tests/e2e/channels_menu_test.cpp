// The channels pop-up of a stored catalogue: what it lists, in which order and columns,
// and what a pick of one of its items does.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "driver/catalogue.h"
#include "driver/dialog.h"
#include "driver/menu_probe.h"
#include "driver/registry.h"
#include "registry_expectations.h"
#include "scenario.h"

namespace telvia::e2e {
namespace {

ChannelFields channel(std::wstring name, std::uint32_t on, std::wstring address = L"mms://streams.example/live")
{
    ChannelFields fields;
    fields.on = on;
    fields.country = L"DEU";
    fields.name = std::move(name);
    fields.address = std::move(address);
    return fields;
}

using ChannelsMenu = Scenario;

TEST_F(ChannelsMenu, ListsTheMarkedChannelsSortedInColumnsOfTen)
{
    // Catalogue order is not menu order; names differ in case and accents, so that an
    // order by code units would differ from the locale's.
    const std::vector<std::wstring> markedNames = {
        L"Zulu",    L"alpha",  L"Bravo",   L"\u00c9cho",  L"echo",    L"Delta",  L"charlie", L"Foxtrot", L"golf",
        L"Hotel",   L"india",  L"Juliett", L"kilo",       L"Lima",    L"mike",   L"November", L"oscar",  L"Papa",
        L"quebec",  L"Romeo",  L"sierra",  L"Tango",      L"uniform", L"Twin",   L"Twin",
    };
    std::vector<ChannelFields> stored;
    for (std::size_t i = 0; i < markedNames.size(); ++i) {
        stored.push_back(channel(markedNames[i], 1));
        if (i % 6 == 2) {
            stored.push_back(channel(L"Hidden " + std::to_wstring(i), 0));
        }
    }
    // Off, but named like a marked channel: listed once, for the marked one.
    stored.push_back(channel(L"Lima", 0));
    // A mark of any non-zero number counts.
    stored[0].on = 5;
    registry::writeAllValues(registry::channelsKey, registry::catalogueValues(stored));

    std::vector<std::wstring> expected = markedNames;
    std::sort(expected.begin(), expected.end(),
              [](const std::wstring& a, const std::wstring& b) { return lstrcmpW(a.c_str(), b.c_str()) < 0; });

    TelviaProcess& telvia = startAndWaitForWindow();
    const std::vector<MenuItem> items = readChannelsPopup(telvia, workspace());
    exitNormally(telvia);

    std::vector<std::wstring> texts;
    for (const MenuItem& item : items) {
        texts.push_back(item.text);
    }
    EXPECT_EQ(texts, expected);
    for (std::size_t k = 0; k < items.size(); ++k) {
        SCOPED_TRACE(toUtf8(items[k].text));
        EXPECT_EQ(items[k].id, command::firstChannel + k);
        // Items 10 and 20 (ids 1034 and 1044) start the second and third columns.
        EXPECT_EQ(items[k].menuBarBreak, k == 10 || k == 20);
        EXPECT_FALSE(items[k].popup || items[k].separator || items[k].checked || items[k].disabled);
    }
    // The menu is only read: the catalogue goes back as it came.
    EXPECT_TRUE(keyHoldsExactly(registry::channelsKey, registry::catalogueValues(stored)));
}

TEST_F(ChannelsMenu, APickConnectsToTheChosenChannelOrReportsThatItCannot)
{
    // Sorted, "Beta" is the second item, though it is the first channel of the catalogue.
    // Its address names no stream: a media framework that opens it at once refuses it.
    const std::wstring missing = (workspace().folder() / L"missing.wmv").wstring();
    const std::vector<ChannelFields> stored = {
        channel(L"Beta", 1, missing),
        channel(L"Alpha", 1, missing),
        channel(L"Gamma", 1, missing),
    };
    registry::writeAllValues(registry::channelsKey, registry::catalogueValues(stored));

    TelviaProcess& telvia = startAndWaitForWindow();
    ASSERT_EQ(telvia.title(), L"Telvia");

    telvia.postCommand(command::firstChannel + 1);

    // The connect shows the channel in the title before it opens the address.
    ASSERT_TRUE(waitUntil([&] { return telvia.title() == L"Telvia  [ Beta ]"; })) << toUtf8(telvia.title());
    // The address opens in the background; the window answers meanwhile, and the failure
    // report comes once the source has tried the address.
    DWORD_PTR ignored = 0;
    ASSERT_NE(SendMessageTimeoutW(telvia.mainWindow(), WM_NULL, 0, 0, SMTO_NORMAL, 1000, &ignored), 0)
        << "the program waited for the connect";
    std::wstring saved = L"Beta";
    if (const std::optional<Dialog> report = Dialog::findOwned(telvia, std::chrono::seconds(5))) {
        EXPECT_EQ(report->title(), L"Telvia");
        EXPECT_EQ(report->controlText(Dialog::messageTextId), L"Connection failed!");
        report->press(IDOK);
        ASSERT_TRUE(report->waitClosed());
        EXPECT_TRUE(waitUntil([&] { return telvia.title() == L"Telvia"; })) << toUtf8(telvia.title());
        saved.clear();  // a failed channel is not the one to restore at the next start
    } else {
        // Wine's ASF reader takes any address and opens it only later, so the connect
        // goes through and the channel stays current.
        EXPECT_EQ(telvia.title(), L"Telvia  [ Beta ]");
    }
    EXPECT_TRUE(IsWindowEnabled(telvia.mainWindow())) << "the main window stayed disabled";
    exitNormally(telvia);

    EXPECT_EQ(registry::readString(registry::settingsKey, L"channelName"), std::optional<std::wstring>(saved));
}

}  // namespace
}  // namespace telvia::e2e

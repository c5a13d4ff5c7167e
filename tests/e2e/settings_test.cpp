// The settings in the registry: what a start takes from them (seen in the menu and in
// what the exit writes back) and what the commands of a run change in them.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "driver/catalogue.h"
#include "driver/menu_probe.h"
#include "driver/registry.h"
#include "registry_expectations.h"
#include "scenario.h"

namespace telvia::e2e {
namespace {

using Settings = Scenario;

TEST_F(Settings, StoredValuesAreTakenAtStartAndWrittenBackAtExit)
{
    // A channel of the catalogue would be connected to at start; this name names none.
    const std::wstring unknownChannel = L"Nowhere FM \u00e9";
    struct Case {
        const char* name;
        registry::ValueMap stored;
        std::optional<unsigned> marked;  // the Video size item with the radio mark
        registry::ValueMap written;      // the whole settings key after the exit
    };
    const auto settings = [](std::uint32_t viewMode, std::uint32_t soundVolume, std::wstring_view channelName) {
        return registry::ValueMap{
            {L"viewMode", registry::dwordValue(viewMode)},
            {L"soundVolume", registry::dwordValue(soundVolume)},
            {L"channelName", registry::stringValue(channelName)},
        };
    };
    const auto with = [](registry::ValueMap values, const std::wstring& name, registry::RawValue value) {
        values[name] = std::move(value);
        return values;
    };
    const Case cases[] = {
        {"nothing stored: the defaults", {}, command::size100, settings(1, 0, L"")},
        {"view mode 200 %", {{L"viewMode", registry::dwordValue(2)}}, command::size200, settings(2, 0, L"")},
        {"view mode 50 %", {{L"viewMode", registry::dwordValue(0)}}, command::size50, settings(0, 0, L"")},
        {"view mode fit", {{L"viewMode", registry::dwordValue(3)}}, command::sizeFit, settings(3, 0, L"")},
        {"view mode stored as text is ignored",
         {{L"viewMode", registry::stringValue(L"2")}},
         command::size100,
         settings(1, 0, L"")},
        {"view mode 7 is taken as it is: no item marked",
         {{L"viewMode", registry::dwordValue(7)}},
         std::nullopt,
         settings(7, 0, L"")},
        {"volume 4", {{L"soundVolume", registry::dwordValue(4)}}, command::size100, settings(1, 4, L"")},
        {"volume 11 is 10", {{L"soundVolume", registry::dwordValue(11)}}, command::size100, settings(1, 10, L"")},
        {"volume -1 is 10",
         {{L"soundVolume", registry::dwordValue(0xFFFFFFFFu)}},
         command::size100,
         settings(1, 10, L"")},
        {"volume stored as text is ignored",
         {{L"soundVolume", registry::stringValue(L"5")}},
         command::size100,
         settings(1, 0, L"")},
        {"a channel name that is not in the catalogue is kept",
         {{L"channelName", registry::stringValue(unknownChannel)}},
         command::size100,
         settings(1, 0, unknownChannel)},
        {"a channel name stored as a number is ignored",
         {{L"channelName", registry::dwordValue(3)}},
         command::size100,
         settings(1, 0, L"")},
        {"the language is read but never written",
         {{L"language", registry::stringValue(L"BLR")}},
         command::size100,
         with(settings(1, 0, L""), L"language", registry::stringValue(L"BLR"))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        resetRegistry();
        registry::writeAllValues(registry::settingsKey, c.stored);

        TelviaProcess& telvia = startAndWaitForWindow();
        const MenuDump menus = readMenus(telvia, workspace());
        exitNormally(telvia);

        EXPECT_EQ(markedSizeItem(menus), c.marked);
        EXPECT_TRUE(keyHoldsExactly(registry::settingsKey, c.written));
    }
}

TEST_F(Settings, StopForgetsTheChannelToRestoreAndPlayPauseDoesNot)
{
    const std::wstring channelName = L"Nowhere FM";
    struct Case {
        const char* name;
        std::function<void(const TelviaProcess&)> act;
        std::wstring saved;  // "channelName" after the exit
    };
    const Case cases[] = {
        {"Backspace", [](const TelviaProcess& p) { p.postKey(VK_BACK); }, L""},
        {"Stop command", [](const TelviaProcess& p) { p.postCommand(command::stop); }, L""},
        {"Space", [](const TelviaProcess& p) { p.postKey(VK_SPACE); }, channelName},
        {"Play / Pause command", [](const TelviaProcess& p) { p.postCommand(command::playPause); }, channelName},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        resetRegistry();
        registry::writeString(registry::settingsKey, L"channelName", channelName);

        TelviaProcess& telvia = startAndWaitForWindow();
        c.act(telvia);
        exitNormally(telvia);  // posted after the key, so handled after it

        const std::optional<registry::RawValue> saved = registry::readRaw(registry::settingsKey, L"channelName");
        ASSERT_TRUE(saved.has_value());
        EXPECT_EQ(describeValue(*saved), describeValue(registry::stringValue(c.saved)));
    }
}

}  // namespace
}  // namespace telvia::e2e

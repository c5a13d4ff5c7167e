#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/settings.h"
#include "fake_ports.h"

namespace telvia {
namespace {

using fakes::FakePlatform;
using fakes::utf16Bytes;

constexpr std::u16string_view settingsKey = u"Software\\Quorvex\\Telvia";

std::vector<std::byte> numberBytes(std::uint32_t number)
{
    return {static_cast<std::byte>(number), static_cast<std::byte>(number >> 8),
            static_cast<std::byte>(number >> 16), static_cast<std::byte>(number >> 24)};
}

std::vector<std::byte> terminated(std::u16string_view text)
{
    std::u16string units(text);
    units.push_back(u'\0');
    return utf16Bytes(units);
}

struct SettingsFixture : ::testing::Test {
    std::unique_ptr<AppState> state = std::make_unique<AppState>();
    FakePlatform platform;

    SettingsFixture()
    {
        state->productName = u"Telvia";
        platform.locale.country = u"FRA";
    }

    void startUp()
    {
        setDefaultSettings(*state, platform.locale);
        readSettings(*state, platform.registry);
    }
};

TEST_F(SettingsFixture, DefaultsComeFromTheLocaleCutToTheField)
{
    const struct {
        std::u16string locale;
        std::u16string homeCountry;
    } cases[] = {
        {u"RUS", u"RUS"},
        {u"CHS", u"CHS"},
        {u"DEUT", u"DEU"},           // longer than the field: cut, never past it
        {std::u16string(300, u'X'), u"XXX"},
        {u"", u""},                  // a failed locale call
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(fakes::narrow(c.locale));
        auto fresh = std::make_unique<AppState>();
        fresh->productName = u"Telvia";
        platform.locale.country = c.locale;
        setDefaultSettings(*fresh, platform.locale);
        readSettings(*fresh, platform.registry);  // no settings key: the defaults stay
        EXPECT_EQ(fresh->homeCountry, c.homeCountry);
        EXPECT_EQ(fresh->viewMode, 1);
        EXPECT_EQ(fresh->soundVolume, 0);
        EXPECT_TRUE(fresh->current.name.empty());
    }
}

// What reading leaves in the four fields.
struct Outcome {
    std::int32_t viewMode;
    std::int32_t soundVolume;
    std::u16string channelName;
    std::u16string homeCountry;
};

// The defaults 100 %, silence, no channel, and the locale's country.
const Outcome defaults{1, 0, u"", u"FRA"};

Outcome viewMode(std::int32_t mode) { return {mode, 0, u"", u"FRA"}; }
Outcome soundVolume(std::int32_t step) { return {1, step, u"", u"FRA"}; }
Outcome channelName(std::u16string name) { return {1, 0, std::move(name), u"FRA"}; }
Outcome homeCountry(std::u16string country) { return {1, 0, u"", std::move(country)}; }

// Each stored value alone, over the defaults.
TEST_F(SettingsFixture, StoredValuesAreAppliedOnlyWhenAccepted)
{
    const std::u16string longest(259, u'n');
    std::vector<std::byte> oddLength = utf16Bytes(u"Ab");
    oddLength.push_back(std::byte{'c'});
    const struct {
        const char* what;
        std::u16string_view name;
        RegistryType type;
        std::vector<std::byte> bytes;
        Outcome outcome;
    } cases[] = {
        {"view mode", u"viewMode", RegistryType::number, numberBytes(2), viewMode(2)},
        {"view mode out of range is kept", u"viewMode", RegistryType::number, numberBytes(7),
         viewMode(7)},
        {"view mode as a string", u"viewMode", RegistryType::string, terminated(u"2"), defaults},
        {"view mode as binary", u"viewMode", RegistryType::binary, numberBytes(2), defaults},
        {"view mode of two bytes", u"viewMode", RegistryType::number, utf16Bytes(u"\x0002"),
         defaults},
        {"view mode of eight bytes", u"viewMode", RegistryType::number,
         utf16Bytes(std::u16string(4, u'\x0002')), defaults},
        {"volume", u"soundVolume", RegistryType::number, numberBytes(5), soundVolume(5)},
        {"volume 10", u"soundVolume", RegistryType::number, numberBytes(10), soundVolume(10)},
        {"volume 11", u"soundVolume", RegistryType::number, numberBytes(11), soundVolume(10)},
        {"volume -1", u"soundVolume", RegistryType::number, numberBytes(0xFFFFFFFFu),
         soundVolume(10)},
        {"volume 0x80000000", u"soundVolume", RegistryType::number, numberBytes(0x80000000u),
         soundVolume(10)},
        {"volume as a string", u"soundVolume", RegistryType::string, terminated(u"5"), defaults},
        {"name", u"channelName", RegistryType::string, terminated(u"News 24"),
         channelName(u"News 24")},
        {"name of 259 units", u"channelName", RegistryType::string, terminated(longest),
         channelName(longest)},
        {"name of 260 units", u"channelName", RegistryType::string,
         terminated(std::u16string(260, u'n')), defaults},
        {"name filling the buffer without terminator", u"channelName", RegistryType::string,
         utf16Bytes(std::u16string(260, u'n')), channelName(longest)},
        {"name without terminator", u"channelName", RegistryType::string, utf16Bytes(u"Abc"),
         channelName(u"Abc")},
        {"name of odd length", u"channelName", RegistryType::string, oddLength,
         channelName(u"Ab")},
        {"name up to its first terminator", u"channelName", RegistryType::string,
         utf16Bytes(std::u16string(u"ab\0cd\0", 6)), channelName(u"ab")},
        {"empty name", u"channelName", RegistryType::string, terminated(u""), defaults},
        {"name of no bytes", u"channelName", RegistryType::string, {}, defaults},
        {"name as expandable string", u"channelName", RegistryType::expandString,
         terminated(u"News"), defaults},
        {"name as number", u"channelName", RegistryType::number, numberBytes(0x41), defaults},
        {"language", u"language", RegistryType::string, terminated(u"BLR"), homeCountry(u"BLR")},
        {"language of two letters", u"language", RegistryType::string, terminated(u"BY"),
         homeCountry(u"BY")},
        {"language of four letters", u"language", RegistryType::string, terminated(u"BLRX"),
         defaults},
        {"language filling the buffer without terminator", u"language", RegistryType::string,
         utf16Bytes(u"BLRX"), homeCountry(u"BLR")},
        {"empty language", u"language", RegistryType::string, terminated(u""), defaults},
        {"language as number", u"language", RegistryType::number, numberBytes(0x42), defaults},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto fresh = std::make_unique<AppState>();
        fresh->productName = u"Telvia";
        auto own = std::make_unique<FakePlatform>();
        own->locale.country = u"FRA";
        own->registry.putValue(settingsKey, c.name, c.type, c.bytes);
        setDefaultSettings(*fresh, own->locale);
        readSettings(*fresh, own->registry);
        EXPECT_EQ(fresh->viewMode, c.outcome.viewMode);
        EXPECT_EQ(fresh->soundVolume, c.outcome.soundVolume);
        EXPECT_EQ(fresh->current.name, c.outcome.channelName);
        EXPECT_EQ(fresh->homeCountry, c.outcome.homeCountry);
    }
}

TEST_F(SettingsFixture, AllFourAreQueriedInOrderAndTheKeyIsClosed)
{
    platform.registry.putNumber(settingsKey, u"viewMode", 0);
    platform.registry.putNumber(settingsKey, u"soundVolume", 3);
    platform.registry.putString(settingsKey, u"channelName", u"Radio");
    platform.registry.putString(settingsKey, u"language", u"USA");
    startUp();

    EXPECT_EQ(state->viewMode, 0);
    EXPECT_EQ(state->soundVolume, 3);
    EXPECT_EQ(state->current.name, u"Radio");
    EXPECT_EQ(state->homeCountry, u"USA");
    const std::vector<std::string> queries = {"query viewMode", "query soundVolume",
                                              "query channelName", "query language"};
    EXPECT_EQ(platform.registry.valueCalls, queries);
    EXPECT_TRUE(platform.log.contains("registry.close Software\\Quorvex\\Telvia"));
}

TEST_F(SettingsFixture, AKeyThatDoesNotOpenLeavesTheDefaults)
{
    platform.registry.putNumber(settingsKey, u"viewMode", 3);
    platform.registry.deniedKeys.push_back(std::u16string(settingsKey));
    startUp();
    EXPECT_EQ(state->viewMode, 1);
    EXPECT_TRUE(platform.registry.valueCalls.empty());
}

TEST_F(SettingsFixture, WritingStoresThreeValuesInOrderAndNeverTheLanguage)
{
    platform.registry.putString(settingsKey, u"language", u"BLR");
    state->viewMode = 3;
    state->soundVolume = 7;
    state->current.name = u"Jazz";
    writeSettings(*state, platform.registry);

    const std::vector<std::string> sets = {"set viewMode", "set soundVolume", "set channelName"};
    EXPECT_EQ(platform.registry.valueCalls, sets);
    const auto* viewMode = platform.registry.findValue(settingsKey, u"viewMode");
    ASSERT_NE(viewMode, nullptr);
    EXPECT_EQ(viewMode->type, RegistryType::number);
    EXPECT_EQ(viewMode->bytes, numberBytes(3));
    const auto* volume = platform.registry.findValue(settingsKey, u"soundVolume");
    ASSERT_NE(volume, nullptr);
    EXPECT_EQ(volume->bytes, numberBytes(7));
    const auto* name = platform.registry.findValue(settingsKey, u"channelName");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->type, RegistryType::string);
    EXPECT_EQ(name->bytes, terminated(u"Jazz"));  // (length + 1) × 2 bytes
    EXPECT_EQ(platform.registry.findValue(settingsKey, u"language")->bytes, terminated(u"BLR"));
    EXPECT_TRUE(platform.log.contains("registry.close Software\\Quorvex\\Telvia"));
}

TEST_F(SettingsFixture, AfterStopTheNameIsStoredAsTheTerminatorAloneAndRestoresNothing)
{
    state->current.name = u"Jazz";
    state->current.name.clear();
    writeSettings(*state, platform.registry);
    EXPECT_EQ(platform.registry.findValue(settingsKey, u"channelName")->bytes, terminated(u""));

    auto next = std::make_unique<AppState>();
    next->productName = u"Telvia";
    next->current.name = u"untouched";
    readSettings(*next, platform.registry);
    EXPECT_EQ(next->current.name, u"untouched");
}

TEST_F(SettingsFixture, WrittenSettingsReadBack)
{
    state->viewMode = 0;
    state->soundVolume = 10;
    state->current.name = std::u16string(259, u'z');
    writeSettings(*state, platform.registry);

    auto next = std::make_unique<AppState>();
    next->productName = u"Telvia";
    setDefaultSettings(*next, platform.locale);
    readSettings(*next, platform.registry);
    EXPECT_EQ(next->viewMode, 0);
    EXPECT_EQ(next->soundVolume, 10);
    EXPECT_EQ(next->current.name, state->current.name);
    EXPECT_EQ(next->homeCountry, u"FRA");
}

TEST_F(SettingsFixture, AKeyThatCannotBeCreatedWritesNothing)
{
    platform.registry.deniedKeys.push_back(std::u16string(settingsKey));
    writeSettings(*state, platform.registry);
    EXPECT_FALSE(platform.registry.hasKey(settingsKey));
    EXPECT_TRUE(platform.registry.valueCalls.empty());
}

}  // namespace
}  // namespace telvia

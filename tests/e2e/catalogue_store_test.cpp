// The channel catalogue between runs: the first-run import from "channels_init.qcl" and
// its marks, and the catalogue key that every start loads and every exit rewrites.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "driver/catalogue.h"
#include "driver/registry.h"
#include "registry_expectations.h"
#include "scenario.h"

namespace telvia::e2e {
namespace {

constexpr std::wstring_view firstRunFile = L"channels_init.qcl";

// The three-letter country of the user's locale, as the program takes it by default.
std::wstring localeCountry()
{
    wchar_t buffer[260] = {};
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SABBREVCTRYNAME, buffer, static_cast<int>(std::size(buffer)));
    return buffer;
}

// Replaces one stored value of a position with a spoilt one, or removes it.
void spoilValue(int position, std::wstring_view suffix, const std::optional<registry::RawValue>& value)
{
    const std::wstring name = positionValueName(position, suffix);
    if (value) {
        registry::writeRaw(registry::channelsKey, name, value->type, value->bytes);
    } else {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, std::wstring(registry::channelsKey).c_str(), name.c_str());
    }
}

ChannelFields channel(std::wstring country, std::wstring name, std::uint32_t on = 0)
{
    return sampleChannel(std::move(country), name, on);
}

std::vector<ChannelFields> withMarks(std::vector<ChannelFields> channels, const std::function<bool(const ChannelFields&)>& marked)
{
    for (ChannelFields& c : channels) {
        c.on = marked(c) ? 1 : 0;
    }
    return channels;
}

using FirstRun = Scenario;

TEST_F(FirstRun, ImportsTheFileMarksTheLocaleCountryAndWritesCatalogueAndSettingsAtExit)
{
    const std::wstring home = localeCountry();
    ASSERT_EQ(home.size(), 3u) << "the locale's country is \"" << toUtf8(home) << "\"";
    ASSERT_NE(home, L"RUS");  // those two also mark each other's channels
    ASSERT_NE(home, L"BLR");
    const std::wstring other = home == L"FRA" ? L"ITA" : L"FRA";
    // The marks in the file are the opposite of what the import decides, so a mark taken
    // from the file shows. A GBR and a USA channel stay off: the locale's country has
    // channels, so the fallback to those two does not apply (unless one is the locale's).
    std::vector<ChannelFields> file = {
        channel(home, L"Home One", 0),
        channel(L"GBR", L"Britain One", 1),
        channel(home, L"Heimat Zwei \u00e4\u00f6\u00fc", 0),
        channel(L"USA", L"States One", 1),
        channel(other, L"Elsewhere", 1),
        channel(home, L"Home Three", 0),
    };
    file[5].homePage.clear();  // an empty field is written as its terminator alone
    file[2].note = L"Notiz f\u00fcr H\u00f6rer \u2014 \u0436";
    makeNextStartAFirstRun();
    // Text fields carry junk after their terminators: the reader must stop at the terminator.
    workspace().writeFile(firstRunFile, encodeChannelFile(file, L'#'));

    TelviaProcess& telvia = startAndWaitForWindow();
    closeEditChannelsIfOpen(telvia);
    exitNormally(telvia);

    const std::vector<ChannelFields> expected =
        withMarks(file, [&](const ChannelFields& c) { return c.country == home; });
    EXPECT_TRUE(keyHoldsExactly(registry::channelsKey, registry::catalogueValues(expected)));
    // The settings of a first run are the defaults; "language" is never written.
    EXPECT_TRUE(keyHoldsExactly(registry::settingsKey, {
                                                           {L"viewMode", registry::dwordValue(1)},
                                                           {L"soundVolume", registry::dwordValue(0)},
                                                           {L"channelName", registry::stringValue(L"")},
                                                       }));
}

TEST_F(FirstRun, TheHomeCountryDecidesWhichChannelsAreSwitchedOn)
{
    const std::wstring home = localeCountry();
    const std::vector<ChannelFields> file = {
        channel(L"RUS", L"Moscow"),   channel(L"GBR", L"London"), channel(L"BLR", L"Minsk"),
        channel(L"USA", L"Boston"),   channel(L"UKR", L"Kyiv"),   channel(L"BLR", L"Brest"),
        channel(L"DEU", L"Berlin"),
    };
    const auto countryIn = [](std::vector<std::wstring> countries) {
        return [countries = std::move(countries)](const ChannelFields& c) {
            return std::find(countries.begin(), countries.end(), c.country) != countries.end();
        };
    };
    struct Case {
        const char* name;
        std::optional<std::wstring> language;  // the "language" setting, when stored
        std::function<bool(const ChannelFields&)> marked;
    };
    const Case cases[] = {
        {"BLR: Belarusian and Russian", L"BLR", countryIn({L"BLR", L"RUS"})},
        {"RUS: Russian and Belarusian", L"RUS", countryIn({L"RUS", L"BLR"})},
        {"UKR: only its own", L"UKR", countryIn({L"UKR"})},
        {"USA: only its own, GBR stays off", L"USA", countryIn({L"USA"})},
        {"no channel of the country: GBR and USA", L"FIN", countryIn({L"GBR", L"USA"})},
        // Four letters do not fit the country field, so the locale's country stays.
        {"BLRX is ignored", L"BLRX", countryIn({home})},
        {"empty is ignored", L"", countryIn({home})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        resetRegistry();
        makeNextStartAFirstRun();
        if (c.language) {
            registry::writeString(registry::settingsKey, L"language", *c.language);
        }
        workspace().writeFile(firstRunFile, encodeChannelFile(file));

        TelviaProcess& telvia = startAndWaitForWindow();
        closeEditChannelsIfOpen(telvia);
        exitNormally(telvia);

        EXPECT_TRUE(keyHoldsExactly(registry::channelsKey, registry::catalogueValues(withMarks(file, c.marked))));
        EXPECT_EQ(registry::readString(registry::settingsKey, L"language"), c.language) << "changed by the program";
    }
}

TEST_F(FirstRun, WithoutTheFileTheCatalogueIsEmptyAndItsKeyIsStillCreated)
{
    makeNextStartAFirstRun();

    TelviaProcess& telvia = startAndWaitForWindow();
    closeEditChannelsIfOpen(telvia);
    exitNormally(telvia);

    EXPECT_TRUE(registry::keyExists(registry::channelsKey)) << "the next start would import again";
    EXPECT_TRUE(keyHoldsExactly(registry::channelsKey, {}));
}

using CatalogueKey = Scenario;

TEST_F(CatalogueKey, ExitRewritesTheLoadedCatalogueAndRemovesPositionsBehindIt)
{
    std::vector<ChannelFields> stored = {
        channel(L"DEU", L"Erste", 1), channel(L"RUS", L"\u041f\u0435\u0440\u0432\u044b\u0439", 0),
        channel(L"GBR", L"Third", 7), channel(L"USA", L"Fourth", 1), channel(L"FRA", L"Fifth", 1),
    };
    // Every text at the longest its field holds.
    stored[0].name = std::wstring(259, L'n');
    stored[0].note = std::wstring(519, L'o');
    stored[0].address = std::wstring(519, L'a');
    stored[0].homePage = std::wstring(259, L'h');
    stored[2].note.clear();
    registry::writeAllValues(registry::channelsKey, registry::catalogueValues(stored));
    // Values with other names are not the program's to remove.
    registry::writeString(registry::channelsKey, L"comment", L"kept");

    TelviaProcess& first = startAndWaitForWindow();
    exitNormally(first);

    registry::ValueMap expected = registry::catalogueValues(stored);
    expected[L"comment"] = registry::stringValue(L"kept");
    ASSERT_TRUE(keyHoldsExactly(registry::channelsKey, expected));

    // Between runs: change two channels and cut the catalogue after the third position,
    // leaving the other values of positions 003 and 004 behind.
    registry::writeString(registry::channelsKey, L"001_name", L"Renamed");
    registry::writeDword(registry::channelsKey, L"002_on", 0);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, std::wstring(registry::channelsKey).c_str(), L"003_language");
    stored[1].name = L"Renamed";
    stored[2].on = 0;
    stored.resize(3);

    TelviaProcess& second = startAndWaitForWindow();
    exitNormally(second);

    expected = registry::catalogueValues(stored);
    expected[L"comment"] = registry::stringValue(L"kept");
    EXPECT_TRUE(keyHoldsExactly(registry::channelsKey, expected));
}

TEST_F(CatalogueKey, LoadEndsAtThePositionWhoseCountryOrNameCannotBeTaken)
{
    const std::vector<ChannelFields> stored = {
        channel(L"DEU", L"Zero", 1), channel(L"DEU", L"One", 1), channel(L"DEU", L"Two", 1), channel(L"DEU", L"Three", 1),
    };
    struct Case {
        const char* name;
        std::wstring_view suffix;  // of the value of position 002 that is spoilt
        std::optional<registry::RawValue> value;  // nothing: the value is removed
    };
    const Case cases[] = {
        {"country missing", L"_language", std::nullopt},
        {"country empty", L"_language", registry::stringValue(L"")},
        {"country not a string", L"_language", registry::dwordValue(1)},
        {"country longer than its field", L"_language", registry::stringValue(L"DEUT")},
        {"name missing", L"_name", std::nullopt},
        {"name empty", L"_name", registry::stringValue(L"")},
        {"name longer than its field", L"_name", registry::stringValue(std::wstring(260, L'n'))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        resetRegistry();
        registry::writeAllValues(registry::channelsKey, registry::catalogueValues(stored));
        spoilValue(2, c.suffix, c.value);

        TelviaProcess& telvia = startAndWaitForWindow();
        exitNormally(telvia);

        // Positions 002 and 003 are gone whole: the table ended before them.
        EXPECT_TRUE(keyHoldsExactly(registry::channelsKey,
                                    registry::catalogueValues(std::span(stored).first(2))));
    }
}

TEST_F(CatalogueKey, OtherFieldsThatCannotBeTakenStayEmpty)
{
    const ChannelFields first = channel(L"DEU", L"Zero", 1);
    struct Case {
        const char* name;
        std::wstring_view suffix;  // of the value of position 001 that is spoilt
        std::optional<registry::RawValue> value;
        std::function<void(ChannelFields&)> taken;  // what the program keeps of it
    };
    const Case cases[] = {
        {"note not a string", L"_note", registry::dwordValue(5), [](ChannelFields& c) { c.note.clear(); }},
        {"address longer than its field", L"_address", registry::stringValue(std::wstring(520, L'a')),
         [](ChannelFields& c) { c.address.clear(); }},
        {"home page missing", L"_homePage", std::nullopt, [](ChannelFields& c) { c.homePage.clear(); }},
        {"mark not a number", L"_on", registry::stringValue(L"1"), [](ChannelFields& c) { c.on = 0; }},
        {"mark missing", L"_on", std::nullopt, [](ChannelFields& c) { c.on = 0; }},
        {"mark of any number", L"_on", registry::dwordValue(0xFFFFFFFEu), [](ChannelFields& c) { c.on = 0xFFFFFFFEu; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        resetRegistry();
        std::vector<ChannelFields> stored = {first, channel(L"GBR", L"One", 1), channel(L"USA", L"Two", 1)};
        registry::writeAllValues(registry::channelsKey, registry::catalogueValues(stored));
        spoilValue(1, c.suffix, c.value);

        TelviaProcess& telvia = startAndWaitForWindow();
        exitNormally(telvia);

        c.taken(stored[1]);
        EXPECT_TRUE(keyHoldsExactly(registry::channelsKey, registry::catalogueValues(stored)));
    }
}

TEST_F(CatalogueKey, AFullCatalogueOf400LoadsAndSavesWholeAndPosition400IsLeftAlone)
{
    std::vector<ChannelFields> stored;
    for (int i = 0; i <= 400; ++i) {
        stored.push_back(channel(L"DEU", L"Channel " + std::to_wstring(i), static_cast<std::uint32_t>(i % 2)));
    }
    const registry::ValueMap written = registry::catalogueValues(stored);
    registry::writeAllValues(registry::channelsKey, written);
    // Position 400 lies beyond the table; change it so that a save of it would show.
    registry::writeString(registry::channelsKey, L"400_name", L"beyond");

    TelviaProcess& telvia = startAndWaitForWindow();
    exitNormally(telvia);

    registry::ValueMap expected = registry::catalogueValues(std::span(stored).first(400));
    for (const auto& [name, value] : written) {
        if (name.starts_with(L"400_")) {
            expected[name] = value;
        }
    }
    expected[L"400_name"] = registry::stringValue(L"beyond");
    EXPECT_TRUE(keyHoldsExactly(registry::channelsKey, expected));
}

}  // namespace
}  // namespace telvia::e2e

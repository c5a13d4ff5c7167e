#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "catalogue/channel_store.h"
#include "fake_ports.h"
#include "record_bytes.h"

namespace telvia {
namespace {

using fakes::FakePlatform;
using fakes::FakeRegistry;
using fakes::utf16Bytes;

constexpr std::u16string_view channelsKey = u"Software\\Quorvex\\Telvia\\Channels";

std::u16string digits(int position)
{
    std::u16string text(3, u'0');
    text[0] = static_cast<char16_t>(u'0' + position / 100);
    text[1] = static_cast<char16_t>(u'0' + position / 10 % 10);
    text[2] = static_cast<char16_t>(u'0' + position % 10);
    return text;
}

std::u16string valueName(int position, std::u16string_view suffix)
{
    return digits(position) + std::u16string(suffix);
}

Channel makeChannel(std::u16string_view country, std::u16string_view name, std::int32_t on = 1)
{
    Channel channel;
    channel.on = on;
    channel.country = country;
    channel.name = name;
    channel.note = u"note of " + std::u16string(name);
    channel.address = u"mms://" + std::u16string(name);
    channel.homePage = u"http://" + std::u16string(name);
    return channel;
}

// The six values of one position, as this program stores them.
void storeChannel(FakeRegistry& registry, int position, const Channel& channel)
{
    registry.putNumber(channelsKey, valueName(position, u"_on"),
                       static_cast<std::uint32_t>(channel.on));
    registry.putString(channelsKey, valueName(position, u"_language"), channel.country.view());
    registry.putString(channelsKey, valueName(position, u"_name"), channel.name.view());
    registry.putString(channelsKey, valueName(position, u"_note"), channel.note.view());
    registry.putString(channelsKey, valueName(position, u"_address"), channel.address.view());
    registry.putString(channelsKey, valueName(position, u"_homePage"), channel.homePage.view());
}

std::vector<std::byte> terminated(std::u16string_view text)
{
    std::u16string units(text);
    units.push_back(u'\0');
    return utf16Bytes(units);
}

std::u16string numbered(std::u16string_view prefix, int index)
{
    return std::u16string(prefix) + digits(index);
}

// The catalogue of the state, loaded and saved under its product name.
CatalogueOrigin load(AppState& state, FakePlatform& platform)
{
    return loadCatalogue(state.channels, state.homeCountry, state.productName.view(),
                         platform.registry, platform.files);
}

void save(const AppState& state, FakePlatform& platform)
{
    saveCatalogue(state.channels, state.productName.view(), platform.registry);
}

struct StoreFixture : ::testing::Test {
    std::unique_ptr<AppState> state = std::make_unique<AppState>();
    std::unique_ptr<FakePlatform> platform = std::make_unique<FakePlatform>();

    CatalogueOrigin lastOrigin = CatalogueOrigin::registry;

    StoreFixture() { state->productName = u"Telvia"; }

    // What the next start of the program would load from the same registry.
    std::unique_ptr<AppState> loadAgain()
    {
        auto next = std::make_unique<AppState>();
        next->productName = u"Telvia";
        lastOrigin = load(*next, *platform);
        return next;
    }

    [[nodiscard]] std::vector<std::u16string> names(const AppState& loaded) const
    {
        std::vector<std::u16string> out;
        for (int slot = 0; slot < channelCount(loaded.channels); ++slot) {
            out.emplace_back(loaded.channels[slot].name.view());
        }
        return out;
    }
};

// Five stored channels, "C000" to "C004", changed by each case before the load.
TEST_F(StoreFixture, LoadEndsAtTheFirstPositionWithoutUsableCountryOrName)
{
    const auto put = [](int position, std::u16string_view suffix, RegistryType type,
                        std::vector<std::byte> bytes) {
        return [=](FakeRegistry& registry) {
            registry.putValue(channelsKey, valueName(position, suffix), type, bytes);
        };
    };
    const auto remove = [](int position, std::u16string_view suffix) {
        return [=](FakeRegistry& registry) {
            registry.removeValue(channelsKey, valueName(position, suffix));
        };
    };
    const struct {
        const char* what;
        std::function<void(FakeRegistry&)> change;
        int count;
    } cases[] = {
        {"all there", [](FakeRegistry&) {}, 5},
        {"country missing", remove(2, u"_language"), 2},
        {"country as number", put(2, u"_language", RegistryType::number, {std::byte{1}}), 2},
        {"country of four letters", put(2, u"_language", RegistryType::string,
                                        terminated(u"RUSS")), 2},
        {"country empty", put(2, u"_language", RegistryType::string, terminated(u"")), 2},
        {"country expandable", put(2, u"_language", RegistryType::expandString,
                                   terminated(u"USA")), 2},
        {"name empty", put(2, u"_name", RegistryType::string, terminated(u"")), 2},
        {"name missing", remove(2, u"_name"), 2},
        {"name too long", put(2, u"_name", RegistryType::string,
                              terminated(std::u16string(260, u'n'))), 2},
        {"name as number", put(2, u"_name", RegistryType::number, {std::byte{1}}), 2},
        {"first position without name", remove(0, u"_name"), 0},
        {"on missing", remove(2, u"_on"), 5},
        {"note missing", remove(4, u"_note"), 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        platform = std::make_unique<FakePlatform>();
        for (int position = 0; position < 5; ++position) {
            storeChannel(platform->registry, position, makeChannel(u"USA", numbered(u"C", position)));
        }
        c.change(platform->registry);

        const auto loaded = loadAgain();
        ASSERT_EQ(channelCount(loaded->channels), c.count);
        for (int slot = 0; slot < c.count; ++slot) {
            EXPECT_EQ(loaded->channels[slot].name, numbered(u"C", slot));
        }
        // A dropped record leaves nothing behind, and nothing after it is read.
        for (int slot = c.count; slot < channelCapacity; ++slot) {
            ASSERT_EQ(loaded->channels[slot], Channel{}) << "slot " << slot;
        }
        EXPECT_EQ(lastOrigin, CatalogueOrigin::registry);
    }
}

TEST_F(StoreFixture, BadFieldsStayEmptyAndTheChannelStillLoads)
{
    storeChannel(platform->registry, 0, makeChannel(u"USA", u"Kept"));
    FakeRegistry& registry = platform->registry;
    registry.putValue(channelsKey, u"000_note", RegistryType::number, {std::byte{7}});
    registry.putString(channelsKey, u"000_address", std::u16string(520, u'a'));  // 1042 bytes
    registry.putString(channelsKey, u"000_homePage", u"");
    registry.putString(channelsKey, u"000_on", u"1");
    // A text that fills its buffer without terminator is cut to the field.
    registry.putValue(channelsKey, u"001_language", RegistryType::string, utf16Bytes(u"ABCD"));
    registry.putValue(channelsKey, u"001_name", RegistryType::string,
                      utf16Bytes(std::u16string(260, u'n')));
    registry.putValue(channelsKey, u"001_note", RegistryType::string,
                      utf16Bytes(std::u16string(520, u'o')));
    registry.putNumber(channelsKey, u"001_on", 0xFFFFFFFFu);  // kept as stored

    lastOrigin = load(*state, *platform);
    ASSERT_EQ(channelCount(state->channels), 2);
    const Channel& first = state->channels[0];
    EXPECT_EQ(first.name, u"Kept");
    EXPECT_EQ(first.country, u"USA");
    EXPECT_TRUE(first.note.empty());
    EXPECT_TRUE(first.address.empty());
    EXPECT_TRUE(first.homePage.empty());
    EXPECT_EQ(first.on, 0);
    const Channel& second = state->channels[1];
    EXPECT_EQ(second.country, u"ABC");
    EXPECT_EQ(second.name, std::u16string(259, u'n'));
    EXPECT_EQ(second.note, std::u16string(519, u'o'));
    EXPECT_TRUE(second.address.empty());
    EXPECT_EQ(second.on, -1);
}

TEST_F(StoreFixture, AnEmptyChannelsKeyIsAnEmptyCatalogueAndNoFirstRun)
{
    platform->registry.createKey(channelsKey);
    platform->files.put(u"channels_init.qcl", testing::joinRecords({testing::RecordImage{}}));
    lastOrigin = load(*state, *platform);
    EXPECT_EQ(channelCount(state->channels), 0);
    EXPECT_FALSE(platform->log.contains("files.openForReading channels_init.qcl"));
    EXPECT_EQ(lastOrigin, CatalogueOrigin::registry);
    EXPECT_TRUE(platform->log.contains("registry.close Software\\Quorvex\\Telvia\\Channels"));
}

TEST_F(StoreFixture, SavedTablesLoadBackWhole)
{
    for (const int count : {0, 1, 400}) {
        SCOPED_TRACE(count);
        platform = std::make_unique<FakePlatform>();
        auto saved = std::make_unique<AppState>();
        saved->productName = u"Telvia";
        for (int slot = 0; slot < count; ++slot) {
            Channel& channel = saved->channels[slot];
            channel = makeChannel(slot % 2 == 0 ? u"RUS" : u"USA", numbered(u"Channel ", slot),
                                  slot % 3 == 0 ? 0 : 1);
            if (slot == count - 1) {  // every text as long as its field allows
                channel.name = std::u16string(259, u'N');
                channel.note = std::u16string(519, u'O');
                channel.address = std::u16string(519, u'A');
                channel.homePage = std::u16string(259, u'H');
                channel.on = -7;
            }
        }
        save(*saved, *platform);
        EXPECT_EQ(platform->registry.valueCount(channelsKey), static_cast<std::size_t>(6 * count));

        platform->registry.valueCalls.clear();
        const auto loaded = loadAgain();
        EXPECT_TRUE(loaded->channels.slots == saved->channels.slots);
        EXPECT_EQ(channelCount(loaded->channels), count);
        // The key exists even for an empty table, so there is no second first run.
        EXPECT_EQ(lastOrigin, CatalogueOrigin::registry);
        const auto& calls = platform->registry.valueCalls;
        EXPECT_EQ(std::find(calls.begin(), calls.end(), "query 400_language"), calls.end());
    }
}

TEST_F(StoreFixture, SavedValuesHaveTheirTypesAndTerminators)
{
    Channel channel = makeChannel(u"GBR", u"Solo", 1);
    channel.note.clear();
    channel.homePage.clear();
    state->channels[0] = channel;
    save(*state, *platform);

    const FakeRegistry& registry = platform->registry;
    const auto* on = registry.findValue(channelsKey, u"000_on");
    ASSERT_NE(on, nullptr);
    EXPECT_EQ(on->type, RegistryType::number);
    EXPECT_EQ(on->bytes, (std::vector<std::byte>{std::byte{1}, std::byte{0}, std::byte{0},
                                                 std::byte{0}}));
    const struct {
        std::u16string_view name;
        std::u16string_view text;
    } strings[] = {{u"000_language", u"GBR"},   {u"000_name", u"Solo"},
                   {u"000_note", u""},          {u"000_address", u"mms://Solo"},
                   {u"000_homePage", u""}};
    for (const auto& s : strings) {
        SCOPED_TRACE(fakes::narrow(s.name));
        const auto* value = registry.findValue(channelsKey, s.name);
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->type, RegistryType::string);
        EXPECT_EQ(value->bytes, terminated(s.text));  // an empty text is the terminator alone
    }
}

TEST_F(StoreFixture, SaveWritesTheTableAndRemovesEveryOtherPosition)
{
    // The previous run stored positions 000 to 004 and, after a gap, 006.
    for (const int position : {0, 1, 2, 3, 4, 6}) {
        storeChannel(platform->registry, position, makeChannel(u"USA", numbered(u"Old ", position)));
    }
    platform->registry.putString(channelsKey, u"sortOrder", u"kept");  // not ours: left alone

    state->channels[0] = makeChannel(u"RUS", u"New 000");
    state->channels[1] = makeChannel(u"RUS", u"");          // no name: saved, dropped on load
    state->channels[2] = makeChannel(u"RUS", u"New 002");
    state->channels[4] = makeChannel(u"RUS", u"Behind a free slot");
    save(*state, *platform);

    const FakeRegistry& registry = platform->registry;
    EXPECT_EQ(registry.valueCount(channelsKey), 3u * 6u + 1u);
    for (const int position : {3, 4, 6}) {
        for (const std::u16string_view suffix :
             {u"_on", u"_language", u"_name", u"_note", u"_address", u"_homePage"}) {
            EXPECT_EQ(registry.findValue(channelsKey, valueName(position, suffix)), nullptr)
                << fakes::narrow(valueName(position, suffix));
        }
    }
    EXPECT_NE(registry.findValue(channelsKey, u"sortOrder"), nullptr);
    EXPECT_NE(registry.findValue(channelsKey, u"001_language"), nullptr);
    EXPECT_EQ(names(*loadAgain()), std::vector<std::u16string>{u"New 000"});
}

TEST_F(StoreFixture, SaveWritesEveryPositionBeforeDeletingAny)
{
    for (int position = 0; position < 5; ++position) {
        storeChannel(platform->registry, position, makeChannel(u"USA", numbered(u"Old ", position)));
    }
    for (int slot = 0; slot < 3; ++slot) {
        state->channels[slot] = makeChannel(u"USA", numbered(u"New ", slot));
    }
    save(*state, *platform);

    const std::vector<std::string>& calls = platform->registry.valueCalls;
    ASSERT_EQ(calls.size(), 3u * 6u + 397u * 6u);
    const std::vector<std::string> firstPosition = {"set 000_on",      "set 000_language",
                                                    "set 000_name",    "set 000_note",
                                                    "set 000_address", "set 000_homePage"};
    EXPECT_TRUE(std::equal(firstPosition.begin(), firstPosition.end(), calls.begin()));
    for (std::size_t i = 0; i < calls.size(); ++i) {
        ASSERT_EQ(calls[i].rfind(i < 18 ? "set " : "delete ", 0), 0u) << i << ": " << calls[i];
    }
    // The first delete ends the catalogue right behind the saved table.
    EXPECT_EQ(calls[18], "delete 003_language");
    EXPECT_EQ(calls.back(), "delete 399_homePage");
}

// The process dies after some of the save's sets and deletes reached the registry. The
// next start must still find a catalogue: never an emptied key, every position holding
// either the new or the old channel, and exactly the new table once the deletes began.
TEST_F(StoreFixture, ASaveCutShortLeavesALoadableCatalogue)
{
    constexpr int oldCount = 5;
    constexpr int newCount = 3;
    constexpr int writes = newCount * 6;
    std::vector<int> deaths;
    for (int n = 0; n <= writes + 12; ++n) {
        deaths.push_back(n);
    }
    for (int n = writes + 13; n < 2400; n += 97) {
        deaths.push_back(n);
    }
    deaths.push_back(2399);

    for (const int n : deaths) {
        SCOPED_TRACE(n);
        platform = std::make_unique<FakePlatform>();
        for (int position = 0; position < oldCount; ++position) {
            storeChannel(platform->registry, position, makeChannel(u"USA", numbered(u"Old ", position)));
        }
        auto next = std::make_unique<AppState>();
        next->productName = u"Telvia";
        for (int slot = 0; slot < newCount; ++slot) {
            next->channels[slot] = makeChannel(u"RUS", numbered(u"New ", slot));
        }
        platform->registry.writesBeforeDeath = n;
        save(*next, *platform);
        platform->registry.writesBeforeDeath.reset();

        const std::vector<std::u16string> loaded = names(*loadAgain());
        ASSERT_GE(loaded.size(), static_cast<std::size_t>(newCount));
        for (std::size_t slot = 0; slot < loaded.size(); ++slot) {
            const int index = static_cast<int>(slot);
            EXPECT_TRUE(loaded[slot] == numbered(u"New ", index) ||
                        loaded[slot] == numbered(u"Old ", index))
                << fakes::narrow(loaded[slot]);
        }
        if (n == writes) {
            EXPECT_EQ(loaded.size(), static_cast<std::size_t>(oldCount));
        }
        if (n > writes) {
            EXPECT_EQ(loaded.size(), static_cast<std::size_t>(newCount));
        }
    }
}

TEST_F(StoreFixture, AKeyThatCannotBeCreatedKeepsTheStoredCatalogue)
{
    storeChannel(platform->registry, 0, makeChannel(u"USA", u"Old"));
    platform->registry.deniedKeys.push_back(std::u16string(channelsKey));
    save(*state, *platform);
    EXPECT_TRUE(platform->registry.valueCalls.empty());
    platform->registry.deniedKeys.clear();
    EXPECT_EQ(names(*loadAgain()), std::vector<std::u16string>{u"Old"});
}

// First run: no Channels key, and "channels_init.qcl" in the current directory.

testing::RecordImage initRecord(std::u16string_view country, std::u16string_view name)
{
    testing::RecordImage record;
    record.number(testing::onAt, 0x55)  // the file's marks are never used
        .text(testing::nameAt, name)
        .text(testing::noteAt, u"")
        .text(testing::countryAt, country)
        .text(testing::addressAt, u"mms://" + std::u16string(name))
        .text(testing::homePageAt, u"");
    return record;
}

TEST_F(StoreFixture, FirstRunSwitchesOnTheChannelsOfTheHomeCountry)
{
    const std::vector<std::u16string_view> mixed = {u"RUS", u"BLR", u"USA", u"GBR", u"DEU", u"USA"};
    const struct {
        const char* what;
        std::u16string_view home;
        std::vector<std::u16string_view> countries;
        std::vector<std::int32_t> on;
        std::int32_t freeSlotsOn;
    } cases[] = {
        {"Russian user: Russian and Belarusian", u"RUS", mixed, {1, 1, 0, 0, 0, 0}, 0},
        {"Belarusian user: the same", u"BLR", mixed, {1, 1, 0, 0, 0, 0}, 0},
        {"American user: only American", u"USA", mixed, {0, 0, 1, 0, 0, 1}, 0},
        {"German user: no neighbours", u"DEU", mixed, {0, 0, 0, 0, 1, 0}, 0},
        {"unknown country: British and American", u"FRA", mixed, {0, 0, 1, 1, 0, 1}, 0},
        {"Russian user without Russian channels: the fallback replaces the neighbours", u"RUS",
         {u"BLR", u"USA", u"GBR"}, {0, 1, 1}, 0},
        // An empty home country matches the free slots, so the fallback never runs.
        {"empty country", u"", mixed, {0, 0, 0, 0, 0, 0}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        platform = std::make_unique<FakePlatform>();
        std::vector<testing::RecordImage> records;
        for (std::size_t i = 0; i < c.countries.size(); ++i) {
            records.push_back(initRecord(c.countries[i], numbered(u"Init ", static_cast<int>(i))));
        }
        platform->files.put(u"channels_init.qcl", testing::joinRecords(records));
        auto fresh = std::make_unique<AppState>();
        fresh->productName = u"Telvia";
        fresh->homeCountry = c.home;

        lastOrigin = load(*fresh, *platform);
        const int count = static_cast<int>(c.countries.size());
        ASSERT_EQ(channelCount(fresh->channels), count);
        for (int slot = 0; slot < count; ++slot) {
            EXPECT_EQ(fresh->channels[slot].on, c.on[static_cast<std::size_t>(slot)]) << slot;
            EXPECT_EQ(fresh->channels[slot].country, c.countries[static_cast<std::size_t>(slot)]);
        }
        EXPECT_EQ(fresh->channels[count].on, c.freeSlotsOn);
        EXPECT_EQ(fresh->channels[channelCapacity - 1].on, c.freeSlotsOn);
        EXPECT_EQ(lastOrigin, CatalogueOrigin::firstRun);
        EXPECT_FALSE(platform->registry.hasKey(channelsKey));  // created only at exit
    }
}

TEST_F(StoreFixture, FirstRunTakesWhatTheFileHoldsUpToTheWholeTable)
{
    testing::RecordImage longAddress = initRecord(u"USA", u"Partial");
    longAddress.text(testing::addressAt, std::u16string(300, u'a'));
    const auto fileOf = [&](std::size_t length) {
        std::vector<testing::RecordImage> records;
        for (std::size_t i = 0; i * testing::recordSize < length; ++i) {
            records.push_back(i == 0 ? longAddress
                                     : initRecord(u"USA", numbered(u"Init ", static_cast<int>(i))));
        }
        std::vector<std::byte> bytes = testing::joinRecords(records);
        bytes.resize(length);
        return bytes;
    };
    const struct {
        std::size_t length;
        int count;
        std::size_t addressOfFirst;  // units of the long address that the file holds
    } cases[] = {
        {0, 0, 0},
        {2000, 1, (2000 - testing::addressAt) / 2},  // one record, filled in part
        {1600, 1, (1600 - testing::addressAt) / 2},  // the address just begun
        {1566, 1, 0},                                 // country of one letter
        {3132, 1, 300},
        {3 * 3132 + 1000, 3, 300},                    // a fourth record with only a name
        {1'252'800, 400, 300},
        {1'255'932, 400, 300},                        // the 401st record is not read
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        platform = std::make_unique<FakePlatform>();
        platform->files.put(u"channels_init.qcl", fileOf(c.length));
        auto fresh = std::make_unique<AppState>();
        fresh->productName = u"Telvia";
        fresh->homeCountry = u"USA";

        lastOrigin = load(*fresh, *platform);
        EXPECT_EQ(channelCount(fresh->channels), c.count);
        if (c.count > 0) {
            EXPECT_EQ(fresh->channels[0].name, u"Partial");
            EXPECT_EQ(fresh->channels[0].address, std::u16string(c.addressOfFirst, u'a'));
        }
        if (c.count >= 400) {
            EXPECT_EQ(fresh->channels[399].name, u"Init 399");
        }
        if (c.count == 3) {
            EXPECT_EQ(fresh->channels[3].name, u"Init 003");
            EXPECT_TRUE(fresh->channels[3].country.empty());
        }
        EXPECT_EQ(lastOrigin, CatalogueOrigin::firstRun);
    }
}

TEST_F(StoreFixture, FirstRunWithoutAReadableFileOpensTheEmptyEditDialog)
{
    const struct {
        const char* what;
        std::function<void(FakePlatform&)> arrange;
        int count;
    } cases[] = {
        {"no file", [](FakePlatform&) {}, 0},
        {"locked file",
         [](FakePlatform& p) {
             p.files.put(u"channels_init.qcl", testing::joinRecords({initRecord(u"USA", u"A")}));
             p.files.locked.push_back(u"channels_init.qcl");
         },
         0},
        {"short read keeps what was read",
         [](FakePlatform& p) {
             p.files.put(u"channels_init.qcl",
                         testing::joinRecords({initRecord(u"USA", u"A"), initRecord(u"USA", u"B"),
                                               initRecord(u"USA", u"C")}));
             p.files.shortReadLimit = static_cast<std::uint32_t>(testing::recordSize + 1600);
         },
         2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        platform = std::make_unique<FakePlatform>();
        c.arrange(*platform);
        auto fresh = std::make_unique<AppState>();
        fresh->productName = u"Telvia";
        fresh->homeCountry = u"USA";
        lastOrigin = load(*fresh, *platform);
        EXPECT_EQ(channelCount(fresh->channels), c.count);
        EXPECT_EQ(lastOrigin, CatalogueOrigin::firstRun);
    }
}

}  // namespace
}  // namespace telvia

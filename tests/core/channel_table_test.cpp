#include <cstring>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "catalogue/channel_table.h"

namespace telvia {
namespace {

Channel makeChannel(std::u16string_view country, std::u16string_view name,
                    std::u16string_view address = u"", std::int32_t on = 1)
{
    Channel channel;
    channel.on = on;
    channel.country = country;
    channel.name = name;
    channel.address = address;
    return channel;
}

struct TableFixture : ::testing::Test {
    // The catalogue is 1.25 MB: keep it off the stack.
    std::unique_ptr<ChannelTable> table = std::make_unique<ChannelTable>();
};

TEST(FixedTextTest, CutsLongTextsAndReadsUpToTheTerminatorOrTheWidth)
{
    const std::u16string longName(300, u'n');
    FixedText<260> name;
    name = longName;
    EXPECT_EQ(name.view().size(), 259u);
    EXPECT_EQ(name.units()[259], u'\0');

    name = std::u16string(259, u'x');
    EXPECT_EQ(name.view(), std::u16string(259, u'x'));

    // A shorter text clears what a longer one left behind.
    name = u"ab";
    EXPECT_EQ(name.view(), u"ab");
    EXPECT_EQ(name.units()[2], u'\0');
    EXPECT_EQ(name.units()[258], u'\0');

    FixedText<4> country(u"RUSSIA");
    EXPECT_EQ(country.view(), u"RUS");
}

TEST(ChannelRecordTest, FieldsLieAtTheOffsetsOfTheFileFormat)
{
    Channel channel;
    channel.on = 0x01020304;
    channel.name = u"N";
    channel.note = u"O";
    channel.country = u"C";
    channel.address = u"A";
    channel.homePage = u"H";

    unsigned char bytes[sizeof(Channel)];
    std::memcpy(bytes, &channel, sizeof bytes);
    EXPECT_EQ(sizeof bytes, 3132u);
    const struct {
        std::size_t offset;
        char letter;
    } fields[] = {{4, 'N'}, {524, 'O'}, {1564, 'C'}, {1572, 'A'}, {2612, 'H'}};
    for (const auto& field : fields) {
        SCOPED_TRACE(field.offset);
        EXPECT_EQ(bytes[field.offset], field.letter);
        EXPECT_EQ(bytes[field.offset + 1], 0);
    }
}

TEST_F(TableFixture, CountStopsAtTheFirstSlotWithoutCountry)
{
    EXPECT_EQ(channelCount(*table), 0);
    (*table)[0] = makeChannel(u"USA", u"a");
    (*table)[1] = makeChannel(u"USA", u"b");
    (*table)[3] = makeChannel(u"USA", u"d");  // behind a hole: not counted
    EXPECT_EQ(channelCount(*table), 2);

    for (int slot = 0; slot < channelCapacity; ++slot) {
        (*table)[slot] = makeChannel(u"GBR", u"x");
    }
    EXPECT_EQ(channelCount(*table), 400);
}

TEST_F(TableFixture, FindByNameTakesTheLowestNonEmptyMatchOverAllSlots)
{
    (*table)[0] = makeChannel(u"USA", u"");
    (*table)[1] = makeChannel(u"USA", u"same");
    (*table)[2] = makeChannel(u"USA", u"same");
    (*table)[5] = makeChannel(u"", u"behind");  // a free slot is still searched
    (*table)[399] = makeChannel(u"", u"last");

    const struct {
        std::u16string name;
        int slot;
    } cases[] = {
        {u"same", 1}, {u"behind", 5}, {u"last", 399}, {u"", -1}, {u"Same", -1}, {u"missing", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name.begin(), c.name.end()));
        EXPECT_EQ(findChannelByName(*table, c.name), c.slot);
    }
}

TEST_F(TableFixture, FindByAddressComparesExactlyAndMatchesFreeSlots)
{
    EXPECT_EQ(findChannelByAddress(*table, u""), 0);  // an empty table: the first free slot

    (*table)[0] = makeChannel(u"USA", u"a", u"http://a");
    (*table)[1] = makeChannel(u"USA", u"b", u"http://b");
    (*table)[2] = makeChannel(u"USA", u"b2", u"http://b");
    const struct {
        std::u16string address;
        int slot;
    } cases[] = {{u"http://b", 1}, {u"HTTP://A", -1}, {u"", 3}, {u"http://c", -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.address.begin(), c.address.end()));
        EXPECT_EQ(findChannelByAddress(*table, c.address), c.slot);
    }
}

TEST_F(TableFixture, AppendFillsTheFirstFreeSlotAndDropsWhenFull)
{
    EXPECT_TRUE(appendChannel(*table, makeChannel(u"DEU", u"one")));
    EXPECT_EQ((*table)[0].name, u"one");
    EXPECT_EQ(channelCount(*table), 1);

    for (int slot = 0; slot < channelCapacity; ++slot) {
        (*table)[slot] = makeChannel(u"DEU", u"full");
    }
    EXPECT_FALSE(appendChannel(*table, makeChannel(u"FRA", u"extra")));
    EXPECT_EQ(findChannelByName(*table, u"extra"), -1);
    EXPECT_EQ(channelCount(*table), 400);
}

TEST_F(TableFixture, ClearEmptiesEverySlot)
{
    for (int slot = 0; slot < channelCapacity; ++slot) {
        (*table)[slot] = makeChannel(u"FRA", u"n", u"a", 7);
    }
    clearChannels(*table);
    EXPECT_EQ(channelCount(*table), 0);
    EXPECT_EQ(findChannelByAddress(*table, u"a"), -1);
    EXPECT_EQ((*table)[399].on, 0);
}

TEST(AppStateTest, StartsAllZero)
{
    const auto state = std::make_unique<AppState>();
    EXPECT_TRUE(state->productName.empty());
    EXPECT_TRUE(state->current.name.empty());
    EXPECT_EQ(state->viewMode, 0);
    EXPECT_EQ(channelCount(state->channels), 0);
}

}  // namespace
}  // namespace telvia

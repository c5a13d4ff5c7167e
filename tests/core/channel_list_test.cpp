#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dialogs/channel_list.h"
#include "fake_ports.h"

namespace telvia {
namespace {

using fakes::FakeChannelList;

Channel channelOf(std::u16string_view country, std::u16string_view name, std::int32_t on = 1)
{
    Channel channel;
    channel.on = on;
    channel.country = country;
    channel.name = name;
    channel.address = u"http://" + std::u16string(country) + u"/" + std::u16string(name);
    return channel;
}

struct ChannelListFixture : ::testing::Test {
    std::unique_ptr<ChannelTable> table = std::make_unique<ChannelTable>();
    std::unique_ptr<TranslationTable> translations = std::make_unique<TranslationTable>();
    fakes::FakePlatform platform;
    fakes::FakeDialogView dialog{platform.dialogs, 129};
    FakeChannelList& list = dialog.list;


    void setUp() { setUpChannelList(list, *table, *translations, platform.collation); }

    [[nodiscard]] std::vector<std::u16string> names() const
    {
        std::vector<std::u16string> out;
        for (int row = 0; row < static_cast<int>(list.rows.size()); ++row) {
            out.push_back(list.cell(row, columnCountry) + u"/" + list.cell(row, columnName));
        }
        return out;
    }
};

TEST_F(ChannelListFixture, FillsUpToTheFirstFreeSlotSortedByCountryThenName)
{
    (*table)[0] = channelOf(u"USA", u"B", 7);
    (*table)[1] = channelOf(u"GBR", u"Z", 0);
    (*table)[2] = channelOf(u"GBR", u"A");
    (*table)[4] = channelOf(u"DEU", u"After a free slot");
    setUp();

    EXPECT_EQ(names(), (std::vector<std::u16string>{u"GBR/A", u"GBR/Z", u"USA/B"}));
    EXPECT_TRUE(list.rows[0].checked);
    EXPECT_FALSE(list.rows[1].checked);
    // Any mark shows as a checked box and reads back as 1.
    EXPECT_TRUE(list.rows[2].checked);
    EXPECT_EQ(getChannelRow(list, 2).on, 1);
    EXPECT_EQ(getChannelRow(list, 2).address, u"http://USA/B");
    EXPECT_EQ(firstSelectedRow(list), -1);
    // Filled without drawing, drawn once at the end, sorted once.
    EXPECT_EQ(list.redrawChanges, 2);
    EXPECT_TRUE(list.redraw);
    EXPECT_EQ(list.sorts, 1);
}

TEST_F(ChannelListFixture, ColumnsHaveTheirWidthsAndTranslatedHeaders)
{
    loadTranslationsFrom(*translations, "[SECTION_2]\nCMN_3=Sender\nCMN_6=\n");
    setUp();
    ASSERT_TRUE(list.styled);
    const std::vector<std::pair<std::string, int>> expected = {
        {"Menu", 50}, {"Country", 75}, {"Sender", 150}, {"Note", 300}, {"Address", 100},
        {"Home page", 150}};
    ASSERT_EQ(list.columns.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(list.columns[i].header, expected[i].first);
        EXPECT_EQ(list.columns[i].width, expected[i].second);
    }
}

TEST_F(ChannelListFixture, AFullCatalogueFillsEveryRow)
{
    for (int slot = 0; slot < channelCapacity; ++slot) {
        (*table)[slot] = channelOf(u"USA", u"C" + std::u16string(1, static_cast<char16_t>(u'0' + slot % 10)) +
                                                std::u16string(1, static_cast<char16_t>(u'0' + slot / 10 % 10)) +
                                                std::u16string(1, static_cast<char16_t>(u'0' + slot / 100)));
    }
    setUp();
    EXPECT_EQ(list.rowCount(), 400);
}

TEST_F(ChannelListFixture, RowsReadBackCutToTheirFields)
{
    putChannelRow(list, newRow, Channel{});
    const struct {
        int column;
        std::u16string text;
        std::size_t kept;
    } cases[] = {
        {columnCountry, u"ABCDE", 3},
        {columnName, std::u16string(300, u'n'), 259},
        {columnNote, std::u16string(519, u'o'), 519},
        {columnAddress, std::u16string(600, u'a'), 519},
        {columnHomePage, std::u16string(260, u'h'), 259},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.column);
        list.setText(0, c.column, c.text);
        const Channel channel = getChannelRow(list, 0);
        const std::u16string_view fields[] = {u"", channel.country.view(), channel.name.view(),
                                              channel.note.view(), channel.address.view(),
                                              channel.homePage.view()};
        EXPECT_EQ(fields[c.column], c.text.substr(0, c.kept));
    }
}

TEST_F(ChannelListFixture, NewRowsGoToTheTopSelectedOrNot)
{
    putChannelRow(list, newRow, channelOf(u"USA", u"first"));
    putChannelRow(list, newSelectedRow, channelOf(u"USA", u"second"));
    putChannelRow(list, newRow, channelOf(u"USA", u"third"));
    EXPECT_EQ(names(), (std::vector<std::u16string>{u"USA/third", u"USA/second", u"USA/first"}));
    EXPECT_EQ(firstSelectedRow(list), 1);
    putChannelRow(list, 2, channelOf(u"GBR", u"over the first", 0));
    EXPECT_EQ(list.cell(2, columnName), u"over the first");
    EXPECT_FALSE(list.rows[2].checked);
}

TEST_F(ChannelListFixture, RequireSelectedRowSaysWhyThereIsNone)
{
    const struct {
        int rows;
        int selected;
        int result;
        std::vector<std::u16string> messages;
    } cases[] = {
        {0, -1, -1, {u"There is no item in listview!"}},
        {2, -1, -1, {u"Please select a line!"}},
        {2, 1, 1, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rows * 10 + c.selected);
        list.rows.clear();
        platform.dialogs.messages.clear();
        for (int row = 0; row < c.rows; ++row) {
            putChannelRow(list, newRow, channelOf(u"USA", u"x"));
        }
        if (c.selected >= 0) {
            list.selectRow(c.selected);
        }
        EXPECT_EQ(requireSelectedRow(list, dialog, u"Telvia"), c.result);
        EXPECT_EQ(platform.dialogs.messages, c.messages);
    }
    EXPECT_TRUE(platform.log.contains("dialog.information Please select a line! | Telvia"));
}

TEST_F(ChannelListFixture, FindRowByTextComparesWholeTextsExactly)
{
    putChannelRow(list, newRow, channelOf(u"USA", u"News"));
    putChannelRow(list, newRow, channelOf(u"USA", u"news"));
    const struct {
        std::u16string text;
        int skip;
        int found;
    } cases[] = {
        {u"News", -1, 1}, {u"news", -1, 0}, {u"New", -1, -1}, {u"News", 1, -1}, {u"NEWS", -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(fakes::narrow(c.text));
        EXPECT_EQ(findRowByText(list, c.text, columnName, c.skip), c.found);
    }
}

}  // namespace
}  // namespace telvia

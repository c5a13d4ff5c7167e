#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue/channels_menu.h"
#include "presenter_fixture.h"
#include "resources/resource.h"

namespace telvia {
namespace {

struct Slot {
    std::u16string name;
    std::int32_t on = 1;
    std::u16string country = u"USA";
};

struct ChannelsMenuFixture : PresenterFixture {
    void fill(const std::vector<Slot>& slots)
    {
        for (std::size_t i = 0; i < slots.size(); ++i) {
            Channel& channel = state->channels[static_cast<int>(i)];
            channel.name = slots[i].name;
            channel.on = slots[i].on;
            channel.country = slots[i].country;
            channel.address = u"http://" + slots[i].name + u"/" + std::u16string(1, u'0' + static_cast<char16_t>(i % 10));
        }
    }

    std::vector<std::u16string> itemTexts() const
    {
        std::vector<std::u16string> texts;
        for (const auto& item : platform.channelsMenu.items) {
            texts.push_back(item.text);
        }
        return texts;
    }

    // The slot that became current, found by its unique address; -1 when none did.
    int currentSlot() const
    {
        if (state->current.address.empty()) {
            return -1;
        }
        return findChannelByAddress(state->channels, state->current.address.view());
    }

    void makeCurrent(int slot) { state->current = state->channels[slot]; }

    void build() { buildChannelsMenu(state->channels, platform.channelsMenu, platform.collation); }

    // The user picks an item of the pop-up with that text.
    void pick(const std::u16string& itemText)
    {
        const ChannelsMenuItem item{IDM_CHANNEL_FIRST, itemText, false};
        platform.channelsMenu.rebuild(std::span(&item, 1));
        presenter.onCommand(IDM_CHANNEL_FIRST);
    }

    void next() { presenter.onCommand(IDM_NEXT_CHANNEL); }
    void previous() { presenter.onCommand(IDM_PREVIOUS_CHANNEL); }
};

TEST_F(ChannelsMenuFixture, MarkedChannelsAreSortedByNameInColumnsOfTen)
{
    std::vector<Slot> slots;
    for (int i = 24; i >= 0; --i) {
        slots.push_back({u"ch" + std::u16string(1, u'a' + static_cast<char16_t>(i))});
    }
    slots.push_back({u"hidden", 0});
    fill(slots);

    build();

    const auto& items = platform.channelsMenu.items;
    ASSERT_EQ(items.size(), 25u);
    for (std::size_t k = 0; k < items.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(items[k].commandId, IDM_CHANNEL_FIRST + static_cast<int>(k));
        EXPECT_EQ(items[k].text, u"ch" + std::u16string(1, u'a' + static_cast<char16_t>(k)));
        const bool breakExpected = items[k].commandId == 1034 || items[k].commandId == 1044;
        EXPECT_EQ(items[k].startsColumn, breakExpected);
    }
}

TEST_F(ChannelsMenuFixture, MenuStopsAtTheEndOfTheTableAndKeepsDuplicates)
{
    fill({{u"b"}, {u"a"}, {u"same", 0}, {u"same"}, {u"same"}, {u"free", 1, u""}, {u"after"}});
    build();
    EXPECT_EQ(itemTexts(), (std::vector<std::u16string>{u"a", u"b", u"same", u"same"}));

    clearChannels(state->channels);
    build();
    EXPECT_TRUE(platform.channelsMenu.items.empty());
}

TEST_F(ChannelsMenuFixture, SortIsCaseSensitiveInTheCollationOrder)
{
    fill({{u"b"}, {u"B"}, {u"a"}, {u"A"}});
    build();
    EXPECT_EQ(itemTexts(), (std::vector<std::u16string>{u"A", u"B", u"a", u"b"}));
}

TEST_F(ChannelsMenuFixture, PickPlaysTheFirstSlotOfThatNameWhateverItsMark)
{
    fill({{u"x"}, {u"y"}, {u"z"}, {u"twin", 0}, {u"q"}, {u"r"}, {u"s"}, {u"twin", 1}});
    const std::u16string longName(259, u'L');
    state->channels[8].name = longName;
    state->channels[8].country = u"GBR";
    state->channels[8].address = u"http://long";
    state->channels[8].on = 1;

    const struct {
        std::u16string itemText;
        int slot;
    } cases[] = {{u"twin", 3}, {u"z", 2}, {longName, 8}, {u"nothing", -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.slot);
        state->current = Channel{};
        pick(c.itemText);
        EXPECT_EQ(currentSlot(), c.slot);
        if (c.slot < 0) {
            EXPECT_EQ(state->current.name, c.itemText);  // only the name changed
        }
    }
}

TEST_F(ChannelsMenuFixture, StepsFollowCatalogueOrderAndWrap)
{
    // b, a, c: the menu shows a, b, c, but stepping goes through the slots in order.
    fill({{u"b"}, {u"a"}, {u"c"}, {u"off", 0}, {u"d"}});
    const struct {
        const char* label;
        int from;
        bool forward;
        int to;
    } cases[] = {
        {"next from b", 0, true, 1},
        {"next skips unmarked", 2, true, 4},
        {"next wraps", 4, true, 0},
        {"next from an unmarked slot", 3, true, 4},
        {"previous from c", 2, false, 1},
        {"previous from slot 0 wraps to the last marked", 0, false, 4},
        {"previous skips unmarked", 4, false, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        makeCurrent(c.from);
        if (c.forward) {
            next();
        } else {
            previous();
        }
        EXPECT_EQ(currentSlot(), c.to);
    }
}

TEST_F(ChannelsMenuFixture, StepsDoNothingWithoutAnotherMarkedChannelOrACurrentSlot)
{
    fill({{u"only"}, {u"off", 0}});
    const struct {
        const char* label;
        std::u16string currentName;
    } cases[] = {
        {"the only marked channel", u"only"},
        {"after stop", u""},
        {"a test address", u"TEST :: http://x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        state->current = Channel{};
        state->current.name = c.currentName;
        state->current.address = u"http://unchanged";
        platform.log.calls.clear();
        next();
        previous();
        EXPECT_EQ(state->current.address, u"http://unchanged");
        EXPECT_TRUE(platform.log.calls.empty());  // no tear-down, no reconnect
    }
}

TEST_F(ChannelsMenuFixture, AHoleEndsForwardSteppingButNotBackward)
{
    // Slot 2 has no country: forward stepping ends there and wraps; backward passes it.
    fill({{u"a"}, {u"b"}, {u"hole", 1, u""}, {u"d"}});
    makeCurrent(1);
    next();
    EXPECT_EQ(currentSlot(), 0);

    makeCurrent(0);
    previous();
    EXPECT_EQ(currentSlot(), 3);
}

}  // namespace
}  // namespace telvia

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dialog_fixture.h"
#include "dialogs/clipboard_address.h"

namespace telvia {
namespace {

struct ClipboardAddressTest : DialogFixture {
    ClipboardAddressTest()
    {
        fill({channelOf(u"USA", u"Zero"), channelOf(u"USA", u"One"), channelOf(u"USA", u"Two"),
              channelOf(u"USA", u"Three"), channelOf(u"USA", u"Four"), channelOf(u"FRA", u"Five")});
        // The channel playing before the test; its other fields stay in the current record.
        state->current = state->channels[1];
    }
};

TEST_F(ClipboardAddressTest, PlaysTheCopiedTextAsATemporaryChannel)
{
    const std::u16string address300 = u"http://" + std::u16string(293, u'a');
    const struct {
        const char* what;
        std::optional<std::u16string> clipboard;
        std::u16string name;
        std::u16string address;
    } cases[] = {
        {"an address", u"http://try/me", u"TEST :: http://try/me", u"http://try/me"},
        {"spaces around it", u"   http://try/me  ", u"TEST :: http://try/me", u"http://try/me"},
        {"a line break stays", u"http://try/me\r\n", u"TEST :: http://try/me\r\n", u"http://try/me\r\n"},
        {"a catalogue address in other letters", u"HTTP://STREAMS/Five", u"TEST :: HTTP://STREAMS/Five",
         u"HTTP://STREAMS/Five"},
        {"300 characters", address300, u"TEST :: " + address300.substr(0, 251), address300},
        {"only 519 taken, spaces after them too", std::u16string(519, u'x') + u"   tail",
         u"TEST :: " + std::u16string(251, u'x'), std::u16string(519, u'x')},
        {"any text", u"not an address", u"TEST :: not an address", u"not an address"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        state->current = state->channels[1];
        platform.window.postedCommands.clear();
        platform.clipboard.content = c.clipboard;
        presenter.onCommand(IDM_TEST_CLIPBOARD);
        EXPECT_EQ(state->current.name, c.name);
        EXPECT_EQ(state->current.address, c.address);
        EXPECT_EQ(state->current.note, state->channels[1].note);
        EXPECT_EQ(state->current.country, u"USA");
        EXPECT_EQ(state->current.homePage, state->channels[1].homePage);
        EXPECT_EQ(platform.window.postedCommands, std::vector<int>{IDM_CONNECT_CURRENT});
        EXPECT_TRUE(platform.messages.shown.empty());
        EXPECT_EQ(platform.clipboard.reads.back(), 519u);
    }
}

TEST_F(ClipboardAddressTest, TellsWhyNothingPlays)
{
    const struct {
        const char* what;
        std::optional<std::u16string> clipboard;
        std::u16string message;
    } cases[] = {
        {"no text (empty, a picture, held open)", std::nullopt, u"Copy an address to clipboard for test"},
        {"empty text", u"", u"Copy an address to clipboard for test"},
        {"spaces only", u"     ", u"Copy an address to clipboard for test"},
        {"an address of the catalogue", u" http://streams/Five ",
         u"This address already exists.\r\nCountry: FRA\r\nName: Five\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        platform.messages.shown.clear();
        platform.clipboard.content = c.clipboard;
        const Channel before = state->current;
        presenter.onCommand(IDM_TEST_CLIPBOARD);
        ASSERT_EQ(platform.messages.shown.size(), 1u);
        EXPECT_EQ(platform.messages.shown[0].text, c.message);
        EXPECT_EQ(platform.messages.shown[0].caption, u"Telvia");
        EXPECT_EQ(platform.messages.shown[0].owner, MessageOwner::mainWindow);
        EXPECT_EQ(state->current, before);
        EXPECT_TRUE(platform.window.postedCommands.empty());
    }
}

}  // namespace
}  // namespace telvia

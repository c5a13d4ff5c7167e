// Channel files and playlists from outside the program: which command-line arguments name
// one, the data a second start hands over (trusted in nothing), and the Load dialog that
// the main window opens for them once no other dialog or operation is in progress.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/channel_list_paths.h"
#include "catalogue/channel_file.h"
#include "dialog_fixture.h"
#include "playback_fixture.h"
#include "resources/resource.h"

namespace telvia {
namespace {

TEST(ChannelListPathTest, AChannelFileOrAPlaylistByItsExtension)
{
    const struct {
        std::u16string path;
        bool list;
        bool absolute;
    } cases[] = {
        {u"C:\\Lists\\friends.qcl", true, true},
        {u"FRIENDS.QCL", true, false},
        {u"d:/tv/list.M3u", true, true},
        {u"\\\\server\\share\\list.m3u8", true, true},
        {u"list.m3u8", true, false},
        {u"C:\\Lists\\.qcl", false, true},   // no name before the extension
        {u".m3u", false, false},
        {u"C:.qcl", false, false},
        {u"list.m3u8.txt", false, false},
        {u"list.qc", false, false},
        {u"list.m3u9", false, false},
        {u"", false, false},
        {u"a\tb.qcl", false, false},         // control characters name no file
        {std::u16string(u"a\0b.qcl", 7), false, false},
        {u"\\relative.qcl", true, false},     // the root of whichever drive is current
        {u"1:\\x.qcl", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.path.begin(), c.path.end()));
        EXPECT_EQ(isChannelListPath(c.path), c.list);
        EXPECT_EQ(isAbsolutePath(c.path), c.absolute);
    }
    EXPECT_TRUE(isChannelListPath(std::u16string(maxListPathLength - 4, u'x') + u".qcl"));
    EXPECT_FALSE(isChannelListPath(std::u16string(maxListPathLength - 3, u'x') + u".qcl"));
}

std::span<const std::byte> bytesOf(const std::vector<std::byte>& bytes)
{
    return {bytes.data(), bytes.size()};
}

TEST(ListHandOverTest, TakesOnlyAWholeAbsoluteListPathWithItsTag)
{
    const std::u16string path = u"C:\\Users\\Zo\u00eb\\Downloads\\\u0442\u0432.m3u8";
    const std::vector<std::byte> good = encodeListHandOver(path);
    ASSERT_EQ(good.size(), path.size() * 2);
    EXPECT_EQ(good[0], std::byte{'C'});
    EXPECT_EQ(good[1], std::byte{0});  // little-endian units
    EXPECT_EQ(decodeListHandOver(listHandOverTag, bytesOf(good)), path);

    const auto encoded = [](std::u16string_view text) { return encodeListHandOver(text); };
    std::vector<std::byte> odd = good;
    odd.pop_back();
    const std::u16string longest = u"C:\\" + std::u16string(maxListPathLength - 7, u'x') + u".qcl";
    const struct {
        const char* what;
        std::uintptr_t tag;
        std::vector<std::byte> bytes;
        bool taken;
    } cases[] = {
        {"another tag", listHandOverTag + 1, good, false},
        {"no tag", 0, good, false},
        {"no bytes", listHandOverTag, {}, false},
        {"an odd count", listHandOverTag, odd, false},
        {"a terminator", listHandOverTag, encoded(std::u16string(u"C:\\a.qcl\0", 9)), false},
        {"a NUL inside", listHandOverTag, encoded(std::u16string(u"C:\\a\0.qcl", 9)), false},
        {"a line feed", listHandOverTag, encoded(u"C:\\a\n.qcl"), false},
        {"a relative path", listHandOverTag, encoded(u"friends.qcl"), false},
        {"no list", listHandOverTag, encoded(u"C:\\Windows\\notepad.exe"), false},
        {"the longest path", listHandOverTag, encoded(longest), true},
        {"one unit more", listHandOverTag, encoded(longest + u"l"), false},
        {"far more than a path", listHandOverTag, std::vector<std::byte>(1 << 20, std::byte{'a'}), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<std::u16string> taken = decodeListHandOver(c.tag, bytesOf(c.bytes));
        EXPECT_EQ(taken.has_value(), c.taken);
    }
}

struct ListsFromOutsideTest : DialogFixture {
    static constexpr std::u16string_view friends = u"C:\\Downloads\\friends.qcl";

    ListsFromOutsideTest()
    {
        fill({channelOf(u"USA", u"Bravo")});
        const std::vector<Channel> offered = {channelOf(u"FRA", u"Paris"), channelOf(u"ITA", u"Roma")};
        EXPECT_TRUE(writeChannelFile(platform.files, friends, offered));
    }

    bool handOver(std::u16string_view path)
    {
        const std::vector<std::byte> data = encodeListHandOver(path);
        return presenter.onCopyData(listHandOverTag, {data.data(), data.size()});
    }

    // Runs the commands posted to the main window, as its message loop would; they may
    // post more.
    void dispatchPosted()
    {
        while (!platform.window.postedCommands.empty()) {
            const int command = platform.window.postedCommands.front();
            platform.window.postedCommands.erase(platform.window.postedCommands.begin());
            presenter.onCommand(command);
        }
    }

    [[nodiscard]] int dialogsOpened() const
    {
        return static_cast<int>(std::count(platform.log.calls.begin(), platform.log.calls.end(),
                                           "dialogs.open " + std::to_string(IDD_CHANNEL_LIST)));
    }
};

TEST_F(ListsFromOutsideTest, AHandedOverFileOpensTheLoadDialogAsIfPicked)
{
    platform.dialogs.scripts.push_back([](fakes::FakeDialogView& view, DialogHandler& dialog) {
        EXPECT_EQ(view.shownTitle, u"Load channels");
        EXPECT_EQ(view.list.rowCount(), 2);
        dialog.onCommand(IDOK);
    });
    ASSERT_TRUE(handOver(friends));
    EXPECT_EQ(platform.window.postedCommands, std::vector<int>{IDM_LOAD_WAITING_LISTS});
    dispatchPosted();

    EXPECT_TRUE(platform.dialogs.fileRequests.empty()) << "the file dialog was asked nonetheless";
    EXPECT_EQ(catalogueNames(), (std::vector<std::u16string>{u"Bravo", u"Roma", u"Paris"}));
    // In front of whatever the user had there.
    EXPECT_LT(platform.log.indexOf("windowControl.bringToForeground"),
              platform.log.indexOf("dialogs.open " + std::to_string(IDD_CHANNEL_LIST)));
    EXPECT_TRUE(presenter.listsToLoad().empty());
}

TEST_F(ListsFromOutsideTest, ABadFileGetsTheMessagesOfAPickedOne)
{
    platform.files.putText(u"C:\\Downloads\\broken.m3u", "http://a\nhttp://b\n");
    platform.files.put(u"C:\\Downloads\\short.qcl", std::vector<std::byte>(3131));
    const struct {
        std::u16string path;
        std::u16string message;
    } cases[] = {
        {u"C:\\Downloads\\missing.qcl", u"Error open file"},
        {u"C:\\Downloads\\short.qcl", u"Invalid format"},
        {u"C:\\Downloads\\broken.m3u", u"Invalid format"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.path.begin(), c.path.end()));
        platform.dialogs.messages.clear();
        ASSERT_TRUE(handOver(c.path));
        dispatchPosted();
        EXPECT_EQ(platform.dialogs.messages, std::vector<std::u16string>{c.message});
        EXPECT_FALSE(platform.dialogs.shown.back());
    }
}

TEST_F(ListsFromOutsideTest, DataThatIsNoListIsRefusedAndOpensNothing)
{
    const std::vector<std::byte> notAPath = encodeListHandOver(u"friends.qcl");
    EXPECT_FALSE(presenter.onCopyData(listHandOverTag, {notAPath.data(), notAPath.size()}));
    const std::vector<std::byte> good = encodeListHandOver(friends);
    EXPECT_FALSE(presenter.onCopyData(0x1234, {good.data(), good.size()}));
    EXPECT_TRUE(platform.window.postedCommands.empty());
    EXPECT_TRUE(presenter.listsToLoad().empty());
    // The command alone, sent by anyone, finds nothing to open.
    presenter.onCommand(IDM_LOAD_WAITING_LISTS);
    EXPECT_EQ(dialogsOpened(), 0);
}

TEST_F(ListsFromOutsideTest, AFloodOfHandOversIsRefusedBeyondTheQueue)
{
    for (std::size_t i = 0; i < ListsToLoad::capacity; ++i) {
        ASSERT_TRUE(handOver(friends)) << i;
    }
    EXPECT_FALSE(handOver(friends));
    // Asked for once, however many wait.
    EXPECT_EQ(platform.window.postedCommands, std::vector<int>{IDM_LOAD_WAITING_LISTS});
}

TEST_F(ListsFromOutsideTest, NoLoadDialogOpensInsideAnotherDialogButRightAfterIt)
{
    // A hand-over while the channel editor is open: the command arrives inside the editor's
    // modal loop and must wait, or the editor's OK would overwrite what Load appends.
    editChannels({[this](fakes::FakeDialogView&, DialogHandler&) {
        ASSERT_TRUE(handOver(friends));
        presenter.onCommand(IDM_LOAD_WAITING_LISTS);
        EXPECT_EQ(dialogsOpened(), 1);
        EXPECT_TRUE(platform.window.postedCommands.empty());
    }});
    // The editor has ended: the end of its command asks again.
    EXPECT_EQ(platform.window.postedCommands, std::vector<int>{IDM_LOAD_WAITING_LISTS});
    platform.dialogs.scripts.push_back([](fakes::FakeDialogView& view, DialogHandler&) {
        EXPECT_EQ(view.shownTitle, u"Load channels");
    });
    dispatchPosted();
    EXPECT_EQ(dialogsOpened(), 2);

    // Two lists handed over one after the other open one Load dialog after the other, the
    // second also when it arrives while the first is open.
    const std::u16string second = u"C:\\Downloads\\second.qcl";
    const Channel offered = channelOf(u"DEU", u"Berlin");
    ASSERT_TRUE(writeChannelFile(platform.files, second, {&offered, 1}));
    std::vector<std::u16string> titles;
    platform.dialogs.scripts.push_back([&, this](fakes::FakeDialogView& view, DialogHandler&) {
        titles.push_back(view.list.cell(0, columnName));
        ASSERT_TRUE(handOver(second));
        dispatchPosted();
    });
    platform.dialogs.scripts.push_back([&](fakes::FakeDialogView& view, DialogHandler&) {
        titles.push_back(view.list.cell(0, columnName));
    });
    ASSERT_TRUE(handOver(friends));
    dispatchPosted();
    EXPECT_EQ(titles, (std::vector<std::u16string>{u"Roma", u"Berlin"}));
    EXPECT_TRUE(presenter.listsToLoad().empty());
}

TEST_F(ListsFromOutsideTest, TheCommandLineListComesAfterStartUpAndAFirstRunsEditor)
{
    ASSERT_TRUE(presenter.listsToLoad().add(std::u16string(friends)));
    ASSERT_TRUE(presenter.onCreate());
    // No catalogue in the registry: a first run, whose editor comes first.
    EXPECT_EQ(platform.window.postedCommands, (std::vector<int>{IDM_EDIT_CHANNELS, IDM_LOAD_WAITING_LISTS}));
    std::vector<std::u16string> titles;
    for (int i = 0; i < 2; ++i) {
        platform.dialogs.scripts.push_back([&](fakes::FakeDialogView& view, DialogHandler&) {
            titles.push_back(view.shownTitle);
        });
    }
    dispatchPosted();
    // The editor keeps its template's title; Load sets its own.
    EXPECT_EQ(titles, (std::vector<std::u16string>{u"", u"Load channels"}));
}

using FullScreenListTest = PlaybackFixture;

TEST_F(FullScreenListTest, FullScreenIsLeftBeforeTheLoadDialogOpens)
{
    connect();
    player.toggleFullScreen();
    ASSERT_TRUE(player.inFullScreen());
    const std::vector<std::byte> data = encodeListHandOver(u"C:\\missing.qcl");
    ASSERT_TRUE(presenter.onCopyData(listHandOverTag, {data.data(), data.size()}));
    clearLog();
    presenter.onCommand(IDM_LOAD_WAITING_LISTS);
    EXPECT_FALSE(player.inFullScreen());
    const int left = platform.log.indexOf("windowControl.setFocus");
    ASSERT_GE(left, 0);
    EXPECT_LT(left, platform.log.indexOf("dialogs.open " + std::to_string(IDD_CHANNEL_LIST)));
}

}  // namespace
}  // namespace telvia

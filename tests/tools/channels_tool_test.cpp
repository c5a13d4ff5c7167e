// The channel-list tool run as a program: what it refuses, what it leaves untouched on
// disk, and what it prints.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue/channel_codec.h"
#include "run_tool.h"

namespace telvia {
namespace {

namespace fs = std::filesystem;
using testing::runTool;
using testing::ScratchFolder;
using testing::ToolRun;

const std::string list = "#EXTM3U\n#EXTINF:-1 tvg-country=\"GBR\",One\nhttp://a/1\n"
                         "#EXTINF:-1 tvg-country=\"GBR\",Two\nhttp://a/2\n";

std::string fileOf(const std::vector<Channel>& channels)
{
    std::string bytes;
    for (const Channel& channel : channels) {
        std::byte record[channelRecordSize];
        encodeChannel(channel, RecordBytes(record, channelRecordSize));
        for (const std::byte b : record) {
            bytes.push_back(static_cast<char>(b));
        }
    }
    return bytes;
}

Channel channelOf(std::u16string_view name, std::u16string_view address, std::u16string_view note = u"",
                  std::u16string_view homePage = u"")
{
    Channel channel;
    channel.on = 1;
    channel.country = u"GBR";
    channel.name = name;
    channel.address = address;
    channel.note = note;
    channel.homePage = homePage;
    return channel;
}

std::string describe(const ToolRun& run)
{
    return "exit " + std::to_string(run.exitCode) + "\nstdout: " + run.out + "\nstderr: " + run.err;
}

TEST(ChannelsTool, ImportsExportsAndListsAList)
{
    ScratchFolder folder;
    folder.write("list.m3u", list);
    ToolRun run = runTool(folder.path(), {"import", "list.m3u", "list.qcl"});
    ASSERT_EQ(run.exitCode, 0) << describe(run);
    EXPECT_EQ(folder.read("list.qcl").size(), 2 * channelRecordSize);

    run = runTool(folder.path(), {"export", "list.qcl", "again.m3u"});
    ASSERT_EQ(run.exitCode, 0) << describe(run);
    run = runTool(folder.path(), {"import", "again.m3u", "again.qcl"});
    ASSERT_EQ(run.exitCode, 0) << describe(run);
    EXPECT_EQ(folder.read("again.qcl"), folder.read("list.qcl"));

    run = runTool(folder.path(), {"list", "again.qcl"});
    ASSERT_EQ(run.exitCode, 0) << describe(run);
    EXPECT_EQ(run.out, "1\ton\tGBR\tOne\thttp://a/1\t\t\n2\ton\tGBR\tTwo\thttp://a/2\t\t\n");
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"again.m3u", "again.qcl", "list.m3u", "list.qcl"}));
}

// Each entry's country comes from the list; --country covers the entries that give none,
// in either form of code.
TEST(ChannelsTool, ImportTakesTheListsCountriesAndTheFallbackForTheRest)
{
    ScratchFolder folder;
    folder.write("list.m3u", "#EXTM3U\n#EXTINF:-1 tvg-country=\"gb\",One\nhttp://a/1\n"
                             "#EXTINF:-1 tvg-id=\"TF1.fr\",Two\nhttp://a/2\n"
                             "#EXTINF:-1 tvg-id=\"\",Three\nhttp://a/3\n");
    const std::string one = "1\ton\tGBR\tOne\thttp://a/1\t\t\n";
    const std::string two = "2\ton\tFRA\tTwo\thttp://a/2\t\t\n";
    const struct {
        std::vector<std::string> fallback;
        std::string summary;
        std::string listing;
    } cases[] = {
        {{}, "out.qcl: 2 channels written, 1 entries skipped\n", one + two},
        {{"--country", "DEU"}, "out.qcl: 3 channels written, 0 entries skipped\n",
         one + two + "3\ton\tDEU\tThree\thttp://a/3\t\t\n"},
        {{"--country", "by"}, "out.qcl: 3 channels written, 0 entries skipped\n",
         one + two + "3\ton\tBLR\tThree\thttp://a/3\t\t\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.summary);
        std::vector<std::string> arguments = {"import", "list.m3u", "out.qcl"};
        arguments.insert(arguments.end(), c.fallback.begin(), c.fallback.end());
        ToolRun run = runTool(folder.path(), arguments);
        ASSERT_EQ(run.exitCode, 0) << describe(run);
        EXPECT_EQ(run.out, c.summary);
        EXPECT_EQ(run.err.find("list.m3u:6: no country") != std::string::npos, c.fallback.empty()) << run.err;
        run = runTool(folder.path(), {"list", "out.qcl"});
        ASSERT_EQ(run.exitCode, 0) << describe(run);
        EXPECT_EQ(run.out, c.listing);
    }

    for (const char* bad : {"G1", "XX", "GBRX", ""}) {
        const ToolRun run = runTool(folder.path(), {"import", "list.m3u", "bad.qcl", "--country", bad});
        EXPECT_EQ(run.exitCode, 2) << bad << "\n" << describe(run);
        EXPECT_NE(run.err.find("--country takes a country code"), std::string::npos) << describe(run);
    }
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"list.m3u", "out.qcl"}));
}

// A channel file holds 400 channels: of a longer list the first 400 are written and the
// rest counted, apart from the entries left out.
TEST(ChannelsTool, ImportWritesTheFirst400OfALongerList)
{
    ScratchFolder folder;
    std::string longList = "#EXTM3U\n";
    for (int k = 0; k < 450; ++k) {
        longList += "#EXTINF:-1 tvg-id=\"C.us\",Channel " + std::to_string(k) + "\nhttp://a/" + std::to_string(k) + "\n";
    }
    longList += "#EXTINF:-1,No country\nhttp://a/x\n";
    folder.write("long.m3u", longList);

    ToolRun run = runTool(folder.path(), {"import", "long.m3u", "out.qcl"});
    ASSERT_EQ(run.exitCode, 0) << describe(run);
    EXPECT_EQ(run.out, "out.qcl: 400 channels written, 50 left over (a channel file holds 400), 1 entries skipped\n");
    EXPECT_EQ(folder.read("out.qcl").size(), 400 * channelRecordSize);
    run = runTool(folder.path(), {"list", "out.qcl"});
    ASSERT_EQ(run.exitCode, 0) << describe(run);
    EXPECT_NE(run.out.find("400\ton\tUSA\tChannel 399\thttp://a/399\t\t\n"), std::string::npos);
    EXPECT_EQ(run.out.find("Channel 400"), std::string::npos);
}

// Writing the output would destroy the input before or while it is read.
TEST(ChannelsTool, RefusesAnOutputThatIsTheInputHoweverItIsSpelt)
{
    ScratchFolder folder;
    folder.write("list.m3u", list);
    folder.write("list.qcl", fileOf({channelOf(u"One", u"http://a/1")}));
    fs::create_directory(folder.path() / "sub");
    fs::create_symlink("list.m3u", folder.path() / "link.m3u");
    fs::create_hard_link(folder.path() / "list.qcl", folder.path() / "hard.qcl");
    const std::string absolute = (folder.path() / "list.qcl").string();

    const std::vector<std::vector<std::string>> cases = {
        {"import", "list.m3u", "list.m3u"},     {"import", "list.m3u", "./list.m3u"},
        {"import", "list.m3u", "sub/../list.m3u"}, {"import", "list.m3u", "link.m3u"},
        {"export", "list.qcl", "list.qcl"},     {"export", "list.qcl", absolute},
        {"export", "list.qcl", "hard.qcl"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::string before = folder.read(cases[i][1]);
        const ToolRun run = runTool(folder.path(), cases[i]);
        EXPECT_EQ(run.exitCode, 2) << "case " << i << "\n" << describe(run);
        EXPECT_NE(run.err.find("same file"), std::string::npos) << "case " << i << "\n" << describe(run);
        EXPECT_TRUE(folder.read(cases[i][1]) == before) << "case " << i << ": the input changed";
    }
}

// A folder given as the output stays a folder, with what it held.
TEST(ChannelsTool, RefusesAFolderAsTheOutput)
{
    ScratchFolder folder;
    folder.write("list.m3u", list);
    folder.write("list.qcl", fileOf({channelOf(u"One", u"http://a/1")}));
    fs::create_directory(folder.path() / "empty");
    fs::create_directory(folder.path() / "full");
    folder.write("full/kept", "kept");

    const std::vector<std::vector<std::string>> cases = {
        {"import", "list.m3u", "empty"}, {"import", "list.m3u", "full"},
        {"export", "list.qcl", "empty"}, {"export", "list.qcl", "full"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const ToolRun run = runTool(folder.path(), cases[i]);
        EXPECT_EQ(run.exitCode, 1) << "case " << i << "\n" << describe(run);
        EXPECT_TRUE(fs::is_directory(folder.path() / cases[i][2])) << "case " << i;
    }
    EXPECT_TRUE(fs::is_empty(folder.path() / "empty"));
    EXPECT_EQ(folder.read("full/kept"), "kept");
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"empty", "full", "list.m3u", "list.qcl"}));
}

// The file written before the rename has a name no other file has: a file named like the
// output plus ".part" belongs to someone else and stays as it is.
TEST(ChannelsTool, WritesThroughATemporaryFileOfItsOwn)
{
    ScratchFolder folder;
    folder.write("list.m3u", list);
    folder.write("out.qcl.part", "someone else's");
    folder.write("out.qcl", "the old output");

    const ToolRun run = runTool(folder.path(), {"import", "list.m3u", "out.qcl"});
    ASSERT_EQ(run.exitCode, 0) << describe(run);
    EXPECT_EQ(folder.read("out.qcl").size(), 2 * channelRecordSize);
    EXPECT_EQ(folder.read("out.qcl.part"), "someone else's");
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"list.m3u", "out.qcl", "out.qcl.part"}));
}

TEST(ChannelsTool, AFailedWriteLeavesTheOldOutput)
{
    if (geteuid() == 0) {
        GTEST_SKIP() << "the superuser writes into a read-only folder";
    }
    ScratchFolder folder;
    folder.write("list.m3u", list);
    folder.write("out.qcl", "the old output");
    fs::permissions(folder.path(), fs::perms::owner_write, fs::perm_options::remove);
    const ToolRun run = runTool(folder.path(), {"import", "list.m3u", "out.qcl"});
    fs::permissions(folder.path(), fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(run.exitCode, 1) << describe(run);
    EXPECT_EQ(folder.read("out.qcl"), "the old output");
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"list.m3u", "out.qcl"}));
}

// The file port says a length in 32 bits; the tool must not read such a file as its length
// modulo 4 GiB. (The files are sparse: they take no room on disk.)
TEST(ChannelsTool, RefusesFilesOf4GiBAndMore)
{
    ScratchFolder folder;
    constexpr std::uintmax_t fourGiB = std::uintmax_t{1} << 32;
    fs::resize_file(folder.write("big.m3u", list), fourGiB + list.size());
    const std::string record = fileOf({channelOf(u"One", u"http://a/1")});
    fs::resize_file(folder.write("big.qcl", record), fourGiB + record.size());

    const std::vector<std::vector<std::string>> cases = {
        {"import", "big.m3u", "out.qcl"}, {"export", "big.qcl", "out.m3u"}, {"list", "big.qcl"}};
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const ToolRun run = runTool(folder.path(), cases[i]);
        EXPECT_EQ(run.exitCode, 1) << "case " << i << "\n" << describe(run);
        EXPECT_NE(run.err.find("4 GiB"), std::string::npos) << "case " << i << "\n" << describe(run);
        EXPECT_EQ(run.out, "") << "case " << i;
    }
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"big.m3u", "big.qcl"}));
}

// A listing is one line per record whatever the texts hold: control characters (terminal
// escape sequences, line breaks, tabs), the separators and direction marks that rearrange a
// line, and the escaping backslash itself are shown escaped.
TEST(ChannelsTool, ListShowsControlCharactersEscaped)
{
    ScratchFolder folder;
    const std::u16string unpaired(1, char16_t{0xDC00});
    folder.write("list.qcl", fileOf({
                                 channelOf(u"\x1B]0;owned\x07Red\x1B[31m", u"C:\\demo.wmv", u"one\ntwo\tthree\r"),
                                 channelOf(u"\u0085next \u2028line \u202Eevil\u007F", u"http://a/" + unpaired,
                                           u"", u"caf\u00E9 \U0001F4FA"),
                             }));
    const ToolRun run = runTool(folder.path(), {"list", "list.qcl"});
    ASSERT_EQ(run.exitCode, 0) << describe(run);
    EXPECT_EQ(run.out,
              "1\ton\tGBR\t\\x1B]0;owned\\x07Red\\x1B[31m\tC:\\\\demo.wmv\t\tone\\ntwo\\tthree\\r\n"
              "2\ton\tGBR\t\\u0085next \\u2028line \\u202Eevil\\x7F\thttp://a/\\uDC00\t"
              "caf\xC3\xA9 \xF0\x9F\x93\xBA\t\n");
}

// Arguments are UTF-8 here; one that is not gets a message that says so, and nothing is
// written.
TEST(ChannelsTool, FileNamesThatAreNotUtf8GetAClearMessage)
{
    ScratchFolder folder;
    folder.write("list.m3u", list);
    folder.write("list.qcl", fileOf({channelOf(u"One", u"http://a/1")}));
    const std::vector<std::vector<std::string>> cases = {
        {"list", "bad\xFF.qcl"},
        {"import", "l\xC0\xAF.m3u", "out.qcl"},
        {"import", "list.m3u", "o\xFF.qcl"},
        {"export", "list.qcl", "\xED\xA0\x80.m3u"},
        {"import", "list.m3u", "out.qcl", "--country", "G\xFF" "B"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const ToolRun run = runTool(folder.path(), cases[i]);
        EXPECT_EQ(run.exitCode, 2) << "case " << i << "\n" << describe(run);
        EXPECT_NE(run.err.find("not valid UTF-8"), std::string::npos) << "case " << i << "\n" << describe(run);
    }
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"list.m3u", "list.qcl"}));
}

}  // namespace
}  // namespace telvia

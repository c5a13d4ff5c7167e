// telvia-channels: converts between channel files (.qcl) and extended M3U playlists, and
// lists a channel file. Builds for the host and for Windows from the same catalogue code.
//
//   telvia-channels import LIST.m3u OUT.qcl [--country CCC]
//   telvia-channels export IN.qcl OUT.m3u
//   telvia-channels list IN.qcl
//
// Entries that cannot become a record are reported with their line and left out; a list
// that is malformed, or would give more than 400 channels, writes nothing at all.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/channel_file.h"
#include "catalogue/m3u_playlist.h"
#include "common/utf8.h"
#include "disk_files.h"

namespace telvia::tools {

namespace {

// Playlists are text; anything this large is not one.
constexpr std::uint32_t playlistMaxBytes = 64u << 20;

enum ExitCode : int { ok = 0, failed = 1, badUsage = 2 };

void printLine(std::FILE* stream, const std::string& text)
{
    std::fputs(text.c_str(), stream);
    std::fputc('\n', stream);
}

std::string utf8(std::u16string_view text)
{
    return utf16ToUtf8(text).value_or("(text that is not valid UTF-16)");
}

int usage()
{
    std::fputs("usage:\n"
               "  telvia-channels import LIST.m3u OUT.qcl [--country CCC]\n"
               "      CCC (three capital letters, e.g. GBR) is the country of every entry;\n"
               "      without it each entry needs a tvg-country attribute\n"
               "  telvia-channels export IN.qcl OUT.m3u\n"
               "  telvia-channels list IN.qcl\n",
               stderr);
    return badUsage;
}

// A command-line argument as the UTF-16 path the file port takes; the system's own
// conversion knows the encoding of narrow arguments (UTF-8 here, the ANSI code page on
// Windows).
std::u16string pathArgument(const char* argument) { return std::filesystem::path(argument).u16string(); }

void report(const std::string& file, const PlaylistNote& note, std::string_view consequence,
            std::string_view unit = "")
{
    std::string text = file + ":" + std::string(unit) + std::to_string(note.line) + ": " +
                       std::string(describe(note.problem));
    if (note.otherLine != 0) {
        text += " (line " + std::to_string(note.otherLine) + ")";
    }
    printLine(stderr, text + "; " + std::string(consequence));
}

std::optional<std::vector<Channel>> readRecords(FilePort& files, const char* name)
{
    const ChannelFileContent content = readChannelFile(files, pathArgument(name));
    switch (content.status) {
    case ChannelFileStatus::cannotOpen:
        printLine(stderr, std::string(name) + ": cannot open the file");
        return std::nullopt;
    case ChannelFileStatus::invalidLength:
        printLine(stderr, std::string(name) +
                              ": not a channel file (its length is not a whole number of "
                              "3132-byte records, or it holds more than 400)");
        return std::nullopt;
    case ChannelFileStatus::read:
        break;
    }
    return content.channels;
}

int importList(FilePort& files, const char* listName, const char* outName, std::u16string_view country)
{
    const std::unique_ptr<ReadableFile> list = files.openForReading(pathArgument(listName));
    if (!list) {
        printLine(stderr, std::string(listName) + ": cannot open the file");
        return failed;
    }
    const std::uint32_t length = list->size();
    if (length > playlistMaxBytes) {
        printLine(stderr, std::string(listName) + ": too large for a playlist");
        return failed;
    }
    const std::vector<std::byte> bytes = list->read(length);
    if (bytes.size() != length) {
        printLine(stderr, std::string(listName) + ": read error");
        return failed;
    }

    const PlaylistImport result = importPlaylist(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), country);
    for (const PlaylistNote& note : result.skipped) {
        report(listName, note, "entry skipped");
    }
    if (result.error) {
        report(listName, *result.error, std::string(outName) + " not written");
        return failed;
    }
    if (!writeChannelFile(files, pathArgument(outName), result.channels)) {
        printLine(stderr, std::string(outName) + ": cannot write the file");
        return failed;
    }
    std::printf("%s: %zu channels written, %zu entries skipped\n", outName, result.channels.size(),
                result.skipped.size());
    return ok;
}

int exportList(FilePort& files, const char* inName, const char* outName)
{
    const std::optional<std::vector<Channel>> records = readRecords(files, inName);
    if (!records) {
        return failed;
    }
    const PlaylistExport result = exportPlaylist(*records);
    for (const PlaylistNote& note : result.skipped) {
        report(inName, note, "record skipped", "record ");
    }
    const auto* text = reinterpret_cast<const std::byte*>(result.text.data());
    if (files.writeWholeFile(pathArgument(outName), {text, result.text.size()}) != result.text.size()) {
        printLine(stderr, std::string(outName) + ": cannot write the file");
        return failed;
    }
    std::printf("%s: %zu channels written, %zu records skipped\n", outName,
                records->size() - result.skipped.size(), result.skipped.size());
    return ok;
}

// One line per record, tab-separated: number, on mark, country, name, address, home page,
// note.
int listRecords(FilePort& files, const char* inName)
{
    const std::optional<std::vector<Channel>> records = readRecords(files, inName);
    if (!records) {
        return failed;
    }
    int number = 0;
    for (const Channel& channel : *records) {
        printLine(stdout, std::to_string(++number) + "\t" + (channel.on != 0 ? "on" : "off") + "\t" +
                              utf8(channel.country.view()) + "\t" + utf8(channel.name.view()) + "\t" +
                              utf8(channel.address.view()) + "\t" + utf8(channel.homePage.view()) +
                              "\t" + utf8(channel.note.view()));
    }
    return ok;
}

int run(const std::vector<std::string_view>& arguments)
{
    if (arguments.empty()) {
        return usage();
    }
    DiskFiles files;
    const std::string_view command = arguments[0];
    if (command == "import" && (arguments.size() == 3 || arguments.size() == 5)) {
        std::u16string country;
        if (arguments.size() == 5) {
            if (arguments[3] != "--country") {
                return usage();
            }
            country = std::u16string(arguments[4].begin(), arguments[4].end());
            if (!isCountryCode(country)) {
                printLine(stderr, "--country takes three capital letters, such as GBR");
                return badUsage;
            }
        }
        return importList(files, arguments[1].data(), arguments[2].data(), country);
    }
    if (command == "export" && arguments.size() == 3) {
        return exportList(files, arguments[1].data(), arguments[2].data());
    }
    if (command == "list" && arguments.size() == 2) {
        return listRecords(files, arguments[1].data());
    }
    return usage();
}

}  // namespace

}  // namespace telvia::tools

int main(int argc, char** argv)
{
    try {
        return telvia::tools::run(std::vector<std::string_view>(argv + 1, argv + argc));
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "telvia-channels: %s\n", failure.what());
        return telvia::tools::failed;
    }
}

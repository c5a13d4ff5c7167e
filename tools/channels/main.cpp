// telvia-channels: converts between channel files (.qcl) and extended M3U playlists, and
// lists a channel file. Builds for the host and for Windows from the same catalogue code.
//
//   telvia-channels import LIST.m3u OUT.qcl [--country CCC]
//   telvia-channels export IN.qcl OUT.m3u
//   telvia-channels list IN.qcl
//
// Import takes each entry's country from the list (tvg-country, else the country suffix of
// tvg-id); --country is the fallback for entries that give none. Entries that cannot become
// a record are reported with their line and left out; a list that is malformed writes
// nothing at all. A channel file holds 400 channels: of a longer list the first 400 are
// written and the rest counted as left over. The output must not be the input, nor a
// folder; files of 4 GiB and more are refused. The listing shows control characters
// escaped, one line per record.
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <exception>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/channel_file.h"
#include "catalogue/channel_table.h"
#include "catalogue/country_codes.h"
#include "catalogue/m3u_playlist.h"
#include "common/utf8.h"
#include "disk_files.h"
#include "listing.h"

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

int usage()
{
    std::fputs("usage:\n"
               "  telvia-channels import LIST.m3u OUT.qcl [--country CCC]\n"
               "      each entry's country comes from its tvg-country, else from its tvg-id\n"
               "      (\"BBCOne.uk\"); CCC (a country code, e.g. GBR or GB) is the country of\n"
               "      the entries that give none. A channel file holds 400 channels: of a\n"
               "      longer list the first 400 are written\n"
               "  telvia-channels export IN.qcl OUT.m3u\n"
               "  telvia-channels list IN.qcl\n"
               "      one tab-separated line per record; control characters are shown as\n"
               "      \\t \\n \\r \\xHH or \\uXXXX and a backslash as \\\\\n",
               stderr);
    return badUsage;
}

// A file argument: the UTF-16 path the file port takes, and its name for messages.
struct FileArgument {
    std::u16string path;
    std::string name;

    explicit FileArgument(std::u16string_view argument) : path(argument), name(fileNameText(argument)) {}
};

// A note on a line of a playlist (unit "line ") or a record of a channel file ("record ").
void report(const std::string& file, const PlaylistNote& note, std::string_view consequence,
            std::string_view unit)
{
    const std::string where = unit == "line " ? "" : std::string(unit);
    std::string text = file + ":" + where + std::to_string(note.line) + ": " + std::string(describe(note.problem));
    if (note.otherLine != 0) {
        text += " (" + std::string(unit) + std::to_string(note.otherLine) + ")";
    }
    printLine(stderr, text + "; " + std::string(consequence));
}


// The checks made before anything is read: a file the port's 32-bit length would misread.
bool refuseHugeInput(const FileArgument& input)
{
    if (longerThanFileLengths(input.path)) {
        printLine(stderr, input.name + ": 4 GiB or longer, too long for a channel file or a playlist");
        return true;
    }
    return false;
}

// The checks made before anything is written: the output would replace the input, or a
// folder.
std::optional<int> refuseOutput(const FileArgument& input, const FileArgument& output)
{
    if (sameFile(input.path, output.path)) {
        printLine(stderr, output.name + ": the same file as " + input.name +
                              "; the output must not replace the input");
        return badUsage;
    }
    if (existsButIsNoFile(output.path)) {
        printLine(stderr, output.name + ": exists and is not a file (a folder?); nothing written");
        return failed;
    }
    return std::nullopt;
}

std::optional<std::vector<Channel>> readRecords(FilePort& files, const FileArgument& input)
{
    const ChannelFileContent content = readChannelFile(files, input.path);
    switch (content.status) {
    case ChannelFileStatus::cannotOpen:
        printLine(stderr, input.name + ": cannot open the file");
        return std::nullopt;
    case ChannelFileStatus::invalidLength:
        printLine(stderr, input.name +
                              ": not a channel file (its length is not a whole number of "
                              "3132-byte records, or it holds more than 400)");
        return std::nullopt;
    case ChannelFileStatus::read:
        break;
    }
    return content.channels;
}

int importList(FilePort& files, const FileArgument& listFile, const FileArgument& outFile,
               std::u16string_view country)
{
    if (refuseHugeInput(listFile)) {
        return failed;
    }
    if (const auto refused = refuseOutput(listFile, outFile)) {
        return *refused;
    }
    const std::unique_ptr<ReadableFile> list = files.openForReading(listFile.path);
    if (!list) {
        printLine(stderr, listFile.name + ": cannot open the file");
        return failed;
    }
    const std::uint32_t length = list->size();
    if (length > playlistMaxBytes) {
        printLine(stderr, listFile.name + ": too large for a playlist");
        return failed;
    }
    const std::vector<std::byte> bytes = list->read(length);
    if (bytes.size() != length) {
        printLine(stderr, listFile.name + ": read error");
        return failed;
    }

    const PlaylistImport result = importPlaylist(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), country);
    for (const PlaylistNote& note : result.skipped) {
        report(listFile.name, note, "entry skipped", "line ");
    }
    if (result.error) {
        report(listFile.name, *result.error, outFile.name + " not written", "line ");
        return failed;
    }
    const std::span<const Channel> all(result.channels);
    const std::span<const Channel> written = all.first(std::min(all.size(), std::size_t{channelCapacity}));
    if (!writeChannelFile(files, outFile.path, written)) {
        printLine(stderr, outFile.name + ": cannot write the file");
        return failed;
    }
    std::string summary = outFile.name + ": " + std::to_string(written.size()) + " channels written, ";
    if (const std::size_t leftOver = all.size() - written.size(); leftOver != 0) {
        summary += std::to_string(leftOver) + " left over (a channel file holds " + std::to_string(channelCapacity) +
                   "), ";
    }
    printLine(stdout, summary + std::to_string(result.skipped.size()) + " entries skipped");
    return ok;
}

int exportList(FilePort& files, const FileArgument& inFile, const FileArgument& outFile)
{
    if (refuseHugeInput(inFile)) {
        return failed;
    }
    if (const auto refused = refuseOutput(inFile, outFile)) {
        return *refused;
    }
    const std::optional<std::vector<Channel>> records = readRecords(files, inFile);
    if (!records) {
        return failed;
    }
    const PlaylistExport result = exportPlaylist(*records);
    for (const PlaylistNote& note : result.skipped) {
        report(inFile.name, note, "record skipped", "record ");
    }
    const auto* text = reinterpret_cast<const std::byte*>(result.text.data());
    if (files.writeWholeFile(outFile.path, {text, result.text.size()}) != result.text.size()) {
        printLine(stderr, outFile.name + ": cannot write the file");
        return failed;
    }
    std::printf("%s: %zu channels written, %zu records skipped\n", outFile.name.c_str(),
                records->size() - result.skipped.size(), result.skipped.size());
    return ok;
}

// One line per record, tab-separated: number, on mark, country, name, address, home page,
// note.
int listRecords(FilePort& files, const FileArgument& inFile)
{
    if (refuseHugeInput(inFile)) {
        return failed;
    }
    const std::optional<std::vector<Channel>> records = readRecords(files, inFile);
    if (!records) {
        return failed;
    }
    int number = 0;
    for (const Channel& channel : *records) {
        printLine(stdout, std::to_string(++number) + "\t" + (channel.on != 0 ? "on" : "off") + "\t" +
                              listingText(channel.country.view()) + "\t" + listingText(channel.name.view()) +
                              "\t" + listingText(channel.address.view()) + "\t" +
                              listingText(channel.homePage.view()) + "\t" + listingText(channel.note.view()));
    }
    return ok;
}

int run(const std::vector<std::u16string>& arguments)
{
    if (arguments.empty()) {
        return usage();
    }
    DiskFiles files;
    const std::u16string_view command = arguments[0];
    if (command == u"import" && (arguments.size() == 3 || arguments.size() == 5)) {
        std::u16string_view country;
        if (arguments.size() == 5) {
            if (arguments[3] != u"--country") {
                return usage();
            }
            country = arguments[4];
            if (!storedCountryCode(country)) {
                printLine(stderr, "--country takes a country code, such as GBR or GB");
                return badUsage;
            }
        }
        return importList(files, FileArgument(arguments[1]), FileArgument(arguments[2]), country);
    }
    if (command == u"export" && arguments.size() == 3) {
        return exportList(files, FileArgument(arguments[1]), FileArgument(arguments[2]));
    }
    if (command == u"list" && arguments.size() == 2) {
        return listRecords(files, FileArgument(arguments[1]));
    }
    return usage();
}

int runCatching(const std::vector<std::u16string>& arguments)
{
    try {
        return run(arguments);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "telvia-channels: %s\n", failure.what());
        return failed;
    }
}

}  // namespace

}  // namespace telvia::tools

// Windows hands over the arguments in UTF-16 as typed; elsewhere they are bytes, which
// must be UTF-8 to name the files the tool reads and writes.
#ifdef _WIN32
int wmain(int argc, wchar_t** argv)
{
    std::vector<std::u16string> arguments;
    for (int i = 1; i < argc; ++i) {
        const std::wstring_view argument(argv[i]);
        arguments.emplace_back(argument.begin(), argument.end());
    }
    return telvia::tools::runCatching(arguments);
}
#else
int main(int argc, char** argv)
{
    std::vector<std::u16string> arguments;
    for (int i = 1; i < argc; ++i) {
        std::optional<std::u16string> argument = telvia::utf8ToUtf16(argv[i]);
        if (!argument) {
            std::fprintf(stderr, "telvia-channels: argument %d is not valid UTF-8 (file names must be)\n", i);
            return telvia::tools::badUsage;
        }
        arguments.push_back(std::move(*argument));
    }
    return telvia::tools::runCatching(arguments);
}
#endif

// Fuzz target for the M3U reader and writer: whatever the list holds, every record the
// reader accepts fits its fields (terminated inside them, with a country code, a name and
// an address, header suffix included), a refused list names a line of the input, and
// export -> import -> export gives the same text: what the writer writes reads back as
// exactly the records written.
// The writer is fed the records the reader accepted, and also records made directly from
// the input (fields split at 0x1F, records at 0x1E), so that it meets texts the reader
// would never produce: blanks at either end, a leading '#', lowercase countries.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/m3u_playlist.h"
#include "common/utf8.h"

namespace {

using namespace telvia;

void check(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "m3u_playlist_fuzz: %s\n", what);
        std::abort();
    }
}

template <std::size_t Width>
bool fits(const FixedText<Width>& field)
{
    return field.units().back() == u'\0' && field.view().size() <= field.maxLength;
}

void checkAccepted(const Channel& channel)
{
    check(fits(channel.name) && fits(channel.note) && fits(channel.country) && fits(channel.address) &&
              fits(channel.homePage),
          "a field is not terminated inside its width");
    check(isCountryCode(channel.country.view()), "accepted record without a country code");
    check(!channel.name.empty() && !channel.address.empty(), "accepted record without name or address");
    check(channel.on == 0 || channel.on == 1, "on mark other than 0 or 1");
}

int lineCount(std::string_view bytes)
{
    int lines = 1;
    for (const char c : bytes) {
        lines += c == '\n' ? 1 : 0;
    }
    return lines;
}

void checkNotes(const PlaylistImport& result, int lines)
{
    int previous = 0;
    for (const PlaylistNote& note : result.skipped) {
        check(note.line >= 1 && note.line <= lines, "skipped entry outside the list");
        check(note.line > previous, "skipped entries out of order");
        check(note.otherLine < note.line, "a duplicate names a later line");
        previous = note.line;
    }
    if (result.error) {
        check(result.error->line >= 1 && result.error->line <= lines, "error outside the list");
    }
}

// A field of the input as UTF-16: its UTF-8 reading, or byte by byte where it is not UTF-8.
std::u16string fieldText(std::string_view bytes)
{
    if (auto text = utf8ToUtf16(bytes)) {
        return std::move(*text);
    }
    return std::u16string(bytes.begin(), bytes.end());
}

std::vector<Channel> recordsFrom(std::string_view bytes)
{
    std::vector<Channel> records;
    while (!bytes.empty() && records.size() < 401) {
        const std::size_t end = bytes.find('\x1E');
        std::string_view record = bytes.substr(0, end);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        std::u16string fields[5];
        for (std::u16string& field : fields) {
            const std::size_t cut = record.find('\x1F');
            field = fieldText(record.substr(0, cut));
            record.remove_prefix(cut == std::string_view::npos ? record.size() : cut + 1);
        }
        Channel channel;
        channel.on = record.empty() ? 1 : static_cast<unsigned char>(record[0]);
        channel.name = fields[0];
        channel.address = fields[1];
        channel.country = fields[2];
        channel.note = fields[3];
        channel.homePage = fields[4];
        records.push_back(channel);
    }
    return records;
}

// Whatever the records, export writes a list that imports without a note to exactly the
// records it did not leave out (the on mark as 0 or 1), and writes that list again.
void checkExportOf(const std::vector<Channel>& records)
{
    const PlaylistExport exported = exportPlaylist(records);
    std::vector<Channel> written;
    std::size_t next = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (next < exported.skipped.size() && exported.skipped[next].line == static_cast<int>(i + 1)) {
            ++next;
            continue;
        }
        written.push_back(records[i]);
        written.back().on = written.back().on != 0 ? 1 : 0;
    }
    check(next == exported.skipped.size(), "export notes out of order");
    const PlaylistImport again = importPlaylist(exported.text);
    check(!again.error && again.skipped.empty(), "import refused what export wrote");
    check(again.channels == written, "export -> import changed the records");
    const PlaylistExport twice = exportPlaylist(again.channels);
    check(twice.skipped.empty() && twice.text == exported.text, "export -> import -> export changed the text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The first two bytes pick a fallback country as --country does: two letters as a
    // two-letter code (known or not), or else a capital as three of it.
    std::u16string fallbackCountry;
    if (size >= 2 && std::isalpha(data[0]) != 0 && std::isalpha(data[1]) != 0) {
        fallbackCountry = {static_cast<char16_t>(data[0]), static_cast<char16_t>(data[1])};
    } else if (size >= 1 && data[0] >= 'A' && data[0] <= 'Z') {
        fallbackCountry = std::u16string(3, static_cast<char16_t>(data[0]));
    }

    checkExportOf(recordsFrom(bytes));

    const PlaylistImport imported = importPlaylist(bytes, fallbackCountry);
    checkNotes(imported, lineCount(bytes));
    for (const Channel& channel : imported.channels) {
        checkAccepted(channel);
    }
    if (imported.error) {
        return 0;
    }

    // What export leaves out of an accepted list are only texts a playlist line cannot
    // carry back (a carriage return inside a line, a quote in an unquoted value) and the
    // records after the 400th it writes; the rest comes back as the same records and the
    // same text.
    const PlaylistExport exported = exportPlaylist(imported.channels);
    std::vector<Channel> written;
    std::size_t next = 0;
    for (std::size_t i = 0; i < imported.channels.size(); ++i) {
        if (next < exported.skipped.size() && exported.skipped[next].line == static_cast<int>(i + 1)) {
            const PlaylistProblem problem = exported.skipped[next++].problem;
            check(problem == PlaylistProblem::lineBreakInText || problem == PlaylistProblem::quoteInAttribute ||
                      (problem == PlaylistProblem::tooManyChannels && written.size() == 400),
                  "export left out a record the import accepted");
            continue;
        }
        written.push_back(imported.channels[i]);
    }
    check(next == exported.skipped.size(), "export notes out of order");
    const PlaylistImport again = importPlaylist(exported.text);
    check(!again.error && again.skipped.empty(), "import refused what export wrote");
    check(again.channels == written, "export -> import changed the records");
    check(exportPlaylist(again.channels).text == exported.text, "export -> import -> export changed the text");
    return 0;
}

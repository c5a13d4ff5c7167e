// Fuzz target for reading a file that the user loads, a channel file or a playlist told apart
// by content: every channel that comes out fits the catalogue (a country and a name, every
// text inside its field), a channel file's length rule alone decides whether a non-playlist
// is read, and what was left out is never negative.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "catalogue/channel_file.h"
#include "catalogue/channel_import.h"
#include "fuzz_input_file.h"

namespace {

using namespace telvia;

void check(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "channel_import_fuzz: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::byte> input(reinterpret_cast<const std::byte*>(data), size);
    fuzzing::FuzzInputFile files(input);
    const ImportedChannels imported = readChannelsToImport(files, u"picked", u"DEU");
    check(imported.leftOut >= 0, "a negative count of entries left out");
    const bool playlist = looksLikePlaylist(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!playlist) {
        const bool validLength = isChannelFileLength(size);
        check((imported.status == ImportStatus::read) == validLength, "the length rule was not what decided");
        if (validLength) {
            check(imported.channels.size() + static_cast<std::size_t>(imported.leftOut) == size / channelRecordSize,
                  "a record neither taken nor counted as left out");
        }
    }
    if (imported.status != ImportStatus::read) {
        check(imported.channels.empty(), "channels from a file that was refused");
    }
    for (const Channel& channel : imported.channels) {
        check(!channel.country.empty() && !channel.name.empty(), "a channel the catalogue cannot hold");
        check(channel.country.units().back() == u'\0' && channel.name.units().back() == u'\0' &&
                  channel.address.units().back() == u'\0' && channel.note.units().back() == u'\0' &&
                  channel.homePage.units().back() == u'\0',
              "a text not terminated inside its field");
    }
    return 0;
}

#include "catalogue/channel_import.h"

#include <algorithm>
#include <memory>

#include "catalogue/channel_file.h"
#include "catalogue/m3u_playlist.h"

namespace telvia {

namespace {

// A record the catalogue could not hold: an empty country would end the table where it
// lands, and a channel without a name cannot be picked from the menu.
bool isUsableRecord(const Channel& channel)
{
    return !channel.country.empty() && !channel.name.empty();
}

ImportedChannels fromChannelFile(std::span<const std::byte> bytes)
{
    ImportedChannels result;
    if (!isChannelFileLength(bytes.size())) {
        result.status = ImportStatus::invalidFormat;
        return result;
    }
    std::vector<Channel> records = decodeChannelFile(bytes);
    const auto unusable = std::stable_partition(records.begin(), records.end(), isUsableRecord);
    result.leftOut = static_cast<int>(records.end() - unusable);
    records.erase(unusable, records.end());
    result.channels = std::move(records);
    return result;
}

ImportedChannels fromPlaylist(std::string_view text, std::u16string_view fallbackCountry)
{
    ImportedChannels result;
    PlaylistImport playlist = importPlaylist(text, fallbackCountry);
    if (playlist.error) {
        result.status = ImportStatus::invalidFormat;
        return result;
    }
    result.channels = std::move(playlist.channels);
    result.leftOut = static_cast<int>(playlist.skipped.size());
    return result;
}

}  // namespace

bool looksLikePlaylist(std::string_view bytes)
{
    constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    if (bytes.starts_with(byteOrderMark)) {
        bytes.remove_prefix(byteOrderMark.size());
    }
    const std::size_t start = bytes.find_first_not_of(" \t\r\n");
    return start != std::string_view::npos && bytes.substr(start).starts_with("#EXTM3U");
}

ImportedChannels readChannelsToImport(FilePort& files, std::u16string_view path,
                                      std::u16string_view fallbackCountry)
{
    ImportedChannels result;
    const std::unique_ptr<ReadableFile> file = files.openForReading(path);
    if (!file) {
        result.status = ImportStatus::cannotOpen;
        return result;
    }
    const std::uint32_t length = file->size();
    if (length > std::max(channelFileMaxBytes, playlistMaxBytes)) {
        result.status = ImportStatus::invalidFormat;
        return result;
    }
    const std::vector<std::byte> bytes = file->read(length);
    if (bytes.size() != length) {
        return result;
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return looksLikePlaylist(text) ? fromPlaylist(text, fallbackCountry) : fromChannelFile(bytes);
}

}  // namespace telvia

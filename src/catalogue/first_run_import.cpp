#include "catalogue/first_run_import.h"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "catalogue/channel_codec.h"
#include "catalogue/channel_file.h"

namespace telvia {

namespace {

void readFirstRunFile(ChannelTable& table, FilePort& files)
{
    const std::unique_ptr<ReadableFile> file = files.openForReading(firstRunFile);
    if (!file) {
        return;
    }
    // The length is not checked: whatever the file holds, up to the whole table, is taken,
    // and what a failed or short read returned stays.
    const std::uint32_t length = std::min(file->size(), channelFileMaxBytes);
    const std::vector<std::byte> bytes = file->read(length);

    const std::size_t whole = std::min(bytes.size(), std::size_t{channelFileMaxBytes}) /
                              channelRecordSize;
    for (std::size_t record = 0; record < whole; ++record) {
        table[static_cast<int>(record)] = decodeChannel(
            ConstRecordBytes(bytes.data() + record * channelRecordSize, channelRecordSize));
    }
    const std::size_t rest = bytes.size() - whole * channelRecordSize;
    if (rest == 0 || whole >= static_cast<std::size_t>(channelCapacity)) {
        return;
    }
    // The bytes of the last record lie over the slot's own: the part the file lacks keeps
    // what the slot held (zeros in a new catalogue).
    Channel& slot = table[static_cast<int>(whole)];
    std::array<std::byte, channelRecordSize> image;
    encodeChannel(slot, image);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(whole * channelRecordSize), rest,
                image.begin());
    slot = decodeChannel(image);
}

bool isNeighbourCountry(const FixedText<4>& country)
{
    return country == u"RUS" || country == u"BLR";
}

}  // namespace

void markFirstRunChannels(ChannelTable& table, const FixedText<4>& homeCountry)
{
    int ownCountry = 0;
    for (Channel& channel : table.slots) {
        // An empty home country matches the free slots, so the fallback then stays off.
        channel.on = channel.country == homeCountry ? 1 : 0;
        ownCountry += channel.on;
    }
    if (isNeighbourCountry(homeCountry)) {
        for (Channel& channel : table.slots) {
            if (isNeighbourCountry(channel.country)) {
                channel.on = 1;
            }
        }
    }
    if (ownCountry == 0) {
        for (Channel& channel : table.slots) {
            channel.on = channel.country == u"GBR" || channel.country == u"USA" ? 1 : 0;
        }
    }
}

void importFirstRunCatalogue(ChannelTable& channels, const FixedText<4>& homeCountry,
                             FilePort& files)
{
    readFirstRunFile(channels, files);
    markFirstRunChannels(channels, homeCountry);
}

}  // namespace telvia

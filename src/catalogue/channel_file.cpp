#include "catalogue/channel_file.h"

#include <memory>

#include "catalogue/channel_codec.h"

namespace telvia {

bool isChannelFileLength(std::uint64_t length)
{
    return length <= channelFileMaxBytes && length % channelRecordSize == 0;
}

std::vector<Channel> decodeChannelFile(std::span<const std::byte> bytes)
{
    const std::size_t count = bytes.size() / channelRecordSize;
    std::vector<Channel> channels;
    channels.reserve(count);
    for (std::size_t record = 0; record < count; ++record) {
        channels.push_back(decodeChannel(bytes.subspan(record * channelRecordSize).first<channelRecordSize>()));
    }
    return channels;
}

ChannelFileContent readChannelFile(FilePort& files, std::u16string_view path)
{
    ChannelFileContent content;
    const std::unique_ptr<ReadableFile> file = files.openForReading(path);
    if (!file) {
        content.status = ChannelFileStatus::cannotOpen;
        return content;
    }
    const std::uint32_t length = file->size();
    if (!isChannelFileLength(length)) {
        content.status = ChannelFileStatus::invalidLength;
        return content;
    }
    const std::vector<std::byte> bytes = file->read(length);
    if (bytes.size() != length) {
        return content;
    }
    content.channels = decodeChannelFile(bytes);
    return content;
}

bool writeChannelFile(FilePort& files, std::u16string_view path, std::span<const Channel> channels)
{
    std::vector<std::byte> bytes(channels.size() * channelRecordSize);
    for (std::size_t record = 0; record < channels.size(); ++record) {
        encodeChannel(channels[record],
                      RecordBytes(bytes.data() + record * channelRecordSize, channelRecordSize));
    }
    return files.writeWholeFile(path, bytes) == bytes.size();
}

}  // namespace telvia

#include "catalogue/channel_file.h"

#include <memory>

#include "catalogue/channel_codec.h"

namespace telvia {

ChannelFileContent readChannelFile(FilePort& files, std::u16string_view path)
{
    ChannelFileContent content;
    const std::unique_ptr<ReadableFile> file = files.openForReading(path);
    if (!file) {
        content.status = ChannelFileStatus::cannotOpen;
        return content;
    }
    const std::uint32_t length = file->size();
    if (length > channelFileMaxBytes || length % channelRecordSize != 0) {
        content.status = ChannelFileStatus::invalidLength;
        return content;
    }
    const std::vector<std::byte> bytes = file->read(length);
    if (bytes.size() != length) {
        return content;
    }
    const std::size_t count = bytes.size() / channelRecordSize;
    content.channels.reserve(count);
    for (std::size_t record = 0; record < count; ++record) {
        content.channels.push_back(decodeChannel(
            ConstRecordBytes(bytes.data() + record * channelRecordSize, channelRecordSize)));
    }
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

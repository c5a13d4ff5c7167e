// Channel files: a headerless run of 3132-byte records, at most 400 of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "catalogue/channel.h"
#include "platform/file_port.h"

namespace telvia {

// The longest valid file: as many records as the catalogue has slots.
inline constexpr std::uint32_t channelFileMaxBytes = 1'252'800;

enum class ChannelFileStatus : std::uint8_t {
    read,           // the records were read (possibly none)
    cannotOpen,     // the file does not exist or cannot be opened
    invalidLength,  // longer than 400 records, or not a whole number of records
};

struct ChannelFileContent {
    ChannelFileStatus status = ChannelFileStatus::read;
    // The records in file order, taken as they are (an empty country or address included).
    std::vector<Channel> channels;
};

// Whether a file of this many bytes is a channel file: whole records, at most 400 of them.
[[nodiscard]] bool isChannelFileLength(std::uint64_t length);

// The records of a channel file's bytes, whose length has passed the check above.
[[nodiscard]] std::vector<Channel> decodeChannelFile(std::span<const std::byte> bytes);

// Reads the whole file. A read that returns fewer bytes than the file's length gives no
// records and no failure.
[[nodiscard]] ChannelFileContent readChannelFile(FilePort& files, std::u16string_view path);

// Creates or truncates the file and writes the records as they are, in one write. True
// exactly when all count × 3132 bytes were written.
[[nodiscard]] bool writeChannelFile(FilePort& files, std::u16string_view path,
                                    std::span<const Channel> channels);

}  // namespace telvia

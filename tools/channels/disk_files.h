// The file port over the standard library, for the channel-list tool on any system.
#pragma once

#include "platform/file_port.h"

namespace telvia::tools {

// Reads files whole; writes a file under a temporary name beside it and renames it over
// the target only when every byte was written, so a failed write never leaves a partial
// file under the target's name (nor changes an existing one).
class DiskFiles final : public FilePort {
public:
    std::unique_ptr<ReadableFile> openForReading(std::u16string_view path) override;
    std::size_t writeWholeFile(std::u16string_view path, std::span<const std::byte> bytes) override;
};

}  // namespace telvia::tools

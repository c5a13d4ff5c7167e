// The file port over the standard library, for the channel-list tool on any system, and
// the questions the tool asks about its file arguments before it reads or writes.
#pragma once

#include <string_view>

#include "platform/file_port.h"

namespace telvia::tools {

// Reads files whole; writes a file under a name of its own beside the target and renames
// it over the target only when every byte was written, so a failed write never leaves a
// partial file under the target's name (nor changes an existing one). Only a regular file
// or a name that does not exist yet is a target: a folder or a device is never replaced.
class DiskFiles final : public FilePort {
public:
    std::unique_ptr<ReadableFile> openForReading(std::u16string_view path) override;
    std::size_t writeWholeFile(std::u16string_view path, std::span<const std::byte> bytes) override;
};

// Whether two names lead to one file, however they are spelt (another relative form, a
// symbolic or hard link): by the file's identity where both exist, else by canonical path.
[[nodiscard]] bool sameFile(std::u16string_view a, std::u16string_view b);

// Whether the name is taken by something other than a regular file (a folder, a device).
[[nodiscard]] bool existsButIsNoFile(std::u16string_view path);

// Whether the file is longer than the 32 bits in which the file port gives a length.
[[nodiscard]] bool longerThanFileLengths(std::u16string_view path);

}  // namespace telvia::tools

// Whole-file reads and writes, relative names resolved against the current directory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace telvia {

// An open file, read by the caller after it has looked at the size.
class ReadableFile {
public:
    virtual ~ReadableFile() = default;

    // Low 32 bits of the file's length.
    [[nodiscard]] virtual std::uint32_t size() = 0;
    // Up to count bytes from the current position; fewer on a short read or an error.
    [[nodiscard]] virtual std::vector<std::byte> read(std::uint32_t count) = 0;
};

class FilePort {
public:
    virtual ~FilePort() = default;

    // Opens an existing file for reading without sharing; null when it cannot be opened.
    [[nodiscard]] virtual std::unique_ptr<ReadableFile> openForReading(std::u16string_view path) = 0;
    // Creates or truncates the file and writes the bytes in one go; returns the number written
    // (0 when the file cannot be created).
    [[nodiscard]] virtual std::size_t writeWholeFile(std::u16string_view path,
                                                     std::span<const std::byte> bytes) = 0;
};

}  // namespace telvia

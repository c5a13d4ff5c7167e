// A file system of one file, the fuzzer's bytes, whatever name is opened; what is written
// back is kept. Shared by the targets that read a file through the file port.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "platform/file_port.h"

namespace telvia::fuzzing {

class FuzzInputFile final : public FilePort {
public:
    explicit FuzzInputFile(std::span<const std::byte> input) : input_(input) {}

    std::unique_ptr<ReadableFile> openForReading(std::u16string_view) override
    {
        return std::make_unique<Reader>(input_);
    }

    std::size_t writeWholeFile(std::u16string_view, std::span<const std::byte> bytes) override
    {
        written.assign(bytes.begin(), bytes.end());
        return bytes.size();
    }

    std::vector<std::byte> written;

private:
    class Reader final : public ReadableFile {
    public:
        explicit Reader(std::span<const std::byte> bytes) : bytes_(bytes) {}
        std::uint32_t size() override { return static_cast<std::uint32_t>(bytes_.size()); }
        std::vector<std::byte> read(std::uint32_t count) override
        {
            const std::size_t taken = std::min<std::size_t>(count, bytes_.size() - position_);
            const auto from = bytes_.begin() + static_cast<std::ptrdiff_t>(position_);
            position_ += taken;
            return {from, from + static_cast<std::ptrdiff_t>(taken)};
        }

    private:
        std::span<const std::byte> bytes_;
        std::size_t position_ = 0;
    };

    std::span<const std::byte> input_;
};

}  // namespace telvia::fuzzing

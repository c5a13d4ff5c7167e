// Files by relative or absolute name, through CreateFileW.
#pragma once

#include "platform/file_port.h"

namespace telvia::win32 {

class Win32Files final : public FilePort {
public:
    std::unique_ptr<ReadableFile> openForReading(std::u16string_view path) override;
    std::size_t writeWholeFile(std::u16string_view path, std::span<const std::byte> bytes) override;
};

}  // namespace telvia::win32

#include "platform/win32/desktop/win32_files.h"

#include <limits>
#include <string>

#include "platform/win32/base/unique_handle.h"
#include "platform/win32/base/wide_text.h"

namespace telvia::win32 {

namespace {

using UniqueFile = UniqueHandle<HANDLE, closeFile>;

UniqueFile createFile(std::u16string_view path, DWORD access, DWORD disposition)
{
    const std::wstring widePath = toWide(path);
    HANDLE file = CreateFileW(widePath.c_str(), access, 0, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    return UniqueFile(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

class Win32ReadableFile final : public ReadableFile {
public:
    explicit Win32ReadableFile(UniqueFile file) : file_(std::move(file)) {}

    std::uint32_t size() override { return GetFileSize(file_.get(), nullptr); }

    std::vector<std::byte> read(std::uint32_t count) override
    {
        std::vector<std::byte> bytes(count);
        DWORD done = 0;
        if (!ReadFile(file_.get(), bytes.data(), count, &done, nullptr)) {
            done = 0;
        }
        bytes.resize(done);
        return bytes;
    }

private:
    UniqueFile file_;
};

}  // namespace

std::unique_ptr<ReadableFile> Win32Files::openForReading(std::u16string_view path)
{
    UniqueFile file = createFile(path, GENERIC_READ, OPEN_EXISTING);
    if (!file) {
        return nullptr;
    }
    return std::make_unique<Win32ReadableFile>(std::move(file));
}

std::size_t Win32Files::writeWholeFile(std::u16string_view path, std::span<const std::byte> bytes)
{
    if (bytes.size() > std::numeric_limits<DWORD>::max()) {
        return 0;
    }
    const UniqueFile file = createFile(path, GENERIC_WRITE, CREATE_ALWAYS);
    if (!file) {
        return 0;
    }
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
        return 0;
    }
    return written;
}

}  // namespace telvia::win32

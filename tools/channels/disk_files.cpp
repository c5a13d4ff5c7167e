#include "disk_files.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace telvia::tools {

namespace {

std::filesystem::path toPath(std::u16string_view path) { return std::filesystem::path(std::u16string(path)); }

class DiskReadableFile final : public ReadableFile {
public:
    explicit DiskReadableFile(std::ifstream stream) : stream_(std::move(stream)) {}

    std::uint32_t size() override
    {
        const std::streampos here = stream_.tellg();
        stream_.seekg(0, std::ios::end);
        const std::streamoff length = stream_.tellg();
        stream_.seekg(here);
        return static_cast<std::uint32_t>(length);
    }

    std::vector<std::byte> read(std::uint32_t count) override
    {
        std::vector<std::byte> bytes(count);
        stream_.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
        bytes.resize(static_cast<std::size_t>(stream_.gcount()));
        return bytes;
    }

private:
    std::ifstream stream_;
};

}  // namespace

std::unique_ptr<ReadableFile> DiskFiles::openForReading(std::u16string_view path)
{
    const std::filesystem::path name = toPath(path);
    std::error_code error;
    if (!std::filesystem::is_regular_file(name, error)) {
        return nullptr;
    }
    std::ifstream stream(name, std::ios::binary);
    if (!stream) {
        return nullptr;
    }
    return std::make_unique<DiskReadableFile>(std::move(stream));
}

std::size_t DiskFiles::writeWholeFile(std::u16string_view path, std::span<const std::byte> bytes)
{
    const std::filesystem::path target = toPath(path);
    std::filesystem::path partial = target;
    partial += ".part";
    std::error_code error;
    {
        std::ofstream stream(partial, std::ios::binary | std::ios::trunc);
        stream.write(reinterpret_cast<const char*>(bytes.data()),
                     static_cast<std::streamsize>(bytes.size()));
        stream.close();
        if (!stream) {
            std::filesystem::remove(partial, error);
            return 0;
        }
    }
    std::filesystem::rename(partial, target, error);
    if (error) {
        // Some systems do not rename over an existing file.
        std::filesystem::remove(target, error);
        std::filesystem::rename(partial, target, error);
    }
    if (error) {
        std::filesystem::remove(partial, error);
        return 0;
    }
    return bytes.size();
}

}  // namespace telvia::tools

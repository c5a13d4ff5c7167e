#include "disk_files.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <system_error>

#include "temporary_file.h"

namespace telvia::tools {

namespace fs = std::filesystem;

namespace {

fs::path toPath(std::u16string_view path) { return fs::path(std::u16string(path)); }

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
    const fs::path name = toPath(path);
    std::error_code error;
    if (!fs::is_regular_file(name, error)) {
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
    if (existsButIsNoFile(path)) {
        return 0;
    }
    const fs::path target = toPath(path);
    std::optional<TemporaryFile> partial = TemporaryFile::createBeside(target);
    if (!partial || !partial->writeAndClose(bytes) || !partial->replace(target)) {
        return 0;
    }
    return bytes.size();
}

bool sameFile(std::u16string_view a, std::u16string_view b)
{
    std::error_code error;
    if (fs::equivalent(toPath(a), toPath(b), error)) {
        return true;
    }
    const fs::path first = fs::weakly_canonical(toPath(a), error);
    if (error) {
        return false;
    }
    const fs::path second = fs::weakly_canonical(toPath(b), error);
    return !error && first == second;
}

bool existsButIsNoFile(std::u16string_view path)
{
    std::error_code error;
    const fs::file_status status = fs::status(toPath(path), error);
    return fs::exists(status) && !fs::is_regular_file(status);
}

bool longerThanFileLengths(std::u16string_view path)
{
    std::error_code error;
    const std::uintmax_t length = fs::file_size(toPath(path), error);
    return !error && length > std::numeric_limits<std::uint32_t>::max();
}

}  // namespace telvia::tools

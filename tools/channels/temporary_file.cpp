#include "temporary_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace telvia::tools {

namespace {

// The C runtime's file functions under their names on each system; an exclusive create is
// the one thing the standard library cannot ask for.
#ifdef _WIN32
int openNew(const std::filesystem::path& path)
{
    return _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}
long writeSome(int descriptor, const std::byte* data, std::size_t count)
{
    return _write(descriptor, data, static_cast<unsigned>(std::min<std::size_t>(count, 1u << 30)));
}
int flushToDisk(int descriptor) { return _commit(descriptor); }
int closeFile(int descriptor) { return _close(descriptor); }
#else
int openNew(const std::filesystem::path& path)
{
    return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}
long writeSome(int descriptor, const std::byte* data, std::size_t count)
{
    return static_cast<long>(write(descriptor, data, count));
}
int flushToDisk(int descriptor) { return fsync(descriptor); }
int closeFile(int descriptor) { return close(descriptor); }
#endif

std::string randomHex()
{
    std::random_device source;
    const std::uint64_t value = (std::uint64_t{source()} << 32) ^ source();
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

}  // namespace

std::optional<TemporaryFile> TemporaryFile::createBeside(const std::filesystem::path& target)
{
    // A name already taken is tried again with another; anything else will not improve.
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::filesystem::path candidate = target;
        candidate += "." + randomHex() + ".part";
        const int descriptor = openNew(candidate);
        if (descriptor >= 0) {
            return TemporaryFile(std::move(candidate), descriptor);
        }
        if (errno != EEXIST) {
            break;
        }
    }
    return std::nullopt;
}

TemporaryFile::TemporaryFile(TemporaryFile&& other) noexcept
    : path_(std::move(other.path_)),
      descriptor_(std::exchange(other.descriptor_, -1)),
      renamed_(std::exchange(other.renamed_, true))
{
}

TemporaryFile::~TemporaryFile()
{
    close();
    if (!renamed_) {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
}

void TemporaryFile::close()
{
    if (descriptor_ >= 0) {
        closeFile(std::exchange(descriptor_, -1));
    }
}

bool TemporaryFile::writeAndClose(std::span<const std::byte> bytes)
{
    if (descriptor_ < 0) {
        return false;
    }
    while (!bytes.empty()) {
        const long written = writeSome(descriptor_, bytes.data(), bytes.size());
        if (written <= 0) {
            close();
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    // The rename must not make a file visible whose bytes a crash could still lose.
    const bool flushed = flushToDisk(descriptor_) == 0;
    return closeFile(std::exchange(descriptor_, -1)) == 0 && flushed;
}

bool TemporaryFile::replace(const std::filesystem::path& target)
{
    if (descriptor_ >= 0) {
        return false;
    }
    std::error_code error;
    std::filesystem::rename(path_, target, error);
    renamed_ = !error;
    return renamed_;
}

}  // namespace telvia::tools

// A file of a name no other file has, made beside a target, written whole and then renamed
// over the target; removed again unless it was renamed.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>

namespace telvia::tools {

class TemporaryFile {
public:
    // Creates "<target name>.<random>.part" in the target's folder, never opening a file
    // that exists already; nothing when no such file can be created.
    [[nodiscard]] static std::optional<TemporaryFile> createBeside(const std::filesystem::path& target);

    TemporaryFile(TemporaryFile&& other) noexcept;
    TemporaryFile& operator=(TemporaryFile&&) = delete;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile();

    // Writes all the bytes, flushes them to the disk and closes the file; false on any error.
    [[nodiscard]] bool writeAndClose(std::span<const std::byte> bytes);
    // Renames the written file over the target in one step; false, with the target as it
    // was, when the system refuses.
    [[nodiscard]] bool replace(const std::filesystem::path& target);

    [[nodiscard]] const std::filesystem::path& path() const { return path_; }

private:
    TemporaryFile(std::filesystem::path path, int descriptor) : path_(std::move(path)), descriptor_(descriptor) {}
    void close();

    std::filesystem::path path_;
    int descriptor_ = -1;  // -1 once closed
    bool renamed_ = false;
};

}  // namespace telvia::tools

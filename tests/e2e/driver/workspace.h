// The working folder of one scenario: made empty, with its own copy of telvia.exe and
// whatever files the scenario puts next to it (translation file, first-run catalogue).
// The program opens those files by relative name, so it is started in this folder.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace telvia::e2e {

class Workspace {
public:
    // Makes `base`\`name` empty (a folder left by an earlier run is removed) and copies
    // `program` into it as telvia.exe.
    Workspace(const std::filesystem::path& base, std::wstring_view name,
              const std::filesystem::path& program);

    [[nodiscard]] const std::filesystem::path& folder() const { return folder_; }
    [[nodiscard]] std::filesystem::path program() const { return folder_ / L"telvia.exe"; }
    [[nodiscard]] std::filesystem::path pathOf(std::wstring_view name) const { return folder_ / name; }

    // Writes `bytes` as they are (no newline translation) to the file `name` in the folder.
    void writeFile(std::wstring_view name, std::string_view bytes) const;
    // Copies `source` into the folder as `name`, replacing a file of that name.
    void copyIn(const std::filesystem::path& source, std::wstring_view name) const;

    [[nodiscard]] bool contains(std::wstring_view name) const;
    // The bytes of the file `name` in the folder; throws when it cannot be read.
    [[nodiscard]] std::string readFile(std::wstring_view name) const;
    // The file's bytes, or nothing while it cannot be read (missing, or still held by a writer).
    [[nodiscard]] std::optional<std::string> tryReadFile(std::wstring_view name) const;
    // Removes the file `name` if it exists.
    void remove(std::wstring_view name) const;

private:
    std::filesystem::path folder_;
};

}  // namespace telvia::e2e

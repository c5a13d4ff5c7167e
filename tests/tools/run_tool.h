// Runs the channel-list tool as a user would: in a folder of its own, with arguments given
// as bytes, its exit code and both outputs kept.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace telvia::testing {

struct ToolRun {
    int exitCode = -1;  // -1: it did not exit normally (a crash, a sanitizer abort)
    std::string out;
    std::string err;
};

// Runs the built tool with the arguments in the folder; its outputs go through files, so
// that a long listing cannot block it.
[[nodiscard]] ToolRun runTool(const std::filesystem::path& folder, const std::vector<std::string>& arguments);

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    [[nodiscard]] const std::filesystem::path& path() const { return path_; }
    // Writes a file in the folder and returns its path.
    std::filesystem::path write(const std::string& name, const std::string& bytes) const;
    [[nodiscard]] std::string read(const std::string& name) const;
    // The names in the folder, sorted.
    [[nodiscard]] std::vector<std::string> names() const;

private:
    std::filesystem::path path_;
};

}  // namespace telvia::testing

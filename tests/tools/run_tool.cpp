#include "run_tool.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace telvia::testing {

namespace {

std::string readWhole(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

}  // namespace

ToolRun runTool(const std::filesystem::path& folder, const std::vector<std::string>& arguments)
{
    const std::filesystem::path outputs = folder.parent_path() / (folder.filename().string() + ".outputs");
    std::filesystem::create_directories(outputs);
    const std::string outFile = (outputs / "out").string();
    const std::string errFile = (outputs / "err").string();

    std::vector<std::string> words = {TELVIA_CHANNELS_TOOL};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    // The child runs in the folder; the tool's path is absolute.
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        throw std::runtime_error("cannot start " + words[0]);
    }
    int status = 0;
    waitpid(child, &status, 0);

    ToolRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = readWhole(outFile);
    run.err = readWhole(errFile);
    std::filesystem::remove_all(outputs);
    return run;
}

ScratchFolder::ScratchFolder()
{
    std::string name = (std::filesystem::temp_directory_path() / "telvia-tool-XXXXXX").string();
    if (mkdtemp(name.data()) == nullptr) {
        throw std::runtime_error("cannot make a scratch folder");
    }
    path_ = name;
}

ScratchFolder::~ScratchFolder()
{
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

std::filesystem::path ScratchFolder::write(const std::string& name, const std::string& bytes) const
{
    const std::filesystem::path file = path_ / name;
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
}

std::string ScratchFolder::read(const std::string& name) const { return readWhole(path_ / name); }

std::vector<std::string> ScratchFolder::names() const
{
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
        found.push_back(entry.path().filename().string());
    }
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace telvia::testing

// What the scenarios are told on the command line: where telvia.exe, the menu probe, the
// demo video and the folder for working folders are.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace telvia::e2e {

struct DriverOptions {
    std::filesystem::path program;    // telvia.exe as built
    std::filesystem::path workBase;   // each scenario makes its working folder in here
    std::filesystem::path menuProbe;  // the probe library loaded into the program
    std::filesystem::path demoVideo;  // a short video with sound that the program can play
};

// A path as given on the command line. Under Wine the build passes Unix paths; an
// absolute one ("/x/y") names drive Z: ("Z:\x\y"). Other paths are taken as they are.
[[nodiscard]] std::filesystem::path windowsPath(std::wstring_view argument);

// Reads --program=PATH, --work=PATH, --probe=PATH and --demo=PATH, all required. On an
// unknown or missing argument returns nothing and says why in `error`.
[[nodiscard]] std::optional<DriverOptions> parseOptions(int argc, wchar_t** argv, std::wstring& error);

// The options of this run, set once by main before any scenario runs.
void setOptions(DriverOptions options);
[[nodiscard]] const DriverOptions& options();

}  // namespace telvia::e2e

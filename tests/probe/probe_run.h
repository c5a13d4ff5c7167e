// Runs telvia-probe.exe as a user does, its output into files, for the probe's tests: the
// exit code, standard output split into lines, standard error.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace telvia::testing {

// From the command line: --probe=PATH and --work=DIR (made if missing); --channels=DIR, the
// channels the capture tests serve.
struct ProbeTestPaths {
    std::wstring probe;
    std::wstring work;
    std::wstring channels;
};
[[nodiscard]] ProbeTestPaths& probeTestPaths();

[[nodiscard]] std::wstring widen(const std::string& text);
[[nodiscard]] std::string narrow(const std::wstring& text);

struct ProbeRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;  // standard output, as written
    std::string errors;  // standard error
    std::vector<std::string> lines;  // standard output split at its CR LF line ends

    [[nodiscard]] bool has(const std::string& line) const;
    // The first line that starts with the prefix, if any.
    [[nodiscard]] std::optional<std::string> startingWith(const std::string& prefix) const;
    [[nodiscard]] int count(const std::string& prefix) const;
};

// A whole file, read while others may still hold it open; empty when it cannot be read.
[[nodiscard]] std::string readWhole(const std::wstring& path);

// Runs the probe with the arguments (already quoted as a command line), at most a minute.
[[nodiscard]] ProbeRun runProbe(const std::wstring& arguments);

}  // namespace telvia::testing

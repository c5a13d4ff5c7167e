#include "probe_run.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/win32/base/unique_handle.h"

namespace telvia::testing {

namespace {

using UniqueFile = win32::UniqueHandle<HANDLE, win32::closeFile>;

// The console host Wine starts for the probe inherits its output handles and may hold them
// a moment after the probe ended: the files are shared, and each run has its own.
constexpr DWORD anyShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

UniqueFile createOutputFile(const std::wstring& path)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return UniqueFile(CreateFileW(path.c_str(), GENERIC_WRITE, anyShare, &inherit, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

ProbeTestPaths& probeTestPaths()
{
    static ProbeTestPaths paths;
    return paths;
}

std::wstring widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::string narrow(const std::wstring& text)
{
    std::string out;
    for (const wchar_t c : text) {
        out += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return out;
}

bool ProbeRun::has(const std::string& line) const
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::optional<std::string> ProbeRun::startingWith(const std::string& prefix) const
{
    for (const std::string& line : lines) {
        if (line.rfind(prefix, 0) == 0) {
            return line;
        }
    }
    return std::nullopt;
}

int ProbeRun::count(const std::string& prefix) const
{
    return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                          [&](const std::string& line) { return line.rfind(prefix, 0) == 0; }));
}

std::string readWhole(const std::wstring& path)
{
    const UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, anyShare, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string content;
    char buffer[65536];
    DWORD read = 0;
    while (file.get() != INVALID_HANDLE_VALUE && ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) &&
           read > 0) {
        content.append(buffer, read);
    }
    return content;
}

ProbeRun runProbe(const std::wstring& arguments)
{
    const ProbeTestPaths& paths = probeTestPaths();
    ProbeRun run;
    static int runs = 0;
    const std::wstring number = std::to_wstring(++runs);
    const std::wstring outPath = paths.work + L"\\probe-out-" + number + L".txt";
    const std::wstring errPath = paths.work + L"\\probe-err-" + number + L".txt";
    {
        UniqueFile out = createOutputFile(outPath);
        UniqueFile err = createOutputFile(errPath);
        EXPECT_NE(out.get(), INVALID_HANDLE_VALUE);
        EXPECT_NE(err.get(), INVALID_HANDLE_VALUE);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = out.get();
        startup.hStdError = err.get();
        std::wstring commandLine = L"\"" + paths.probe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(paths.probe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                            nullptr, nullptr, &startup, &process)) {
            ADD_FAILURE() << "the probe did not start: " << GetLastError();
            return run;
        }
        const win32::UniqueKernelObject processHandle(process.hProcess);
        const win32::UniqueKernelObject threadHandle(process.hThread);
        if (WaitForSingleObject(process.hProcess, 60'000) != WAIT_OBJECT_0) {
            TerminateProcess(process.hProcess, 99);
            ADD_FAILURE() << "the probe did not end within a minute";
        }
        GetExitCodeProcess(process.hProcess, &run.exitCode);
    }
    run.output = readWhole(outPath);
    run.errors = readWhole(errPath);
    std::size_t start = 0;
    for (std::size_t end; (end = run.output.find("\r\n", start)) != std::string::npos; start = end + 2) {
        run.lines.push_back(run.output.substr(start, end - start));
    }
    EXPECT_EQ(start, run.output.size()) << "the last line has no CR LF";
    return run;
}

}  // namespace telvia::testing

int wmain(int argc, wchar_t** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    telvia::testing::ProbeTestPaths& paths = telvia::testing::probeTestPaths();
    for (int i = 1; i < argc; ++i) {
        const std::wstring argument = argv[i];
        if (argument.rfind(L"--probe=", 0) == 0) {
            paths.probe = argument.substr(8);
        } else if (argument.rfind(L"--work=", 0) == 0) {
            paths.work = argument.substr(7);
        } else if (argument.rfind(L"--channels=", 0) == 0) {
            paths.channels = argument.substr(11);
        }
    }
    if (!paths.work.empty()) {
        CreateDirectoryW(paths.work.c_str(), nullptr);
    }
    return RUN_ALL_TESTS();
}

// telvia-probe as a user runs it, under Wine: the report and the exit code for an MPEG audio
// stream from a loopback server (rendered by Wine's MPEG audio decoder on ALSA's null
// device), a missing stream, Windows Media behind a plain path, an address the program
// refuses, a hostile playlist, and bad usage.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "loopback_http_server.h"
#include "platform/win32/base/unique_handle.h"

namespace {

using telvia::testing::LoopbackHttpServer;
using telvia::testing::Reply;
using telvia::win32::UniqueHandle;
using telvia::win32::UniqueKernelObject;

std::wstring probeProgram;  // from --probe=PATH
std::wstring workFolder;    // from --work=DIR

using UniqueFile = UniqueHandle<HANDLE, telvia::win32::closeFile>;

std::wstring widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// Seconds of silent MPEG-1 layer 2 audio: 48 kHz, 128 kbit/s, stereo, 384-byte frames whose
// zero payload allocates no bits to any subband.
std::string silentAudio(int seconds)
{
    std::string frame(384, '\0');
    frame[0] = '\xFF';
    frame[1] = '\xFD';
    frame[2] = '\x84';
    std::string body;
    for (int i = 0; i < seconds * 125 / 3; ++i) {  // 24 ms per frame
        body += frame;
    }
    return body;
}

// The start of a Windows Media file: the header object's GUID and size.
std::string asfHeaderStart()
{
    std::string header("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
    header += std::string("\x1E\x02\x00\x00\x00\x00\x00\x00", 8);
    header += std::string(4096, '\0');
    return header;
}

struct ProbeRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;  // standard output, as written
    std::string errors;  // standard error
    std::vector<std::string> lines;  // standard output split at its CR LF line ends

    [[nodiscard]] bool has(const std::string& line) const
    {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    // The first line that starts with the prefix, if any.
    [[nodiscard]] std::optional<std::string> startingWith(const std::string& prefix) const
    {
        for (const std::string& line : lines) {
            if (line.rfind(prefix, 0) == 0) {
                return line;
            }
        }
        return std::nullopt;
    }
    [[nodiscard]] int count(const std::string& prefix) const
    {
        return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                              [&](const std::string& line) { return line.rfind(prefix, 0) == 0; }));
    }
};

// The console host Wine starts for the probe inherits its output handles and may hold them
// a moment after the probe ended: the files are shared, and each run has its own.
constexpr DWORD anyShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::string readWhole(const std::wstring& path)
{
    const UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, anyShare, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string content;
    char buffer[4096];
    DWORD read = 0;
    while (file.get() != INVALID_HANDLE_VALUE && ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) &&
           read > 0) {
        content.append(buffer, read);
    }
    return content;
}

UniqueFile createOutputFile(const std::wstring& path)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return UniqueFile(CreateFileW(path.c_str(), GENERIC_WRITE, anyShare, &inherit, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Runs the probe with the arguments (already quoted as a command line), its output into files.
ProbeRun runProbe(const std::wstring& arguments)
{
    ProbeRun run;
    static int runs = 0;
    const std::wstring number = std::to_wstring(++runs);
    const std::wstring outPath = workFolder + L"\\probe-out-" + number + L".txt";
    const std::wstring errPath = workFolder + L"\\probe-err-" + number + L".txt";
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
        std::wstring commandLine = L"\"" + probeProgram + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(probeProgram.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                            nullptr, nullptr, &startup, &process)) {
            ADD_FAILURE() << "the probe did not start: " << GetLastError();
            return run;
        }
        const UniqueKernelObject processHandle(process.hProcess);
        const UniqueKernelObject threadHandle(process.hThread);
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

class Probe : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(probeProgram.empty()) << "run with --probe=PATH --work=DIR";
    }
};

TEST_F(Probe, AnMpegAudioStreamOpensRendersAndRuns)
{
    LoopbackHttpServer server;
    // A path that tells nothing: the source tells the stream from its first bytes.
    server.on("/radio", Reply::withBody(200, silentAudio(8), "Content-Type: audio/mpeg\r\n"));
    const std::string address = server.address("/radio");

    const ProbeRun run = runProbe(widen(address));
    SCOPED_TRACE(run.output);
    EXPECT_EQ(run.exitCode, 0u) << run.errors;
    EXPECT_TRUE(run.errors.empty()) << run.errors;
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ(run.lines[0].rfind("telvia-probe ", 0), 0u);
    EXPECT_TRUE(run.has("address: " + address));
    EXPECT_TRUE(run.has("route: stream source (http stream (sniffed))"));
    EXPECT_TRUE(run.has("create graph: 0x00000000 S_OK"));
    EXPECT_TRUE(run.has("create source (stream source): 0x00000000 S_OK"));
    EXPECT_TRUE(run.has("add source: 0x00000000 S_OK"));
    EXPECT_TRUE(run.has("request: " + address + ": HTTP 200"));
    EXPECT_TRUE(run.has("format: MPEG audio"));
    const std::optional<std::string> load = run.startingWith("load: ");
    ASSERT_TRUE(load.has_value());
    EXPECT_EQ(load->rfind("load: 0x00000000 S_OK, took ", 0), 0u);
    EXPECT_EQ(load->substr(load->size() - 3), " ms");
    EXPECT_TRUE(run.has("pin 1 \"Audio\": output"));
    EXPECT_EQ(run.count("pin "), 1);
    EXPECT_TRUE(run.has("  type 1: major Audio, subtype MPEG1AudioPayload, format WaveFormatEx: 48000 Hz, 2 channels, layer 2, 128 kbit/s"));
    EXPECT_EQ(run.startingWith("render pin 1 \"Audio\": 0x0000000").has_value(), true);
    // The source under the program's name, a decoder and the audio renderer.
    EXPECT_TRUE(run.has("filter: WMASFReader"));
    EXPECT_GE(run.count("filter: "), 3);
    EXPECT_TRUE(run.startingWith("run: 0x0000000").has_value());
    EXPECT_TRUE(run.startingWith("first sample: arrived, graph running after ").has_value());
    EXPECT_TRUE(run.has("stop: 0x00000000 S_OK"));
    EXPECT_EQ(run.startingWith("result: "), "result: every pin rendered");
    EXPECT_EQ(run.lines.back().rfind("memory: at most ", 0), 0u);
}

TEST_F(Probe, WhatDoesNotOpenEndsWithExitCodeOne)
{
    LoopbackHttpServer server;
    server.on("/wm", Reply::withBody(200, asfHeaderStart(), "Content-Type: application/octet-stream\r\n"));
    const struct {
        const char* name;
        std::wstring address;
        std::vector<std::string> lines;  // in this order, others between them
        std::vector<std::string> absent;
    } cases[] = {
        {"missing stream", widen(server.address("/missing.mp3")),
         {"route: stream source (audio stream)", "create source (stream source): 0x00000000 S_OK",
          "request: " + server.address("/missing.mp3") + ": HTTP 404",
          "load: 0x80072efd stream unreachable, took ", "result: Load failed"},
         {"pin ", "render ", "run: "}},
        // Windows Media behind a plain path: the program's own source does not read it and
        // the ASF reader gets the address. Wine's reader accepts an http address in Load but
        // offers no stream for it, which the program takes for a failed connection as well.
        {"Windows Media over HTTP", widen(server.address("/wm")),
         {"route: stream source (http stream (sniffed))", "request: " + server.address("/wm") + ": HTTP 200",
          "format: Windows Media (ASF)", "load: 0x80040240 VFW_E_UNKNOWN_FILE_TYPE",
          "fallback: the stream source does not read this stream; the ASF reader tries it",
          "remove stream source: 0x00000000 S_OK", "create source (ASF reader): 0x00000000 S_OK",
          "add source: 0x00000000 S_OK", "load: ", "no output pin", "filter: WMASFReader",
          "result: the source opened but offers no stream"},
         {"pin ", "render ", "filter: Default", "run: 0x"}},
        // A share would be sent the user's sign-in: nothing is created for it.
        {"network share", L"\\\\127.0.0.1\\share\\clip.wmv",
         {"route: none (network path (refused))", "result: the program opens no such address"},
         {"create graph", "load: "}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ProbeRun run = runProbe(c.address);
        SCOPED_TRACE(run.output);
        EXPECT_EQ(run.exitCode, 1u);
        std::size_t at = 0;
        for (const std::string& expected : c.lines) {
            const auto found = std::find_if(run.lines.begin() + static_cast<std::ptrdiff_t>(std::min(at, run.lines.size())),
                                            run.lines.end(),
                                            [&](const std::string& line) { return line.rfind(expected, 0) == 0; });
            ASSERT_NE(found, run.lines.end()) << "missing or out of order: " << expected;
            at = static_cast<std::size_t>(found - run.lines.begin()) + 1;
        }
        for (const std::string& prefix : c.absent) {
            EXPECT_EQ(run.count(prefix), 0) << prefix;
        }
        EXPECT_EQ(run.startingWith("result: "), c.lines.back());
    }
    // The missing stream was asked for, and a Load failure is a failed answer, not silence.
    EXPECT_GE(server.requests().size(), 2u);
}

TEST_F(Probe, AHostilePlaylistEndsAsAFailedOpenWithinItsMemory)
{
    // 4 MiB of segments that each name their own 1 KiB key address, none of which exists.
    LoopbackHttpServer server;
    const std::string key(1000, 'k');
    std::string playlist = "#EXTM3U\n#EXT-X-TARGETDURATION:1\n";
    for (int i = 0; playlist.size() < 4 * 1024 * 1024; ++i) {
        playlist += "#EXT-X-KEY:METHOD=AES-128,URI=\"" + key + std::to_string(i) + "\"\n#EXTINF:1,\ns" +
                    std::to_string(i) + ".ts\n";
    }
    server.on("/hostile.m3u8", Reply::withBody(200, playlist, "Content-Type: application/vnd.apple.mpegurl\r\n"));

    const ProbeRun run = runProbe(widen(server.address("/hostile.m3u8")));
    SCOPED_TRACE(run.output);
    EXPECT_EQ(run.exitCode, 1u) << run.errors;
    EXPECT_TRUE(run.startingWith("load: 0x").has_value());
    EXPECT_FALSE(run.startingWith("load: 0x00000000").has_value());
    // The report's last line tells the most the probe held.
    const std::string& memory = run.lines.back();
    ASSERT_EQ(memory.rfind("memory: at most ", 0), 0u) << memory;
    std::printf("[ probe    ] 4 MiB hostile playlist: %s\n", memory.c_str());
    EXPECT_LT(std::stoi(memory.substr(std::string("memory: at most ").size())), 300);
}

TEST_F(Probe, BadUsageExitsWith64AndSaysHowToCallIt)
{
    const std::wstring cases[] = {L"", L"one two", L"\"\"", L"--help", L"/?"};
    for (const std::wstring& arguments : cases) {
        SCOPED_TRACE(std::string(arguments.begin(), arguments.end()));
        const ProbeRun run = runProbe(arguments);
        EXPECT_EQ(run.exitCode, 64u);
        EXPECT_TRUE(run.output.empty()) << run.output;
        EXPECT_EQ(run.errors.rfind("usage: telvia-probe ADDRESS\r\n", 0), 0u) << run.errors;
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        const std::wstring argument = argv[i];
        if (argument.rfind(L"--probe=", 0) == 0) {
            probeProgram = argument.substr(8);
        } else if (argument.rfind(L"--work=", 0) == 0) {
            workFolder = argument.substr(7);
        }
    }
    if (!workFolder.empty()) {
        CreateDirectoryW(workFolder.c_str(), nullptr);
    }
    return RUN_ALL_TESTS();
}

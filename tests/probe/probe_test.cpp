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

#include "live_hls_channel.h"
#include "loopback_http_server.h"
#include "probe_run.h"

namespace {

using namespace telvia::testing;

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

class Probe : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(probeTestPaths().probe.empty()) << "run with --probe=PATH --work=DIR";
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
    const std::wstring cases[] = {L"",
                                  L"one two",
                                  L"\"\"",
                                  L"--help",
                                  L"/?",
                                  L"--capture",
                                  L"--seconds 5",
                                  L"--seconds 0 http://127.0.0.1/a",
                                  L"--seconds 2x http://127.0.0.1/a",
                                  L"--seconds 86401 http://127.0.0.1/a",
                                  L"--capture a --capture b http://127.0.0.1/a",
                                  L"http://127.0.0.1/a --capture"};
    for (const std::wstring& arguments : cases) {
        SCOPED_TRACE(std::string(arguments.begin(), arguments.end()));
        const ProbeRun run = runProbe(arguments);
        EXPECT_EQ(run.exitCode, 64u);
        EXPECT_TRUE(run.output.empty()) << run.output;
        EXPECT_EQ(run.errors.rfind("usage: telvia-probe [--capture DIR] [--seconds N] ADDRESS\r\n", 0), 0u) << run.errors;
    }
}

// The lines of a capture's text file, without their line ends.
std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

struct SampleLine {
    long long start = -1;
    long long stop = -1;
    int sync = -1;
    int discontinuity = -1;
    int preroll = -1;
    long long bytes = -1;
};

std::optional<SampleLine> parseSampleLine(const std::string& line)
{
    SampleLine parsed;
    if (std::sscanf(line.c_str(), "%lld %lld %d %d %d %lld", &parsed.start, &parsed.stop, &parsed.sync,
                    &parsed.discontinuity, &parsed.preroll, &parsed.bytes) != 6) {
        return std::nullopt;
    }
    return parsed;
}

TEST_F(Probe, ACaptureWritesWhatThePinDeliversSampleBySample)
{
    LoopbackHttpServer server;
    const std::string body = silentAudio(3);
    server.on("/radio", Reply::withBody(200, body, "Content-Type: audio/mpeg\r\n"));
    const std::wstring folder = probeTestPaths().work + L"\\radio-capture";

    const ProbeRun run = runProbe(L"--capture \"" + folder + L"\" " + widen(server.address("/radio")));
    SCOPED_TRACE(run.output);
    EXPECT_EQ(run.exitCode, 0u) << run.errors;
    EXPECT_TRUE(run.has("capture pin 1 \"Audio\": 0x00000000 S_OK"));
    EXPECT_EQ(run.count("render "), 0);
    const std::size_t frames = body.size() / 384;
    EXPECT_TRUE(run.has("captured 1: " + std::to_string(frames) + " samples, " + std::to_string(body.size()) +
                        " bytes, end of stream"));
    EXPECT_TRUE(run.has("result: every pin captured"));

    // The payload is the stream itself: one MPEG audio frame per sample, none lost.
    EXPECT_TRUE(readWhole(folder + L"\\pin1.es") == body);
    const std::vector<std::string> lines = linesOf(readWhole(folder + L"\\pin1.txt"));
    ASSERT_EQ(lines.size(), 2 + frames);
    EXPECT_EQ(lines[0], "major Audio, subtype MPEG1AudioPayload, format WaveFormatEx: 48000 Hz, 2 channels, layer 2, "
                        "128 kbit/s");
    // MPEG1WAVEFORMAT: the tag 0x0050, two channels, 48000 Hz, as the media type's block holds them.
    EXPECT_EQ(lines[1].rfind("format 40 bytes: 5000020080bb0000", 0), 0u) << lines[1];
    std::optional<SampleLine> first;
    for (std::size_t i = 0; i < frames; ++i) {
        SCOPED_TRACE(i);
        const std::optional<SampleLine> sample = parseSampleLine(lines[2 + i]);
        ASSERT_TRUE(sample.has_value()) << lines[2 + i];
        if (!first) {
            first = sample;
        }
        // 24 ms apart, each as long as its frame; only the first of the run is a discontinuity.
        EXPECT_EQ(sample->start - first->start, static_cast<long long>(i) * 240'000);
        EXPECT_EQ(sample->stop - sample->start, 240'000);
        EXPECT_EQ(sample->sync, 1);
        EXPECT_EQ(sample->discontinuity, i == 0 ? 1 : 0);
        EXPECT_EQ(sample->preroll, 0);
        EXPECT_EQ(sample->bytes, 384);
    }
}

TEST_F(Probe, SecondsSetHowLongTheGraphRuns)
{
    LoopbackHttpServer server;
    const LiveHlsChannel channel(server, LiveHlsSettings{});
    const std::wstring folder = probeTestPaths().work + L"\\live-capture";
    const struct {
        const char* name;
        std::wstring options;
        std::string pinLine;
    } cases[] = {
        {"render", L"--seconds 3", "render pin 1 \"Audio\": 0x0000000"},
        {"capture", L"--seconds 3 --capture \"" + folder + L"\"", "capture pin 1 \"Audio\": 0x00000000 S_OK"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ProbeRun run = runProbe(c.options + L" " + widen(channel.address()));
        SCOPED_TRACE(run.output);
        EXPECT_EQ(run.exitCode, 0u) << run.errors;
        EXPECT_TRUE(run.startingWith(c.pinLine).has_value());
        const std::optional<std::string> ran = run.startingWith("ran: ");
        ASSERT_TRUE(ran.has_value());
        EXPECT_GE(std::stol(ran->substr(5)), 3000);
        EXPECT_LT(std::stol(ran->substr(5)), 5000);
        EXPECT_TRUE(run.has("stop: 0x00000000 S_OK"));
    }
    // A live channel does not end: the capture was still streaming when the time was up.
    const std::vector<std::string> lines = linesOf(readWhole(folder + L"\\pin1.txt"));
    EXPECT_GT(lines.size(), 2u + 40u);
}

}  // namespace

// The capture that proves the pictures: HLS channels made with ffmpeg (scripts/
// make-hls-channels.sh) served from a loopback server, each captured with telvia-probe
// --capture under Wine. This test checks what Wine can see (both pins captured, the run's
// end) and writes, beside each capture, the probe's report and played.txt: the segments
// the server answered, in order. check_capture.py then decodes the capture and the segments with ffmpeg on the
// host and compares them frame by frame, time by time.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "live_hls_channel.h"
#include "loopback_http_server.h"
#include "probe_run.h"

namespace {

using namespace telvia::testing;

std::filesystem::path channelsFolder() { return std::filesystem::path(probeTestPaths().channels); }

std::string fileBytes(const std::filesystem::path& path)
{
    return readWhole(path.wstring());
}

// Serves every file of the channel's folder under "/<channel>/...", except the ones that
// answer 404.
void serveChannel(LoopbackHttpServer& server, const std::string& channel, const std::set<std::string>& missing)
{
    const std::filesystem::path root = channelsFolder() / channel;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        const std::string target = "/" + channel + "/" + entry.path().lexically_relative(root).generic_string();
        if (missing.count(target) == 0) {
            const bool playlist = entry.path().extension() == ".m3u8";
            server.on(target, Reply::withBody(200, fileBytes(entry.path()),
                                              playlist ? "Content-Type: application/vnd.apple.mpegurl\r\n"
                                                       : "Content-Type: video/mp2t\r\n"));
        }
    }
}

struct ChannelCase {
    const char* name;
    std::string address;                 // the target of its first playlist
    std::set<std::string> missing;       // targets that answer 404
    int seconds = 0;                     // how long the capture may run; a VOD ends before
    bool live = false;
    // A live DASH channel: the segments of this channel's folder by a dynamic manifest at
    // `address`, made from its static one, whose presentation began a while ago.
    std::string dynamicFrom = {};
};

// The folder's static DASH manifest as a live one: available since `began`, played some
// seconds behind its edge, its segments by number counted from then.
std::string dynamicManifest(const std::string& folder, std::chrono::system_clock::time_point began)
{
    std::string manifest = fileBytes(channelsFolder() / folder / "manifest.mpd");
    const std::time_t start = std::chrono::system_clock::to_time_t(began);
    char when[32] = {};
    std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%SZ", std::gmtime(&start));
    const std::string dynamic = std::string("type=\"dynamic\" availabilityStartTime=\"") + when +
                                "\" publishTime=\"" + when +
                                "\" minimumUpdatePeriod=\"PT2S\" timeShiftBufferDepth=\"PT30S\" "
                                "suggestedPresentationDelay=\"PT6S\"";
    const std::size_t type = manifest.find("type=\"static\"");
    if (type != std::string::npos) {
        manifest.replace(type, std::string_view("type=\"static\"").size(), dynamic);
    }
    const std::size_t duration = manifest.find("mediaPresentationDuration=\"");
    if (duration != std::string::npos) {
        manifest.erase(duration, manifest.find('"', manifest.find('"', duration) + 1) + 1 - duration);
    }
    return manifest;
}

void PrintTo(const ChannelCase& channel, std::ostream* out) { *out << channel.name; }

class Capture : public ::testing::TestWithParam<ChannelCase> {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(probeTestPaths().probe.empty()) << "run with --probe=PATH --work=DIR --channels=DIR";
        ASSERT_TRUE(std::filesystem::is_directory(channelsFolder())) << "no channels: run make-hls-channels.sh";
    }
};

TEST_P(Capture, EveryPinOfTheChannelIsCapturedWithTheSegmentsPlayed)
{
    const ChannelCase& channel = GetParam();
    LoopbackHttpServer server;
    std::optional<LiveHlsChannel> live;
    std::string address;
    if (channel.live) {
        LiveHlsSettings settings;
        settings.listed = 4;
        settings.segments = 14;
        settings.segmentLength = std::chrono::milliseconds(1000);
        const std::filesystem::path folder = channelsFolder() / "live";
        settings.segmentBody = [folder](std::uint64_t index) {
            return fileBytes(folder / (std::to_string(index) + ".ts"));
        };
        live.emplace(server, settings);
        address = live->address();
    } else if (!channel.dynamicFrom.empty()) {
        serveChannel(server, channel.dynamicFrom, channel.missing);
        // Begun six and a half seconds ago and played six behind its edge: the channel
        // starts at its first segment, and its three segments have all ended by then.
        const auto began = std::chrono::system_clock::now() - std::chrono::milliseconds(6500);
        server.on(channel.address, Reply::withBody(200, dynamicManifest(channel.dynamicFrom, began),
                                                   "Content-Type: application/dash+xml\r\n"));
        address = server.address(channel.address);
    } else {
        serveChannel(server, channel.name, channel.missing);
        address = server.address(channel.address);
    }
    const std::wstring folder = probeTestPaths().work + L"\\captures\\" + widen(channel.name);
    CreateDirectoryW((probeTestPaths().work + L"\\captures").c_str(), nullptr);
    std::filesystem::remove_all(std::filesystem::path(folder));

    // The sink takes each sample when it is due, as a renderer does: a capture lasts as
    // long as the channel plays.
    const ProbeRun run = runProbe(L"--seconds " + std::to_wstring(channel.seconds) + L" --capture \"" + folder +
                                  L"\" " + widen(address));
    SCOPED_TRACE(run.output);
    EXPECT_EQ(run.exitCode, 0u) << run.errors;
    EXPECT_TRUE(run.has("capture pin 1 \"Video\": 0x00000000 S_OK"));
    EXPECT_TRUE(run.has("capture pin 2 \"Audio\": 0x00000000 S_OK"));
    EXPECT_TRUE(run.has("result: every pin captured"));
    const std::string ending = channel.live ? "still streaming" : "end of stream";
    for (const char* pin : {"captured 1: ", "captured 2: "}) {
        const std::optional<std::string> captured = run.startingWith(pin);
        ASSERT_TRUE(captured.has_value()) << pin;
        EXPECT_EQ(captured->substr(captured->size() - ending.size()), ending);
    }

    std::ofstream(std::filesystem::path(folder) / "report.txt", std::ios::binary) << run.output;
    std::ofstream played(std::filesystem::path(folder) / "played.txt", std::ios::binary);
    for (const ReceivedRequest& request : server.requests()) {
        const std::string& target = request.target;
        const bool segment = std::filesystem::path(target).extension() == ".ts" ||
                             std::filesystem::path(target).extension() == ".m4s";
        if (segment && channel.missing.count(target) == 0) {
            played << target.substr(1) << "\n";
        }
    }
}

// The sound of a channel switches from AAC to MPEG audio on the same stream, the times
// going on: the audio pin goes on with the new format on the sample where it changes, as a
// renderer's decoder would be told, and the frames after it are MPEG audio.
TEST(CaptureOfASwitch, TheAudioPinGoesOnInTheNewFormat)
{
    ASSERT_FALSE(probeTestPaths().probe.empty()) << "run with --probe=PATH --work=DIR --channels=DIR";
    LoopbackHttpServer server;
    serveChannel(server, "switch", {});
    const std::wstring folder = probeTestPaths().work + L"\\switch-capture";
    std::filesystem::remove_all(std::filesystem::path(folder));
    const ProbeRun run = runProbe(L"--seconds 10 --capture \"" + folder + L"\" " + widen(server.address("/switch/index.m3u8")));
    SCOPED_TRACE(run.output);
    ASSERT_EQ(run.exitCode, 0u) << run.errors;
    EXPECT_TRUE(run.has("result: every pin captured"));

    const std::string lines = readWhole(folder + L"\\pin2.txt");
    const std::string payload = readWhole(folder + L"\\pin2.es");
    std::istringstream in(lines);
    std::string line;
    std::getline(in, line);
    EXPECT_NE(line.find("subtype MPEG_ADTS_AAC"), std::string::npos) << line;
    std::getline(in, line);  // its format block
    std::size_t before = 0;
    std::size_t after = 0;
    std::size_t at = 0;  // where the sample's payload starts in pin2.es
    bool switched = false;
    while (std::getline(in, line)) {
        if (line.rfind("type change: ", 0) == 0) {
            EXPECT_FALSE(switched) << "the format changes once";
            EXPECT_NE(line.find("subtype MPEG1AudioPayload"), std::string::npos) << line;
            EXPECT_NE(line.find("48000"), std::string::npos) << line;
            switched = true;
            std::getline(in, line);  // its format block
            continue;
        }
        std::istringstream fields(line);
        std::string start, stop, sync, discontinuity, preroll;
        std::size_t bytes = 0;
        fields >> start >> stop >> sync >> discontinuity >> preroll >> bytes;
        ASSERT_LE(at + bytes, payload.size());
        const auto b0 = static_cast<unsigned char>(payload[at]);
        const auto b1 = static_cast<unsigned char>(payload[at + 1]);
        if (switched) {
            ++after;
            // MPEG-1 layer 2: 0xFFF sync, version 1, layer bits 10.
            EXPECT_TRUE(b0 == 0xFF && (b1 & 0xFE) == 0xFC) << "frame " << after;
        } else {
            ++before;
            EXPECT_TRUE(b0 == 0xFF && (b1 & 0xF6) == 0xF0) << "ADTS frame " << before;
        }
        at += bytes;
    }
    EXPECT_TRUE(switched);
    // Two seconds of each: 94 AAC frames at 48 kHz, 83 MPEG audio frames.
    EXPECT_GE(before, 80u);
    EXPECT_GE(after, 80u);
    EXPECT_EQ(at, payload.size());
}

INSTANTIATE_TEST_SUITE_P(
    Channels, Capture,
    ::testing::Values(
        // H.264 with B-frames and AAC-LC, start to end.
        ChannelCase{"avc", "/avc/index.m3u8", {}, 12, false},
        // AAC at 24 kHz mono, announced as an HE-AAC v2 decoder plays it.
        ChannelCase{"heaac", "/heaac/index.m3u8", {}, 10, false},
        // The better variant gives out after its first segment (three missing in a row)
        // and the other one takes over with the next.
        ChannelCase{"variants", "/variants/master.m3u8",
                    {"/variants/hi/1.ts", "/variants/hi/2.ts", "/variants/hi/3.ts"}, 20, false},
        // A discontinuity: a larger picture with parameter sets of its own and new timestamps.
        ChannelCase{"jump", "/jump/index.m3u8", {}, 14, false},
        // A live channel, joined near its edge and captured for a while.
        ChannelCase{"live", "", {}, 6, true},
        // The avc channel in fragmented MP4 segments, its times from the edit lists.
        ChannelCase{"fmp4", "/fmp4/index.m3u8", {}, 12, false},
        // MPEG-1 layer 2 audio in fragmented MP4.
        ChannelCase{"fmp4mpa", "/fmp4mpa/index.m3u8", {}, 10, false},
        // By a DASH manifest, pictures and sound in representations of their own: segments
        // by a template with a timeline, and by number alone.
        ChannelCase{"dash", "/dash/manifest.mpd", {}, 12, false},
        ChannelCase{"dashnumber", "/dashnumber/manifest.mpd", {}, 12, false},
        // The same as a live manifest, joined behind its edge; the segments after the three
        // there are never made, so the channel ends once they keep failing.
        ChannelCase{"dashlive", "/dashnumber/live.mpd",
                    {"/dashnumber/chunk-0-4.m4s", "/dashnumber/chunk-0-5.m4s", "/dashnumber/chunk-0-6.m4s",
                     "/dashnumber/chunk-1-5.m4s", "/dashnumber/chunk-1-6.m4s"},
                    10, false, "dashnumber"}),
    [](const ::testing::TestParamInfo<ChannelCase>& param) { return std::string(param.param.name); });

// Channels Wine can play itself, with no capture in between: the probe renders every pin
// through Wine's decoders and the graph runs to the end of the stream.
class Plays : public Capture {};

TEST_P(Plays, EveryPinRendersAndTheGraphRunsToTheEnd)
{
    const ChannelCase& channel = GetParam();
    LoopbackHttpServer server;
    serveChannel(server, channel.name, channel.missing);
    const ProbeRun run = runProbe(L"--seconds " + std::to_wstring(channel.seconds) + L" " +
                                  widen(server.address(channel.address)));
    SCOPED_TRACE(run.output);
    EXPECT_EQ(run.exitCode, 0u) << run.errors;
    EXPECT_TRUE(run.has("pin 1 \"Audio\": output"));
    EXPECT_EQ(run.count("pin "), 1);
    EXPECT_TRUE(run.has("  type 1: major Audio, subtype MPEG1AudioPayload, format WaveFormatEx: 48000 Hz, 2 channels, "
                        "layer 2, 128 kbit/s"));
    EXPECT_TRUE(run.startingWith("render pin 1 \"Audio\": 0x0000000").has_value());
    EXPECT_TRUE(run.startingWith("first sample: arrived, graph running after ").has_value());
    EXPECT_TRUE(run.has("event: EC_COMPLETE, 0x0, 0x0")) << "the graph ran to the end of the stream";
    EXPECT_EQ(run.startingWith("result: "), "result: every pin rendered");
}

INSTANTIATE_TEST_SUITE_P(
    Channels, Plays,
    ::testing::Values(
        // A radio channel: MPEG-1 layer 2 audio alone, in fragmented MP4.
        ChannelCase{"fmp4radio", "/fmp4radio/index.m3u8", {}, 8, false},
        // The same by a DASH manifest.
        ChannelCase{"dashradio", "/dashradio/manifest.mpd", {}, 8, false}),
    [](const ::testing::TestParamInfo<ChannelCase>& param) { return std::string(param.param.name); });

}  // namespace

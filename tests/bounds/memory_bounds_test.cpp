// The stream session against servers that send what no channel sends, with the memory it
// holds counted: each case ends as a channel that does not play or plays what it can, and
// the most the process held while it ran stays within the session's budget. The figures
// are printed for comparison across changes.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "call_log.h"
#include "fake_cipher.h"
#include "generated_http.h"
#include "live_bytes.h"
#include "mp4_builder.h"
#include "playback/stream/session/stream_session.h"
#include "program_writer.h"

namespace telvia::stream {
namespace {

using namespace telvia::testing;
using namespace telvia::stream::testing;

constexpr std::size_t mebibyte = 1024 * 1024;
const std::string channel = "http://hostile.example/live/";

class QuietEvents final : public StreamSourceEvents {
public:
    void onBuffering(bool) override {}
};

// A session with the program's own clock and settings.
struct Rig {
    GeneratedHttp http;
    fakes::CallLog log;
    fakes::FakeCipher cipher{log};
    SteadyStreamClock clock;
    QuietEvents events;
    StreamSession session{http, cipher, clock, events};
};

void report(const char* what, std::size_t peak)
{
    std::printf("[ bounds   ] %s: at most %.1f MiB held\n", what, static_cast<double>(peak) / mebibyte);
}

std::string playlistOf(std::size_t size, const std::function<std::string(std::size_t)>& entry, std::string head)
{
    std::string text = std::move(head);
    for (std::size_t i = 0; text.size() < size; ++i) text += entry(i);
    return text;
}

TEST(MemoryBounds, HostilePlaylistsFailWithoutHoldingMuch)
{
    const std::string longKey = "k" + std::string(1023, 'x');
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"4 MiB media playlist, a 1 KiB key address on every segment",
         playlistOf(4 * mebibyte,
                    [&](std::size_t i) {
                        return "#EXT-X-KEY:METHOD=AES-128,URI=\"" + longKey + std::to_string(i) + "\"\n#EXTINF:1,\ns" +
                               std::to_string(i) + ".ts\n";
                    },
                    "#EXTM3U\n#EXT-X-TARGETDURATION:1\n")},
        {"4 MiB media playlist of short segment lines",
         playlistOf(4 * mebibyte, [](std::size_t i) { return "#EXTINF:1,\n" + std::to_string(i) + "\n"; },
                    "#EXTM3U\n#EXT-X-TARGETDURATION:1\n")},
        {"master playlist of 5,000 variants on as many hosts",
         playlistOf(0, [](std::size_t) { return std::string(); }, [] {
             std::string text = "#EXTM3U\n";
             for (int i = 0; i < 5000; ++i) {
                 text += "#EXT-X-STREAM-INF:BANDWIDTH=" + std::to_string(1000 + i) + "\nhttp://h" + std::to_string(i) +
                         ".example/v.m3u8\n";
             }
             return text;
         }())},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.http.serveText(channel + "index.m3u8", "application/vnd.apple.mpegurl",
                           std::make_shared<const std::string>(c.text));
        resetPeak();
        const std::size_t before = liveBytes();
        EXPECT_NE(rig.session.open(channel + "index.m3u8"), StreamOpenResult::opened);
        rig.session.stop();
        const std::size_t held = peakBytes() - before;
        report(c.name, held);
        EXPECT_LT(held, 48 * mebibyte);
        EXPECT_LE(rig.http.requests(), 20);
    }
}

// A program map listing video on 128 streams, then PES packets on all of them in turn
// that never end, 96 MiB in all.
BodyGenerator pidFlood()
{
    constexpr std::uint16_t streams = 128;
    constexpr std::uint64_t total = 96 * mebibyte;
    auto writer = std::make_shared<TsWriter>();
    return [writer, sent = std::uint64_t{0}, packet = std::uint64_t{0}](Bytes& more) mutable {
        writer->out.clear();
        if (packet == 0) {
            std::vector<StreamEntry> entries;
            for (std::uint16_t i = 0; i < streams; ++i) entries.push_back({0x1B, static_cast<std::uint16_t>(0x200 + i)});
            writer->table(0, patSection(1, programPmtPid));
            writer->table(programPmtPid, pmtSection(1, entries));
        }
        for (int i = 0; i < 512; ++i, ++packet) {
            const auto pid = static_cast<std::uint16_t>(0x200 + packet % streams);
            Bytes payload(184, 0x00);  // zeros hold no start code: no picture ever ends
            PacketFlags flags;
            if (packet < streams) {
                payload = pesPacket(0xE0, 1000, std::nullopt, Bytes(184 - 14, 0x00), false);
                flags.payloadStart = true;
            }
            writer->append(tsPacket(pid, writer->next(pid), payload, flags));
        }
        sent += writer->out.size();
        more = writer->out;
        return sent < total;
    };
}

// One key picture, then pictures that all carry its time, without end; the audio the map
// lists never comes.
BodyGenerator picturesStandingStill(std::shared_ptr<std::atomic<bool>> done)
{
    auto writer = std::make_shared<TsWriter>();
    return [writer, done, picture = std::uint64_t{0}](Bytes& more) mutable {
        writer->out.clear();
        if (picture == 0) {
            writer->table(0, patSection(1, programPmtPid));
            writer->table(programPmtPid, pmtSection(1, {{0x1B, programVideoPid}, {0x0F, programAudioPid}}));
        }
        for (int i = 0; i < 256; ++i, ++picture) {
            Bytes unit = {0, 0, 0, 1, 0x09, 0xF0};
            if (picture == 0) {
                for (const Bytes* set : {&sps160x120, &pps}) {
                    unit.insert(unit.end(), {0, 0, 0, 1});
                    unit.insert(unit.end(), set->begin(), set->end());
                }
            }
            unit.insert(unit.end(), {0, 0, 0, 1, static_cast<std::uint8_t>(picture == 0 ? 0x65 : 0x41), 0x88});
            writer->pes(programVideoPid, pesPacket(0xE0, 900000, std::nullopt, unit, false), picture == 0);
        }
        more = writer->out;
        // Ten million pictures would be 1.9 GB of stream; a bounded session stops reading
        // long before.
        if (picture >= 10'000'000) {
            *done = true;
            return false;
        }
        return true;
    };
}

// A movie with one video track, then a media data box that runs to the end of the file,
// 96 MiB of it, where no fragment lists any sample.
BodyGenerator endlessMediaData()
{
    constexpr std::uint64_t total = 96 * mebibyte;
    return [sent = std::uint64_t{0}](Bytes& more) mutable {
        more.clear();
        if (sent == 0) {
            more = concat({ftyp(), moov({trak(1, "vide", 90000, visualEntry("avc1", avcC({sps160x120}, {pps})))}),
                           Bytes{0, 0, 0, 0, 'm', 'd', 'a', 't'}});
        }
        more.resize(more.size() + 256 * 1024, 0);
        sent += more.size();
        return sent < total;
    };
}

// Waits until the session stops reading, for want of room or at the end.
void awaitReadingStops(const GeneratedHttp& http)
{
    std::uint64_t seen = http.bodyBytesRead();
    for (int quiet = 0; quiet < 5;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const std::uint64_t now = http.bodyBytesRead();
        quiet = now == seen ? quiet + 1 : 0;
        seen = now;
    }
}

TEST(MemoryBounds, HostileTransportStreamsStayWithinTheSessionsBudget)
{
    {
        Rig rig;
        rig.http.serve(channel + "endless.mp4", "video/mp4", endlessMediaData());
        resetPeak();
        const std::size_t before = liveBytes();
        EXPECT_NE(rig.session.open(channel + "endless.mp4"), StreamOpenResult::opened);
        rig.session.stop();
        const std::size_t held = peakBytes() - before;
        report("96 MiB of media data in one fragmented MP4 box", held);
        EXPECT_GE(rig.http.bodyBytesRead(), 96 * mebibyte);
        // The media data are read as they stream in: no more than a sample is ever held.
        EXPECT_LT(held, 4 * mebibyte);
    }
    {
        Rig rig;
        rig.http.serve(channel + "flood.ts", "video/mp2t", pidFlood());
        resetPeak();
        const std::size_t before = liveBytes();
        EXPECT_NE(rig.session.open(channel + "flood.ts"), StreamOpenResult::opened);
        rig.session.stop();
        const std::size_t held = peakBytes() - before;
        report("96 MiB of never-ending PES packets on 128 streams", held);
        EXPECT_GE(rig.http.bodyBytesRead(), 96 * mebibyte);  // all of it was read
        EXPECT_LT(held, 32 * mebibyte);
    }
    {
        Rig rig;
        auto done = std::make_shared<std::atomic<bool>>(false);
        rig.http.serve(channel + "still.ts", "video/mp2t", picturesStandingStill(done));
        resetPeak();
        const std::size_t before = liveBytes();
        ASSERT_EQ(rig.session.open(channel + "still.ts"), StreamOpenResult::opened);
        EXPECT_EQ(rig.session.tracks().size(), 1u);  // the audio was given up
        awaitReadingStops(rig.http);
        const std::size_t held = peakBytes() - before;
        report("pictures whose time stands still, nobody playing them", held);
        EXPECT_FALSE(*done);
        EXPECT_LT(held, 48 * mebibyte);
        rig.session.stop();
    }
}

}  // namespace
}  // namespace telvia::stream

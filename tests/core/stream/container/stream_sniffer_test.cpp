#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "playback/stream/container/stream_sniffer.h"
#include "ts_builder.h"

namespace telvia::stream {
namespace {

using testing::Bytes;
using testing::concat;
using testing::text;

TEST(StreamSniffer, TellsFormatsByTheirFirstBytesThenByContentType)
{
    const Bytes mp3Frame = [] {
        Bytes f = {0xFF, 0xFB, 0x90, 0x00};
        f.resize(417, 0x55);
        return f;
    }();
    const Bytes ts = concat({testing::tsPacket(0, 0, {0}), testing::tsPacket(0, 1, {0}), testing::tsPacket(0, 2, {0})});
    Bytes manyPackets;
    for (std::uint8_t i = 0; i < 16; ++i) manyPackets = concat({manyPackets, testing::tsPacket(0x100, i, Bytes(184, 0x11))});
    const Bytes joinedMidPacket(manyPackets.begin() + 100, manyPackets.end());
    const Bytes junkInFront = concat({Bytes(500, 0x47), Bytes(3, 0), manyPackets});
    const Bytes asf = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C, 0x01};
    const Bytes id3 = {'I', 'D', '3', 4, 0, 0, 0, 0, 0, 5, 1, 2, 3, 4, 5};
    const struct {
        const char* name;
        const char* contentType;
        Bytes bytes;
        StreamFormat expected;
    } cases[] = {
        {"playlist", "text/plain", text("#EXTM3U\n#EXT-X-VERSION:3\n"), StreamFormat::hlsPlaylist},
        {"playlist with BOM and blank line", "", text("\xEF\xBB\xBF\r\n#EXTM3U\r\n"), StreamFormat::hlsPlaylist},
        {"transport stream served as octets", "application/octet-stream", ts, StreamFormat::transportStream},
        {"ASF", "video/mp2t", asf, StreamFormat::asf},
        {"two MP3 frames", "", concat({mp3Frame, mp3Frame}), StreamFormat::mpegAudio},
        {"MP3 behind an ID3 tag", "application/octet-stream", concat({id3, mp3Frame, mp3Frame}), StreamFormat::mpegAudio},
        {"two ADTS frames", "audio/mpeg", concat({testing::adtsFrame(300, 1), testing::adtsFrame(200, 2)}),
         StreamFormat::adtsAudio},
        {"one MP3 header alone is not proof", "", mp3Frame, StreamFormat::unknown},
        {"too few bytes, audio/mpeg type", "Audio/MPEG; charset=x", {0xFF, 0xFB}, StreamFormat::mpegAudio},
        {"too few bytes, AAC type", "audio/aacp", {}, StreamFormat::adtsAudio},
        {"too few bytes, playlist type", "application/vnd.apple.mpegurl", text("#EXT"), StreamFormat::hlsPlaylist},
        {"too few bytes, ASF type", "video/x-ms-asf", {}, StreamFormat::asf},
        {"an MP4 file", "application/octet-stream", concat({Bytes{0, 0, 0, 16}, text("ftypiso6"), Bytes(4, 0)}),
         StreamFormat::fragmentedMp4},
        {"MP4 fragments joined between two", "", concat({Bytes{0, 0, 0, 8}, text("moof")}), StreamFormat::fragmentedMp4},
        {"a box no stream begins with", "", concat({Bytes{0, 0, 0, 8}, text("free")}), StreamFormat::unknown},
        {"a box smaller than its header", "", concat({Bytes{0, 0, 0, 4}, text("ftyp")}), StreamFormat::unknown},
        {"too few bytes, MP4 type", "video/mp4", {}, StreamFormat::fragmentedMp4},
        {"a web page", "text/html", text("<!DOCTYPE html><html>"), StreamFormat::unknown},
        {"DASH manifest after its prolog", "text/xml",
         text("\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- by a packager -->\n<MPD xmlns=\"urn:mpeg:dash:schema:mpd:2011\">"),
         StreamFormat::dashManifest},
        {"DASH manifest with a prefix", "", text("<dash:MPD>"), StreamFormat::dashManifest},
        {"too few bytes, DASH type", "application/dash+xml", text("<?xml"), StreamFormat::dashManifest},
        {"another XML document", "", text("<?xml version=\"1.0\"?><MPDX/>"), StreamFormat::unknown},
        {"a sync byte, then something else", "", concat({testing::tsPacket(0, 0, {0}), Bytes(188, 0)}), StreamFormat::unknown},
        {"transport stream joined in the middle of a packet", "", joinedMidPacket, StreamFormat::transportStream},
        {"transport stream behind bytes of something else", "text/plain", junkInFront, StreamFormat::transportStream},
        {"six packets in a row are not enough after a false start", "",
         concat({Bytes(1, 0), Bytes(manyPackets.begin(), manyPackets.begin() + 6 * 188)}), StreamFormat::unknown},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sniffStreamFormat(c.contentType, c.bytes), c.expected);
    }
}

}  // namespace
}  // namespace telvia::stream

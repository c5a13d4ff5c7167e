#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "playback/stream/net/icy_metadata.h"
#include "ts_builder.h"

namespace telvia::stream {
namespace {

using testing::Bytes;
using testing::concat;
using testing::text;

TEST(IcyMetadata, TakesTheMetadataBlocksOutWhereverTheBytesAreCut)
{
    // metaint 8: 8 audio bytes, a length byte, 16 * length bytes of text, and again.
    const Bytes stream = concat({text("AAAAAAAA"), {1}, text("StreamTitle='x';"), text("BBBBBBBB"), {0},
                                 text("CCCCCCCC"), {2}, text("StreamTitle='Song two';"), Bytes(9, 0), text("DDD")});
    const Bytes audio = text("AAAAAAAABBBBBBBBCCCCCCCCDDD");
    for (std::size_t piece = 1; piece <= stream.size(); ++piece) {
        SCOPED_TRACE(piece);
        IcyMetadataSkipper skipper(8);
        Bytes out;
        for (std::size_t at = 0; at < stream.size(); at += piece) {
            skipper.feed(std::span(stream).subspan(at, std::min(piece, stream.size() - at)), out);
        }
        EXPECT_EQ(out, audio);
        EXPECT_EQ(skipper.lastMetadata(), "StreamTitle='Song two';");
    }
    IcyMetadataSkipper none(0);
    Bytes out;
    none.feed(stream, out);
    EXPECT_EQ(out, stream);
}

TEST(IcyMetadata, ReadsTheIntervalHeader)
{
    const struct {
        const char* value;
        std::optional<std::size_t> expected;
    } cases[] = {
        {"16000", 16000}, {" 8192 ", 8192}, {"0", std::nullopt}, {"-1", std::nullopt},
        {"", std::nullopt}, {"12ab", std::nullopt}, {"99999999999999999999", std::nullopt}, {"2000000", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(parseIcyMetaInt(c.value), c.expected);
    }
}

}  // namespace
}  // namespace telvia::stream

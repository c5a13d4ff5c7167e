#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "playback/stream/container/id3_tag.h"

namespace telvia::stream {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string timestampOwner = "com.apple.streaming.transportStreamTimestamp";

Bytes sizeBytes(std::size_t size, bool synchsafe)
{
    const unsigned shift = synchsafe ? 7 : 8;
    const std::size_t mask = synchsafe ? 0x7F : 0xFF;
    return {static_cast<std::uint8_t>(size >> 3 * shift & mask), static_cast<std::uint8_t>(size >> 2 * shift & mask),
            static_cast<std::uint8_t>(size >> shift & mask), static_cast<std::uint8_t>(size & mask)};
}

Bytes frame(const std::string& id, const Bytes& body, std::uint8_t version)
{
    Bytes out(id.begin(), id.end());
    const Bytes size = sizeBytes(body.size(), version == 4);
    out.insert(out.end(), size.begin(), size.end());
    out.insert(out.end(), {0, 0});
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes priv(const std::string& owner, std::uint64_t time, std::size_t timeBytes = 8)
{
    Bytes body(owner.begin(), owner.end());
    body.push_back(0);
    for (std::size_t i = 0; i < timeBytes; ++i) body.push_back(static_cast<std::uint8_t>(time >> (56 - 8 * i)));
    return body;
}

Bytes tag(std::uint8_t version, const Bytes& frames, std::uint8_t flags = 0, std::size_t extraSize = 0)
{
    Bytes out = {'I', 'D', '3', version, 0, flags};
    const Bytes size = sizeBytes(frames.size() + extraSize, true);
    out.insert(out.end(), size.begin(), size.end());
    out.insert(out.end(), frames.begin(), frames.end());
    return out;
}

Bytes join(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(Id3Tag, FindsTheStreamTimestampOfAPackedAudioSegment)
{
    constexpr std::uint64_t time = 0x1'2345'6789;  // uses the 33rd bit
    const Bytes stamp4 = frame("PRIV", priv(timestampOwner, time), 4);
    Bytes cut = tag(4, stamp4);
    cut.resize(cut.size() - 3);
    const Bytes extendedV4 = {0, 0, 0, 6, 1, 0};  // its size counts itself
    const struct {
        const char* name;
        Bytes bytes;
        std::optional<std::uint64_t> expected;
    } cases[] = {
        {"version 4", tag(4, stamp4), time},
        {"version 3 with plain frame sizes", tag(3, frame("PRIV", priv(timestampOwner, time), 3)), time},
        {"only the low 33 bits count", tag(4, frame("PRIV", priv(timestampOwner, 0xFFFF'FFFF'0000'0005), 4)),
         0x1'0000'0005},
        {"after other frames",
         tag(4, join(join(frame("TXXX", Bytes(30, 'x'), 4), frame("PRIV", priv("com.example.other", 7), 4)), stamp4)),
         time},
        {"behind an extended header", tag(4, join(extendedV4, stamp4), 0x40), time},
        {"padding after the frames", tag(4, join(stamp4, Bytes(20, 0))), time},
        {"no tag", Bytes{0xFF, 0xF1, 0x4C, 0x80, 0x0F, 0x1F, 0xFC, 0, 0, 0, 0}, std::nullopt},
        {"a tag without the frame", tag(4, frame("TIT2", Bytes(12, 'a'), 4)), std::nullopt},
        {"another owner only", tag(4, frame("PRIV", priv("com.example.other", time), 4)), std::nullopt},
        {"a time shorter than 8 bytes", tag(4, frame("PRIV", priv(timestampOwner, time, 5), 4)), std::nullopt},
        {"the tag cut short", cut, std::nullopt},
        {"a frame longer than the tag",
         tag(4, join(Bytes{'P', 'R', 'I', 'V', 0, 0, 0x7F, 0x7F, 0, 0}, priv(timestampOwner, time))), std::nullopt},
        {"an extended header longer than the tag", tag(4, Bytes{0x7F, 0x7F, 0x7F, 0x7F, 0, 0}, 0x40), std::nullopt},
        {"version 2", tag(2, stamp4), std::nullopt},
        {"the header alone", Bytes{'I', 'D', '3', 4, 0, 0, 0, 0, 1, 0}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(id3TransportStreamTimestamp(c.bytes), c.expected);
    }
}

}  // namespace
}  // namespace telvia::stream

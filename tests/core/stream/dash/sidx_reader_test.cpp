#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "playback/stream/dash/sidx_reader.h"

namespace telvia::stream {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put(Bytes& out, std::uint64_t value, std::size_t width)
{
    for (std::size_t i = width; i > 0; --i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * (i - 1))));
    }
}

Bytes box(const char* type, const Bytes& body)
{
    Bytes out;
    put(out, 8 + body.size(), 4);
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

struct Reference {
    std::uint32_t size;
    std::uint32_t duration;
    bool toIndex = false;
};

Bytes sidxBody(int version, std::uint32_t timescale, std::uint64_t earliest, std::uint64_t firstOffset,
               const std::vector<Reference>& references)
{
    Bytes body;
    put(body, static_cast<std::uint64_t>(version), 1);
    put(body, 0, 3);
    put(body, 1, 4);  // reference id
    put(body, timescale, 4);
    put(body, earliest, version == 0 ? 4 : 8);
    put(body, firstOffset, version == 0 ? 4 : 8);
    put(body, 0, 2);
    put(body, references.size(), 2);
    for (const Reference& r : references) {
        put(body, (r.toIndex ? 0x8000'0000u : 0u) | r.size, 4);
        put(body, r.duration, 4);
        put(body, 0x9000'0000u, 4);  // starts with a stream access point
    }
    return body;
}

Bytes joined(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

TEST(SidxReader, GivesTheByteRangesAndTimesOfTheSegments)
{
    // A box before it is passed by; offsets count from the byte after the sidx box.
    const Bytes styp = box("styp", Bytes(12, 0));
    const Bytes sidx = box("sidx", sidxBody(0, 90'000, 180'000, 16, {{1000, 180'000}, {2000, 90'000}}));
    const SidxResult result = readSegmentIndex(joined({styp, sidx}), 500);
    ASSERT_TRUE(std::holds_alternative<SegmentIndexBox>(result));
    const SegmentIndexBox& index = std::get<SegmentIndexBox>(result);
    EXPECT_EQ(index.timescale, 90'000u);
    EXPECT_EQ(index.earliestPresentationTime, 180'000u);
    ASSERT_EQ(index.references.size(), 2u);
    const std::uint64_t anchor = 500 + styp.size() + sidx.size();
    EXPECT_EQ(index.references[0].offset, anchor + 16);
    EXPECT_EQ(index.references[0].size, 1000u);
    EXPECT_EQ(index.references[0].duration, 180'000u);
    EXPECT_EQ(index.references[1].offset, anchor + 16 + 1000);

    // Version 1 has 64-bit times; a box with a 64-bit size before it is passed by too.
    Bytes large;
    put(large, 1, 4);
    large.insert(large.end(), {'f', 'r', 'e', 'e'});
    put(large, 24, 8);
    put(large, 0, 8);
    const Bytes wide = box("sidx", sidxBody(1, 1000, 1ull << 40, 0, {{7, 1}}));
    const SidxResult v1 = readSegmentIndex(joined({large, wide}), 0);
    ASSERT_TRUE(std::holds_alternative<SegmentIndexBox>(v1));
    EXPECT_EQ(std::get<SegmentIndexBox>(v1).earliestPresentationTime, 1ull << 40);
    EXPECT_EQ(std::get<SegmentIndexBox>(v1).references.at(0).offset, large.size() + wide.size());
}

TEST(SidxReader, RefusesWhatItCannotFollow)
{
    const Bytes good = box("sidx", sidxBody(0, 1000, 0, 0, {{10, 1}, {20, 1}}));
    Bytes shortBox(good.begin(), good.begin() + 8);
    shortBox[3] = 4;  // a size below its own header
    // The size field says more than there is.
    const Bytes cut(good.begin(), good.end() - 5);
    // The count says two references, the box holds one.
    Bytes body = sidxBody(0, 1000, 0, 0, {{10, 1}});
    body[23] = 2;
    const Bytes shortOfReferences = box("sidx", body);
    const Bytes tooMany = box("sidx", sidxBody(0, 1000, 0, 0, std::vector<Reference>(20'001, Reference{1, 1})));
    const struct {
        const char* name;
        Bytes bytes;
        SidxError error;
    } cases[] = {
        {"no sidx among the boxes", box("moof", Bytes(8, 0)), SidxError::notFound},
        {"nothing at all", {}, SidxError::notFound},
        {"a box past the bytes", cut, SidxError::truncated},
        {"references past the box", shortOfReferences, SidxError::truncated},
        {"a size below the header", shortBox, SidxError::badValue},
        {"a reference to another index", box("sidx", sidxBody(0, 1000, 0, 0, {{10, 1, true}})),
         SidxError::hierarchical},
        {"a timescale of zero", box("sidx", sidxBody(0, 0, 0, 0, {{10, 1}})), SidxError::badValue},
        {"an empty reference", box("sidx", sidxBody(0, 1000, 0, 0, {{0, 1}})), SidxError::badValue},
        {"an offset past 2^64", box("sidx", sidxBody(1, 1000, 0, UINT64_MAX, {{1, 1}})), SidxError::badValue},
        {"more references than segments allowed", tooMany, SidxError::tooLong},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const SidxResult result = readSegmentIndex(c.bytes, 0);
        ASSERT_TRUE(std::holds_alternative<SidxError>(result));
        EXPECT_EQ(std::get<SidxError>(result), c.error);
    }
}

// The real thing: an fMP4 file with a global index made by ffmpeg at build time. Read
// from the index range's bytes alone, as a session fetches them, its references must
// land each on a movie fragment and together cover the three seconds.
TEST(SidxReader, ReadsTheIndexOfARealFile)
{
    std::ifstream file(TELVIA_DASH_FIXTURE, std::ios::binary);
    const Bytes bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    ASSERT_GT(bytes.size(), 1000u) << TELVIA_DASH_FIXTURE;
    const auto boxAt = [&bytes](std::uint64_t at) {
        return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(at + 4),
                           bytes.begin() + static_cast<std::ptrdiff_t>(at + 8));
    };
    const auto sizeAt = [&bytes](std::uint64_t at) {
        return std::uint64_t{bytes[at]} << 24 | std::uint64_t{bytes[at + 1]} << 16 | std::uint64_t{bytes[at + 2]} << 8 |
               bytes[at + 3];
    };
    std::uint64_t sidxAt = 0;
    while (sidxAt + 8 <= bytes.size() && boxAt(sidxAt) != "sidx") {
        sidxAt += sizeAt(sidxAt);
    }
    ASSERT_LT(sidxAt + 8, bytes.size());
    const std::uint64_t sidxEnd = sidxAt + sizeAt(sidxAt);
    const Bytes range(bytes.begin() + static_cast<std::ptrdiff_t>(sidxAt),
                      bytes.begin() + static_cast<std::ptrdiff_t>(sidxEnd));
    const SidxResult result = readSegmentIndex(range, sidxAt);
    ASSERT_TRUE(std::holds_alternative<SegmentIndexBox>(result));
    const SegmentIndexBox& index = std::get<SegmentIndexBox>(result);
    ASSERT_EQ(index.references.size(), 3u);
    std::uint64_t duration = 0;
    std::uint64_t expectedOffset = sidxEnd;
    for (const SidxReference& reference : index.references) {
        EXPECT_EQ(reference.offset, expectedOffset);
        ASSERT_LT(reference.offset + 8, bytes.size());
        EXPECT_EQ(boxAt(reference.offset), "moof");
        expectedOffset = reference.offset + reference.size;
        duration += reference.duration;
    }
    EXPECT_LE(expectedOffset, bytes.size());
    EXPECT_EQ(duration, 3u * index.timescale);
}

}  // namespace
}  // namespace telvia::stream

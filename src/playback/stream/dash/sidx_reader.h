// The segment index box ("sidx") of a fragmented MP4 resource: which byte ranges of the
// resource hold its segments, and the times they cover. Single-file manifests point at it
// with an index range instead of listing their segments.
#pragma once

#include <cstdint>
#include <span>
#include <variant>
#include <vector>

namespace telvia::stream {

struct SidxReference {
    std::uint64_t offset = 0;    // in the resource
    std::uint64_t size = 0;      // bytes
    std::uint64_t duration = 0;  // in the index's timescale
};

struct SegmentIndexBox {
    std::uint32_t timescale = 1;
    std::uint64_t earliestPresentationTime = 0;
    std::vector<SidxReference> references;  // in order, each right after the one before
};

enum class SidxError : std::uint8_t {
    notFound,      // no sidx box among the boxes there
    truncated,     // a box or field runs past the bytes
    hierarchical,  // it refers to further index boxes, which this reader does not follow
    badValue,      // a timescale of zero, an empty reference, offsets past 2^64
    tooLong,       // more references than the manifest limit on segments
};

using SidxResult = std::variant<SegmentIndexBox, SidxError>;

// Reads the first sidx box among the top-level boxes of `bytes`, which start at byte
// `resourceOffset` of the resource.
[[nodiscard]] SidxResult readSegmentIndex(std::span<const std::uint8_t> bytes, std::uint64_t resourceOffset);

}  // namespace telvia::stream

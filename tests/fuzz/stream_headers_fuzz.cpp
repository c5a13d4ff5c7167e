// Fuzz target for the small readers of stream headers: the first byte chooses an ID3 tag
// (its length and stream timestamp), an H.264 sequence parameter set or an HLS attribute
// list. Whatever the bytes, each answers without reading past them: a tag no longer than
// the bytes, a picture size that fits the standard's limits, attributes that lie inside
// the text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <string_view>

#include "playback/stream/container/h264_sps.h"
#include "playback/stream/container/id3_tag.h"
#include "playback/stream/hls/hls_attribute_list.h"

namespace {

using namespace telvia::stream;

void check(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "stream_headers_fuzz: %s\n", what);
        std::abort();
    }
}

bool inside(std::string_view part, std::string_view whole)
{
    return part.empty() || (part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const std::span<const std::uint8_t> bytes(data + 1, size - 1);
    switch (data[0] % 3) {
    case 0: {
        const std::size_t length = id3TagLength(bytes);
        check(length == 0 || length >= id3HeaderLength, "a tag shorter than its header");
        if (const std::optional<std::uint64_t> time = id3TransportStreamTimestamp(bytes)) {
            check(*time < (std::uint64_t{1} << 33), "a timestamp of more than 33 bits");
        }
        break;
    }
    case 1:
        if (const std::optional<H264Sps> sps = parseH264Sps(bytes)) {
            check(sps->width > 0 && sps->height > 0, "a parameter set for no picture");
            check(sps->width <= 16 * 8192 && sps->height <= 16 * 8192 * 2, "a picture larger than any level allows");
            check(sps->sarWidth > 0 && sps->sarHeight > 0, "an aspect ratio with a zero");
        }
        break;
    default: {
        const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        if (const auto list = parseHlsAttributeList(text)) {
            for (const HlsAttribute& attribute : *list) {
                check(!attribute.name.empty(), "an attribute without a name");
                check(inside(attribute.name, text) && inside(attribute.value, text), "an attribute outside the text");
            }
        }
        (void)parseSecondsAsMilliseconds(text);
        break;
    }
    }
    return 0;
}

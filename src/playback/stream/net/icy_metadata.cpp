#include "playback/stream/net/icy_metadata.h"

#include <algorithm>

#include "common/decimal_text.h"

namespace telvia::stream {

namespace {

// A block is at most 255 * 16 bytes; metaint values beyond this are not sent by real
// servers and would mean the header is garbage.
constexpr std::uint64_t largestMetaInt = 1024 * 1024;

}  // namespace

std::optional<std::size_t> parseIcyMetaInt(std::string_view headerValue)
{
    while (!headerValue.empty() && headerValue.front() == ' ') headerValue.remove_prefix(1);
    while (!headerValue.empty() && headerValue.back() == ' ') headerValue.remove_suffix(1);
    const auto value = parseDecimal(headerValue);
    if (!value || *value == 0 || *value > largestMetaInt) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(*value);
}

void IcyMetadataSkipper::feed(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& audio)
{
    if (metaInt_ == 0) {
        audio.insert(audio.end(), bytes.begin(), bytes.end());
        return;
    }
    while (!bytes.empty()) {
        if (!inMetadata_ && audioLeft_ > 0) {
            const std::size_t take = std::min(audioLeft_, bytes.size());
            audio.insert(audio.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
            audioLeft_ -= take;
            bytes = bytes.subspan(take);
        } else if (!inMetadata_) {
            metadataLeft_ = std::size_t{bytes[0]} * 16;
            bytes = bytes.subspan(1);
            inMetadata_ = true;
            metadata_.clear();
        } else {
            const std::size_t take = std::min(metadataLeft_, bytes.size());
            metadata_.append(reinterpret_cast<const char*>(bytes.data()), take);
            metadataLeft_ -= take;
            bytes = bytes.subspan(take);
        }
        if (inMetadata_ && metadataLeft_ == 0) {
            // The text is padded with zero bytes to a multiple of 16.
            metadata_.erase(std::find(metadata_.begin(), metadata_.end(), '\0'), metadata_.end());
            if (!metadata_.empty()) {
                lastMetadata_ = metadata_;
            }
            inMetadata_ = false;
            audioLeft_ = metaInt_;
        }
    }
}

}  // namespace telvia::stream

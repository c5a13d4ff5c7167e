// Shoutcast-style radio streams interleave the audio with metadata blocks when asked
// to ("Icy-MetaData: 1"): after every `icy-metaint` audio bytes comes one length byte
// (in units of 16 bytes) and that many bytes of text such as "StreamTitle='...';".
// The skipper takes the blocks out, so only audio reaches the audio framer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace telvia::stream {

// The value of an icy-metaint response header: a positive whole number of bytes.
// Empty for anything else, which means the stream carries no metadata.
[[nodiscard]] std::optional<std::size_t> parseIcyMetaInt(std::string_view headerValue);

class IcyMetadataSkipper {
public:
    // metaInt 0: the stream has no metadata and passes through unchanged.
    explicit IcyMetadataSkipper(std::size_t metaInt) : metaInt_(metaInt), audioLeft_(metaInt) {}

    // Appends the audio bytes among `bytes` to `audio`; bytes may be cut anywhere.
    void feed(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& audio);

    // The text of the latest complete metadata block that was not empty.
    [[nodiscard]] const std::string& lastMetadata() const { return lastMetadata_; }

private:
    std::size_t metaInt_;
    std::size_t audioLeft_;        // audio bytes before the next length byte
    std::size_t metadataLeft_ = 0; // metadata bytes still to skip
    bool inMetadata_ = false;
    std::string metadata_;
    std::string lastMetadata_;
};

}  // namespace telvia::stream

// The formats a decoder needs before its first sample, read from the samples themselves:
// the H.264 parameter sets of the video, the frame header of the audio.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "playback/stream/container/elementary_stream.h"
#include "platform/stream_source_port.h"

namespace telvia::stream {

inline constexpr std::uint8_t nalTypePps = 8;

// Keeps the latest sequence and picture parameter sets of a video stream, which usually
// come with each key frame but may come in an access unit of their own before it.
class ParameterSetKeeper {
public:
    void observe(std::span<const std::uint8_t> accessUnit);

    // Empty until both sets were seen and the sequence parameter set parses.
    [[nodiscard]] std::optional<StreamVideoFormat> format() const;

private:
    std::vector<std::uint8_t> sps_;
    std::vector<std::uint8_t> pps_;
};

// The format of an audio stream from one of its frames (ADTS or MPEG audio, header first);
// empty when the frame's header does not parse.
[[nodiscard]] std::optional<StreamAudioFormat> audioFormatOf(StreamTrackKind kind, std::span<const std::uint8_t> frame);

}  // namespace telvia::stream

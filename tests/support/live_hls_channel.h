// A live HLS channel on a loopback server, of silent MPEG audio or of segments of one's
// own: its media playlist grows with the wall clock, one segment per segment length, and
// lists the newest few, as a live encoder's does. One segment may be held back for a while before it is answered, as a
// stalling server does, and one may never be answered whole.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "loopback_http_server.h"

namespace telvia::testing {

struct LiveHlsSettings {
    int framesPerSegment = 48;  // 48 frames of 24 ms: 1.152 s
    int listed = 6;             // segments in the playlist at any time
    int segments = 400;         // that the server knows; the playlist stops growing there
    std::optional<std::uint64_t> stalledSegment;
    std::chrono::milliseconds stall{0};  // how long that segment's answer waits
    // A segment whose answer stops after its head and first bytes, for as long as the
    // client waits or the server lives.
    std::optional<std::uint64_t> hungSegment;
    // Segments of one's own, by index, each `segmentLength` long, instead of silent audio.
    std::function<std::string(std::uint64_t index)> segmentBody;
    std::chrono::milliseconds segmentLength{0};
};

class LiveHlsChannel {
public:
    // Serves "/live/index.m3u8" and "/live/<n>.ts" on the server from now on, for as long
    // as the server lives.
    LiveHlsChannel(LoopbackHttpServer& server, LiveHlsSettings settings);

    [[nodiscard]] std::string address() const { return address_; }
    [[nodiscard]] static std::string segmentTarget(std::uint64_t index);

private:
    struct Timeline;
    std::string address_;
    std::shared_ptr<const Timeline> timeline_;
};

}  // namespace telvia::testing

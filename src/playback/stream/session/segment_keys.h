// The keys of a session's encrypted segments: each fetched once, when the first segment
// that needs it comes up, and a decryptor made from it for each segment.
#pragma once

#include <memory>
#include <stop_token>
#include <string>

#include "platform/cipher_port.h"
#include "playback/stream/hls/hls_playlist.h"
#include "playback/stream/hls/key_cache.h"
#include "playback/stream/hls/segment_decryption.h"
#include "playback/stream/net/session_http.h"
#include "playback/stream/session/fetch_result.h"

namespace telvia::stream {

struct SegmentDecryptionMade {
    std::unique_ptr<SegmentDecryption> decryption;  // none on failure
    FetchResult failure = FetchResult::failed;       // why there is none
};

class SegmentKeys {
public:
    SegmentKeys(SessionHttp& http, CipherPort& cipher, std::stop_token stop)
        : http_(http), cipher_(cipher), stop_(std::move(stop))
    {
    }

    [[nodiscard]] SegmentDecryptionMade decryptionFor(const HlsSegmentKey& key);

private:
    struct KeyFetched {
        std::optional<CipherKey> key;
        FetchResult failure = FetchResult::failed;
    };
    // The key at this address: remembered, or fetched now.
    [[nodiscard]] KeyFetched keyAt(const std::string& address);

    SessionHttp& http_;
    CipherPort& cipher_;
    std::stop_token stop_;
    KeyCache keys_;
};

}  // namespace telvia::stream

// Told how a stream session goes about opening its address: every request as it is
// answered, the format the first bytes show, each playlist read and each variant tried.
// The stream probe prints it all; the program listens to none of it. Calls come from the
// session's fetch thread.
#pragma once

#include <string_view>

#include "playback/stream/container/stream_sniffer.h"
#include "playback/stream/dash/dash_manifest.h"
#include "playback/stream/dash/dash_scheduler.h"
#include "playback/stream/hls/hls_playlist.h"
#include "playback/stream/net/request_observer.h"

namespace telvia::stream {

class SessionObserver : public RequestObserver {
public:
    void onAnswer(const RequestAnswer& /*answer*/) override {}
    // What the address's first bytes turned out to hold.
    virtual void onFormat(StreamFormat /*format*/) {}
    // A playlist was read from the address: a master playlist, a media playlist, or why it
    // is neither.
    virtual void onPlaylist(std::string_view /*address*/, const HlsParseResult& /*parsed*/) {}
    // A variant of a master playlist is tried, with the rendition its audio comes from.
    virtual void onVariant(const HlsVariant& /*variant*/, const HlsAudioRendition* /*audio*/) {}
    // A DASH manifest was read from the address, or why it is none.
    virtual void onManifest(std::string_view /*address*/, const DashParseResult& /*parsed*/) {}
    // A track of a DASH manifest cannot be played on, for this reason.
    virtual void onDashFailure(DashScheduleError /*error*/) {}
    // The segments turned out to carry encrypted samples, which are not played.
    virtual void onEncryptedSamples() {}
};

}  // namespace telvia::stream

#include "program/stream_sessions.h"

#include <memory>

#include "playback/stream/session/stream_session.h"

namespace telvia::program {

StreamSourceFactory StreamSessions::factory()
{
    return [this](StreamSourceEvents& events) -> std::unique_ptr<StreamSourcePort> {
        // Sessions are made in Load, on the thread that asks the filter to load: a thread
        // of each open's own in the program, so two may come at once.
        const std::scoped_lock lock(httpMutex_);
        if (!http_) {
            http_.emplace();
        }
        return std::make_unique<stream::StreamSession>(*http_, cipher_, clock_, events, stream::StreamSessionSettings{},
                                                       observer_);
    };
}

}  // namespace telvia::program

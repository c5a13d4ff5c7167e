#include "playback/stream/session/stream_session.h"

#include <string>
#include <vector>

#include "playback/stream/address/address_classification.h"
#include "common/request_headers.h"

namespace telvia::stream {

StreamSession::StreamSession(HttpClientPort& http, CipherPort& cipher, StreamClock& clock,
                             StreamSourceEvents& events, StreamSessionSettings settings, SessionObserver* observer)
    : clock_(clock),
      settings_(settings),
      observer_(observer != nullptr ? *observer : unobserved_),
      http_(http, settings.timeouts, observer_, stop_.get_token()),
      exchange_(clock, events, settings.buffer),
      stopExchange_(stop_.get_token(), [this] { exchange_.stop(); }),
      fetcher_(http_, cipher, exchange_, clock, settings.fetch, observer_, stop_.get_token())
{
}

StreamSession::~StreamSession() { stop(); }

StreamOpenResult StreamSession::open(std::string_view address)
{
    {
        const std::scoped_lock lock(threadMutex_);
        if (used_) {
            return StreamOpenResult::notSupported;
        }
        used_ = true;
    }
    const AddressKind kind = classifyAddress(address);
    const AddressWithHeaders split = splitRequestHeaders(address);
    if (routeOf(kind) != AddressRoute::streamSource || split.error) {
        return StreamOpenResult::notSupported;
    }
    std::vector<HttpHeader> headers;
    for (const RequestHeader& header : split.headers) {
        headers.push_back(HttpHeader{header.name, header.value});
    }
    http_.setHeaders(std::move(headers));

    const std::chrono::milliseconds deadline = clock_.now() + settings_.openTimeout;
    {
        const std::scoped_lock lock(threadMutex_);
        thread_ = std::thread([this, target = split.address, kind] { fetcher_.run(target, kind); });
    }
    const std::optional<StreamOpenResult> status = exchange_.awaitOpen(deadline);
    if (status == StreamOpenResult::opened) {
        return StreamOpenResult::opened;
    }
    // Nothing plays: the fetch thread is told to end and is waited for.
    stop();
    return status.value_or(StreamOpenResult::unreachable);
}

std::span<const StreamTrackFormat> StreamSession::tracks() const { return exchange_.tracks(); }

std::optional<StreamSample> StreamSession::nextSample(std::size_t track) { return exchange_.next(track); }

void StreamSession::dropTrack(std::size_t track) { exchange_.dropTrack(track); }

void StreamSession::stop()
{
    stop_.request_stop();
    joinFetcher();
}

void StreamSession::joinFetcher()
{
    const std::scoped_lock lock(threadMutex_);
    // A listener may call stop() from the fetch thread itself, which cannot wait for
    // itself; the destructor joins it then.
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) {
        thread_.join();
    }
}

}  // namespace telvia::stream

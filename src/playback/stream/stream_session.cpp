#include "playback/stream/stream_session.h"

#include <string>
#include <vector>

#include "playback/stream/address_classification.h"
#include "playback/stream/request_headers.h"

namespace telvia::stream {

StreamSession::StreamSession(HttpClientPort& http, CipherPort& cipher, StreamClock& clock,
                             MediaSourceEvents& events, StreamSessionSettings settings)
    : clock_(clock),
      settings_(settings),
      http_(http, settings.timeouts),
      exchange_(clock, events, settings.buffer),
      fetcher_(http_, cipher, exchange_, clock, settings.fetch)
{
}

StreamSession::~StreamSession() { stop(); }

OpenStatus StreamSession::open(std::string_view address)
{
    {
        const std::scoped_lock lock(threadMutex_);
        if (used_) {
            return OpenStatus::notSupported;
        }
        used_ = true;
    }
    const AddressKind kind = classifyAddress(address);
    const AddressWithHeaders split = splitRequestHeaders(address);
    if (routeOf(kind) != AddressRoute::streamSource || split.error) {
        return OpenStatus::notSupported;
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
    const std::optional<OpenStatus> status = exchange_.awaitOpen(deadline);
    if (status == OpenStatus::opened) {
        return OpenStatus::opened;
    }
    // Nothing plays: the fetch thread is told to end and is waited for.
    stop();
    return status.value_or(OpenStatus::unreachable);
}

std::span<const TrackFormat> StreamSession::tracks() const { return exchange_.tracks(); }

std::optional<MediaSample> StreamSession::nextSample(std::size_t track) { return exchange_.next(track); }

void StreamSession::stop()
{
    exchange_.stop();
    http_.cancel();
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

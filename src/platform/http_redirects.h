// What a redirect may carry. The caller's headers (a channel's User-Agent and Referer) were
// meant for the server the address names: a redirect to another origin goes without them.
// A redirect from https to http would hand the rest of the exchange to anyone on the way,
// and is refused.
#pragma once

#include <cstdint>
#include <string>

namespace telvia {

// Scheme, host (lower case) and port of an address.
struct HttpOrigin {
    bool secure = false;
    std::string host;
    std::uint16_t port = 0;

    friend bool operator==(const HttpOrigin&, const HttpOrigin&) = default;
};

enum class RedirectHop : std::uint8_t { withHeaders, withoutHeaders, refused };

// The next hop of a request first sent to `first`, redirected from `from` to `to`.
[[nodiscard]] inline RedirectHop redirectHop(const HttpOrigin& first, const HttpOrigin& from, const HttpOrigin& to)
{
    if (from.secure && !to.secure) {
        return RedirectHop::refused;
    }
    return to == first ? RedirectHop::withHeaders : RedirectHop::withoutHeaders;
}

}  // namespace telvia

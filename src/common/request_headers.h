// Request headers carried by an address: after a "|", Name=value pairs joined by "&",
// e.g. "http://host/live.m3u8|User-Agent=Foo&Referer=http://x/". Names and values may
// be percent-encoded, so a value can hold "&", "|" or "=". Only User-Agent and Referer
// may be given: a shared channel list must not set the host, cookies, credentials or the
// framing of the request.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace telvia {

struct RequestHeader {
    std::string name;
    std::string value;

    friend bool operator==(const RequestHeader&, const RequestHeader&) = default;
};

enum class HeaderSuffixError : std::uint8_t {
    pairWithoutEquals,  // "A&B=c": a pair without "="
    badName,            // empty, or not a header name (letters, digits, "-", "_", ...)
    badValue,           // holds a line break or a zero byte, which would end the request line
    notAllowed,         // a header other than User-Agent and Referer
};

struct AddressWithHeaders {
    std::string address;  // everything before the "|"
    std::vector<RequestHeader> headers;
    std::optional<HeaderSuffixError> error;
};

// Splits the suffix off. An address without "|" has no headers; an empty suffix
// ("...m3u8|") has none either. On error the address is still split off, and the
// headers hold the pairs read before the fault.
[[nodiscard]] AddressWithHeaders splitRequestHeaders(std::string_view address);

}  // namespace telvia

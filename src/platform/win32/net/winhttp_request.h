// One hop of a GET through WinHTTP: the handles made from an address and the caller's
// request, and the parts of the answer's head the port hands on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/http_port.h"
#include "platform/http_redirects.h"
#include "platform/win32/net/winhttp_handle.h"

namespace telvia::win32 {

struct OpenedRequest {
    HttpError error = httpOk;
    UniqueInternet connection;
    UniqueInternet request;
};

// Cracks the address, connects and opens a GET with the caller's headers (a browser's
// User-Agent when none is given), range and time-outs, automatic redirects off. Nothing
// goes over the network yet.
[[nodiscard]] OpenedRequest openGetRequest(HINTERNET session, const std::wstring& address,
                                           const HttpRequest& request);

// The origin of an absolute http or https address; none when it does not crack.
[[nodiscard]] std::optional<HttpOrigin> originOf(const std::wstring& address);

[[nodiscard]] std::optional<std::uint32_t> queryStatus(HINTERNET request);

// The Location of a redirect as sent, not yet resolved.
[[nodiscard]] std::optional<std::wstring> queryLocation(HINTERNET request);

// Status and headers of the answer, once it has come; finalAddress is the caller's.
[[nodiscard]] HttpResponseHead queryHead(HINTERNET request, std::string finalAddress);

}  // namespace telvia::win32

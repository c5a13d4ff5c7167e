// HTTP GET through WinHTTP: one asynchronous session per client, shared by its transfers,
// each of which blocks its caller step by step (see WinHttpTransfer).
#pragma once

#include <memory>

#include "platform/http_port.h"
#include "platform/win32/net/winhttp_handle.h"

namespace telvia::win32 {

class Win32HttpClient final : public HttpClientPort {
public:
    Win32HttpClient();

    std::unique_ptr<HttpTransfer> get(HttpRequest request) override;

private:
    HttpError sessionError_ = httpOk;  // set while the session is opened, so declared first
    // Transfers hold the session too, so it stays open while any of them lives.
    std::shared_ptr<UniqueInternet> session_;
};

}  // namespace telvia::win32

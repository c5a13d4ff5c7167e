// One GET through WinHTTP, redirects followed by hand (the final address is not to be had
// from WinHTTP everywhere). WinHTTP runs asynchronously underneath while the caller's
// thread waits for each step, so that a cancel from another thread ends the wait at once
// and closes the request, whether or not the system aborts the call it was making.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/http_port.h"
#include "platform/win32/base/unique_handle.h"
#include "platform/win32/net/winhttp_completion.h"
#include "platform/win32/net/winhttp_handle.h"
#include "platform/win32/net/winhttp_request.h"

namespace telvia::win32 {

class WinHttpTransfer final : public HttpTransfer {
public:
    // session: opened for asynchronous use with RequestCompletion's callback; sessionError:
    // why it could not be, reported by start().
    WinHttpTransfer(std::shared_ptr<UniqueInternet> session, HttpError sessionError, HttpRequest request);

    HttpStarted start() override;
    HttpReadResult read(std::span<std::byte> into) override;
    void cancel() override;

private:
    HttpStarted follow(std::wstring address);
    // Takes over the handles of the next hop; false once the transfer is cancelled.
    [[nodiscard]] bool adopt(OpenedRequest opened, std::shared_ptr<RequestCompletion> completion);
    // Starts an asynchronous call on the current request and waits for its outcome.
    template <typename Call>
    [[nodiscard]] RequestCompletion::Outcome run(Call call);
    // A quick synchronous look at the current request; empty once cancelled.
    template <typename Look>
    [[nodiscard]] auto inspect(Look look) -> std::optional<decltype(look(HINTERNET{}))>;
    [[nodiscard]] bool cancelled();
    // What to report for a call that failed: the cancel, if there was one.
    [[nodiscard]] HttpError failure(HttpError error);

    std::shared_ptr<UniqueInternet> session_;
    HttpError sessionError_;
    HttpRequest request_;
    UniqueKernelObject cancelEvent_;  // manual-reset, set by cancel()
    bool started_ = false;            // touched only by the thread that starts and reads

    // Guards the rest against cancel(). Held while an asynchronous call is started (never
    // while it is waited for), so that the handle cannot be closed under the call.
    std::mutex mutex_;
    bool cancelled_ = false;
    std::shared_ptr<RequestCompletion> completion_;
    UniqueInternet connection_;  // declared before the request, which closes first
    UniqueInternet requestHandle_;
};

}  // namespace telvia::win32

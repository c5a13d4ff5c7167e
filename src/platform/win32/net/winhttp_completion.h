// The outcome of one asynchronous WinHTTP call on a request handle, as the status callback
// reports it, for the thread that waits for it. A wait also ends when the owner's cancel
// event is set, without waiting for WinHTTP: a call may then still run, so the completion
// and the buffer it reads into live on until WinHTTP reports the handle closed.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "platform/http_port.h"
#include "platform/win32/base/unique_handle.h"
#include "platform/win32/net/winhttp_handle.h"

namespace telvia::win32 {

// The notifications the session asks for: the ends of calls and of handles.
inline constexpr DWORD completionNotifications =
    WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES;

class RequestCompletion {
public:
    struct Outcome {
        HttpError error = httpOk;
        DWORD value = 0;  // bytes available or read
    };

    // A completion that receives the request's notifications; null when the handle does
    // not take it (GetLastError() says why).
    [[nodiscard]] static std::shared_ptr<RequestCompletion> attach(HINTERNET request);

    // The status callback of the session, handed on to the completion of the request.
    static void CALLBACK onStatus(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID information,
                                  DWORD length);

    // Forgets the outcome of the previous call; call before starting the next.
    void arm();
    // The outcome of the call started since arm(), or httpErrorCancelled as soon as cancel
    // is set.
    [[nodiscard]] Outcome wait(HANDLE cancel);

    // Where an asynchronous read writes: owned here, so that a read still running after
    // a cancel never writes into memory its caller has given up.
    [[nodiscard]] std::span<std::byte> readBuffer(std::size_t size);

    RequestCompletion(const RequestCompletion&) = delete;
    RequestCompletion& operator=(const RequestCompletion&) = delete;
    ~RequestCompletion() = default;

private:
    RequestCompletion() = default;
    void complete(Outcome outcome);

    UniqueKernelObject completed_;  // auto-reset event
    std::mutex mutex_;
    std::optional<Outcome> outcome_;
    std::atomic<bool> broken_{false};  // the callback failed: no outcome will come
    std::vector<std::byte> buffer_;
    // Keeps the completion alive until the handle's last notification.
    std::shared_ptr<RequestCompletion> self_;
};

}  // namespace telvia::win32

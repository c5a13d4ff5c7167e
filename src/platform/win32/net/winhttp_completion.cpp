#include "platform/win32/net/winhttp_completion.h"

#include <array>
#include <utility>

namespace telvia::win32 {

std::shared_ptr<RequestCompletion> RequestCompletion::attach(HINTERNET request)
{
    std::shared_ptr<RequestCompletion> completion(new RequestCompletion());
    completion->completed_ = UniqueKernelObject(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!completion->completed_) {
        return nullptr;
    }
    auto context = reinterpret_cast<DWORD_PTR>(completion.get());
    completion->self_ = completion;
    if (!WinHttpSetOption(request, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context)) {
        completion->self_.reset();
        return nullptr;
    }
    return completion;
}

void CALLBACK RequestCompletion::onStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID information,
                                          DWORD length)
{
    // Sessions and connections, and requests before their completion is attached, carry none.
    auto* const completion = reinterpret_cast<RequestCompletion*>(context);
    if (completion == nullptr) {
        return;
    }
    // Nothing may leave a callback that WinHTTP calls.
    try {
        switch (status) {
        case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
        case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
            completion->complete({httpOk, 0});
            break;
        case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
            completion->complete({httpOk, *static_cast<const DWORD*>(information)});
            break;
        case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
            completion->complete({httpOk, length});
            break;
        case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
            completion->complete({static_cast<HttpError>(
                                      static_cast<const WINHTTP_ASYNC_RESULT*>(information)->dwError),
                                  0});
            break;
        case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING: {
            // The last notification of the handle: the completion may go once this returns.
            const std::shared_ptr<RequestCompletion> last = std::move(completion->self_);
            break;
        }
        default:
            break;
        }
    } catch (...) {
        // A lock that could not be taken: the waiter wakes to a broken connection rather
        // than waiting for a cancel that may never come.
        completion->broken_ = true;
        SetEvent(completion->completed_.get());
    }
}

void RequestCompletion::complete(Outcome outcome)
{
    {
        const std::lock_guard lock(mutex_);
        outcome_ = outcome;
    }
    SetEvent(completed_.get());
}

void RequestCompletion::arm()
{
    const std::lock_guard lock(mutex_);
    outcome_.reset();
    ResetEvent(completed_.get());
}

RequestCompletion::Outcome RequestCompletion::wait(HANDLE cancel)
{
    const std::array<HANDLE, 2> events{cancel, completed_.get()};
    for (;;) {
        const DWORD woken = WaitForMultipleObjects(static_cast<DWORD>(events.size()), events.data(), FALSE, INFINITE);
        if (woken != WAIT_OBJECT_0 + 1) {
            return {httpErrorCancelled, 0};
        }
        if (broken_) {
            return {httpErrorConnectionError, 0};
        }
        const std::lock_guard lock(mutex_);
        if (outcome_) {
            return *outcome_;
        }
    }
}

std::span<std::byte> RequestCompletion::readBuffer(std::size_t size)
{
    if (buffer_.size() < size) {
        buffer_.resize(size);
    }
    return std::span(buffer_).first(size);
}

}  // namespace telvia::win32

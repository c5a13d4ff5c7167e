#include "platform/win32/net/winhttp_transfer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "common/utf8.h"
#include "platform/win32/base/wide_text.h"

#include <shlwapi.h>

namespace telvia::win32 {

namespace {

bool isRedirect(std::uint32_t status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The address a Location names, relative ones resolved against the address that sent it.
std::optional<std::wstring> resolve(const std::wstring& base, const std::wstring& location)
{
    std::vector<wchar_t> buffer(base.size() + location.size() + 16, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD length = static_cast<DWORD>(buffer.size());
        const HRESULT result = UrlCombineW(base.c_str(), location.c_str(), buffer.data(), &length, 0);
        if (SUCCEEDED(result)) {
            return std::wstring(buffer.data(), length);
        }
        if (result != E_POINTER) {
            break;
        }
        // Too small: length now holds what it takes, terminator included.
        buffer.assign(length + 1, L'\0');
    }
    return std::nullopt;
}

std::optional<std::wstring> wideAddress(std::string_view address)
{
    const std::optional<std::u16string> text = utf8ToUtf16(address);
    return text ? std::optional(toWide(*text)) : std::nullopt;
}

HttpError lastError() { return static_cast<HttpError>(GetLastError()); }

// Wine's WinHTTP hands on the socket's WSAETIMEDOUT where Windows reports its own
// ERROR_WINHTTP_TIMEOUT; the port promises the latter.
constexpr HttpError socketTimedOut = 10060;

// What one hop answered.
struct Answer {
    HttpResponseHead head;
    std::optional<std::wstring> location;  // only for a redirect that names one
};

}  // namespace

WinHttpTransfer::WinHttpTransfer(std::shared_ptr<UniqueInternet> session, HttpError sessionError,
                                 HttpRequest request)
    : session_(std::move(session)),
      sessionError_(sessionError),
      request_(std::move(request)),
      cancelEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    if (!cancelEvent_ && sessionError_ == httpOk) {
        sessionError_ = lastError();
    }
}

HttpStarted WinHttpTransfer::start()
{
    if (cancelled()) {
        return {httpErrorCancelled, {}};
    }
    if (std::exchange(started_, true)) {
        return {ERROR_WINHTTP_INCORRECT_HANDLE_STATE, {}};
    }
    if (sessionError_ != httpOk) {
        return {sessionError_, {}};
    }
    std::optional<std::wstring> address = wideAddress(request_.address);
    if (!address) {
        return {httpErrorInvalidAddress, {}};
    }
    HttpStarted started = follow(std::move(*address));
    if (started.error != httpOk) {
        // Nothing is left to read of a transfer that did not start.
        const std::lock_guard lock(mutex_);
        requestHandle_.reset();
    }
    return started;
}

HttpStarted WinHttpTransfer::follow(std::wstring address)
{
    std::string finalAddress = request_.address;
    const std::optional<HttpOrigin> first = originOf(address);
    // The hops after a redirect to another origin go without the caller's headers.
    HttpRequest withoutHeaders = request_;
    withoutHeaders.headers.clear();
    bool headersKept = true;
    for (int redirects = 0;; ++redirects) {
        OpenedRequest opened = openGetRequest(session_->get(), address, headersKept ? request_ : withoutHeaders);
        if (opened.error != httpOk) {
            return {failure(opened.error), {}};
        }
        std::shared_ptr<RequestCompletion> completion = RequestCompletion::attach(opened.request.get());
        if (!completion) {
            return {failure(lastError()), {}};
        }
        if (!adopt(std::move(opened), std::move(completion))) {
            return {httpErrorCancelled, {}};
        }
        RequestCompletion::Outcome outcome = run([this](HINTERNET request) {
            // The context given here replaces the request's own, so it names the completion too.
            const auto context = reinterpret_cast<DWORD_PTR>(completion_.get());
            return WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                                      context);
        });
        if (outcome.error == httpOk) {
            outcome = run([](HINTERNET request) { return WinHttpReceiveResponse(request, nullptr); });
        }
        if (outcome.error != httpOk) {
            return {failure(outcome.error), {}};
        }
        std::optional<Answer> answer = inspect([&finalAddress](HINTERNET request) {
            Answer hop{queryHead(request, finalAddress), std::nullopt};
            if (isRedirect(hop.head.status)) {
                hop.location = queryLocation(request);
            }
            return hop;
        });
        if (!answer) {
            return {httpErrorCancelled, {}};
        }
        // A redirect without a Location is the answer, for the caller to judge.
        if (!answer->location) {
            return {httpOk, std::move(answer->head)};
        }
        if (redirects == httpRedirectLimit) {
            return {httpErrorRedirectFailed, {}};
        }
        std::optional<std::wstring> next = resolve(address, *answer->location);
        std::optional<std::string> nextText = next ? utf16ToUtf8(fromWide(*next)) : std::nullopt;
        const std::optional<HttpOrigin> from = originOf(address);
        const std::optional<HttpOrigin> to = next ? originOf(*next) : std::nullopt;
        if (!nextText) {
            return {httpErrorRedirectFailed, {}};
        }
        // An address that is not http or https fails in the next hop with the system's
        // own error; it goes there without the headers.
        const RedirectHop hop = first && from && to ? redirectHop(*first, *from, *to) : RedirectHop::withoutHeaders;
        if (hop == RedirectHop::refused) {
            return {httpErrorRedirectFailed, {}};
        }
        headersKept = hop == RedirectHop::withHeaders;
        address = std::move(*next);
        finalAddress = std::move(*nextText);
    }
}

bool WinHttpTransfer::adopt(OpenedRequest opened, std::shared_ptr<RequestCompletion> completion)
{
    const std::lock_guard lock(mutex_);
    if (cancelled_) {
        return false;
    }
    // The previous hop's request goes before its connection.
    requestHandle_ = std::move(opened.request);
    connection_ = std::move(opened.connection);
    completion_ = std::move(completion);
    return true;
}

HttpReadResult WinHttpTransfer::read(std::span<std::byte> into)
{
    if (into.empty()) {
        return {cancelled() ? httpErrorCancelled : httpOk, 0};
    }
    // Waits for what has arrived rather than for a full buffer, so that a live stream is
    // handed on as it comes.
    const RequestCompletion::Outcome available =
        run([](HINTERNET request) { return WinHttpQueryDataAvailable(request, nullptr); });
    if (available.error != httpOk) {
        return {failure(available.error), 0};
    }
    if (available.value == 0) {
        return {httpOk, 0};
    }
    const DWORD wanted = static_cast<DWORD>(
        std::min<std::size_t>({available.value, into.size(), std::numeric_limits<DWORD>::max()}));
    std::span<std::byte> buffer;
    const RequestCompletion::Outcome read = run([&](HINTERNET request) {
        buffer = completion_->readBuffer(wanted);
        return WinHttpReadData(request, buffer.data(), wanted, nullptr);
    });
    if (read.error != httpOk) {
        return {failure(read.error), 0};
    }
    const std::size_t count = std::min<std::size_t>(read.value, buffer.size());
    std::memcpy(into.data(), buffer.data(), count);
    return {httpOk, count};
}

void WinHttpTransfer::cancel()
{
    SetEvent(cancelEvent_.get());
    const std::lock_guard lock(mutex_);
    cancelled_ = true;
    requestHandle_.reset();
}

template <typename Call>
RequestCompletion::Outcome WinHttpTransfer::run(Call call)
{
    std::shared_ptr<RequestCompletion> completion;
    {
        const std::lock_guard lock(mutex_);
        if (cancelled_) {
            return {httpErrorCancelled, 0};
        }
        if (!requestHandle_) {
            return {ERROR_WINHTTP_INCORRECT_HANDLE_STATE, 0};
        }
        completion = completion_;
        completion->arm();
        // A call that fails at once reports nothing through the callback.
        if (!call(requestHandle_.get())) {
            return {lastError(), 0};
        }
    }
    return completion->wait(cancelEvent_.get());
}

template <typename Look>
auto WinHttpTransfer::inspect(Look look) -> std::optional<decltype(look(HINTERNET{}))>
{
    const std::lock_guard lock(mutex_);
    if (cancelled_ || !requestHandle_) {
        return std::nullopt;
    }
    return look(requestHandle_.get());
}

bool WinHttpTransfer::cancelled()
{
    const std::lock_guard lock(mutex_);
    return cancelled_;
}

HttpError WinHttpTransfer::failure(HttpError error)
{
    if (cancelled()) {
        return httpErrorCancelled;
    }
    return error == socketTimedOut ? httpErrorTimeout : error;
}

}  // namespace telvia::win32

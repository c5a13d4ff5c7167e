#include "platform/win32/net/winhttp_request.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <string_view>
#include <vector>

#include "common/ascii_case.h"
#include "common/utf8.h"
#include "platform/win32/base/wide_text.h"

namespace telvia::win32 {

namespace {

// Header bytes are widened one to one, so that ASCII, all that header names and values
// normally hold, goes out unchanged; the portable side has already refused line breaks.
std::wstring widenBytes(std::string_view bytes)
{
    std::wstring wide;
    wide.reserve(bytes.size());
    for (const char byte : bytes) {
        wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(byte)));
    }
    return wide;
}

HttpError lastError() { return static_cast<HttpError>(GetLastError()); }

int milliseconds(std::chrono::milliseconds duration)
{
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(duration.count(), 0, INT_MAX));
}

struct CrackedAddress {
    std::wstring host;
    INTERNET_PORT port = 0;
    bool secure = false;
    std::wstring object;  // path and query, what the request line names
};

HttpError crack(const std::wstring& address, CrackedAddress& cracked)
{
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    // Lengths of -1 ask for pointers into the address rather than copies.
    parts.dwSchemeLength = static_cast<DWORD>(-1);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(address.c_str(), static_cast<DWORD>(address.size()), 0, &parts)) {
        return lastError();
    }
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) {
        return ERROR_WINHTTP_UNRECOGNIZED_SCHEME;
    }
    if (parts.dwHostNameLength == 0) {
        return ERROR_WINHTTP_INVALID_URL;
    }
    cracked.host.assign(parts.lpszHostName, parts.dwHostNameLength);
    cracked.port = parts.nPort;
    cracked.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    cracked.object.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
    cracked.object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    // The fragment belongs to the reader of the page and is never sent.
    cracked.object.erase(std::min(cracked.object.find(L'#'), cracked.object.size()));
    if (cracked.object.empty()) {
        cracked.object = L"/";
    }
    return httpOk;
}

bool addHeader(HINTERNET request, std::string_view name, std::string_view value, DWORD flags)
{
    const std::wstring line = widenBytes(name) + L": " + widenBytes(value);
    return WinHttpAddRequestHeaders(request, line.c_str(), static_cast<DWORD>(line.size()), flags) != FALSE;
}

HttpError addHeaders(HINTERNET request, const HttpRequest& what)
{
    bool userAgentGiven = false;
    for (const HttpHeader& header : what.headers) {
        const bool isUserAgent = equalsIgnoringAsciiCase(header.name, "User-Agent");
        userAgentGiven = userAgentGiven || isUserAgent;
        // The session's agent is already there; the caller's replaces it.
        const DWORD flags = WINHTTP_ADDREQ_FLAG_ADD | (isUserAgent ? WINHTTP_ADDREQ_FLAG_REPLACE : 0);
        if (!addHeader(request, header.name, header.value, flags)) {
            return lastError();
        }
    }
    if (!userAgentGiven &&
        !addHeader(request, "User-Agent", httpDefaultUserAgent,
                   WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE)) {
        return lastError();
    }
    if (what.range) {
        std::string range = "bytes=" + std::to_string(what.range->first) + "-";
        if (what.range->last) {
            range += std::to_string(*what.range->last);
        }
        if (!addHeader(request, "Range", range, WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE)) {
            return lastError();
        }
    }
    return httpOk;
}

HttpError setOptions(HINTERNET request, const HttpTimeouts& timeouts)
{
    const int connect = milliseconds(timeouts.connect);
    const int receive = milliseconds(timeouts.receive);
    // The name lookup counts against the connect time-out.
    if (!WinHttpSetTimeouts(request, connect, connect, milliseconds(timeouts.send), receive)) {
        return lastError();
    }
    // The wait for the answer's head has a time-out of its own, 90 s unless set.
    DWORD headWait = static_cast<DWORD>(receive);
    if (!WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &headWait, sizeof headWait)) {
        return lastError();
    }
    // Redirects are followed by the transfer, which then knows the final address.
    DWORD disabled = WINHTTP_DISABLE_REDIRECTS;
    if (!WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &disabled, sizeof disabled)) {
        return lastError();
    }
    return httpOk;
}

std::optional<std::wstring> queryText(HINTERNET request, DWORD query, const wchar_t* name)
{
    DWORD bytes = 0;
    WinHttpQueryHeaders(request, query, name, WINHTTP_NO_OUTPUT_BUFFER, &bytes, WINHTTP_NO_HEADER_INDEX);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return std::nullopt;
    }
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (!WinHttpQueryHeaders(request, query, name, buffer.data(), &bytes, WINHTTP_NO_HEADER_INDEX)) {
        return std::nullopt;
    }
    return std::wstring(buffer.data(), bytes / sizeof(wchar_t));
}

std::optional<std::string> queryNarrow(HINTERNET request, DWORD query, const wchar_t* name = WINHTTP_HEADER_NAME_BY_INDEX)
{
    const std::optional<std::wstring> text = queryText(request, query, name);
    if (!text) {
        return std::nullopt;
    }
    return utf16ToUtf8(fromWide(*text));
}

std::optional<std::uint64_t> parseLength(const std::optional<std::string>& text)
{
    if (!text || text->empty()) {
        return std::nullopt;
    }
    std::uint64_t length = 0;
    const char* const end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), end, length);
    if (error != std::errc{} || stop != end) {
        return std::nullopt;
    }
    return length;
}

}  // namespace

std::optional<HttpOrigin> originOf(const std::wstring& address)
{
    CrackedAddress cracked;
    if (crack(address, cracked) != httpOk) {
        return std::nullopt;
    }
    const std::optional<std::string> host = utf16ToUtf8(fromWide(cracked.host));
    if (!host) {
        return std::nullopt;
    }
    return HttpOrigin{cracked.secure, asciiLower(*host), cracked.port};
}

OpenedRequest openGetRequest(HINTERNET session, const std::wstring& address, const HttpRequest& request)
{
    OpenedRequest opened;
    CrackedAddress cracked;
    if ((opened.error = crack(address, cracked)) != httpOk) {
        return opened;
    }
    opened.connection = UniqueInternet(WinHttpConnect(session, cracked.host.c_str(), cracked.port, 0));
    if (!opened.connection) {
        opened.error = lastError();
        return opened;
    }
    opened.request = UniqueInternet(WinHttpOpenRequest(opened.connection.get(), L"GET", cracked.object.c_str(),
                                                       nullptr, WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                       cracked.secure ? WINHTTP_FLAG_SECURE : 0));
    if (!opened.request) {
        opened.error = lastError();
        return opened;
    }
    if ((opened.error = setOptions(opened.request.get(), request.timeouts)) != httpOk) {
        return opened;
    }
    opened.error = addHeaders(opened.request.get(), request);
    return opened;
}

std::optional<std::uint32_t> queryStatus(HINTERNET request)
{
    DWORD status = 0;
    DWORD bytes = sizeof status;
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &bytes, WINHTTP_NO_HEADER_INDEX)) {
        return std::nullopt;
    }
    return status;
}

std::optional<std::wstring> queryLocation(HINTERNET request)
{
    return queryText(request, WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX);
}

HttpResponseHead queryHead(HINTERNET request, std::string finalAddress)
{
    HttpResponseHead head;
    head.status = queryStatus(request).value_or(0);
    head.finalAddress = std::move(finalAddress);
    head.contentType = queryNarrow(request, WINHTTP_QUERY_CONTENT_TYPE);
    head.contentLength = parseLength(queryNarrow(request, WINHTTP_QUERY_CONTENT_LENGTH));
    head.icyMetaInt = queryNarrow(request, WINHTTP_QUERY_CUSTOM, L"icy-metaint");
    return head;
}

}  // namespace telvia::win32

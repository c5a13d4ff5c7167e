#include "platform/win32/net/win32_http.h"

#include <string>

#include "platform/win32/net/winhttp_completion.h"
#include "platform/win32/net/winhttp_transfer.h"

namespace telvia::win32 {

namespace {

// The user's proxy settings as they stand, freed with GlobalFree.
class UserProxySettings {
public:
    UserProxySettings()
    {
        if (!WinHttpGetIEProxyConfigForCurrentUser(&settings_)) {
            settings_ = {};
        }
    }
    ~UserProxySettings()
    {
        for (LPWSTR text : {settings_.lpszAutoConfigUrl, settings_.lpszProxy, settings_.lpszProxyBypass}) {
            if (text != nullptr) {
                GlobalFree(text);
            }
        }
    }
    UserProxySettings(const UserProxySettings&) = delete;
    UserProxySettings& operator=(const UserProxySettings&) = delete;

    // A proxy the user named, if any.
    [[nodiscard]] const wchar_t* proxy() const { return settings_.lpszProxy; }
    [[nodiscard]] const wchar_t* bypass() const
    {
        return settings_.lpszProxyBypass != nullptr ? settings_.lpszProxyBypass : WINHTTP_NO_PROXY_BYPASS;
    }

private:
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG settings_{};
};

// A proxy the user named is used; otherwise the machine's WinHTTP setting, usually none.
// Detecting a proxy (WPAD) and running configuration scripts are left out: both can hold
// the first request for seconds on networks that have neither.
UniqueInternet openSessionHandle()
{
    const std::wstring agent(httpDefaultUserAgent.begin(), httpDefaultUserAgent.end());
    const UserProxySettings settings;
    if (settings.proxy() != nullptr) {
        if (HINTERNET session = WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_NAMED_PROXY, settings.proxy(),
                                            settings.bypass(), WINHTTP_FLAG_ASYNC)) {
            return UniqueInternet(session);
        }
    }
    return UniqueInternet(WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                      WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC));
}

// An asynchronous session whose requests report to their RequestCompletion; empty with
// the system's error when there is none.
UniqueInternet openSession(HttpError& error)
{
    UniqueInternet session = openSessionHandle();
    if (session && WinHttpSetStatusCallback(session.get(), RequestCompletion::onStatus, completionNotifications,
                                            0) == WINHTTP_INVALID_STATUS_CALLBACK) {
        session.reset();
    }
    error = session ? httpOk : static_cast<HttpError>(GetLastError());
    return session;
}

}  // namespace

Win32HttpClient::Win32HttpClient() : session_(std::make_shared<UniqueInternet>(openSession(sessionError_))) {}

std::unique_ptr<HttpTransfer> Win32HttpClient::get(HttpRequest request)
{
    return std::make_unique<WinHttpTransfer>(session_, sessionError_, std::move(request));
}

}  // namespace telvia::win32

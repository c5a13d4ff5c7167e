// The WinHTTP headers and a move-only owner of a session, connection or request handle.
#pragma once

#include "platform/win32/base/unique_handle.h"
#include "platform/win32/base/windows_includes.h"

#include <winhttp.h>

namespace telvia::win32 {

inline void closeInternet(HINTERNET handle) { WinHttpCloseHandle(handle); }

using UniqueInternet = UniqueHandle<HINTERNET, closeInternet>;

}  // namespace telvia::win32

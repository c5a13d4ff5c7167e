// A source filter's Load run on a thread of its own, so that the window's thread never
// waits for the network. When Load returns, a message is posted to the window.
//
// Giving the load up before then: the program's own source is told to abort
// (IAMOpenProgress::AbortOperation, which ends its requests at once) and its thread is
// waited for, which takes milliseconds. The ASF reader offers no prompt way out of its
// Load; its thread is left to end on its own, holding references to the filter and to its
// graph, so that neither goes (and no lock of the reader is waited for) on the window's
// thread while the reader still loads.
#pragma once

#include <memory>
#include <string>

#include "platform/media_port.h"
#include "platform/win32/base/com_ptr.h"
#include "platform/win32/base/windows_includes.h"

#include <strmif.h>

namespace telvia::win32 {

struct BackgroundLoadTarget {
    ComPtr<IFileSourceFilter> source;
    bool abortsPromptly = false;  // the program's own source: it ends its Load on request
};

// Starts Load(address) on a new thread; E_OUTOFMEMORY when no thread could be made.
[[nodiscard]] Obtained<PendingLoad> startBackgroundLoad(BackgroundLoadTarget target, std::wstring address,
                                                        HWND window, UINT message, WPARAM ticket);

}  // namespace telvia::win32

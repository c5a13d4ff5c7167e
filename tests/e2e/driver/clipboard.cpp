#include "driver/clipboard.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "driver/driver_error.h"
#include "driver/win32.h"

namespace telvia::e2e {

namespace {

// Another process (the program, or the system's clipboard service) may hold the clipboard
// for a moment; try again for a while before giving up.
class ClipboardSession {
public:
    ClipboardSession()
    {
        for (int attempt = 0; attempt < 50; ++attempt) {
            if (OpenClipboard(nullptr)) {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        failWithLastError("OpenClipboard");
    }
    ~ClipboardSession() { CloseClipboard(); }
    ClipboardSession(const ClipboardSession&) = delete;
    ClipboardSession& operator=(const ClipboardSession&) = delete;
};

}  // namespace

void copyToClipboard(std::wstring_view text)
{
    const ClipboardSession session;
    if (!EmptyClipboard()) {
        failWithLastError("EmptyClipboard");
    }
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!block) {
        failWithLastError("GlobalAlloc");
    }
    void* data = GlobalLock(block);
    if (!data) {
        GlobalFree(block);
        failWithLastError("GlobalLock");
    }
    std::memset(data, 0, bytes);
    std::memcpy(data, text.data(), text.size() * sizeof(wchar_t));
    GlobalUnlock(block);
    // On success the clipboard owns the block.
    if (!SetClipboardData(CF_UNICODETEXT, block)) {
        GlobalFree(block);
        failWithLastError("SetClipboardData");
    }
}

void emptyClipboard()
{
    const ClipboardSession session;
    if (!EmptyClipboard()) {
        failWithLastError("EmptyClipboard");
    }
}

}  // namespace telvia::e2e

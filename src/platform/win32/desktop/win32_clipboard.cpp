#include "platform/win32/desktop/win32_clipboard.h"

#include <algorithm>
#include <cwchar>

#include "platform/win32/base/wide_text.h"

namespace telvia::win32 {

namespace {

// The clipboard stays open only as long as this lives.
class OpenClipboardScope {
public:
    explicit OpenClipboardScope(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
    ~OpenClipboardScope()
    {
        if (open_) {
            CloseClipboard();
        }
    }
    OpenClipboardScope(const OpenClipboardScope&) = delete;
    OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;

    [[nodiscard]] bool isOpen() const { return open_; }

private:
    bool open_;
};

// A locked global memory block, unlocked when this ends.
class GlobalLockScope {
public:
    explicit GlobalLockScope(HGLOBAL memory)
        : memory_(memory), data_(memory ? GlobalLock(memory) : nullptr)
    {
    }
    ~GlobalLockScope()
    {
        if (data_) {
            GlobalUnlock(memory_);
        }
    }
    GlobalLockScope(const GlobalLockScope&) = delete;
    GlobalLockScope& operator=(const GlobalLockScope&) = delete;

    [[nodiscard]] const void* data() const { return data_; }
    [[nodiscard]] std::size_t size() const { return data_ ? GlobalSize(memory_) : 0; }

private:
    HGLOBAL memory_;
    void* data_;
};

}  // namespace

std::u16string Win32Clipboard::text(std::size_t maxLength)
{
    const OpenClipboardScope clipboard(owner_.handle());
    if (!clipboard.isOpen()) {
        return {};
    }
    // The system converts 8-bit clipboard text to this format on request.
    const GlobalLockScope block(GetClipboardData(CF_UNICODETEXT));
    if (!block.data()) {
        return {};
    }
    // Never past the block, even when a program put text there without a terminator.
    const std::size_t units = block.size() / sizeof(wchar_t);
    const auto* text = static_cast<const wchar_t*>(block.data());
    return fromWide(std::wstring_view(text, wcsnlen(text, std::min(units, maxLength))));
}

}  // namespace telvia::win32

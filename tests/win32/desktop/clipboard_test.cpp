// The clipboard adapter against the real clipboard: UTF-16 text up to its terminator and
// cut to the asked length, 8-bit text converted by the system, nothing for no text, and a
// block without a terminator never read past its end.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/win32/desktop/win32_clipboard.h"

namespace {

// Puts a block of exactly these bytes on the clipboard in the format.
void putOnClipboard(UINT format, const void* bytes, std::size_t size)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    if (size > 0) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
        ASSERT_NE(block, nullptr);
        std::memcpy(GlobalLock(block), bytes, size);
        GlobalUnlock(block);
        ASSERT_NE(SetClipboardData(format, block), nullptr);
    }
    CloseClipboard();
}

TEST(Clipboard, ReadsTextUpToItsTerminatorCutToTheAskedLength)
{
    const telvia::win32::Win32MainWindow owner;  // no window: the clipboard opens for this task
    telvia::win32::Win32Clipboard clipboard(owner);

    const wchar_t wide[] = L"http://example/live\0after";
    putOnClipboard(CF_UNICODETEXT, wide, sizeof wide);
    EXPECT_EQ(clipboard.text(519), u"http://example/live");
    EXPECT_EQ(clipboard.text(4), u"http");

    // 8-bit text comes converted.
    const char narrow[] = "mms://radio";
    putOnClipboard(CF_TEXT, narrow, sizeof narrow);
    EXPECT_EQ(clipboard.text(519), u"mms://radio");

    // A block that another program filled without a terminator is never read past its
    // end (the system may also put a terminator into its last unit).
    const wchar_t unterminated[] = {L'a', L'b', L'c'};
    putOnClipboard(CF_UNICODETEXT, unterminated, sizeof unterminated);
    const std::u16string cut = clipboard.text(519);
    EXPECT_LE(cut.size(), 3u);
    EXPECT_EQ(cut, std::u16string(u"abc").substr(0, cut.size()));

    putOnClipboard(CF_UNICODETEXT, nullptr, 0);
    EXPECT_EQ(clipboard.text(519), u"");

    // Held open by someone else: nothing, and the holder keeps it.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(clipboard.text(519), u"");
    CloseClipboard();
}

}  // namespace

// The process adapter's hand-over and folders on real Win32: the bytes and tag that reach
// the other window's WM_COPYDATA, its answer, a window that is gone; paths made absolute
// against the current folder; the program's own folder made the current one.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "dialog_test_support.h"
#include "platform/win32/base/wide_text.h"
#include "platform/win32/desktop/win32_process.h"

namespace {

using telvia::RunningInstance;
using telvia::test::WindowHandle;
using telvia::win32::Win32Process;

// What a window of the receiving side saw of WM_COPYDATA, and what it answers.
struct Received {
    int messages = 0;
    ULONG_PTR tag = 0;
    std::vector<std::byte> bytes;
    LRESULT answer = TRUE;
};

LRESULT CALLBACK receivingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* received = reinterpret_cast<Received*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_COPYDATA && received != nullptr) {
        const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        ++received->messages;
        received->tag = copy->dwData;
        const auto* first = static_cast<const std::byte*>(copy->lpData);
        received->bytes.assign(first, first + copy->cbData);
        return received->answer;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

WindowHandle receivingWindow(Received& received)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = receivingProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TelviaHandOverReceiver";
    RegisterClassW(&windowClass);  // a second registration fails harmlessly
    WindowHandle window(CreateWindowExW(0, windowClass.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10,
                                        nullptr, nullptr, windowClass.hInstance, nullptr));
    SetWindowLongPtrW(window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&received));
    return window;
}

Win32Process process()
{
    return Win32Process(GetModuleHandleW(nullptr), SW_SHOWNORMAL, DefWindowProcW, nullptr);
}

RunningInstance instanceOf(HWND window)
{
    return {reinterpret_cast<std::uintptr_t>(window), false};
}

TEST(ProcessHandOver, TheOtherWindowGetsTheTagAndTheBytesAndItsAnswerCounts)
{
    const std::vector<std::byte> bytes = {std::byte{'C'}, std::byte{0}, std::byte{0xFF}, std::byte{0x04}};
    const struct {
        const char* what;
        LRESULT answer;
        bool taken;
    } cases[] = {{"taken", TRUE, true}, {"refused", FALSE, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Received received;
        received.answer = c.answer;
        const WindowHandle window = receivingWindow(received);
        ASSERT_NE(window, nullptr);
        Win32Process entry = process();
        EXPECT_EQ(entry.sendData(instanceOf(window.get()), 0x54564C31, bytes), c.taken);
        EXPECT_EQ(received.messages, 1);
        EXPECT_EQ(received.tag, 0x54564C31u);
        EXPECT_EQ(received.bytes, bytes);
    }
}

TEST(ProcessHandOver, AWindowThatIsGoneTakesNothing)
{
    Received received;
    HWND gone = receivingWindow(received).get();  // destroyed at the end of the statement
    Win32Process entry = process();
    const std::vector<std::byte> bytes(8, std::byte{'a'});
    EXPECT_FALSE(entry.sendData(instanceOf(gone), 0x54564C31, bytes));
    EXPECT_EQ(received.messages, 0);
}

// Restores the current folder when the test ends.
class CurrentFolderKept : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t folder[MAX_PATH] = {};
        ASSERT_NE(GetCurrentDirectoryW(MAX_PATH, folder), 0u);
        saved_ = folder;
    }
    void TearDown() override { SetCurrentDirectoryW(saved_.c_str()); }

    [[nodiscard]] static std::wstring currentFolder()
    {
        wchar_t folder[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, folder);
        return folder;
    }

private:
    std::wstring saved_;
};

TEST_F(CurrentFolderKept, PathsAreMadeAbsoluteAgainstTheCurrentFolder)
{
    ASSERT_TRUE(SetCurrentDirectoryW(L"C:\\windows"));
    Win32Process entry = process();
    const struct {
        std::u16string given;
        std::u16string full;
    } cases[] = {
        {u"friends.qcl", u"C:\\windows\\friends.qcl"},
        {u"..\\lists\\uk.m3u", u"C:\\lists\\uk.m3u"},
        {u"D:\\tv\\list.m3u8", u"D:\\tv\\list.m3u8"},
        {u"\\\\server\\share\\a.qcl", u"\\\\server\\share\\a.qcl"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(entry.fullPath(c.given), c.full) << telvia::win32::toWide(c.given).size();
    }
}

TEST_F(CurrentFolderKept, TheProgramsOwnFolderBecomesTheCurrentOne)
{
    wchar_t path[MAX_PATH] = {};
    ASSERT_NE(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
    std::wstring folder = path;
    folder.resize(folder.find_last_of(L'\\'));

    ASSERT_TRUE(SetCurrentDirectoryW(L"C:\\windows"));
    Win32Process entry = process();
    EXPECT_TRUE(entry.enterProgramFolder());
    EXPECT_EQ(lstrcmpiW(currentFolder().c_str(), folder.c_str()), 0)
        << "now in " << currentFolder().size() << " units: the program lies in " << folder.size();
}

}  // namespace

// What the adapter tests that play the demo stream share: where the demo lies, a COM
// apartment for the test, and a message pump while the graph's threads run.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/base/com_apartment.h"

namespace telvia::testing {

// demo.wmv next to this executable; the test set-up makes it with ffmpeg when it can.
inline std::wstring demoFile()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring file(path, length);
    file.resize(file.find_last_of(L"\\/") + 1);
    return file + L"demo.wmv";
}

inline bool haveDemo() { return GetFileAttributesW(demoFile().c_str()) != INVALID_FILE_ATTRIBUTES; }

// Lets the graph's threads run and the renderer's window get its messages.
inline void pumpMessages(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
}

using win32::ComApartment;

}  // namespace telvia::testing

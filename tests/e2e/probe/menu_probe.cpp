// Loaded into a running telvia.exe by the end-to-end driver. Menu objects belong to the
// process that made them (another process sees none of their items under Wine), so the
// menus are read here, from inside: on load this library starts one thread that writes
// the main window's menu bar, and the menu of an open pop-up if there is one, to
// "probe-menus.txt" in the process's current folder, and then ends.
//
// Format: UTF-8 lines of tab-separated fields.
//   bar <count>            the menu bar follows (count -1: the window has no menu)
//   popup <count>          the open pop-up follows (only when one is open)
//   item <depth> <position> <id> <flags> <text>
//   end                    the last line
//   error <reason>         instead of everything else when there is no main window
// Flags are letters, "-" for none: S separator, P has a sub-menu, B menu-bar break,
// K menu break, R radio mark style, C checked, D disabled or grayed. In the text, a
// backslash, tab, carriage return and line feed are written as \\, \t, \r and \n.
//
// The file is written under a temporary name and then renamed, so that a reader never
// sees half of it. Each load runs the dump once: for another dump the driver loads a copy
// of this library under a new file name.
#include <windows.h>

#include <cwchar>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr UINT menuGetHandleMessage = 0x01E1;  // MN_GETHMENU
constexpr wchar_t mainWindowClass[] = L"TELVIA";
constexpr wchar_t popupMenuClass[] = L"#32768";
constexpr wchar_t outputName[] = L"probe-menus.txt";

struct WindowQuery {
    const wchar_t* className;
    bool visibleOnly;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter)
{
    auto* query = reinterpret_cast<WindowQuery*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != GetCurrentProcessId()) {
        return TRUE;
    }
    wchar_t name[64] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    if (std::wcscmp(name, query->className) != 0) {
        return TRUE;
    }
    if (query->visibleOnly && !IsWindowVisible(window)) {
        return TRUE;
    }
    query->found = window;
    return FALSE;
}

HWND findOwnWindow(const wchar_t* className, bool visibleOnly)
{
    WindowQuery query{className, visibleOnly, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

std::string toUtf8(std::wstring_view text)
{
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(),
                        size, nullptr, nullptr);
    return result;
}

std::string escaped(std::string_view text)
{
    std::string result;
    for (const char c : text) {
        switch (c) {
        case '\\': result += "\\\\"; break;
        case '\t': result += "\\t"; break;
        case '\r': result += "\\r"; break;
        case '\n': result += "\\n"; break;
        default: result += c; break;
        }
    }
    return result;
}

std::wstring itemText(HMENU menu, int position)
{
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info) || info.cch == 0) {
        return {};
    }
    std::vector<wchar_t> buffer(info.cch + 1, L'\0');
    info.dwTypeData = buffer.data();
    info.cch = static_cast<UINT>(buffer.size());
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) {
        return {};
    }
    return buffer.data();
}

std::string flagsOf(const MENUITEMINFOW& info)
{
    std::string flags;
    if ((info.fType & MFT_SEPARATOR) != 0) flags += 'S';
    if (info.hSubMenu != nullptr) flags += 'P';
    if ((info.fType & MFT_MENUBARBREAK) != 0) flags += 'B';
    if ((info.fType & MFT_MENUBREAK) != 0) flags += 'K';
    if ((info.fType & MFT_RADIOCHECK) != 0) flags += 'R';
    if ((info.fState & MFS_CHECKED) != 0) flags += 'C';
    if ((info.fState & (MFS_DISABLED | MFS_GRAYED)) != 0) flags += 'D';
    return flags.empty() ? "-" : flags;
}

// Every item of `menu`, then the items of its sub-menus right after their parent item.
void dumpItems(HMENU menu, int depth, std::string& out)
{
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) {
            continue;
        }
        out += "item\t" + std::to_string(depth) + '\t' + std::to_string(position) + '\t' +
               std::to_string(info.wID) + '\t' + flagsOf(info) + '\t' +
               escaped(toUtf8(itemText(menu, position))) + '\n';
        if (info.hSubMenu != nullptr && depth < 8) {
            dumpItems(info.hSubMenu, depth + 1, out);
        }
    }
}

void dumpMenu(const char* section, HMENU menu, std::string& out)
{
    const int count = menu != nullptr ? GetMenuItemCount(menu) : -1;
    out += std::string(section) + '\t' + std::to_string(count) + '\n';
    if (menu != nullptr) {
        dumpItems(menu, 0, out);
    }
}

std::string dump()
{
    const HWND mainWindow = findOwnWindow(mainWindowClass, false);
    if (mainWindow == nullptr) {
        return "error\tno TELVIA window in this process\n";
    }
    std::string out;
    dumpMenu("bar", GetMenu(mainWindow), out);
    if (const HWND popup = findOwnWindow(popupMenuClass, true); popup != nullptr) {
        DWORD_PTR menu = 0;
        if (SendMessageTimeoutW(popup, menuGetHandleMessage, 0, 0, SMTO_ABORTIFHUNG, 2000, &menu) != 0 &&
            menu != 0) {
            dumpMenu("popup", reinterpret_cast<HMENU>(menu), out);
        }
    }
    out += "end\n";
    return out;
}

void writeAtomically(const std::string& text)
{
    const std::wstring temporary =
        std::wstring(L"probe-menus-") + std::to_wstring(GetCurrentThreadId()) + L".tmp";
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != text.size()) {
        DeleteFileW(temporary.c_str());
        return;
    }
    MoveFileExW(temporary.c_str(), outputName, MOVEFILE_REPLACE_EXISTING);
}

DWORD WINAPI probeThread(LPVOID)
{
    writeAtomically(dump());
    return 0;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(module);
        // Nothing is read under the loader lock: the thread runs once this call returns.
        HANDLE thread = CreateThread(nullptr, 0, probeThread, nullptr, 0, nullptr);
        if (thread != nullptr) {
            CloseHandle(thread);
        }
    }
    return TRUE;
}

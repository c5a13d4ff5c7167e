#include "driver/menu_probe.h"

#include <charconv>
#include <optional>
#include <string>

#include "driver/driver_error.h"
#include "driver/kernel_handle.h"
#include "driver/options.h"
#include "driver/text.h"
#include "driver/win32.h"

namespace telvia::e2e {

namespace {

constexpr std::wstring_view dumpFile = L"probe-menus.txt";

std::vector<std::string_view> splitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos) {
            return fields;
        }
        start = tab + 1;
    }
}

template <typename Number>
Number parseNumber(std::string_view field, std::string_view line)
{
    Number value{};
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc{} || end != field.data() + field.size()) {
        throw DriverError("bad number in the menu dump line: " + std::string(line));
    }
    return value;
}

std::string unescaped(std::string_view text, std::string_view line)
{
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            result += text[i];
            continue;
        }
        if (++i == text.size()) {
            throw DriverError("bad escape in the menu dump line: " + std::string(line));
        }
        switch (text[i]) {
        case '\\': result += '\\'; break;
        case 't': result += '\t'; break;
        case 'r': result += '\r'; break;
        case 'n': result += '\n'; break;
        default: throw DriverError("bad escape in the menu dump line: " + std::string(line));
        }
    }
    return result;
}

MenuItem parseItem(const std::vector<std::string_view>& fields, std::string_view line)
{
    if (fields.size() != 6) {
        throw DriverError("an item line of the menu dump needs 6 fields: " + std::string(line));
    }
    MenuItem item;
    item.depth = parseNumber<int>(fields[1], line);
    item.position = parseNumber<int>(fields[2], line);
    item.id = parseNumber<unsigned>(fields[3], line);
    if (fields[4] != "-") {
        for (const char flag : fields[4]) {
            switch (flag) {
            case 'S': item.separator = true; break;
            case 'P': item.popup = true; break;
            case 'B': item.menuBarBreak = true; break;
            case 'K': item.menuBreak = true; break;
            case 'R': item.radioCheck = true; break;
            case 'C': item.checked = true; break;
            case 'D': item.disabled = true; break;
            default: throw DriverError("unknown flag in the menu dump line: " + std::string(line));
            }
        }
    }
    item.text = fromUtf8(unescaped(fields[5], line));
    return item;
}

// Loads `library` into `process` by running LoadLibraryW there on a thread of its own.
void loadLibraryInto(const TelviaProcess& process, const std::filesystem::path& library)
{
    const std::wstring path = library.wstring();
    const std::size_t bytes = (path.size() + 1) * sizeof(wchar_t);
    void* remotePath = VirtualAllocEx(process.handle(), nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (remotePath == nullptr) {
        failWithLastError("cannot allocate memory in telvia.exe");
    }
    struct RemoteFree {
        HANDLE process;
        void* memory;
        ~RemoteFree() { VirtualFreeEx(process, memory, 0, MEM_RELEASE); }
    } freeLater{process.handle(), remotePath};

    if (!WriteProcessMemory(process.handle(), remotePath, path.c_str(), bytes, nullptr)) {
        failWithLastError("cannot write the probe's path into telvia.exe");
    }
    // kernel32 is mapped at the same address in every process of a session (and of a Wine
    // prefix), so its LoadLibraryW here is its LoadLibraryW there. The conversion goes
    // through the generic function pointer type, which every function type converts to.
    const FARPROC loadLibrary = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW");
    const auto start =
        reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void (*)()>(loadLibrary));
    const KernelHandle thread(CreateRemoteThread(process.handle(), nullptr, 0, start, remotePath, 0, nullptr));
    if (!thread) {
        failWithLastError("cannot start a thread in telvia.exe");
    }
    if (WaitForSingleObject(thread.get(), static_cast<DWORD>(defaultTimeout.count())) != WAIT_OBJECT_0) {
        throw DriverError("loading the probe into telvia.exe did not finish");
    }
    // The thread's exit code is the low half of the module handle: 0 means not loaded.
    DWORD loaded = 0;
    GetExitCodeThread(thread.get(), &loaded);
    if (loaded == 0) {
        throw DriverError("telvia.exe could not load " + toUtf8(path));
    }
}

}  // namespace

MenuDump parseMenuDump(std::string_view text)
{
    MenuDump dump;
    std::vector<MenuItem>* section = nullptr;
    bool ended = false;
    while (!text.empty()) {
        const std::size_t newline = text.find('\n');
        const std::string_view line = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view{} : text.substr(newline + 1);
        const std::vector<std::string_view> fields = splitFields(line);
        if (ended) {
            throw DriverError("menu dump goes on after its end: " + std::string(line));
        }
        if (fields[0] == "error") {
            throw DriverError("the menu probe reports: " + std::string(fields.size() > 1 ? fields[1] : ""));
        }
        if (fields[0] == "bar" && fields.size() == 2) {
            dump.hasMenuBar = parseNumber<int>(fields[1], line) >= 0;
            section = &dump.bar;
        } else if (fields[0] == "popup" && fields.size() == 2) {
            dump.popup.emplace();
            section = &*dump.popup;
        } else if (fields[0] == "item" && section != nullptr) {
            section->push_back(parseItem(fields, line));
        } else if (fields[0] == "end" && fields.size() == 1) {
            ended = true;
        } else {
            throw DriverError("unexpected line in the menu dump: " + std::string(line));
        }
    }
    if (!ended) {
        throw DriverError("the menu dump has no end line");
    }
    return dump;
}

MenuDump readMenus(const TelviaProcess& process, const Workspace& workspace, std::chrono::milliseconds timeout)
{
    workspace.remove(dumpFile);
    int copy = 1;
    while (workspace.contains(L"menu-probe-" + std::to_wstring(copy) + L".dll")) {
        ++copy;
    }
    const std::wstring library = L"menu-probe-" + std::to_wstring(copy) + L".dll";
    workspace.copyIn(options().menuProbe, library);
    loadLibraryInto(process, workspace.pathOf(library));
    // Seen under load: the file is there a moment before it can be read.
    std::optional<std::string> dump;
    if (!waitUntil([&] { return (dump = workspace.tryReadFile(dumpFile)).has_value(); }, timeout)) {
        throw DriverError("the menu probe wrote nothing readable within " +
                          std::to_string(timeout.count()) + " ms");
    }
    return parseMenuDump(*dump);
}

const MenuItem* findItem(std::span<const MenuItem> items, unsigned id)
{
    for (const MenuItem& item : items) {
        if (!item.popup && !item.separator && item.id == id) {
            return &item;
        }
    }
    return nullptr;
}

std::vector<std::wstring> textsOf(std::span<const MenuItem> items)
{
    std::vector<std::wstring> texts;
    for (const MenuItem& item : items) {
        texts.push_back(item.text);
    }
    return texts;
}

std::vector<std::wstring> topLevelTexts(std::span<const MenuItem> items)
{
    std::vector<std::wstring> texts;
    for (const MenuItem& item : items) {
        if (item.depth == 0) {
            texts.push_back(item.text);
        }
    }
    return texts;
}

}  // namespace telvia::e2e

#include "driver/list_view.h"

#include <commctrl.h>

#include <cstddef>
#include <utility>

#include "driver/driver_error.h"
#include "driver/kernel_handle.h"

namespace telvia::e2e {

namespace {

constexpr UINT answerTimeoutMs = 5000;
// Room for the longest text of a row (a note of 519 characters) with its terminator.
constexpr int textCapacity = 1024;

// A block of memory in another process, freed when the owner goes away.
class RemoteMemory {
public:
    RemoteMemory(HWND window, std::size_t size) : size_(size)
    {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        process_ = KernelHandle(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId));
        if (!process_) {
            failWithLastError("cannot open the process of the list view");
        }
        address_ = VirtualAllocEx(process_.get(), nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (address_ == nullptr) {
            failWithLastError("cannot allocate memory in the process of the list view");
        }
    }
    ~RemoteMemory() { VirtualFreeEx(process_.get(), address_, 0, MEM_RELEASE); }

    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    [[nodiscard]] void* address() const { return address_; }
    [[nodiscard]] void* at(std::size_t offset) const { return static_cast<std::byte*>(address_) + offset; }

    void write(std::size_t offset, const void* bytes, std::size_t count) const
    {
        check(offset, count);
        SIZE_T written = 0;
        if (!WriteProcessMemory(process_.get(), at(offset), bytes, count, &written) || written != count) {
            failWithLastError("cannot write into the process of the list view");
        }
    }
    void read(std::size_t offset, void* bytes, std::size_t count) const
    {
        check(offset, count);
        SIZE_T got = 0;
        if (!ReadProcessMemory(process_.get(), at(offset), bytes, count, &got) || got != count) {
            failWithLastError("cannot read from the process of the list view");
        }
    }

private:
    void check(std::size_t offset, std::size_t count) const
    {
        if (offset > size_ || count > size_ - offset) {
            throw DriverError("a transfer outside the block allocated in the list view's process");
        }
    }

    KernelHandle process_;
    void* address_ = nullptr;
    std::size_t size_ = 0;
};

LRESULT send(HWND list, UINT message, WPARAM wParam, LPARAM lParam, const char* what)
{
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(list, message, wParam, lParam, SMTO_NORMAL, answerTimeoutMs, &result) == 0) {
        throw DriverError(std::string("the list view did not answer ") + what);
    }
    return static_cast<LRESULT>(result);
}

}  // namespace

int ListView::rowCount() const
{
    return static_cast<int>(send(list_, LVM_GETITEMCOUNT, 0, 0, "LVM_GETITEMCOUNT"));
}

std::wstring ListView::text(int row, int column) const
{
    // The item structure and the text buffer it points to, in one block.
    const RemoteMemory memory(list_, sizeof(LVITEMW) + textCapacity * sizeof(wchar_t));
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = static_cast<LPWSTR>(memory.at(sizeof(LVITEMW)));
    item.cchTextMax = textCapacity;
    memory.write(0, &item, sizeof item);
    const auto length = send(list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                             reinterpret_cast<LPARAM>(memory.address()), "LVM_GETITEMTEXTW");
    if (length < 0 || length >= textCapacity) {
        throw DriverError("LVM_GETITEMTEXTW answered a length of " + std::to_string(length));
    }
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    memory.read(sizeof(LVITEMW), text.data(), text.size() * sizeof(wchar_t));
    return text;
}

std::vector<std::wstring> ListView::columnTexts(int column) const
{
    std::vector<std::wstring> texts;
    const int rows = rowCount();
    for (int row = 0; row < rows; ++row) {
        texts.push_back(text(row, column));
    }
    return texts;
}

bool ListView::checked(int row) const
{
    const auto state = send(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK,
                            "LVM_GETITEMSTATE");
    // State image 2 is the checked box, 1 the empty one.
    return ((static_cast<UINT>(state) & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

int ListView::selectedRow() const
{
    return static_cast<int>(send(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED, "LVM_GETNEXTITEM"));
}

int ListView::focusedRow() const
{
    return static_cast<int>(send(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED, "LVM_GETNEXTITEM"));
}

void ListView::select(int row) const
{
    const RemoteMemory memory(list_, sizeof(LVITEMW));
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    memory.write(0, &item, sizeof item);
    if (send(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(memory.address()),
             "LVM_SETITEMSTATE") == 0) {
        throw DriverError("the list view refused to select row " + std::to_string(row));
    }
}

void ListView::pressSpace() const
{
    // Repeat count 1 and the key's scan code, as the keyboard would post them.
    const LPARAM down = 1 | (0x39 << 16);
    const LPARAM up = down | (1 << 30) | static_cast<LPARAM>(1u << 31);
    if (!PostMessageW(list_, WM_KEYDOWN, VK_SPACE, down) || !PostMessageW(list_, WM_KEYUP, VK_SPACE, up)) {
        failWithLastError("cannot post the Space key to the list view");
    }
}

}  // namespace telvia::e2e

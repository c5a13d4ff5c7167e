// Move-only owners of Windows handles: each handle is closed exactly once.
#pragma once

#include <utility>

#include "platform/win32/base/windows_includes.h"

namespace telvia::win32 {

template <typename Handle, auto Close>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, Handle{})) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) {
            reset(std::exchange(other.handle_, Handle{}));
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    [[nodiscard]] Handle get() const { return handle_; }
    [[nodiscard]] explicit operator bool() const { return handle_ != Handle{}; }

    void reset(Handle handle = Handle{})
    {
        if (handle_ != Handle{}) {
            Close(handle_);
        }
        handle_ = handle;
    }

private:
    Handle handle_{};
};

inline void destroyMenu(HMENU menu) { DestroyMenu(menu); }
inline void closeFile(HANDLE file)
{
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
}

// Events, threads and other kernel objects that CloseHandle ends.
inline void closeKernelObject(HANDLE object) { CloseHandle(object); }

using UniqueMenu = UniqueHandle<HMENU, destroyMenu>;
using UniqueKernelObject = UniqueHandle<HANDLE, closeKernelObject>;

}  // namespace telvia::win32

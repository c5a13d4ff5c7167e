// A move-only owner of one COM interface reference: released exactly once, by reset or
// destruction.
#pragma once

#include <utility>

#include "platform/win32/base/windows_includes.h"

#include <unknwn.h>

namespace telvia::win32 {

template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }

    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) {
            reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    [[nodiscard]] Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    [[nodiscard]] explicit operator bool() const { return pointer_ != nullptr; }

    // Gives up the reference held, if any.
    void reset()
    {
        if (Interface* const held = std::exchange(pointer_, nullptr)) {
            held->Release();
        }
    }

    // The address for an out-parameter that hands over a new reference; the old one goes first.
    [[nodiscard]] Interface** put()
    {
        reset();
        return &pointer_;
    }
    [[nodiscard]] void** putVoid() { return reinterpret_cast<void**>(put()); }

    // Gives the reference held to the caller, who releases it (a COM out-parameter).
    [[nodiscard]] Interface* detach() { return std::exchange(pointer_, nullptr); }

    // QueryInterface for another interface of the same object.
    template <typename Other>
    [[nodiscard]] HRESULT query(REFIID iid, ComPtr<Other>& out) const
    {
        return pointer_->QueryInterface(iid, out.putVoid());
    }

private:
    Interface* pointer_ = nullptr;
};

}  // namespace telvia::win32

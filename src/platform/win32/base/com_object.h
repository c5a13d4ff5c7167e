// Reference counting for the COM objects the program implements itself (the stream source
// filter, its pins and enumerators).
#pragma once

#include <atomic>
#include <memory>
#include <new>
#include <utility>

#include "platform/win32/base/com_ptr.h"

namespace telvia::win32 {

// The count of an object that deletes itself on its last Release. A new object holds the
// one reference that makeComObject hands to its first owner.
class ReferenceCount {
public:
    ULONG add() { return ++count_; }
    ULONG release() { return --count_; }

private:
    std::atomic<ULONG> count_{1};
};

// The Release of an object counted by `count`: the last reference deletes it, as its final
// type (the interfaces have no virtual destructors).
template <typename Object>
ULONG releaseReference(Object* object, ReferenceCount& count)
{
    const ULONG left = count.release();
    if (left == 0) {
        delete object;
    }
    return left;
}

// Makes an object and hands its first reference to a ComPtr: from here on its reference
// count owns it. Empty when memory ran out (nothing may throw into a COM caller).
template <typename Interface, typename Object, typename... Arguments>
[[nodiscard]] ComPtr<Interface> makeComObject(Arguments&&... arguments) noexcept
{
    ComPtr<Interface> reference;
    try {
        auto object = std::make_unique<Object>(std::forward<Arguments>(arguments)...);
        *reference.put() = object.release();
    } catch (...) {
        return {};
    }
    return reference;
}

// A second owner of a reference someone else holds (AddRef).
template <typename Interface>
[[nodiscard]] ComPtr<Interface> shareReference(Interface* raw)
{
    ComPtr<Interface> reference;
    if (raw != nullptr) {
        raw->AddRef();
        *reference.put() = raw;
    }
    return reference;
}

// Hands a reference out through a COM out-parameter.
template <typename Interface>
HRESULT handOut(ComPtr<Interface>&& reference, Interface** out)
{
    *out = reference.detach();
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

}  // namespace telvia::win32

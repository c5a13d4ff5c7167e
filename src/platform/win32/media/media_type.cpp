#include "platform/win32/media/media_type.h"

#include <cstring>
#include <new>
#include <utility>

namespace telvia::win32 {

namespace {

// A copy of `type` whose format block is a new task-memory copy; false when memory ran out.
bool deepCopy(const AM_MEDIA_TYPE& type, AM_MEDIA_TYPE& out) noexcept
{
    out = type;
    out.pbFormat = nullptr;
    if (type.cbFormat != 0 && type.pbFormat != nullptr) {
        out.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(type.cbFormat));
        if (out.pbFormat == nullptr) {
            out.cbFormat = 0;
            out.pUnk = nullptr;
            return false;
        }
        std::memcpy(out.pbFormat, type.pbFormat, type.cbFormat);
    } else {
        out.cbFormat = 0;
    }
    if (out.pUnk != nullptr) {
        out.pUnk->AddRef();
    }
    return true;
}

}  // namespace

void freeMediaTypeFields(AM_MEDIA_TYPE& type) noexcept
{
    CoTaskMemFree(type.pbFormat);
    type.pbFormat = nullptr;
    type.cbFormat = 0;
    if (type.pUnk != nullptr) {
        type.pUnk->Release();
        type.pUnk = nullptr;
    }
}

void deleteTaskMemMediaType(AM_MEDIA_TYPE* type) noexcept
{
    if (type != nullptr) {
        freeMediaTypeFields(*type);
        CoTaskMemFree(type);
    }
}

MediaType::MediaType(const AM_MEDIA_TYPE& header, std::span<const std::byte> format)
{
    type_ = header;
    type_.pUnk = nullptr;
    type_.pbFormat = nullptr;
    type_.cbFormat = 0;
    if (!format.empty()) {
        type_.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(format.size()));
        if (type_.pbFormat == nullptr) {
            throw std::bad_alloc();
        }
        std::memcpy(type_.pbFormat, format.data(), format.size());
        type_.cbFormat = static_cast<ULONG>(format.size());
    }
}

MediaType::MediaType(MediaType&& other) noexcept : type_(std::exchange(other.type_, AM_MEDIA_TYPE{})) {}

MediaType& MediaType::operator=(MediaType&& other) noexcept
{
    if (this != &other) {
        freeMediaTypeFields(type_);
        type_ = std::exchange(other.type_, AM_MEDIA_TYPE{});
    }
    return *this;
}

MediaType MediaType::copyOf(const AM_MEDIA_TYPE& type)
{
    MediaType copy;
    if (!deepCopy(type, copy.type_)) {
        throw std::bad_alloc();
    }
    return copy;
}

std::span<const std::byte> MediaType::format() const
{
    return {reinterpret_cast<const std::byte*>(type_.pbFormat), type_.cbFormat};
}

HRESULT MediaType::copyTo(AM_MEDIA_TYPE& out) const noexcept
{
    return deepCopy(type_, out) ? S_OK : E_OUTOFMEMORY;
}

AM_MEDIA_TYPE* MediaType::newTaskMemCopy() const noexcept
{
    auto* const copy = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (copy == nullptr) {
        return nullptr;
    }
    if (!deepCopy(type_, *copy)) {
        CoTaskMemFree(copy);
        return nullptr;
    }
    return copy;
}

bool MediaType::matches(const AM_MEDIA_TYPE& partial) const
{
    const auto named = [](const GUID& wanted, const GUID& ours) {
        return IsEqualGUID(wanted, GUID_NULL) || IsEqualGUID(wanted, ours);
    };
    return named(partial.majortype, type_.majortype) && named(partial.subtype, type_.subtype) &&
           named(partial.formattype, type_.formattype);
}

}  // namespace telvia::win32

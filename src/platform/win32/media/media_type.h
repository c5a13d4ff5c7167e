// A move-only owner of one AM_MEDIA_TYPE and its format block. Format blocks live in COM
// task memory because the framework frees the types it receives from a filter that way.
#pragma once

#include <cstddef>
#include <span>

#include "platform/win32/base/windows_includes.h"

#include <strmif.h>

namespace telvia::win32 {

// Frees what a media type points to (format block, pUnk) and leaves it empty.
void freeMediaTypeFields(AM_MEDIA_TYPE& type) noexcept;
// Frees a media type handed out in task memory (IEnumMediaTypes::Next) with its fields.
void deleteTaskMemMediaType(AM_MEDIA_TYPE* type) noexcept;

class MediaType {
public:
    MediaType() = default;
    // A type with the given GUIDs and sample fields of `header` and a copy of `format`.
    // Throws std::bad_alloc when task memory runs out.
    MediaType(const AM_MEDIA_TYPE& header, std::span<const std::byte> format);
    ~MediaType() { freeMediaTypeFields(type_); }

    MediaType(MediaType&& other) noexcept;
    MediaType& operator=(MediaType&& other) noexcept;
    MediaType(const MediaType&) = delete;
    MediaType& operator=(const MediaType&) = delete;

    // A deep copy of any media type; throws std::bad_alloc.
    [[nodiscard]] static MediaType copyOf(const AM_MEDIA_TYPE& type);

    [[nodiscard]] const AM_MEDIA_TYPE& get() const { return type_; }
    [[nodiscard]] std::span<const std::byte> format() const;

    // Fills a caller's structure with a copy whose format block the caller frees.
    [[nodiscard]] HRESULT copyTo(AM_MEDIA_TYPE& out) const noexcept;
    // A copy in task memory, as IEnumMediaTypes::Next hands out; null when memory ran out.
    [[nodiscard]] AM_MEDIA_TYPE* newTaskMemCopy() const noexcept;

    // Whether every GUID that `partial` names (not GUID_NULL) is this type's.
    [[nodiscard]] bool matches(const AM_MEDIA_TYPE& partial) const;

private:
    AM_MEDIA_TYPE type_{};
};

}  // namespace telvia::win32

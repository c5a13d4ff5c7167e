// IEnumPins and IEnumMediaTypes over a fixed list, for the stream source filter and pins.
#pragma once

#include <memory>
#include <vector>

#include "platform/win32/base/com_ptr.h"
#include "platform/win32/media/media_type.h"

namespace telvia::win32 {

// Both are empty when memory ran out.
[[nodiscard]] ComPtr<IEnumPins> makePinEnumerator(std::vector<ComPtr<IPin>> pins) noexcept;
[[nodiscard]] ComPtr<IEnumMediaTypes> makeMediaTypeEnumerator(
    std::shared_ptr<const std::vector<MediaType>> types) noexcept;

}  // namespace telvia::win32

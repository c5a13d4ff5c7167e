// The probe's sink for a capture: a filter with one input pin that accepts whatever media
// type the source's output pin offers first and hands every sample, as it comes, to a
// PinCapture. It renders nothing and keeps no clock, so a capture needs no decoder and
// takes the samples as fast as the source delivers them.
#pragma once

#include <memory>

#include "pin_capture.h"
#include "platform/win32/base/com_ptr.h"

namespace telvia::probe {

// Empty when memory ran out.
[[nodiscard]] win32::ComPtr<IBaseFilter> createCaptureSink(std::shared_ptr<PinCapture> capture) noexcept;

}  // namespace telvia::probe

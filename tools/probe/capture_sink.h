// The probe's sink for a capture: a filter with one input pin that accepts whatever media
// type the source's output pin offers first and hands every sample to a PinCapture when it
// is due on the graph's clock, as a renderer would take it. It decodes nothing, so a
// capture needs no decoder.
#pragma once

#include <memory>

#include "pin_capture.h"
#include "platform/win32/base/com_ptr.h"

namespace telvia::probe {

// Empty when memory ran out.
[[nodiscard]] win32::ComPtr<IBaseFilter> createCaptureSink(std::shared_ptr<PinCapture> capture) noexcept;

}  // namespace telvia::probe

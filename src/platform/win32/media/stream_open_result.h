// What IFileSourceFilter::Load of the stream source filter answers for each way opening
// the address can end.
#pragma once

#include "platform/stream_source_port.h"
#include "platform/win32/base/windows_includes.h"

namespace telvia::win32 {

// S_OK once opened; otherwise a failure code that names the reason.
[[nodiscard]] HRESULT loadResultFor(StreamOpenResult result);

}  // namespace telvia::win32

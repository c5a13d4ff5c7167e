// The program's own source filter for internet streams: takes the place of a file source in
// the graph (IFileSourceFilter::Load opens the address and blocks until the pins know their
// media types), offers one output pin per track of the stream and streams each on its own
// thread. Made in-process and added to the graph with AddFilter; never registered.
#pragma once

#include "platform/stream_source_port.h"
#include "platform/win32/base/com_ptr.h"

#include <strmif.h>

namespace telvia::win32 {

// A new filter whose Load makes its source with `makeSource`; empty when memory ran out.
[[nodiscard]] ComPtr<IBaseFilter> createStreamSourceFilter(StreamSourceFactory makeSource) noexcept;

}  // namespace telvia::win32

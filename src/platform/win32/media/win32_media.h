// The media framework port on DirectShow: the filter graph manager, the Windows Media ASF
// reader and the Video Mixing Renderer 7, each interface reference in its own handle.
#pragma once

#include <utility>

#include "platform/media_port.h"
#include "platform/stream_source_port.h"
#include "platform/win32/base/windows_includes.h"
#include "platform/win32/desktop/win32_main_window.h"

namespace telvia::win32 {

class Win32MediaFramework final : public MediaFrameworkPort {
public:
    // The overlay picture is made compatible with this window's display.
    // The stream source's filters each make their session with makeStreamSource; without
    // one, the stream source cannot be created (E_NOTIMPL).
    explicit Win32MediaFramework(const Win32MainWindow& mainWindow, StreamSourceFactory makeStreamSource = {})
        : mainWindow_(mainWindow), makeStreamSource_(std::move(makeStreamSource))
    {
    }

    Obtained<GraphBuilder> createFilterGraph() override;
    Obtained<BaseFilter> createAsfReader() override;
    Obtained<BaseFilter> createStreamSource() override;
    Obtained<BaseFilter> createVideoMixingRenderer() override;

private:
    const Win32MainWindow& mainWindow_;
    StreamSourceFactory makeStreamSource_;
};

// QueryInterface on the filter graph manager behind a graph that this adapter made, for
// Windows-only code that needs an interface the port does not carry (the adapter tests
// read the current picture and the volume back with it). E_INVALIDARG for any other graph.
[[nodiscard]] HRESULT queryGraphInterface(GraphBuilder& graph, REFIID iid, void** out);
// The same on a filter this adapter made.
[[nodiscard]] HRESULT queryFilterInterface(BaseFilter& filter, REFIID iid, void** out);

}  // namespace telvia::win32

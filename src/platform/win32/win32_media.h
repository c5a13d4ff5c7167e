// The media framework port on DirectShow: the filter graph manager, the Windows Media ASF
// reader and the Video Mixing Renderer 7, each interface reference in its own handle.
#pragma once

#include "platform/media_port.h"
#include "platform/win32/windows_includes.h"

namespace telvia::win32 {

class Win32MediaFramework final : public MediaFrameworkPort {
public:
    // The overlay picture is made compatible with this window's display.
    explicit Win32MediaFramework(const HWND& mainWindow) : mainWindow_(mainWindow) {}

    Obtained<GraphBuilder> createFilterGraph() override;
    Obtained<BaseFilter> createAsfReader() override;
    Obtained<BaseFilter> createVideoMixingRenderer() override;

private:
    const HWND& mainWindow_;
};

// QueryInterface on the filter graph manager behind a graph that this adapter made, for
// Windows-only code that needs an interface the port does not carry (the adapter tests
// read the current picture and the volume back with it). E_INVALIDARG for any other graph.
[[nodiscard]] HRESULT queryGraphInterface(GraphBuilder& graph, REFIID iid, void** out);

}  // namespace telvia::win32

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

}  // namespace telvia::win32

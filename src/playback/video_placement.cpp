#include "playback/video_placement.h"

#include <algorithm>

#include "playback/stream_graph.h"
#include "resources/resource.h"

namespace telvia {

namespace {

// Size of the video when nothing is known of it, and always in the fit mode, for the
// minimum tracking size.
constexpr Size defaultMinimumVideo{280, 210};

// The video window's message drain from before full screen, given back on leaving it.
NativeWindow savedDrain = NativeWindow::none;

// Set while placeVideo grows the main window. Growing resizes the window, whose WM_SIZE
// places the video once more inside the move; that placement must not grow again, or a
// window that cannot reach the size (held back by the desktop or the system) would grow
// and re-enter without end.
bool growingWindow = false;

class GrowingScope {
public:
    GrowingScope() { growingWindow = true; }
    ~GrowingScope() { growingWindow = false; }
    GrowingScope(const GrowingScope&) = delete;
    GrowingScope& operator=(const GrowingScope&) = delete;
};

[[nodiscard]] bool hasVideoSize(const AppState& state)
{
    return state.videoWidth > 0 && state.videoHeight > 0;
}

// The video size of modes 0 to 2; every other mode has the double size.
[[nodiscard]] Size scaledVideo(const AppState& state)
{
    const int width = state.videoWidth;
    const int height = state.videoHeight;
    switch (state.viewMode) {
    case viewModeHalf: return {width / 2, height / 2};
    case viewModeNormal: return {width, height};
    default: return {2 * width, 2 * height};
    }
}

// The largest video of the native aspect ratio that fits the client area.
[[nodiscard]] Size fittedVideo(const AppState& state, Size client)
{
    const double widthRatio = static_cast<double>(client.width) / state.videoWidth;
    const double heightRatio = static_cast<double>(client.height) / state.videoHeight;
    const double scale = heightRatio > widthRatio ? widthRatio : heightRatio;
    return {static_cast<int>(state.videoWidth * scale), static_cast<int>(state.videoHeight * scale)};
}

// Grows the main window so that its client area holds the video, keeping its top left
// corner and staying within the desktop less the taskbar.
void growMainWindow(Ports& ports, Size video, Size client)
{
    const Size wanted{std::max(video.width, client.width), std::max(video.height, client.height)};
    const Rect window = ports.windowControl.windowRect();
    const Size frame = frameExtra(ports);
    Rect grown{window.left, window.top, window.left + frame.width + wanted.width,
               window.top + frame.height + wanted.height};
    const Rect limit = desktopMinusTaskbar(ports);
    if (limit.right < grown.width()) {
        grown.right = grown.left + limit.right;
    }
    if (limit.bottom < grown.height()) {
        grown.bottom = grown.top + limit.bottom;
    }
    const GrowingScope growing;
    ports.windowControl.move(grown);
    ports.windowControl.invalidate();
}

}  // namespace

void placeVideo(AppState& state, Ports& ports)
{
    VideoWindow* const videoWindow = state.graph.videoWindow.get();
    if (videoWindow == nullptr || state.fullScreen != 0 || !hasVideoSize(state)) {
        return;
    }
    const Size client = ports.windowControl.clientSize();
    Size video = state.viewMode == viewModeHalf || state.viewMode == viewModeNormal ||
                         state.viewMode == viewModeDouble
                     ? scaledVideo(state)
                     : fittedVideo(state, client);
    // Centred by the full size; a video larger than the work area keeps that position.
    const int left = std::max(0, (client.width - video.width) / 2);
    const int top = std::max(0, (client.height - video.height) / 2);
    const Size work = workAreaSize(ports);
    video.width = std::min(video.width, work.width);
    video.height = std::min(video.height, work.height);

    if (const HResult result = videoWindow->setWindowPosition(
            {left, top, left + video.width, top + video.height});
        result < 0) {
        reportGraphFailure(state, ports,
                           "FAILED(hr=0x%x) in pVW->SetWindowPosition(rect.left, rect.top, dx, dy)\n",
                           result);
        return;
    }
    if ((client.width < video.width || client.height < video.height) && !growingWindow &&
        !ports.windowControl.isMaximised()) {
        growMainWindow(ports, video, client);
    }
    ports.windowControl.update();
    ports.windowControl.bringToForeground();
}

void setViewMode(AppState& state, Ports& ports, int mode)
{
    state.viewMode = mode;
    markViewMode(state, ports);
    placeVideo(state, ports);
}

void markViewMode(const AppState& state, Ports& ports)
{
    // A stored mode outside the four marks none (the id 0 is in no menu's range); it is
    // kept as it is and never added to an id, where a large value would overflow.
    const bool known = state.viewMode >= viewModeHalf && state.viewMode <= viewModeFit;
    ports.window.checkMenuRadio(IDM_SIZE_50, IDM_SIZE_FIT, known ? IDM_SIZE_50 + state.viewMode : 0);
}

void fillMinMaxInfo(AppState& state, Ports& ports, Size& minTrackSize)
{
    const Size frame = frameExtra(ports);
    const Size video = !hasVideoSize(state) || state.viewMode == viewModeFit ? defaultMinimumVideo
                                                                             : scaledVideo(state);
    Size work = ports.screen.primaryScreenSize();
    if (const std::optional<Rect> area = ports.screen.workArea()) {
        work = {area->width(), area->height()};
    }
    minTrackSize.width = std::min(frame.width + video.width, work.width);
    minTrackSize.height = std::min(frame.height + video.height, work.height);
}

void toggleFullScreen(AppState& state, Ports& ports)
{
    VideoWindow* const videoWindow = state.graph.videoWindow.get();
    if (videoWindow == nullptr || !hasVideoSize(state)) {
        return;
    }
    const MediaAnswer<std::int32_t> mode = videoWindow->getFullScreenMode();
    if (mode.result < 0) {
        reportGraphFailure(state, ports, "FAILED(hr=0x%x) in pVW->get_FullScreenMode(&lMode)\n",
                           mode.result);
        return;
    }
    // The renderer's own mode decides the direction, not AppState.fullScreen.
    if (mode.value == oaFalse) {
        // With the main window as drain its keys (Escape above all) work in full screen.
        if (const MediaAnswer<NativeWindow> drain = videoWindow->getMessageDrain(); drain.result < 0) {
            reportGraphFailure(state, ports,
                               "FAILED(hr=0x%x) in pVW->get_MessageDrain((OAHWND *) &hDrain)\n",
                               drain.result);
        } else {
            savedDrain = drain.value;
        }
        if (const HResult result = videoWindow->putMessageDrain(ports.windowControl.handle());
            result < 0) {
            reportGraphFailure(state, ports,
                               "FAILED(hr=0x%x) in pVW->put_MessageDrain((OAHWND) hWnd)\n", result);
        }
        if (const HResult result = videoWindow->putFullScreenMode(oaTrue); result < 0) {
            reportGraphFailure(state, ports, "FAILED(hr=0x%x) in pVW->put_FullScreenMode(lMode)\n",
                               result);
            return;
        }
        state.fullScreen = 1;
        return;
    }
    if (const HResult result = videoWindow->putFullScreenMode(oaFalse); result < 0) {
        reportGraphFailure(state, ports, "FAILED(hr=0x%x) in pVW->put_FullScreenMode(lMode)\n",
                           result);
        return;
    }
    if (const HResult result = videoWindow->putMessageDrain(savedDrain); result < 0) {
        reportGraphFailure(state, ports,
                           "FAILED(hr=0x%x) in pVW->put_MessageDrain((OAHWND) hDrain)\n", result);
    }
    if (const HResult result = videoWindow->setWindowForeground(oaTrue); result < 0) {
        reportGraphFailure(state, ports, "FAILED(hr=0x%x) in pVW->SetWindowForeground(-1)\n",
                           result);
    }
    ports.windowControl.update();
    ports.windowControl.bringToForeground();
    ports.windowControl.setFocus();
    state.fullScreen = 0;
}

Size frameExtra(Ports& ports)
{
    const Rect frame = ports.screen.mainWindowFrame();
    return {frame.width(), frame.height()};
}

Size workAreaSize(Ports& ports)
{
    if (const std::optional<Rect> area = ports.screen.workArea()) {
        return {area->width(), area->height()};
    }
    return ports.screen.primaryScreenSize();
}

Rect desktopMinusTaskbar(Ports& ports)
{
    Rect desktop = ports.screen.desktopRect();
    const std::optional<Rect> taskbar = ports.screen.taskbarRect();
    if (!taskbar) {
        return desktop;
    }
    // The part of the desktop the taskbar covers; only a band across a whole edge is cut.
    const Rect covered{std::max(desktop.left, taskbar->left), std::max(desktop.top, taskbar->top),
                       std::min(desktop.right, taskbar->right),
                       std::min(desktop.bottom, taskbar->bottom)};
    if (covered.left >= covered.right || covered.top >= covered.bottom) {
        return desktop;
    }
    if (covered.top == desktop.top && covered.bottom == desktop.bottom) {
        if (covered.left == desktop.left && covered.right != desktop.right) {
            desktop.left = covered.right;
        } else if (covered.right == desktop.right && covered.left != desktop.left) {
            desktop.right = covered.left;
        }
    } else if (covered.left == desktop.left && covered.right == desktop.right) {
        if (covered.top == desktop.top) {
            desktop.top = covered.bottom;
        } else if (covered.bottom == desktop.bottom) {
            desktop.bottom = covered.top;
        }
    }
    return desktop;
}

}  // namespace telvia

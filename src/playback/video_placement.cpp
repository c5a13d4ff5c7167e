// Where the video lies in the main window, the four size modes and full screen.
#include "playback/video_placement.h"

#include <algorithm>

#include "platform/dpi.h"
#include "playback/player.h"

namespace telvia {

namespace {

// Size of the video when nothing is known of it, and always in the fit mode, for the
// minimum tracking size: room for a picture, not a picture's size, so it is designed at 96
// dots per inch and grows with the display's resolution. The sizes of the other modes are
// the video's own pixels at every resolution.
constexpr Size defaultMinimumVideo{280, 210};

// Holds a flag up for its own lifetime, whichever way the scope is left.
class RaisedFlag {
public:
    explicit RaisedFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~RaisedFlag() { flag_ = false; }
    RaisedFlag(const RaisedFlag&) = delete;
    RaisedFlag& operator=(const RaisedFlag&) = delete;

private:
    bool& flag_;
};

[[nodiscard]] bool hasVideoSize(const PlayerState& state)
{
    return state.videoWidth > 0 && state.videoHeight > 0;
}

// The video size of modes 0 to 2; every other mode has the double size.
[[nodiscard]] Size scaledVideo(const PlayerState& state, int viewMode)
{
    const int width = state.videoWidth;
    const int height = state.videoHeight;
    switch (viewMode) {
    case viewModeHalf: return {width / 2, height / 2};
    case viewModeNormal: return {width, height};
    default: return {2 * width, 2 * height};
    }
}

// The largest video of the native aspect ratio that fits the client area.
[[nodiscard]] Size fittedVideo(const PlayerState& state, Size client)
{
    const double widthRatio = static_cast<double>(client.width) / state.videoWidth;
    const double heightRatio = static_cast<double>(client.height) / state.videoHeight;
    const double scale = heightRatio > widthRatio ? widthRatio : heightRatio;
    return {static_cast<int>(state.videoWidth * scale), static_cast<int>(state.videoHeight * scale)};
}

}  // namespace

// Grows the main window so that its client area holds the video, keeping its top left
// corner and staying within the desktop less the taskbar.
void Player::growMainWindow(Size video, Size client)
{
    const Size wanted{std::max(video.width, client.width), std::max(video.height, client.height)};
    const Rect window = ports_.window.windowRect();
    const Size frame = frameExtra(ports_.screen, ports_.window.dpi());
    Rect grown{window.left, window.top, window.left + frame.width + wanted.width,
               window.top + frame.height + wanted.height};
    const Rect limit = desktopMinusTaskbar(ports_.screen);
    if (limit.right < grown.width()) {
        grown.right = grown.left + limit.right;
    }
    if (limit.bottom < grown.height()) {
        grown.bottom = grown.top + limit.bottom;
    }
    const RaisedFlag growing(state_.growingWindow);
    ports_.window.move(grown);
    ports_.window.invalidate();
}


void Player::placeVideo()
{
    VideoWindow* const videoWindow = state_.graph.videoWindow.get();
    if (videoWindow == nullptr || state_.fullScreen != 0 || !hasVideoSize(state_)) {
        return;
    }
    const Size client = ports_.window.clientSize();
    const int mode = context_.viewMode;
    Size video = mode == viewModeHalf || mode == viewModeNormal || mode == viewModeDouble
                     ? scaledVideo(state_, mode)
                     : fittedVideo(state_, client);
    // Centred by the full size; a video larger than the work area keeps that position.
    const int left = std::max(0, (client.width - video.width) / 2);
    const int top = std::max(0, (client.height - video.height) / 2);
    const Size work = workAreaSize(ports_.screen);
    video.width = std::min(video.width, work.width);
    video.height = std::min(video.height, work.height);

    if (const HResult result = videoWindow->setWindowPosition(
            {left, top, left + video.width, top + video.height});
        result < 0) {
        reportFailure("FAILED(hr=0x%x) in pVW->SetWindowPosition(rect.left, rect.top, dx, dy)\n",
                      result);
        return;
    }
    if ((client.width < video.width || client.height < video.height) && !state_.growingWindow &&
        !ports_.window.isMaximised()) {
        growMainWindow(video, client);
    }
    ports_.window.update();
    ports_.window.bringToForeground();
}

void Player::fillMinMaxInfo(Size& minTrackSize) const
{
    const int dpi = ports_.window.dpi();
    const Size frame = frameExtra(ports_.screen, dpi);
    const Size video = !hasVideoSize(state_) || context_.viewMode == viewModeFit
                           ? scaleToDpi(defaultMinimumVideo, dpi)
                           : scaledVideo(state_, context_.viewMode);
    Size work = ports_.screen.primaryScreenSize();
    if (const std::optional<Rect> area = ports_.screen.workArea()) {
        work = {area->width(), area->height()};
    }
    minTrackSize.width = std::min(frame.width + video.width, work.width);
    minTrackSize.height = std::min(frame.height + video.height, work.height);
}

void Player::toggleFullScreen()
{
    VideoWindow* const videoWindow = state_.graph.videoWindow.get();
    if (videoWindow == nullptr || !hasVideoSize(state_)) {
        return;
    }
    const MediaAnswer<std::int32_t> mode = videoWindow->getFullScreenMode();
    if (mode.result < 0) {
        reportFailure("FAILED(hr=0x%x) in pVW->get_FullScreenMode(&lMode)\n",
                           mode.result);
        return;
    }
    // The renderer's own mode decides the direction, not the player's own flag.
    if (mode.value == oaFalse) {
        // With the main window as drain its keys (Escape above all) work in full screen.
        if (const MediaAnswer<NativeWindow> drain = videoWindow->getMessageDrain(); drain.result < 0) {
            reportFailure("FAILED(hr=0x%x) in pVW->get_MessageDrain((OAHWND *) &hDrain)\n",
                               drain.result);
        } else {
            state_.savedDrain = drain.value;
        }
        if (const HResult result = videoWindow->putMessageDrain(ports_.window.handle());
            result < 0) {
            reportFailure("FAILED(hr=0x%x) in pVW->put_MessageDrain((OAHWND) hWnd)\n", result);
        }
        if (const HResult result = videoWindow->putFullScreenMode(oaTrue); result < 0) {
            reportFailure("FAILED(hr=0x%x) in pVW->put_FullScreenMode(lMode)\n",
                               result);
            return;
        }
        state_.fullScreen = 1;
        return;
    }
    if (const HResult result = videoWindow->putFullScreenMode(oaFalse); result < 0) {
        reportFailure("FAILED(hr=0x%x) in pVW->put_FullScreenMode(lMode)\n",
                           result);
        return;
    }
    if (const HResult result = videoWindow->putMessageDrain(state_.savedDrain); result < 0) {
        reportFailure("FAILED(hr=0x%x) in pVW->put_MessageDrain((OAHWND) hDrain)\n", result);
    }
    if (const HResult result = videoWindow->setWindowForeground(oaTrue); result < 0) {
        reportFailure("FAILED(hr=0x%x) in pVW->SetWindowForeground(-1)\n",
                           result);
    }
    ports_.window.update();
    ports_.window.bringToForeground();
    ports_.window.setFocus();
    state_.fullScreen = 0;
}

Size frameExtra(ScreenPort& screen, int dpi)
{
    const Rect frame = screen.mainWindowFrame(dpi);
    return {frame.width(), frame.height()};
}

Size workAreaSize(ScreenPort& screen)
{
    if (const std::optional<Rect> area = screen.workArea()) {
        return {area->width(), area->height()};
    }
    return screen.primaryScreenSize();
}

Rect desktopMinusTaskbar(ScreenPort& screen)
{
    Rect desktop = screen.desktopRect();
    const std::optional<Rect> taskbar = screen.taskbarRect();
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

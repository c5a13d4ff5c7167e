// The main window's geometry and activation, and the screen, as plain fields.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "call_log.h"
#include "platform/screen_port.h"
#include "platform/window_control_port.h"

namespace telvia::fakes {

// Queries are answered from the fields and not logged; everything that changes the window
// is. A move resizes the client area by the size change (unless growable is off, as for a
// window held back by the system) and then runs onMove, where a test re-enters the logic
// as WM_SIZE would.
class FakeWindowControl final : public MainWindowControlPort {
public:
    explicit FakeWindowControl(CallLog& log) : log_(log) {}

    NativeWindow handle() override { return nativeHandle; }
    void showNormal() override;
    void enable(bool enabled) override;
    void setFocus() override;
    void bringToForeground() override;
    void update() override;
    void invalidate() override;
    Size clientSize() override { return client; }
    Rect windowRect() override { return window; }
    bool isMaximised() override { return maximised; }
    int dpi() override { return dotsPerInch; }
    void move(const Rect& rect) override;

    NativeWindow nativeHandle = NativeWindow{0x1234};
    bool enabled = true;
    Size client{400, 300};
    Rect window{100, 50, 516, 409};  // the client plus a 16 × 59 frame
    bool maximised = false;
    int dotsPerInch = 96;
    bool growable = true;
    std::vector<Rect> moves;
    std::function<void()> onMove;

private:
    CallLog& log_;
};

class FakeScreen final : public ScreenPort {
public:
    explicit FakeScreen(CallLog& log) : log_(log) {}

    std::optional<Rect> workArea() override { return work; }
    Size primaryScreenSize() override { return screen; }
    // The frame as the test sets it, whatever the resolution; the resolution asked for is kept.
    Rect mainWindowFrame(int dpi) override
    {
        frameDpis.push_back(dpi);
        return frame;
    }
    Rect desktopRect() override { return desktop; }
    std::optional<Rect> taskbarRect() override { return taskbar; }
    void setScreenSaverActive(bool active) override;

    std::optional<Rect> work = Rect{0, 0, 1920, 1040};
    Size screen{1920, 1080};
    Rect frame{-8, -51, 8, 8};  // 16 wider and 59 higher than the client area
    Rect desktop{0, 0, 1920, 1080};
    std::optional<Rect> taskbar = Rect{0, 1040, 1920, 1080};
    std::optional<bool> screenSaverActive;
    std::vector<int> frameDpis;

private:
    CallLog& log_;
};

}  // namespace telvia::fakes

#include "fake_window_control.h"

#include <string>

namespace telvia::fakes {

void FakeWindowControl::showNormal()
{
    log_.add("windowControl.showNormal");
}

void FakeWindowControl::enable(bool enable)
{
    enabled = enable;
    log_.add(std::string("windowControl.enable ") + (enable ? "1" : "0"));
}

void FakeWindowControl::setFocus() { log_.add("windowControl.setFocus"); }
void FakeWindowControl::bringToForeground() { log_.add("windowControl.bringToForeground"); }
void FakeWindowControl::update() { log_.add("windowControl.update"); }
void FakeWindowControl::invalidate() { log_.add("windowControl.invalidate"); }

void FakeWindowControl::move(const Rect& rect)
{
    log_.add("windowControl.move " + std::to_string(rect.left) + " " + std::to_string(rect.top) +
             " " + std::to_string(rect.width()) + " " + std::to_string(rect.height()));
    moves.push_back(rect);
    if (growable) {
        client.width += rect.width() - window.width();
        client.height += rect.height() - window.height();
        window = rect;
    }
    if (onMove) {
        onMove();
    }
}

void FakeScreen::setScreenSaverActive(bool active)
{
    screenSaverActive = active;
    log_.add(std::string("screen.screenSaverActive ") + (active ? "1" : "0"));
}

}  // namespace telvia::fakes

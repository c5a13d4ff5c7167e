// What the logic needs of the main window and its menu bar.
#pragma once

#include <string_view>

#include "platform/geometry.h"

namespace telvia {

// Where the player writes the window title.
class TitleSink {
public:
    virtual ~TitleSink() = default;

    virtual void setTitle(std::u16string_view title) = 0;
};

class MainWindowPort : public TitleSink {
public:
    virtual void destroy() = 0;                             // DestroyWindow: runs the exit sequence
    virtual void postCommand(int commandId) = 0;            // PostMessage(WM_COMMAND, id, 0)
    virtual void postQuit(int exitCode) = 0;
    virtual void startTimer(int timerId, int periodMs) = 0;
    // Radio mark over a range of menu-bar commands, by command id.
    virtual void checkMenuRadio(int firstId, int lastId, int checkedId) = 0;
    [[nodiscard]] virtual Point cursorPosition() = 0;
};

}  // namespace telvia

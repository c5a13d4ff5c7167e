// What the process entry needs of the system: resources, the single-instance test, the
// main window's creation and the message loop.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace telvia {

struct RunningInstance {
    std::uintptr_t window = 0;  // opaque handle of the other instance's main window
    bool minimised = false;
};

class ProcessPort {
public:
    virtual ~ProcessPort() = default;

    // A string resource, at most limit - 1 units long.
    [[nodiscard]] virtual std::u16string loadString(int id, std::size_t limit) = 0;
    [[nodiscard]] virtual std::optional<RunningInstance> findRunningInstance(
        std::u16string_view className) = 0;
    virtual void restoreWindow(const RunningInstance& instance) = 0;
    virtual void bringToForeground(const RunningInstance& instance) = 0;
    virtual void registerMainWindowClass(std::u16string_view className) = 0;
    // Creating the window runs its start-up sequence before this returns.
    [[nodiscard]] virtual bool createMainWindow(std::u16string_view className,
                                                std::u16string_view title) = 0;
    // Shows the main window with the show command the process was started with.
    virtual void showMainWindow() = 0;
    // Runs until the quit message and returns its exit code.
    [[nodiscard]] virtual int runMessageLoop() = 0;
};

}  // namespace telvia

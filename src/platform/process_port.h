// What the process entry needs of the system: its arguments and folders, resources, the
// single-instance test and the hand-over to the running instance, the main window's
// creation and the message loop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace telvia {

struct RunningInstance {
    std::uintptr_t window = 0;  // opaque handle of the other instance's main window
    bool minimised = false;
};

class ProcessPort {
public:
    virtual ~ProcessPort() = default;

    // The arguments the process was started with, after the program's own name, split and
    // unquoted as the system does it (CommandLineToArgvW).
    [[nodiscard]] virtual std::vector<std::u16string> commandLineArguments() = 0;
    // The path made absolute against the current folder (GetFullPathNameW); the path as
    // given when the system cannot do that.
    [[nodiscard]] virtual std::u16string fullPath(std::u16string_view path) = 0;
    // Makes the folder of the program's own file the current folder (SetCurrentDirectoryW);
    // false when that fails and the current folder is still the one the process started in.
    [[nodiscard]] virtual bool enterProgramFolder() = 0;

    // A string resource, at most limit - 1 units long.
    [[nodiscard]] virtual std::u16string loadString(int id, std::size_t limit) = 0;
    [[nodiscard]] virtual std::optional<RunningInstance> findRunningInstance(
        std::u16string_view className) = 0;
    virtual void restoreWindow(const RunningInstance& instance) = 0;
    virtual void bringToForeground(const RunningInstance& instance) = 0;
    // Sends the bytes with the tag to the other instance's main window (WM_COPYDATA) and
    // lets that process bring its windows to the foreground; true when the window took
    // them (answered non-zero) within a few seconds.
    [[nodiscard]] virtual bool sendData(const RunningInstance& instance, std::uintptr_t tag,
                                        std::span<const std::byte> data) = 0;
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

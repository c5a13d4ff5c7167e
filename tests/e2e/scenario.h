// The fixture of every end-to-end scenario: a clean registry, a working folder of its own
// with a copy of telvia.exe, and the processes it started, all ended when it finishes.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <memory>
#include <optional>
#include <vector>

#include "driver/menu_probe.h"
#include "driver/telvia_process.h"
#include "driver/workspace.h"

namespace telvia::e2e {

// Command ids and keys of the program's main window, as a user or another program can
// send them.
namespace command {
inline constexpr unsigned playPause = 101;
inline constexpr unsigned about = 104;
inline constexpr unsigned exit = 105;
inline constexpr unsigned fullScreen = 32772;
inline constexpr unsigned size50 = 32774;
inline constexpr unsigned size100 = 32775;
inline constexpr unsigned size200 = 32776;
inline constexpr unsigned sizeFit = 32777;
inline constexpr unsigned editChannels = 32783;
inline constexpr unsigned stop = 32789;
inline constexpr unsigned selectChannel = 32797;
inline constexpr unsigned soundUp = 32800;
inline constexpr unsigned soundDown = 32801;
inline constexpr unsigned reconnect = 32807;
inline constexpr unsigned information = 32820;
// The items of the channels pop-up, in the order it shows them.
inline constexpr unsigned firstChannel = 1024;
}  // namespace command

// The Video size item of `menus` that carries the radio mark, if any; a failure when
// more than one does or the mark lacks the radio style.
[[nodiscard]] std::optional<unsigned> markedSizeItem(const MenuDump& menus);

// Opens the channels pop-up with the Select command, reads it with the menu probe and
// closes it again with Esc. A failure and no items when it did not open.
[[nodiscard]] std::vector<MenuItem> readChannelsPopup(const TelviaProcess& telvia, const Workspace& workspace);

class Scenario : public ::testing::Test {
protected:
    // Resets the registry and makes the working folder.
    void SetUp() override;
    // Ends every process the scenario started and checks that no main window is left.
    void TearDown() override;

    // Deletes the maker's registry key, then creates an empty catalogue key so that the
    // program does not take the start for a first run (which would open the channel
    // editor). Scenarios that write their own registry values do so after this.
    static void resetRegistry();

    // Removes the catalogue key, so that the next start is a first run: it imports the
    // first-run file and opens the channel editor by itself.
    static void makeNextStartAFirstRun();
    // Closes the channel editor that a first run opens, if it comes within `within` of the
    // main window: a modal dialog would keep the program from taking further commands.
    static void closeEditChannelsIfOpen(const TelviaProcess& telvia,
                                        std::chrono::milliseconds within = std::chrono::milliseconds(300));
    // Exit from the menu; the process must end with code 0, which is when it has saved.
    static void exitNormally(const TelviaProcess& telvia);

    [[nodiscard]] Workspace& workspace() { return *workspace_; }
    // Starts telvia.exe in the working folder; the fixture owns the process.
    TelviaProcess& start();
    // Starts the working folder's telvia.exe with these arguments, in `folder` (the working
    // folder when none is given), as Explorer starts it for a file of another folder.
    TelviaProcess& start(const std::vector<std::wstring>& arguments,
                         const std::optional<std::filesystem::path>& folder = std::nullopt);
    // Starts it and waits for its main window.
    TelviaProcess& startAndWaitForWindow();

private:
    std::optional<Workspace> workspace_;
    std::vector<std::unique_ptr<TelviaProcess>> processes_;
};

}  // namespace telvia::e2e

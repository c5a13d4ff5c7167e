// The menus of a running telvia.exe, read from inside the process. Menu objects belong to
// the process that made them and another process sees none of their items under Wine, so
// the driver loads the probe library (tests/e2e/probe) into the program: its thread writes
// the menu bar of the main window, and the menu of an open pop-up, to "probe-menus.txt"
// in the program's current folder, which is the scenario's working folder.
//
// A library runs its load-time code once per process. Each reading therefore loads a
// fresh copy of the probe under a new name ("menu-probe-1.dll", "menu-probe-2.dll", ...),
// copied into the working folder; the copies stay loaded until the program ends.
#pragma once

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "driver/telvia_process.h"
#include "driver/window_search.h"
#include "driver/workspace.h"

namespace telvia::e2e {

struct MenuItem {
    int depth = 0;        // 0 for the items of the menu itself, 1 for those of its sub-menus, ...
    int position = 0;     // within its own menu
    unsigned id = 0;
    bool separator = false;
    bool popup = false;   // opens a sub-menu, whose items follow it
    bool menuBarBreak = false;
    bool menuBreak = false;
    bool radioCheck = false;
    bool checked = false;
    bool disabled = false;
    std::wstring text;
};

struct MenuDump {
    bool hasMenuBar = false;
    std::vector<MenuItem> bar;                   // depth first: each pop-up's items follow it
    std::optional<std::vector<MenuItem>> popup;  // the open pop-up menu, when there is one
};

// Loads a copy of the probe into `process` and answers what it wrote. Throws when the
// probe cannot be loaded, reports no main window, or writes nothing within `timeout`.
[[nodiscard]] MenuDump readMenus(const TelviaProcess& process, const Workspace& workspace,
                                 std::chrono::milliseconds timeout = defaultTimeout);

// The probe's file read back; throws a DriverError on a line it does not understand.
[[nodiscard]] MenuDump parseMenuDump(std::string_view text);

// The first item with command id `id` that does not open a sub-menu; null if none.
[[nodiscard]] const MenuItem* findItem(std::span<const MenuItem> items, unsigned id);
// The texts of the items at depth 0, in order (for the menu bar: its headings).
// The texts of the items, in order.
[[nodiscard]] std::vector<std::wstring> textsOf(std::span<const MenuItem> items);
[[nodiscard]] std::vector<std::wstring> topLevelTexts(std::span<const MenuItem> items);

}  // namespace telvia::e2e

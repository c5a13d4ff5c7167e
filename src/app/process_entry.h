// The process entry: one instance per desktop, the main window and its message loop.
#pragma once

#include "app/app_state.h"
#include "app/lists_to_load.h"
#include "i18n/translation_table.h"
#include "platform/file_port.h"
#include "platform/message_box_port.h"
#include "platform/process_port.h"

namespace telvia {

// Limit of the product name, class name and title resources, terminator included.
inline constexpr std::size_t resourceTextLimit = 100;

// Exit code of a second start whose channel file or playlist the running instance did not
// take.
inline constexpr int handOverFailedExitCode = 1;

// What the process entry works through.
struct ProcessEntryPorts {
    ProcessPort& process;
    FilePort& files;
    MessageBoxPort& messages;
};

// Returns the process exit code. A channel file or playlist named on the command line goes
// into `listsToLoad` for the main window to open in the Load dialog, or, when another
// instance runs, is handed over to that one.
int runProcessEntry(AppState& state, TranslationTable& translations, ProcessEntryPorts ports,
                    ListsToLoad& listsToLoad);

}  // namespace telvia

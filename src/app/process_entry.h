// The process entry: one instance per desktop, the main window and its message loop.
#pragma once

#include "app/app_state.h"
#include "i18n/translation_table.h"
#include "platform/file_port.h"
#include "platform/process_port.h"

namespace telvia {

// Limit of the product name, class name and title resources, terminator included.
inline constexpr std::size_t resourceTextLimit = 100;

// Returns the process exit code.
int runProcessEntry(AppState& state, TranslationTable& translations, ProcessPort& process,
                    FilePort& files);

}  // namespace telvia

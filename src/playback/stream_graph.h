// Building and releasing the stream graph, the window title and graph failure reports.
#pragma once

#include <string_view>

#include "app/ports.h"
#include "catalogue/app_state.h"
#include "platform/system_port.h"

namespace telvia {

// Plays state.current: tears the old graph down, then builds a new one.
void connectChannel(AppState& state, Ports& ports);

// Releases the graph and resets the playback flags; the title loses its status.
void tearDownGraph(AppState& state, Ports& ports);

// Product name, then "  [ name ]" and "  status" when there is a channel name.
void updateTitle(const AppState& state, Ports& ports, std::u16string_view status);

// Shows the format with its "%x" replaced by the result code, in an ownerless box.
void reportGraphFailure(const AppState& state, Ports& ports, std::string_view format,
                        HResult result);

}  // namespace telvia

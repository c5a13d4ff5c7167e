// Private window messages of the main window.
#pragma once

namespace telvia {

// Posted by the playback graph whenever it has queued events (WM_USER + 400).
inline constexpr unsigned graphNotifyMessage = 0x0400 + 400;
static_assert(graphNotifyMessage == 1424);

// Posted when a source's Load that runs on a thread of its own has returned; the first
// parameter names the open (WM_USER + 401).
inline constexpr unsigned sourceLoadedMessage = 0x0400 + 401;

}  // namespace telvia

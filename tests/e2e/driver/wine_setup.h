// Settings of the Wine prefix that the scenarios need and real Windows does not.
#pragma once

#include <string_view>

namespace telvia::e2e {

// Whether this process runs under Wine.
[[nodiscard]] bool runningUnderWine();

// The test display has no window manager. Wine, left to expect one, waits up to two
// seconds for it whenever a visible window of the program is destroyed, which would make
// every exit that long. Telling Wine to place the windows of `program` (an exe file name)
// itself removes the wait; what the program does is the same either way.
void letWineManageWindowsOf(std::wstring_view program);

}  // namespace telvia::e2e

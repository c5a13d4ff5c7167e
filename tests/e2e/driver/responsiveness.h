// How long a window keeps a caller waiting: WM_NULL sent to it again and again for a
// while, as the system does before it marks a window "Not responding", and the longest
// wait of any one of them.
#pragma once

#include <chrono>

#include "driver/win32.h"

namespace telvia::e2e {

struct Responsiveness {
    std::chrono::milliseconds longestStall{0};  // the longest wait for one answer
    int answered = 0;                           // WM_NULLs answered within the measure
    bool timedOut = false;                      // one of them was not answered at all
};

// Sends WM_NULL to `window` every `interval` for `duration`; a send still waiting at the
// end is waited for up to the rest of `duration` once more, so a window that never answers
// measures as at least `duration`.
[[nodiscard]] Responsiveness measureResponsiveness(HWND window, std::chrono::milliseconds duration,
                                                   std::chrono::milliseconds interval = std::chrono::milliseconds(20));

}  // namespace telvia::e2e

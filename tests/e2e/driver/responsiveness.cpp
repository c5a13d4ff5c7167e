#include "driver/responsiveness.h"

#include <algorithm>
#include <thread>

namespace telvia::e2e {

Responsiveness measureResponsiveness(HWND window, std::chrono::milliseconds duration,
                                     std::chrono::milliseconds interval)
{
    using Clock = std::chrono::steady_clock;
    Responsiveness measured;
    const Clock::time_point end = Clock::now() + duration;
    while (Clock::now() < end) {
        const Clock::time_point sent = Clock::now();
        DWORD_PTR result = 0;
        const bool answered = SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL,
                                                  static_cast<UINT>(duration.count()), &result) != 0;
        const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent);
        measured.longestStall = std::max(measured.longestStall, waited);
        if (answered) {
            ++measured.answered;
        } else {
            measured.timedOut = true;
        }
        std::this_thread::sleep_for(interval);
    }
    return measured;
}

}  // namespace telvia::e2e

#include "process_memory.h"

#include "platform/win32/base/windows_includes.h"

#include <psapi.h>

namespace telvia::probe {

std::optional<std::string> peakMemoryLine()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters) || counters.PeakWorkingSetSize == 0) {
        return std::nullopt;
    }
    constexpr SIZE_T megabyte = 1'000'000;
    return "memory: at most " + std::to_string((counters.PeakWorkingSetSize + megabyte - 1) / megabyte) + " MB held";
}

}  // namespace telvia::probe

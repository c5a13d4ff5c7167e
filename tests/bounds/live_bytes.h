// The bytes this process holds from operator new, counted by replacing the global
// allocation functions, and the most it held since the last reset.
#pragma once

#include <cstddef>

namespace telvia::testing {

[[nodiscard]] std::size_t liveBytes();
[[nodiscard]] std::size_t peakBytes();
// The peak starts again from what is held now.
void resetPeak();

}  // namespace telvia::testing

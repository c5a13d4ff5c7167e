// The most memory the probe held while it ran, for the last line of the report: a stream
// that makes the program swell shows as such in what a user sends.
#pragma once

#include <optional>
#include <string>

namespace telvia::probe {

// "memory: at most N MB held", or nothing where the system does not tell.
[[nodiscard]] std::optional<std::string> peakMemoryLine();

}  // namespace telvia::probe

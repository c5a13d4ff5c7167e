// Settings of the Wine prefix that the scenarios need and real Windows does not.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace telvia::e2e {

// Whether this process runs under Wine.
[[nodiscard]] bool runningUnderWine();

// The test display has no window manager. Wine, left to expect one, waits up to two
// seconds for it whenever a visible window of the program is destroyed, which would make
// every exit that long. Telling Wine to place the windows of `program` (an exe file name)
// itself removes the wait; what the program does is the same either way.
void letWineManageWindowsOf(std::wstring_view program);

// While it lives, programs started in the prefix play sound on ALSA's null device. Wine,
// left without a sound card, has no audio output, and a graph's audio renderer without
// one takes no samples. Does nothing outside Wine.
class SilentSoundDevice {
public:
    SilentSoundDevice();
    ~SilentSoundDevice();
    SilentSoundDevice(const SilentSoundDevice&) = delete;
    SilentSoundDevice& operator=(const SilentSoundDevice&) = delete;

private:
    bool set_ = false;
    std::optional<std::vector<std::uint8_t>> previous_;  // the value this replaced
};

}  // namespace telvia::e2e

#include "app/key_table.h"

#include <array>
#include <utility>

#include "resources/resource.h"

namespace telvia {

namespace {

// Space plays and pauses, as the Control menu shows ("Play / Pause  Space"); only
// Backspace stops, because Stop also forgets the channel to restore at the next start.
constexpr std::array<std::pair<unsigned, int>, 7> keyCommands{{
    {keyBackspace, IDM_STOP},
    {keySpace, IDM_PLAY_PAUSE},
    {keyEnter, IDM_FULL_SCREEN},
    {keyLeft, IDM_PREVIOUS_CHANNEL},
    {keyUp, IDM_SOUND_UP},
    {keyRight, IDM_NEXT_CHANNEL},
    {keyDown, IDM_SOUND_DOWN},
}};

}  // namespace

std::optional<int> commandForKey(unsigned virtualKey)
{
    for (const auto& [key, command] : keyCommands) {
        if (key == virtualKey) {
            return command;
        }
    }
    return std::nullopt;
}

}  // namespace telvia

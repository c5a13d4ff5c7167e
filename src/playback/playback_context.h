// The part of the program's state that the player shares with the rest of the program.
#pragma once

#include <cstdint>

#include "catalogue/channel.h"
#include "catalogue/fixed_text.h"

namespace telvia {

// Owned by the program for its lifetime; the player reads it and changes only what its
// operations are about: the channel's name (cleared by a stop or a failed connection), the
// volume step (changed by the volume keys).
struct PlaybackContext {
    FixedText<260> productName;  // starts the title and captions every failure report
    Channel current;             // the channel being played, or to be played
    std::int32_t soundVolume = 0;  // volume step, 0 (silence) to 10
    std::int32_t viewMode = 0;     // video size mode: 0 half, 1 native, 2 double, else fit
};

}  // namespace telvia

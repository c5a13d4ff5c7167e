// The one application-state record of the process.
#pragma once

#include "catalogue/channel_table.h"
#include "catalogue/fixed_text.h"
#include "playback/playback_context.h"

namespace telvia {

// Zero when the process starts and owned by the entry point for the life of the process.
// What the player shares (product name, current channel, volume step, view mode) is its
// PlaybackContext part; what the player knows of its stream lives in the player. Window,
// menu and module handles are not kept here: their owners are the RAII objects of the
// platform layer, which the ports stand for.
struct AppState : PlaybackContext {
    FixedText<4> homeCountry;
    ChannelTable channels;
};

}  // namespace telvia

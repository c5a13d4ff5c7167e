// The one application-state record of the process.
#pragma once

#include <array>
#include <cstdint>

#include "catalogue/channel.h"
#include "catalogue/channel_table.h"
#include "catalogue/fixed_text.h"
#include "playback/player_graph.h"

namespace telvia {

inline constexpr int volumeStepCount = 11;

// Zero when the process starts and owned by the entry point for the life of the process.
// Window, menu and module handles are not kept here: their owners are the RAII objects of
// the platform layer, which the ports stand for.
struct AppState {
    FixedText<260> productName;
    FixedText<4> homeCountry;
    std::int32_t soundVolume = 0;
    std::int32_t viewMode = 0;
    Channel current;
    PlayerGraph graph;
    std::int32_t overlayTicks = 0;
    std::int32_t fadeStep = 0;
    std::array<std::int32_t, volumeStepCount> volumeSteps{};
    ChannelTable channels;
    std::int32_t videoWidth = 0;
    std::int32_t videoHeight = 0;
    std::int32_t fullScreen = 0;
    std::int32_t playing = 0;
};

}  // namespace telvia

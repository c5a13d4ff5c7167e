// The information overlay over the video and the channel information box.
#pragma once

#include <string_view>

#include "app/ports.h"
#include "catalogue/app_state.h"

namespace telvia {

void drawOverlay(AppState& state, Ports& ports, std::u16string_view text, bool withVolume);

void showChannelInfo(AppState& state, Ports& ports);

}  // namespace telvia

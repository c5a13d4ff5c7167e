#include "app/settings.h"

#include "playback/video_placement.h"

namespace telvia {

void setDefaultSettings(AppState& state, Ports&)
{
    state.viewMode = viewModeNormal;
    state.soundVolume = 0;
}

void readSettings(AppState&, Ports&)
{
    // The defaults stand until the settings are read from the registry.
}

void writeSettings(const AppState&, Ports&)
{
}

}  // namespace telvia

#include "playback/video_placement.h"

#include "resources/resource.h"

namespace telvia {

void placeVideo(AppState&, Ports&)
{
    // No video window exists yet, so there is nothing to place.
}

void setViewMode(AppState& state, Ports& ports, int mode)
{
    state.viewMode = mode;
    markViewMode(state, ports);
    placeVideo(state, ports);
}

void markViewMode(const AppState& state, Ports& ports)
{
    ports.window.checkMenuRadio(IDM_SIZE_50, IDM_SIZE_FIT, IDM_SIZE_50 + state.viewMode);
}

void fillMinMaxInfo(AppState&, Ports&, Size&)
{
    // The system's proposal stands until the video geometry is known.
}

void toggleFullScreen(AppState&, Ports&)
{
    // Needs a video window.
}

}  // namespace telvia

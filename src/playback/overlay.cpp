#include "playback/overlay.h"

namespace telvia {

void drawOverlay(AppState&, Ports&, std::u16string_view, bool)
{
    // Needs the renderer's mixer bitmap.
}

void showChannelInfo(AppState&, Ports&)
{
    // Needs a graph to ask for the video size and frame rate.
}

}  // namespace telvia

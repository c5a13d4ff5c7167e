#include "playback/playback_control.h"

#include "playback/stream_graph.h"

namespace telvia {

void togglePlayPause(AppState&, Ports&)
{
    // Needs a graph with a media control; none is built yet.
}

void stopPlayback(AppState& state, Ports& ports)
{
    state.current.name.clear();
    state.videoHeight = 0;
    state.videoWidth = 0;
    tearDownGraph(state, ports);
}

void onGraphNotify(AppState&, Ports&)
{
    // No graph delivers events yet.
}

void onTimerTick(AppState&, Ports&)
{
    // Overlay time-out and fade-in come with the graph.
}

}  // namespace telvia

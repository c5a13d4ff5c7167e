#include "playback/playback_control.h"

#include <limits>

#include "playback/overlay.h"
#include "playback/stream_graph.h"
#include "playback/volume.h"

namespace telvia {

namespace {

// Ticks from a drawing of the overlay to the tick that clears it (about 6 seconds).
constexpr std::int32_t overlayLifetimeTicks = 30;

}  // namespace

void togglePlayPause(AppState& state, Ports& ports, const TranslationTable& translations)
{
    PlayerGraph& graph = state.graph;
    if (!graph.mediaControl) {
        return;
    }
    if (state.playing == 1) {
        graph.mediaControl->pause();
        state.playing = 0;
        showStatusWord(state, ports, translations, "PAUSE");
        return;
    }
    // Streams are live: playing again starts from where the stream is now.
    tearDownGraph(state, ports);
    connectChannel(state, ports, translations);
    updateTitle(state, ports, u"");
}

void stopPlayback(AppState& state, Ports& ports)
{
    state.current.name.clear();
    state.videoHeight = 0;
    state.videoWidth = 0;
    tearDownGraph(state, ports);
}

void onGraphNotify(AppState& state, Ports& ports, const TranslationTable& translations)
{
    // The message may have been posted before the graph was torn down.
    if (!state.graph.mediaEvent) {
        return;
    }
    MediaEvent& events = *state.graph.mediaEvent;
    for (;;) {
        const MediaAnswer<GraphEvent> fetched = events.getEvent(0);
        if (fetched.result < 0) {
            break;
        }
        const GraphEvent& event = fetched.value;
        if (event.code == eventBufferingData) {
            if (event.param1 == 1) {
                showStatusWord(state, ports, translations, "BUFFERING");
            } else {
                updateTitle(state, ports, u"");
            }
        }
        events.freeEventParams(event);
    }
}

void onTimerTick(AppState& state, Ports& ports)
{
    if (state.overlayTicks == overlayLifetimeTicks) {
        drawOverlay(state, ports, u"", false);
    }
    // The count runs on past the clearing tick, so each drawing is cleared once.
    if (state.overlayTicks < std::numeric_limits<std::int32_t>::max()) {
        ++state.overlayTicks;
    }
    if (state.graph.basicAudio && state.fadeStep < state.soundVolume) {
        advanceFade(state, ports);
    }
}

}  // namespace telvia

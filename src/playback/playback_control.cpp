// Play/pause, stop, the graph's event queue and the 200 ms timer tick.
#include "playback/player.h"

#include <limits>

namespace telvia {

namespace {

// Ticks from a drawing of the overlay to the tick that clears it (about 6 seconds).
constexpr std::int32_t overlayLifetimeTicks = 30;

}  // namespace

void Player::togglePlayPause()
{
    PlayerGraph& graph = state_.graph;
    // A channel still opening is on its way; playing it again would only start over.
    if (!graph.mediaControl || opening()) {
        return;
    }
    if (state_.playing == 1) {
        // A graph that will not pause keeps playing, which the user sees at once.
        (void)graph.mediaControl->pause();
        state_.playing = 0;
        showStatusWord("PAUSE");
        return;
    }
    // Streams are live: playing again starts from where the stream is now.
    tearDown();
    connect();
    showTitle(u"");
}

void Player::stop()
{
    context_.current.name.clear();
    state_.videoHeight = 0;
    state_.videoWidth = 0;
    tearDown();
}

void Player::onGraphNotify()
{
    // The message may have been posted before the graph was torn down.
    if (!state_.graph.mediaEvent) {
        return;
    }
    MediaEvent& events = *state_.graph.mediaEvent;
    for (;;) {
        const MediaAnswer<GraphEvent> fetched = events.getEvent(0);
        if (fetched.result < 0) {
            break;
        }
        const GraphEvent& event = fetched.value;
        if (event.code == eventBufferingData) {
            if (event.param1 == 1) {
                showStatusWord("BUFFERING");
            } else {
                showTitle(u"");
            }
        }
        // Freeing cannot fail for an event the queue handed out; nothing to do if it did.
        (void)events.freeEventParams(event);
    }
}

void Player::onTimerTick()
{
    if (state_.overlayTicks == overlayLifetimeTicks) {
        drawOverlay(u"", false);
    }
    // The count runs on past the clearing tick, so each drawing is cleared once.
    if (state_.overlayTicks < std::numeric_limits<std::int32_t>::max()) {
        ++state_.overlayTicks;
    }
    // The fade-in starts with the graph: a graph still opening plays nothing yet.
    if (state_.graph.basicAudio && !opening() && state_.fadeStep < context_.soundVolume) {
        advanceFade();
    }
}

}  // namespace telvia

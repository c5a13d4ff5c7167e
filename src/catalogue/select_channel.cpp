#include "catalogue/select_channel.h"

#include "playback/stream_graph.h"

namespace telvia {

void selectChannel(AppState& state, Ports& ports, const TranslationTable& translations,
                   int slot)
{
    state.current = state.channels[slot];
    connectChannel(state, ports, translations);
}

}  // namespace telvia

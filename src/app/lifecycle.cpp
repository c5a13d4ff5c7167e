#include "app/lifecycle.h"

#include "app/settings.h"
#include "catalogue/channel_store.h"
#include "catalogue/channels_menu.h"
#include "catalogue/select_channel.h"
#include "i18n/menu_texts.h"
#include "playback/stream_graph.h"
#include "playback/video_placement.h"
#include "playback/volume.h"

namespace telvia {

bool runStartUp(AppState& state, Ports& ports, const TranslationTable& translations)
{
    // Visible at once, so the user sees the program while the rest comes up.
    ports.window.showNormal();
    setDefaultSettings(state, ports);

    if (const HResult result = ports.system.initialiseCom(); result < 0) {
        reportGraphFailure(state, ports, "CoInitialize Failed!\r\n", result);
        ports.system.exitProcess(1);
        return false;
    }
    ports.system.initialiseCommonControls();

    readSettings(state, ports);
    loadCatalogue(state, ports);
    markViewMode(state, ports);
    placeVideo(state, ports);
    buildChannelsMenu(state, ports);
    fillVolumeSteps(state);
    ports.window.startTimer(playbackTimerId, playbackTimerPeriodMs);
    applyMenuTexts(translations, ports);

    // Only the name survives from the last run; the slot is found again by it.
    if (const int slot = findChannelByName(state.channels, state.current.name.view()); slot >= 0) {
        selectChannel(state, ports, translations, slot);
    }
    return true;
}

void runExit(AppState& state, Ports& ports)
{
    tearDownGraph(state, ports);
    ports.system.uninitialiseCom();
    // The catalogue first: if the settings key cannot be written, the channels are kept.
    saveCatalogue(state, ports);
    writeSettings(state, ports);
    ports.window.postQuit(0);
}

}  // namespace telvia

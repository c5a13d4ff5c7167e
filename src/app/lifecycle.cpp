#include "app/lifecycle.h"

#include "app/select_channel.h"
#include "app/settings.h"
#include "app/view_mode_menu.h"
#include "catalogue/channel_store.h"
#include "catalogue/channels_menu.h"
#include "i18n/menu_texts.h"
#include "playback/player_texts.h"
#include "resources/resource.h"

namespace telvia {

bool runStartUp(AppState& state, Player& player, Ports& ports,
                const TranslationTable& translations)
{
    // Visible at once, so the user sees the program while the rest comes up.
    ports.windowControl.showNormal();
    setDefaultSettings(state, ports.locale);

    if (const HResult result = ports.system.initialiseCom(); result < 0) {
        ports.messages.showInformation(MessageOwner::none,
                                       failureText("CoInitialize Failed!\r\n", result),
                                       state.productName.view());
        ports.system.exitProcess(1);
        return false;
    }
    ports.system.initialiseCommonControls();

    readSettings(state, ports.registry);
    if (loadCatalogue(state.channels, state.homeCountry, state.productName.view(),
                      ports.registry, ports.files) == CatalogueOrigin::firstRun) {
        // The user sees the imported catalogue as soon as the message loop runs, also when
        // the first-run file could not be read.
        ports.window.postCommand(IDM_EDIT_CHANNELS);
    }
    markViewMode(state.viewMode, ports.window);
    player.placeVideo();
    buildChannelsMenu(state.channels, ports.channelsMenu, ports.collation);
    player.fillVolumeSteps();
    ports.window.startTimer(playbackTimerId, playbackTimerPeriodMs);
    applyMenuTexts(translations, ports.menuTexts);

    // Only the name survives from the last run; the slot is found again by it.
    if (const int slot = findChannelByName(state.channels, state.current.name.view()); slot >= 0) {
        selectChannel(state, player, slot);
    }
    return true;
}

void runExit(AppState& state, Player& player, Ports& ports)
{
    // A channel still opening is not known to play: the next start must not open it again.
    if (player.opening()) {
        state.current.name.clear();
    }
    player.tearDown();
    ports.system.uninitialiseCom();
    // The catalogue first: if the settings key cannot be written, the channels are kept.
    saveCatalogue(state.channels, state.productName.view(), ports.registry);
    writeSettings(state, ports.registry);
    ports.window.postQuit(0);
}

}  // namespace telvia

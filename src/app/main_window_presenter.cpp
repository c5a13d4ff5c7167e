#include "app/main_window_presenter.h"

#include "app/key_table.h"
#include "app/lifecycle.h"
#include "catalogue/channels_menu.h"
#include "dialogs/clipboard_test.h"
#include "playback/overlay.h"
#include "playback/playback_control.h"
#include "playback/stream_graph.h"
#include "playback/video_placement.h"
#include "playback/volume.h"
#include "resources/resource.h"

namespace telvia {

MainWindowPresenter::MainWindowPresenter(AppState& state, Ports& ports,
                                         const TranslationTable& translations)
    : state_(state), ports_(ports), translations_(translations)
{
}

bool MainWindowPresenter::onCreate()
{
    return runStartUp(state_, ports_, translations_);
}

void MainWindowPresenter::onDestroy()
{
    runExit(state_, ports_);
}

void MainWindowPresenter::onSize()
{
    placeVideo(state_, ports_);
}

void MainWindowPresenter::onGetMinMaxInfo(Size& minTrackSize)
{
    fillMinMaxInfo(state_, ports_, minTrackSize);
}

void MainWindowPresenter::onContextMenu(Point screenPoint)
{
    // Full screen has no room for a menu; the keys still step through channels.
    if (state_.fullScreen != 0) {
        return;
    }
    ports_.channelsMenu.track(screenPoint);
}

void MainWindowPresenter::onKeyDown(unsigned virtualKey)
{
    if (virtualKey == keyEscape) {
        if (state_.fullScreen != 0) {
            toggleFullScreen(state_, ports_);
        }
        return;
    }
    if (const auto command = commandForKey(virtualKey)) {
        onCommand(*command);
    }
}

void MainWindowPresenter::onTimer()
{
    onTimerTick(state_, ports_);
}

void MainWindowPresenter::onGraphNotify()
{
    telvia::onGraphNotify(state_, ports_, translations_);
}

void MainWindowPresenter::pickFromChannelsMenu(int commandId)
{
    // The item text is the whole channel name (up to 259 characters), so every
    // catalogue name can be picked; the slot is found again by that name.
    state_.current.name.clear();
    state_.current.name = ports_.channelsMenu.itemText(commandId);
    pickMenuChannel(state_, ports_, translations_);
}

bool MainWindowPresenter::onCommand(int commandId)
{
    if (commandId >= IDM_CHANNEL_FIRST && commandId <= IDM_CHANNEL_LAST) {
        pickFromChannelsMenu(commandId);
        return true;
    }
    if (commandId >= IDM_SIZE_50 && commandId <= IDM_SIZE_FIT) {
        setViewMode(state_, ports_, commandId - IDM_SIZE_50);
        return true;
    }
    switch (commandId) {
    case IDM_PLAY_PAUSE: togglePlayPause(state_, ports_, translations_); return true;
    case IDM_ABOUT: ports_.dialogs.runAboutBox(); return true;
    case IDM_EXIT: ports_.window.destroy(); return true;
    case IDM_CONNECT_CURRENT: connectChannel(state_, ports_, translations_); return true;
    case IDM_FULL_SCREEN: toggleFullScreen(state_, ports_); return true;
    case IDM_USER_MANUAL: ports_.shell.open(userManualFile); return true;
    case IDM_EDIT_CHANNELS: ports_.dialogs.runEditChannels(); return true;
    case IDM_STOP: stopPlayback(state_, ports_); return true;
    case IDM_NEXT_CHANNEL: nextChannel(state_, ports_, translations_); return true;
    case IDM_PREVIOUS_CHANNEL: previousChannel(state_, ports_, translations_); return true;
    case IDM_SELECT_CHANNEL: onContextMenu(ports_.window.cursorPosition()); return true;
    case IDM_SOUND_UP: changeVolume(state_, ports_, +1); return true;
    case IDM_SOUND_DOWN: changeVolume(state_, ports_, -1); return true;
    case IDM_SAVE_CHANNELS: ports_.dialogs.runSaveChannels(); return true;
    case IDM_RECONNECT: connectChannel(state_, ports_, translations_); return true;
    case IDM_LOAD_CHANNELS: ports_.dialogs.runLoadChannels(); return true;
    case IDM_HOME_PAGE: ports_.shell.open(makerHomePage); return true;
    case IDM_TEST_CLIPBOARD: testClipboardAddress(state_, ports_); return true;
    case IDM_INFORMATION: showChannelInfo(state_, ports_); return true;
    default: return false;
    }
}

}  // namespace telvia

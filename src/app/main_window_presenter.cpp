#include "app/main_window_presenter.h"

#include <utility>

#include "app/channel_list_paths.h"
#include "app/key_table.h"
#include "app/lifecycle.h"
#include "app/select_channel.h"
#include "app/view_mode_menu.h"
#include "catalogue/channels_menu.h"
#include "dialogs/clipboard_address.h"
#include "dialogs/edit_channels_dialog.h"
#include "dialogs/load_channels_dialog.h"
#include "dialogs/save_channels_dialog.h"
#include "resources/resource.h"

namespace telvia {

MainWindowPresenter::MainWindowPresenter(AppState& state, Ports& ports,
                                         const TranslationTable& translations)
    : state_(state), ports_(ports), translations_(translations),
      player_(state, ports.forPlayer(), translations)
{
}

MainWindowPresenter::Operation::Operation(MainWindowPresenter& presenter) : presenter_(presenter)
{
    ++presenter_.operations_;
}

MainWindowPresenter::Operation::~Operation()
{
    if (--presenter_.operations_ == 0 && !presenter_.lists_.empty()) {
        presenter_.askToLoadWaitingLists();
    }
}

bool MainWindowPresenter::onCreate()
{
    // The end of start-up asks for the list of the command line, behind the channel editor
    // that a first run opens.
    const Operation operation(*this);
    return runStartUp(state_, player_, ports_, translations_);
}

void MainWindowPresenter::onDestroy()
{
    runExit(state_, player_, ports_);
}

void MainWindowPresenter::onSize()
{
    const Operation operation(*this);
    player_.placeVideo();
}

void MainWindowPresenter::onGetMinMaxInfo(Size& minTrackSize)
{
    player_.fillMinMaxInfo(minTrackSize);
}

void MainWindowPresenter::onContextMenu(Point screenPoint)
{
    const Operation operation(*this);
    // Full screen has no room for a menu; the keys still step through channels.
    if (player_.inFullScreen()) {
        return;
    }
    ports_.channelsMenu.track(screenPoint);
}

void MainWindowPresenter::onKeyDown(unsigned virtualKey)
{
    const Operation operation(*this);
    if (virtualKey == keyEscape) {
        if (player_.inFullScreen()) {
            player_.toggleFullScreen();
        }
        return;
    }
    if (const auto command = commandForKey(virtualKey)) {
        dispatchCommand(*command);
    }
}

void MainWindowPresenter::onTimer()
{
    const Operation operation(*this);
    player_.onTimerTick();
}

void MainWindowPresenter::onGraphNotify()
{
    const Operation operation(*this);
    player_.onGraphNotify();
}

void MainWindowPresenter::onSourceLoaded(std::uintptr_t ticket)
{
    const Operation operation(*this);
    player_.onSourceLoaded(ticket);
}

void MainWindowPresenter::onDpiChanged(const Rect& suggested)
{
    const Operation operation(*this);
    // The new size reaches onSize inside the move, which places the video anew: its size
    // is in the video's own pixels and does not change with the resolution.
    ports_.windowControl.move(suggested);
    ports_.windowControl.invalidate();
}

bool MainWindowPresenter::onCopyData(std::uintptr_t tag, std::span<const std::byte> data)
{
    std::optional<std::u16string> path = decodeListHandOver(tag, data);
    if (!path || !lists_.add(std::move(*path))) {
        return false;
    }
    // Inside an operation its end asks for the Load dialog.
    if (operations_ == 0) {
        askToLoadWaitingLists();
    }
    return true;
}

void MainWindowPresenter::askToLoadWaitingLists()
{
    if (!loadPosted_) {
        loadPosted_ = true;
        ports_.window.postCommand(IDM_LOAD_WAITING_LISTS);
    }
}

void MainWindowPresenter::loadWaitingLists()
{
    loadPosted_ = false;
    // Inside another operation's modal loop (a dialog open, a message box): that
    // operation's end asks again. One Load dialog over another dialog could
    // lose what either of them changes.
    if (operations_ > 1) {
        return;
    }
    // Lists that arrive while a Load dialog is open come in turn.
    while (std::optional<std::u16string> path = lists_.take()) {
        // The dialog must not open behind the full-screen video.
        if (player_.inFullScreen()) {
            player_.toggleFullScreen();
        }
        ports_.windowControl.bringToForeground();
        loadChannels(std::move(*path));
    }
}

void MainWindowPresenter::selectSlot(std::optional<int> slot)
{
    if (slot) {
        selectChannel(state_, player_, *slot);
    }
}

void MainWindowPresenter::pickFromChannelsMenu(int commandId)
{
    // The item text is the whole channel name (up to 259 characters), so every
    // catalogue name can be picked; the slot is found again by that name.
    state_.current.name.clear();
    state_.current.name = ports_.channelsMenu.itemText(commandId);
    selectSlot(slotOfPickedName(state_.channels, state_.current.name));
}

void MainWindowPresenter::editChannels()
{
    EditChannelsDialog dialog(
        {state_.channels, state_.current, state_.homeCountry, state_.productName.view()},
        {ports_.shell, ports_.collation, ports_.channelsMenu, ports_.window}, translations_);
    ports_.dialogs.runModal(IDD_CHANNEL_LIST, dialog);
}

void MainWindowPresenter::saveChannels()
{
    SaveChannelsDialog dialog({state_.channels, state_.productName.view()}, ports_.files,
                              ports_.collation, translations_);
    ports_.dialogs.runModal(IDD_CHANNEL_LIST, dialog);
}

void MainWindowPresenter::loadChannels(std::optional<std::u16string> file)
{
    LoadChannelsDialog dialog({state_.channels, state_.homeCountry, state_.productName.view()},
                              {ports_.files, ports_.collation, ports_.channelsMenu}, translations_,
                              std::move(file));
    ports_.dialogs.runModal(IDD_CHANNEL_LIST, dialog);
}

void MainWindowPresenter::testClipboard()
{
    testClipboardAddress({state_.channels, state_.current, state_.productName.view()},
                         {ports_.clipboard, ports_.messages, ports_.window});
}

void MainWindowPresenter::setViewMode(int mode)
{
    state_.viewMode = mode;
    markViewMode(state_.viewMode, ports_.window);
    player_.placeVideo();
}

bool MainWindowPresenter::onCommand(int commandId)
{
    const Operation operation(*this);
    return dispatchCommand(commandId);
}

bool MainWindowPresenter::changesChannel(int commandId)
{
    return (commandId >= IDM_CHANNEL_FIRST && commandId <= IDM_CHANNEL_LAST) || commandId == IDM_PLAY_PAUSE ||
           commandId == IDM_CONNECT_CURRENT || commandId == IDM_RECONNECT || commandId == IDM_NEXT_CHANNEL ||
           commandId == IDM_PREVIOUS_CHANNEL;
}

bool MainWindowPresenter::dispatchCommand(int commandId)
{
    // A step or a pick that reaches the window while a failure's box is up (posted, as a
    // remote control sends it) is dropped: an open inside the box would start a channel
    // behind it, and its own failure would stack another box.
    if (player_.showingFailure() && changesChannel(commandId)) {
        return true;
    }
    if (commandId >= IDM_CHANNEL_FIRST && commandId <= IDM_CHANNEL_LAST) {
        pickFromChannelsMenu(commandId);
        return true;
    }
    if (commandId >= IDM_SIZE_50 && commandId <= IDM_SIZE_FIT) {
        setViewMode(commandId - IDM_SIZE_50);
        return true;
    }
    switch (commandId) {
    case IDM_PLAY_PAUSE: player_.togglePlayPause(); return true;
    case IDM_ABOUT: ports_.dialogs.runAboutBox(); return true;
    case IDM_EXIT: ports_.window.destroy(); return true;
    case IDM_CONNECT_CURRENT: player_.connect(); return true;
    case IDM_FULL_SCREEN: player_.toggleFullScreen(); return true;
    case IDM_USER_MANUAL: ports_.shell.open(userManualFile); return true;
    case IDM_EDIT_CHANNELS: editChannels(); return true;
    case IDM_STOP: player_.stop(); return true;
    case IDM_NEXT_CHANNEL: selectSlot(nextMarkedSlot(state_.channels, state_.current.name)); return true;
    case IDM_PREVIOUS_CHANNEL:
        selectSlot(previousMarkedSlot(state_.channels, state_.current.name));
        return true;
    case IDM_SELECT_CHANNEL: onContextMenu(ports_.window.cursorPosition()); return true;
    case IDM_SOUND_UP: player_.changeVolume(+1); return true;
    case IDM_SOUND_DOWN: player_.changeVolume(-1); return true;
    case IDM_SAVE_CHANNELS: saveChannels(); return true;
    case IDM_RECONNECT: player_.connect(); return true;
    case IDM_LOAD_CHANNELS: loadChannels(); return true;
    case IDM_HOME_PAGE: ports_.shell.open(makerHomePage); return true;
    case IDM_TEST_CLIPBOARD: testClipboard(); return true;
    case IDM_INFORMATION: player_.showChannelInfo(); return true;
    case IDM_LOAD_WAITING_LISTS: loadWaitingLists(); return true;
    default: return false;
    }
}

}  // namespace telvia

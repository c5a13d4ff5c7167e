// Decides what every message of the main window does. The window procedure only
// translates a message into one of these calls and returns what it says.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "app/app_state.h"
#include "app/lists_to_load.h"
#include "app/ports.h"
#include "i18n/translation_table.h"
#include "platform/geometry.h"
#include "playback/player.h"

namespace telvia {

inline constexpr char16_t userManualFile[] = u"Telvia.chm";
inline constexpr char16_t makerHomePage[] = u"https://www.quorvex.com/telvia/";

class MainWindowPresenter {
public:
    MainWindowPresenter(AppState& state, Ports& ports, const TranslationTable& translations);

    // WM_CREATE; false when the process was ended because COM did not start.
    bool onCreate();
    void onDestroy();
    void onSize();
    void onGetMinMaxInfo(Size& minTrackSize);
    void onContextMenu(Point screenPoint);
    void onKeyDown(unsigned virtualKey);
    // False for ids the main window does not know; they go to the default procedure.
    bool onCommand(int commandId);
    void onTimer();
    void onGraphNotify();
    // A source's Load that ran on a thread of its own has returned (the posted message with
    // the open's ticket).
    void onSourceLoaded(std::uintptr_t ticket);
    // WM_DPICHANGED: the window has moved to a display of another resolution and takes the
    // place the system suggests for it there.
    void onDpiChanged(const Rect& suggested);
    // WM_COPYDATA from another process: a channel file or playlist that a second start
    // hands over. True when it was taken; the Load dialog opens for it as soon as the
    // window is free.
    [[nodiscard]] bool onCopyData(std::uintptr_t tag, std::span<const std::byte> data);

    // The files waiting for the Load dialog; the process entry puts the one of the command
    // line here before the window exists.
    [[nodiscard]] ListsToLoad& listsToLoad() { return lists_; }

    // The player the presenter drives, for the tests that look at it or drive it directly.
    [[nodiscard]] Player& player() { return player_; }
    [[nodiscard]] const Player& player() const { return player_; }

private:
    // Counts the presenter's operations in progress for their whole length. An operation
    // can run a modal loop (a dialog, a message box, the channels pop-up) in which further
    // messages arrive; the Load dialog for a waiting list opens only outside every one, and
    // the end of the outermost one asks for it when lists wait.
    class Operation {
    public:
        explicit Operation(MainWindowPresenter& presenter);
        ~Operation();
        Operation(const Operation&) = delete;
        Operation& operator=(const Operation&) = delete;

    private:
        MainWindowPresenter& presenter_;
    };

    bool dispatchCommand(int commandId);
    // Whether the command would open a channel (or open the current one again).
    [[nodiscard]] static bool changesChannel(int commandId);
    void pickFromChannelsMenu(int commandId);
    void selectSlot(std::optional<int> slot);
    void setViewMode(int mode);
    void editChannels();
    void saveChannels();
    void loadChannels(std::optional<std::u16string> file = std::nullopt);
    // Posts the command that opens the Load dialog for the waiting lists, once.
    void askToLoadWaitingLists();
    void loadWaitingLists();
    void testClipboard();

    AppState& state_;
    Ports& ports_;
    const TranslationTable& translations_;
    Player player_;
    ListsToLoad lists_;
    int operations_ = 0;
    // The command for the waiting lists is posted and has not arrived yet.
    bool loadPosted_ = false;
};

}  // namespace telvia

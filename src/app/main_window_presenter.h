// Decides what every message of the main window does. The window procedure only
// translates a message into one of these calls and returns what it says.
#pragma once

#include <optional>

#include "app/app_state.h"
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
    // WM_DPICHANGED: the window has moved to a display of another resolution and takes the
    // place the system suggests for it there.
    void onDpiChanged(const Rect& suggested);

    // The player the presenter drives, for the tests that look at it or drive it directly.
    [[nodiscard]] Player& player() { return player_; }
    [[nodiscard]] const Player& player() const { return player_; }

private:
    void pickFromChannelsMenu(int commandId);
    void selectSlot(std::optional<int> slot);
    void setViewMode(int mode);
    void editChannels();
    void saveChannels();
    void loadChannels();
    void testClipboard();

    AppState& state_;
    Ports& ports_;
    const TranslationTable& translations_;
    Player player_;
};

}  // namespace telvia

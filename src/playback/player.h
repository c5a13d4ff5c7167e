// The player: one playback graph for the current channel, its placement in the main window,
// the volume fade-in and the overlay. It owns every reference of the graph and everything it
// knows about the stream; the program's state it shares lives in the PlaybackContext.
//
// The graph signals the main window with graphNotifyMessage; the window then asks the
// player to drain the graph's events (onGraphNotify).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "i18n/translation_table.h"
#include "platform/geometry.h"
#include "platform/main_window_port.h"
#include "platform/media_port.h"
#include "platform/message_box_port.h"
#include "platform/screen_port.h"
#include "platform/text_ports.h"
#include "platform/window_control_port.h"
#include "playback/playback_context.h"
#include "playback/stream/address/address_classification.h"
#include "playback/player_graph.h"

namespace telvia {

inline constexpr int volumeStepCount = 11;

// The ports the player works through, and nothing else.
struct PlayerPorts {
    MediaFrameworkPort& media;
    MainWindowControlPort& window;  // owner of the video, target of the graph's events
    ScreenPort& screen;
    MessageBoxPort& messages;
    TitleSink& title;
    TextConversionPort& textConversion;  // for the translated status words
};

// What the player holds between calls; all zero while nothing has been played.
struct PlayerState {
    PlayerGraph graph;
    std::array<std::int32_t, volumeStepCount> volumeSteps{};  // hundredths of a decibel
    std::int32_t overlayTicks = 0;  // timer ticks since the overlay was last drawn
    std::int32_t fadeStep = 0;      // volume step the fade-in has reached
    std::int32_t videoWidth = 0;    // native size of the video; 0 when unknown
    std::int32_t videoHeight = 0;
    std::int32_t fullScreen = 0;
    std::int32_t playing = 0;
    // The video window's message drain from before full screen, given back on leaving it.
    NativeWindow savedDrain = NativeWindow::none;
    // The open whose Load runs on a thread of its own, the ticket its end is posted with
    // and the route of its source; no load while nothing is opening.
    MediaRef<PendingLoad> pendingLoad;
    std::uintptr_t loadTicket = 0;
    stream::AddressRoute loadRoute = stream::AddressRoute::none;
    // Set while placeVideo grows the main window: the WM_SIZE that the growth causes places
    // the video once more inside the move, and that placement must not grow again, or a
    // window held back by the desktop would grow and re-enter without end.
    bool growingWindow = false;
};

class Player {
public:
    Player(PlaybackContext& context, PlayerPorts ports, const TranslationTable& translations);
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Plays context.current: tears the old graph down, builds a new one and starts its
    // source's Load on a thread of its own, then returns; onSourceLoaded finishes it. A
    // failing step is reported and leaves what was acquired for the next tear-down.
    void connect();
    // The source's Load of the open with this ticket has returned: the graph is finished
    // and started, or the failure reported. The end of an open given up is dropped.
    void onSourceLoaded(std::uintptr_t ticket);
    // Releases the graph and resets the playback flags; the title loses its status. An open
    // in progress is given up.
    void tearDown();
    // A channel is being opened: its source's Load has not returned yet.
    [[nodiscard]] bool opening() const { return state_.pendingLoad != nullptr; }
    // A failure's message box is up; nothing may open a channel from inside it.
    [[nodiscard]] bool showingFailure() const { return failuresShown_ > 0; }

    // Pauses a running graph; a paused or unfinished one is connected anew, from the live
    // point. Nothing happens without a graph's media control.
    void togglePlayPause();
    // Forgets the current channel (nothing is restored at the next start) and releases the graph.
    void stop();
    // Drains the graph's event queue; only buffering changes what is shown.
    void onGraphNotify();
    // Clears the overlay on the 31st tick after it was drawn and takes one fade-in step.
    void onTimerTick();

    // Levels in hundredths of a decibel for steps 0 (silence) to 10 (full level).
    void fillVolumeSteps();
    // Moves the volume step by delta within 0 to 10 and shows it in the overlay. Without a
    // graph nothing changes, so the saved step does not change either.
    void changeVolume(int delta);

    // Places the video window in the client area for the view mode, growing a window that
    // is too small for it (unless maximised), and brings the main window to the foreground.
    void placeVideo();
    // Sets the minimum tracking size: the frame around the mode's video size, within the work area.
    void fillMinMaxInfo(Size& minTrackSize) const;
    // Switches the renderer's full-screen mode over, keeping the main window's keys working
    // in full screen through the video window's message drain.
    void toggleFullScreen();

    // Opens a box with the current channel's fields, the video size and the frame rate.
    void showChannelInfo();
    // The title with a status text (none when empty).
    void showTitle(std::u16string_view status);

    [[nodiscard]] const PlayerState& state() const { return state_; }
    [[nodiscard]] bool inFullScreen() const { return state_.fullScreen != 0; }

private:
    // stream_graph.cpp
    template <typename Interface>
    [[nodiscard]] bool take(Obtained<Interface> obtained, MediaRef<Interface>& field,
                            std::string_view failure);
    [[nodiscard]] bool succeeded(HResult result, std::string_view failure);
    [[nodiscard]] bool obtainGraphInterfaces();
    [[nodiscard]] bool addSource(stream::AddressRoute route);
    void addVideoRenderer();
    void reportConnectionFailure();
    void startOpening(stream::AddressRoute route);
    void finishConnect();
    [[nodiscard]] bool renderSourcePins(int& outputPins);
    [[nodiscard]] bool setUpVideoWindow();

    // volume.cpp
    void advanceFade();
    void setVolume(std::int32_t step);

    // video_placement.cpp
    void growMainWindow(Size video, Size client);

    // overlay.cpp
    // Replaces the overlay with the text at the top left and, if asked, the volume figure
    // centred at the bottom. An empty text without the figure clears it.
    void drawOverlay(std::u16string_view text, bool withVolume);

    // The title with a status word of the translation file ("CONNECTING", "BUFFERING",
    // "PAUSE"); a word the file lacks shows as no status.
    void showStatusWord(std::string_view key);
    // Shows the format with its "%x" replaced by the result code, in an ownerless box.
    void reportFailure(std::string_view format, HResult result);
    // Shows a failure's box; showingFailure() holds while it is up.
    void showFailure(MessageOwner owner, std::u16string_view text);

    PlaybackContext& context_;
    PlayerPorts ports_;
    const TranslationTable& translations_;
    PlayerState state_;
    int failuresShown_ = 0;  // boxes up, one inside another's message loop included
};

}  // namespace telvia

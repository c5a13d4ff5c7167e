// Building and releasing the stream graph, the window title and graph failure reports.
#pragma once

#include <string_view>

#include "app/ports.h"
#include "catalogue/app_state.h"
#include "i18n/translation_table.h"
#include "platform/system_port.h"

namespace telvia {

// WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN: the video window as a child of the main window.
inline constexpr std::int32_t childVideoWindowStyle = 0x40000000 | 0x04000000 | 0x02000000;
inline constexpr std::uint32_t vmrModeWindowed = 1;      // VMRMode_Windowed
inline constexpr std::uint32_t mixerBiLinearFiltering = 0x10;  // MixerPref_BiLinearFiltering
inline constexpr std::uint32_t mixerPointFiltering = 0x20;     // MixerPref_PointFiltering

// Plays state.current: tears the old graph down, then builds and starts a new one. A
// failing step is reported and leaves what was acquired for the next tear-down.
void connectChannel(AppState& state, Ports& ports, const TranslationTable& translations);

// Releases the graph and resets the playback flags; the title loses its status.
void tearDownGraph(AppState& state, Ports& ports);

// Adds the video renderer to the graph under construction and configures it; whatever
// fails here only leaves the renderer or its overlay out.
void addVideoRenderer(AppState& state, Ports& ports);

// Product name, then "  [ name ]" and "  status" when there is a channel name.
void updateTitle(const AppState& state, Ports& ports, std::u16string_view status);

// The title with a status word of the translation file ("CONNECTING", "BUFFERING",
// "PAUSE"); a word the file lacks shows as no status.
void showStatusWord(const AppState& state, Ports& ports, const TranslationTable& translations,
                    std::string_view key);

// Shows the format with its "%x" replaced by the result code, in an ownerless box.
void reportGraphFailure(const AppState& state, Ports& ports, std::string_view format,
                        HResult result);

}  // namespace telvia

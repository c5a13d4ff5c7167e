#include "app/settings.h"

#include <algorithm>
#include <cstdint>

#include "catalogue/registry_paths.h"
#include "catalogue/registry_values.h"
#include "playback/player.h"
#include "playback/video_placement.h"

namespace telvia {

namespace {

constexpr std::u16string_view viewModeValue = u"viewMode";
constexpr std::u16string_view soundVolumeValue = u"soundVolume";
constexpr std::u16string_view channelNameValue = u"channelName";
constexpr std::u16string_view languageValue = u"language";

constexpr auto loudestStep = static_cast<std::uint32_t>(volumeStepCount - 1);

}  // namespace

void setDefaultSettings(AppState& state, LocalePort& locale)
{
    state.viewMode = viewModeNormal;
    // The locale may name the country with more letters than the field holds.
    state.homeCountry = locale.countryAbbreviation();
    state.soundVolume = 0;
}

void readSettings(AppState& state, RegistryPort& registry)
{
    const OpenedRegistryKey opened =
        registry.openCurrentUserKey(settingsKeyPath(state.productName.view()));
    if (!opened.key) {
        return;
    }
    RegistryKey& key = *opened.key;
    if (const auto mode = readNumberValue(key, viewModeValue)) {
        // Taken as stored: an unknown mode is handled where the video is placed.
        state.viewMode = static_cast<std::int32_t>(*mode);
    }
    if (const auto step = readNumberValue(key, soundVolumeValue)) {
        // Unsigned, so that a negative number is too loud as well.
        state.soundVolume = static_cast<std::int32_t>(std::min(*step, loudestStep));
    }
    readTextValue(key, channelNameValue, state.current.name);
    readTextValue(key, languageValue, state.homeCountry);
}

void writeSettings(const AppState& state, RegistryPort& registry)
{
    const OpenedRegistryKey created =
        registry.createCurrentUserKey(settingsKeyPath(state.productName.view()));
    if (!created.key) {
        return;
    }
    // Written at exit, where nobody could be told: a value that cannot be written keeps
    // its old content (or its default at the next start), and the others are still tried.
    RegistryKey& key = *created.key;
    (void)key.setNumber(viewModeValue, static_cast<std::uint32_t>(state.viewMode));
    (void)key.setNumber(soundVolumeValue, static_cast<std::uint32_t>(state.soundVolume));
    (void)writeTextValue(key, channelNameValue, state.current.name);
}

}  // namespace telvia

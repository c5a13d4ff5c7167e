#include "app/settings.h"

#include <algorithm>
#include <cstdint>

#include "catalogue/registry_values.h"
#include "playback/video_placement.h"

namespace telvia {

namespace {

constexpr std::u16string_view viewModeValue = u"viewMode";
constexpr std::u16string_view soundVolumeValue = u"soundVolume";
constexpr std::u16string_view channelNameValue = u"channelName";
constexpr std::u16string_view languageValue = u"language";

constexpr auto loudestStep = static_cast<std::uint32_t>(volumeStepCount - 1);

}  // namespace

std::u16string settingsKeyPath(const AppState& state)
{
    std::u16string path = u"Software\\Quorvex\\";
    path += state.productName.view();
    return path;
}

void setDefaultSettings(AppState& state, Ports& ports)
{
    state.viewMode = viewModeNormal;
    // The locale may name the country with more letters than the field holds.
    state.homeCountry = ports.locale.countryAbbreviation();
    state.soundVolume = 0;
}

void readSettings(AppState& state, Ports& ports)
{
    const OpenedRegistryKey opened = ports.registry.openCurrentUserKey(settingsKeyPath(state));
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

void writeSettings(const AppState& state, Ports& ports)
{
    const OpenedRegistryKey created = ports.registry.createCurrentUserKey(settingsKeyPath(state));
    if (!created.key) {
        return;
    }
    RegistryKey& key = *created.key;
    key.setNumber(viewModeValue, static_cast<std::uint32_t>(state.viewMode));
    key.setNumber(soundVolumeValue, static_cast<std::uint32_t>(state.soundVolume));
    writeTextValue(key, channelNameValue, state.current.name);
}

}  // namespace telvia

#include "catalogue/channel_store.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "catalogue/first_run_import.h"
#include "catalogue/registry_paths.h"
#include "catalogue/registry_values.h"

namespace telvia {

namespace {

// The value names of one position: its number as three digits, then the field's suffix.
constexpr std::u16string_view onSuffix = u"_on";
constexpr std::u16string_view countrySuffix = u"_language";  // holds the country code
constexpr std::u16string_view nameSuffix = u"_name";
constexpr std::u16string_view noteSuffix = u"_note";
constexpr std::u16string_view addressSuffix = u"_address";
constexpr std::u16string_view homePageSuffix = u"_homePage";

// "%03d" followed by a suffix, built in place: a full save names 2400 values.
class PositionValueName {
public:
    explicit PositionValueName(int position)
    {
        units_[0] = static_cast<char16_t>(u'0' + position / 100 % 10);
        units_[1] = static_cast<char16_t>(u'0' + position / 10 % 10);
        units_[2] = static_cast<char16_t>(u'0' + position % 10);
    }

    [[nodiscard]] std::u16string_view operator()(std::u16string_view suffix)
    {
        const std::size_t length = std::min(suffix.size(), units_.size() - digits);
        std::copy_n(suffix.begin(), length, units_.begin() + digits);
        return {units_.data(), digits + length};
    }

private:
    static constexpr std::size_t digits = 3;
    std::array<char16_t, 16> units_{};
};

// Reads position i into the slot; false when the position ends the catalogue.
bool loadPosition(RegistryKey& key, int position, Channel& channel)
{
    PositionValueName name(position);
    if (!readTextValue(key, name(countrySuffix), channel.country)) {
        return false;
    }
    readTextValue(key, name(nameSuffix), channel.name);
    readTextValue(key, name(noteSuffix), channel.note);
    readTextValue(key, name(addressSuffix), channel.address);
    readTextValue(key, name(homePageSuffix), channel.homePage);
    if (const std::optional<std::uint32_t> on = readNumberValue(key, name(onSuffix))) {
        channel.on = static_cast<std::int32_t>(*on);
    }
    if (channel.name.empty()) {
        // A channel without a name is dropped whole, and the catalogue ends before it.
        channel = Channel{};
        return false;
    }
    return true;
}

// The save runs at exit, where nobody could be told of a failed write: each write's
// result is left aside and the save goes on, so that every value that can be written is.
void savePosition(RegistryKey& key, int position, const Channel& channel)
{
    PositionValueName name(position);
    (void)key.setNumber(name(onSuffix), static_cast<std::uint32_t>(channel.on));
    (void)writeTextValue(key, name(countrySuffix), channel.country);
    (void)writeTextValue(key, name(nameSuffix), channel.name);
    (void)writeTextValue(key, name(noteSuffix), channel.note);
    (void)writeTextValue(key, name(addressSuffix), channel.address);
    (void)writeTextValue(key, name(homePageSuffix), channel.homePage);
}

void deletePosition(RegistryKey& key, int position)
{
    PositionValueName name(position);
    // The country first: without it the position ends the catalogue at once, so a save
    // that stops among these deletes still leaves exactly the saved channels to load.
    for (const std::u16string_view suffix :
         {countrySuffix, onSuffix, nameSuffix, noteSuffix, addressSuffix, homePageSuffix}) {
        // A value that is already gone, or that cannot be removed, does not stop the rest.
        (void)key.deleteValue(name(suffix));
    }
}

}  // namespace

CatalogueOrigin loadCatalogue(ChannelTable& channels, const FixedText<4>& homeCountry,
                              std::u16string_view productName, RegistryPort& registry,
                              FilePort& files)
{
    const OpenedRegistryKey opened = registry.openCurrentUserKey(channelsKeyPath(productName));
    if (!opened.key) {
        importFirstRunCatalogue(channels, homeCountry, files);
        return CatalogueOrigin::firstRun;
    }
    for (int position = 0; position < channelCapacity; ++position) {
        if (!loadPosition(*opened.key, position, channels[position])) {
            break;
        }
    }
    return CatalogueOrigin::registry;
}

void saveCatalogue(const ChannelTable& channels, std::u16string_view productName,
                   RegistryPort& registry)
{
    const OpenedRegistryKey created = registry.createCurrentUserKey(channelsKeyPath(productName));
    if (!created.key) {
        return;
    }
    // Every used slot is written before anything is deleted: a process that dies during
    // the save leaves a catalogue that loads, never an emptied key. Positions behind the
    // table are then removed, which also ends the catalogue where the table ends.
    const int count = channelCount(channels);
    for (int position = 0; position < count; ++position) {
        savePosition(*created.key, position, channels[position]);
    }
    for (int position = count; position < channelCapacity; ++position) {
        deletePosition(*created.key, position);
    }
}

}  // namespace telvia

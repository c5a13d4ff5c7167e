// The catalogue in the registry, and the first-run import when it is not there yet.
#pragma once

#include <cstdint>
#include <string_view>

#include "catalogue/channel_table.h"
#include "catalogue/fixed_text.h"
#include "platform/file_port.h"
#include "platform/registry_port.h"

namespace telvia {

enum class CatalogueOrigin : std::uint8_t {
    registry,  // the Channels key was there and was read
    firstRun,  // no Channels key: the table was imported from the first-run file
};

// Fills the table from the Channels key of the product, position by position, until a
// position has no usable country or no name. Without the key this is the user's first
// run: the table is imported from the first-run file instead, with the channels of the
// home country switched on. Expects an empty table.
[[nodiscard]] CatalogueOrigin loadCatalogue(ChannelTable& channels,
                                            const FixedText<4>& homeCountry,
                                            std::u16string_view productName,
                                            RegistryPort& registry, FilePort& files);

// Stores the used slots as positions 000 upward and then removes the positions behind
// them, so the key holds exactly the table. Nothing is saved when the key cannot be
// created.
void saveCatalogue(const ChannelTable& channels, std::u16string_view productName,
                   RegistryPort& registry);

}  // namespace telvia

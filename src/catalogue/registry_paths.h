// Where the settings and the catalogue lie in the current user's registry.
#pragma once

#include <string>
#include <string_view>

namespace telvia {

// Software\Quorvex\<product name>: the settings; the catalogue lies below it.
[[nodiscard]] std::u16string settingsKeyPath(std::u16string_view productName);

// The settings key followed by \Channels.
[[nodiscard]] std::u16string channelsKeyPath(std::u16string_view productName);

}  // namespace telvia

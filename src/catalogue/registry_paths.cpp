#include "catalogue/registry_paths.h"

namespace telvia {

std::u16string settingsKeyPath(std::u16string_view productName)
{
    std::u16string path = u"Software\\Quorvex\\";
    path += productName;
    return path;
}

std::u16string channelsKeyPath(std::u16string_view productName)
{
    return settingsKeyPath(productName) + u"\\Channels";
}

}  // namespace telvia

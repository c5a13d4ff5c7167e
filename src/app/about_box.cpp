#include "app/about_box.h"

namespace telvia {

std::u16string aboutProductLine(std::u16string_view productName, std::u16string_view version)
{
    std::u16string line(productName);
    line += u" version ";
    line += version;
    return line;
}

}  // namespace telvia

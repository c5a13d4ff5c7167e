// Screen resolution in dots per inch, and lengths designed at 96 dots per inch (100 %
// display scaling) converted to it.
#pragma once

#include <cstdint>

#include "platform/geometry.h"

namespace telvia {

// The resolution every length in the program's code is designed at.
inline constexpr int designDpi = 96;

// A length of `pixelsAt96` pixels at 96 dots per inch, in pixels at `dpi`, rounded to the
// nearest pixel (halves away from zero, as the system's own MulDiv). An unknown resolution
// (0 or less) leaves the length as it is.
[[nodiscard]] constexpr int scaleToDpi(int pixelsAt96, int dpi)
{
    if (dpi <= 0) {
        return pixelsAt96;
    }
    const std::int64_t product = static_cast<std::int64_t>(pixelsAt96) * dpi;
    const std::int64_t half = designDpi / 2;
    return static_cast<int>(product >= 0 ? (product + half) / designDpi : (product - half) / designDpi);
}

[[nodiscard]] constexpr Size scaleToDpi(Size sizeAt96, int dpi)
{
    return {scaleToDpi(sizeAt96.width, dpi), scaleToDpi(sizeAt96.height, dpi)};
}

}  // namespace telvia

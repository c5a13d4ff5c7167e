// The look of the information overlay over the video.
#pragma once

#include <string_view>

#include "platform/media_port.h"

namespace telvia {

// The overlay's look: a picture of 128 × 96 pixels at 96 dots per inch, black and
// therefore transparent where nothing is drawn, green text in the icon-title font 17 pixels
// high. On a display of more dots per inch the picture and the font have as many more
// pixels: the renderer stretches the picture over the video either way, so the text keeps
// its share of the video and comes out sharper.
[[nodiscard]] OverlayPicture overlayPicture(std::u16string_view text, int dpi);

// How the renderer mixes the picture: the whole of it stretched over the video less a
// 0.5 % margin on every side, at 75 % opacity, black as the transparent colour.
[[nodiscard]] AlphaBitmapParameters overlayParameters(const OverlayPicture& picture);

// Frames per second for an average time per frame in seconds, rounded to the nearest
// whole number; 0 for a time of 0.
[[nodiscard]] int framesPerSecond(double secondsPerFrame);

}  // namespace telvia

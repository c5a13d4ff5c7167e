// The look of the information overlay over the video.
#pragma once

#include <string_view>

#include "platform/media_port.h"

namespace telvia {

// The overlay's fixed look: a 128 × 96 picture, black and therefore transparent where
// nothing is drawn, green text in the icon-title font 17 pixels high.
[[nodiscard]] OverlayPicture overlayPicture(std::u16string_view text);

// How the renderer mixes the picture: stretched over the video less a 0.5 % margin on
// every side, at 75 % opacity, black as the transparent colour.
[[nodiscard]] AlphaBitmapParameters overlayParameters();

// Frames per second for an average time per frame in seconds, rounded to the nearest
// whole number; 0 for a time of 0.
[[nodiscard]] int framesPerSecond(double secondsPerFrame);

}  // namespace telvia

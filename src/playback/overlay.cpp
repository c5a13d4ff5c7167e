// The information overlay over the video and the channel information box.
#include "playback/overlay.h"

#include <cmath>
#include <limits>
#include <string>

#include "common/utf16.h"
#include "platform/dpi.h"
#include "playback/player.h"

namespace telvia {

namespace {

// At 96 dots per inch.
constexpr Size overlaySize{128, 96};
constexpr int overlayFontHeight = 17;
constexpr std::uint32_t black = 0x000000;       // COLORREF
constexpr std::uint32_t pureGreen = 0x00FF00;   // COLORREF 0x00bbggrr: green 255

std::u16string decimal(long long value)
{
    return asciiToUtf16(std::to_string(value));
}

}  // namespace

OverlayPicture overlayPicture(std::u16string_view text, int dpi)
{
    OverlayPicture picture;
    picture.size = scaleToDpi(overlaySize, dpi);
    picture.fontHeight = scaleToDpi(overlayFontHeight, dpi);
    picture.textColour = pureGreen;
    picture.backgroundColour = black;
    picture.text = text;
    return picture;
}

AlphaBitmapParameters overlayParameters(const OverlayPicture& picture)
{
    AlphaBitmapParameters parameters;
    parameters.flags = alphaBitmapFromDc | alphaBitmapSourceColourKey;
    parameters.source = {0, 0, picture.size.width, picture.size.height};
    parameters.destination = {0.005f, 0.005f, 0.995f, 0.995f};
    parameters.alpha = 0.75f;
    parameters.sourceColourKey = black;
    return parameters;
}

void Player::drawOverlay(std::u16string_view text, bool withVolume)
{
    if (!state_.graph.mixerBitmap) {
        return;
    }
    OverlayPicture picture = overlayPicture(text, ports_.window.dpi());
    if (withVolume) {
        picture.bottomLine = decimal(static_cast<long long>(context_.soundVolume) * 10) + u"%";
    }
    // The overlay is an extra: a renderer that refuses it still shows the video.
    (void)state_.graph.mixerBitmap->setAlphaBitmap(picture, overlayParameters(picture));
}

int framesPerSecond(double secondsPerFrame)
{
    if (secondsPerFrame == 0.0) {
        return 0;
    }
    const double rate = std::trunc(1.0 / secondsPerFrame + 0.5);
    // A time per frame close to zero or not a number at all must not overflow the figure.
    if (!(rate >= std::numeric_limits<int>::min() && rate <= std::numeric_limits<int>::max())) {
        return 0;
    }
    return static_cast<int>(rate);
}

void Player::showChannelInfo()
{
    BasicVideo* const basicVideo = state_.graph.basicVideo.get();
    if (basicVideo == nullptr) {
        return;
    }
    const MediaAnswer<Size> size = basicVideo->getVideoSize();
    const Size videoSize = size.result < 0 ? Size{} : size.value;
    const int rate = framesPerSecond(basicVideo->getAvgTimePerFrame().value);

    const Channel& channel = context_.current;
    std::u16string text;
    text += u"Name: ";
    text += channel.name.view();
    text += u"\nCountry: ";
    text += channel.country.view();
    text += u"\nNote: ";
    text += channel.note.view();
    text += u"\nAddress: ";
    text += channel.address.view();
    text += u"\nHome page: ";
    text += channel.homePage.view();
    text += u"\nVideo size: " + decimal(videoSize.width) + u":" + decimal(videoSize.height);
    text += u"\nFPS: " + decimal(rate);
    ports_.messages.showInformation(MessageOwner::mainWindow, text, u"Information about the channel");
}

}  // namespace telvia

// The overlay picture as GDI draws it, read back pixel by pixel: black wherever nothing is
// drawn (the renderer's transparent colour), the text at the top left, the volume figure
// centred at the bottom. The renderer that mixes it is not there under Wine; the picture is.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "playback/overlay.h"
#include "platform/win32/media/win32_overlay_canvas.h"

namespace {

using telvia::OverlayPicture;
using telvia::overlayPicture;
using telvia::win32::OverlayCanvas;

// Green pixels and pixels that are neither black nor green, in a region of the picture.
struct Count {
  int green = 0;
  int other = 0;
};

Count countPixels(HDC dc, int left, int top, int right, int bottom) {
  Count count;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      const COLORREF pixel = GetPixel(dc, x, y);
      if (pixel == RGB(0, 0, 0)) continue;
      // Smoothed edges blend green into black: still no red and no blue.
      if (GetRValue(pixel) == 0 && GetBValue(pixel) == 0) {
        ++count.green;
      } else {
        ++count.other;
      }
    }
  }
  return count;
}

TEST(OverlayCanvasTest, TextTopLeftFigureBottomCentreAndBlackElsewhere) {
  const struct {
    const char* name;
    std::u16string text;
    std::optional<std::u16string> figure;
    bool firstLine;   // green in the top 17 rows, left half
    bool secondLine;  // green in the next 17 rows
    bool bottom;      // green in the bottom 17 rows, middle half
  } cases[] = {
      {"cleared", u"", std::nullopt, false, false, false},
      {"channel name", u"News", std::nullopt, true, false, false},
      // No word wrapping: a long name stays on its line and is cut at the edge.
      {"a long name with spaces", u"A rather long channel name with words", std::nullopt, true,
       false, false},
      {"a line feed starts a new line", u"Line one\nLine two", std::nullopt, true, true, false},
      {"volume figure", u"", u"70%", false, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    OverlayPicture picture = overlayPicture(c.text, 96);
    picture.bottomLine = c.figure;
    const OverlayCanvas canvas(nullptr, picture);
    ASSERT_NE(canvas.dc(), nullptr);

    EXPECT_EQ(countPixels(canvas.dc(), 0, 0, 64, 17).green > 0, c.firstLine);
    EXPECT_EQ(countPixels(canvas.dc(), 0, 17, 128, 34).green > 0, c.secondLine);
    EXPECT_EQ(countPixels(canvas.dc(), 32, 79, 96, 96).green > 0, c.bottom);
    // Between the lines and the bottom figure nothing is drawn, and nothing but green is.
    EXPECT_EQ(countPixels(canvas.dc(), 0, 34, 128, 79).green, 0);
    EXPECT_EQ(countPixels(canvas.dc(), 0, 0, 128, 96).other, 0);
  }
}

}  // namespace

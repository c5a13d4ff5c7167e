#include "platform/win32/media/win32_overlay_canvas.h"

#include <string>

#include "platform/win32/base/wide_text.h"

namespace telvia::win32 {

OverlayCanvas::Selection::Selection(HDC dc, HGDIOBJ object)
    : dc_(dc), previous_(object != nullptr ? SelectObject(dc, object) : nullptr)
{
}

OverlayCanvas::Selection::~Selection()
{
    if (previous_ != nullptr) {
        SelectObject(dc_, previous_);
    }
}

OverlayCanvas::OverlayCanvas(HWND window, const OverlayPicture& picture)
{
    const HDC windowDc = GetDC(window);
    memory_.reset(CreateCompatibleDC(windowDc));
    bitmap_.reset(CreateCompatibleBitmap(windowDc, picture.size.width, picture.size.height));
    ReleaseDC(window, windowDc);
    if (!memory_ || !bitmap_) {
        memory_.reset();
        return;
    }
    bitmapSelection_.emplace(memory_.get(), bitmap_.get());

    LOGFONTW logFont{};
    SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof logFont, &logFont, 0);
    logFont.lfHeight = picture.fontHeight;
    font_.reset(CreateFontIndirectW(&logFont));
    fontSelection_.emplace(memory_.get(), font_.get());

    const HDC dc = memory_.get();
    SetBkColor(dc, picture.backgroundColour);
    SetTextColor(dc, picture.textColour);
    SetBkMode(dc, OPAQUE);
    RECT whole{};
    SetRect(&whole, 0, 0, picture.size.width, picture.size.height);
    // A new bitmap's pixels are not promised to be anything: fill it with the background
    // first, so that an empty picture is wholly the transparent colour.
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &whole, nullptr, 0, nullptr);

    const std::wstring text = toWide(picture.text);
    DrawTextW(dc, text.c_str(), -1, &whole, 0);
    if (picture.bottomLine) {
        const std::wstring line = toWide(*picture.bottomLine);
        DrawTextW(dc, line.c_str(), -1, &whole, DT_SINGLELINE | DT_BOTTOM | DT_CENTER);
    }
}

}  // namespace telvia::win32

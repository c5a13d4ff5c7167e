// The overlay picture drawn with GDI into a memory bitmap, ready to be handed to the
// renderer; every drawing object is deselected and deleted when the canvas goes.
#pragma once

#include <memory>
#include <optional>
#include <type_traits>

#include "platform/media_port.h"
#include "platform/win32/base/windows_includes.h"

namespace telvia::win32 {

class OverlayCanvas {
public:
    // A bitmap of the picture's size, compatible with the window's display, filled with the
    // background colour; then the text from the top left corner and the bottom line centred
    // at the bottom, in the icon-title font at the picture's height.
    OverlayCanvas(HWND window, const OverlayPicture& picture);
    OverlayCanvas(const OverlayCanvas&) = delete;
    OverlayCanvas& operator=(const OverlayCanvas&) = delete;
    ~OverlayCanvas() = default;

    // The memory device context holding the picture; null when it could not be made.
    [[nodiscard]] HDC dc() const { return memory_.get(); }

private:
    struct MemoryDcDeleter {
        void operator()(HDC dc) const { DeleteDC(dc); }
    };
    struct GdiObjectDeleter {
        void operator()(HGDIOBJ object) const { DeleteObject(object); }
    };
    template <typename Handle>
    using GdiObject = std::unique_ptr<std::remove_pointer_t<Handle>, GdiObjectDeleter>;

    // An object selected into the context until this goes.
    class Selection {
    public:
        Selection(HDC dc, HGDIOBJ object);
        ~Selection();
        Selection(const Selection&) = delete;
        Selection& operator=(const Selection&) = delete;

    private:
        HDC dc_;
        HGDIOBJ previous_;
    };

    // Destroyed in reverse: the font deselected and deleted, then the bitmap, then the context.
    std::unique_ptr<std::remove_pointer_t<HDC>, MemoryDcDeleter> memory_;
    GdiObject<HBITMAP> bitmap_;
    std::optional<Selection> bitmapSelection_;
    GdiObject<HFONT> font_;
    std::optional<Selection> fontSelection_;
};

}  // namespace telvia::win32

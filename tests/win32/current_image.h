// The picture that IBasicVideo::GetCurrentImage hands out, read pixel by pixel.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace telvia::testing {

struct Colour {
    int red;
    int green;
    int blue;
};

// The picture IBasicVideo::GetCurrentImage hands out: a BITMAPINFOHEADER, then the pixels.
// A 32-bit RGB picture has rows of its width, bottom-up. Wine 8's header names NV12 (12 bits
// a pixel) instead, but its rows are 32-bit BGRX pixels, top-down, and as many of them as
// the 12-bit row has bytes: width * 12 / 32, the left part of each row.
class CurrentImage {
public:
    static std::optional<CurrentImage> of(const std::vector<std::uint8_t>& buffer, std::string& why)
    {
        CurrentImage image;
        if (buffer.size() < sizeof image.header_) {
            why = "shorter than its header";
            return std::nullopt;
        }
        std::memcpy(&image.header_, buffer.data(), sizeof image.header_);
        const BITMAPINFOHEADER& header = image.header_;
        const int width = static_cast<int>(header.biWidth);
        image.height_ = static_cast<int>(std::abs(header.biHeight));
        if (header.biCompression == BI_RGB && header.biBitCount == 32) {
            image.stride_ = width;
            image.bottomUp_ = header.biHeight > 0;
        } else if (header.biCompression == MAKEFOURCC('N', 'V', '1', '2') && header.biBitCount == 12) {
            image.stride_ = width * 12 / 32;
            image.bottomUp_ = false;
        } else {
            why = "a format this test does not read: " + std::to_string(header.biCompression) +
                  ", " + std::to_string(header.biBitCount) + " bits";
            return std::nullopt;
        }
        const std::size_t bytes = static_cast<std::size_t>(image.stride_) * image.height_ * 4;
        if (buffer.size() < header.biSize + bytes) {
            why = "shorter than its pixels";
            return std::nullopt;
        }
        image.pixels_.assign(buffer.begin() + header.biSize, buffer.begin() + header.biSize + bytes);
        return image;
    }

    // How many pixels of each row, from the left, the picture holds.
    [[nodiscard]] int visibleWidth() const { return stride_; }
    [[nodiscard]] int height() const { return height_; }

    [[nodiscard]] Colour at(int x, int y) const
    {
        const int row = bottomUp_ ? height_ - 1 - y : y;
        const std::size_t offset = (static_cast<std::size_t>(row) * stride_ + x) * 4;
        return {pixels_[offset + 2], pixels_[offset + 1], pixels_[offset]};
    }

    [[nodiscard]] const BITMAPINFOHEADER& header() const { return header_; }

private:
    BITMAPINFOHEADER header_{};
    int stride_ = 0;
    int height_ = 0;
    bool bottomUp_ = true;
    std::vector<std::uint8_t> pixels_;
};

}  // namespace telvia::testing

// Small value types shared by the ports.
#pragma once

namespace telvia {

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

}  // namespace telvia

namespace telvia {

// Edges of a rectangle; right and bottom lie just outside it, as in Win32's RECT.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    [[nodiscard]] int width() const { return right - left; }
    [[nodiscard]] int height() const { return bottom - top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace telvia

#pragma once
// Points, sizes and rectangles in pixels. A rectangle includes its left and
// top edges and excludes its right and bottom edges, so its width is
// right - left.
#include <algorithm>

namespace plat {

struct Point {
    int x = 0;
    int y = 0;
    friend constexpr bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int cx = 0;
    int cy = 0;
    friend constexpr bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr int width() const { return right - left; }
    constexpr int height() const { return bottom - top; }
    constexpr Size size() const { return {width(), height()}; }
    constexpr Point top_left() const { return {left, top}; }
    constexpr Point bottom_right() const { return {right, bottom}; }
    // True when the rectangle holds no pixel (also when it is inverted).
    constexpr bool empty() const { return right <= left || bottom <= top; }
    constexpr bool contains(Point p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    // Moves the rectangle by (dx, dy).
    constexpr Rect offset(int dx, int dy) const {
        return {left + dx, top + dy, right + dx, bottom + dy};
    }
    // Grows each side outward by dx and dy (shrinks when negative).
    constexpr Rect inflate(int dx, int dy) const {
        return {left - dx, top - dy, right + dx, bottom + dy};
    }
    // Swaps edges so that left <= right and top <= bottom.
    constexpr Rect normalized() const {
        return {std::min(left, right), std::min(top, bottom), std::max(left, right),
                std::max(top, bottom)};
    }
    // The common part; an empty rectangle (all zero) when there is none.
    constexpr Rect intersect(const Rect& o) const {
        Rect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
               std::min(bottom, o.bottom)};
        return r.empty() ? Rect{} : r;
    }
    // The smallest rectangle holding both; an empty side is ignored.
    constexpr Rect unite(const Rect& o) const {
        if (empty()) return o;
        if (o.empty()) return *this;
        return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right),
                std::max(bottom, o.bottom)};
    }
    static constexpr Rect from_size(Point p, Size s) { return {p.x, p.y, p.x + s.cx, p.y + s.cy}; }

    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace plat

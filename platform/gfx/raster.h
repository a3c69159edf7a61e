#pragma once
// Pixel-level drawing on a locked surface, in surface coordinates, limited
// to a clip rectangle that lies within the surface. The device context turns
// its logical calls into these.
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/gfx/bitmap.h"

namespace plat::detail {

// Fills n pixels with one colour.
void fill_pixels(uint32_t* p, size_t n, uint32_t c);

// A point with sub-pixel precision (for polygon edges).
struct PointF {
    double x = 0;
    double y = 0;
};

class Raster {
  public:
    Raster(Bitmap& surface, const Rect& clip)
        : base_(surface.pixels()), stride_(surface.stride()), clip_(clip) {}

    // Pixels x0 <= x < x1 of row y.
    void span(int y, int x0, int x1, COLORREF c);
    void fill(const Rect& r, COLORREF c);
    void pixel(int x, int y, COLORREF c) {
        if (clip_.contains({x, y})) row(y)[x] = c;
    }
    // A 1-pixel line from a to b, b excluded.
    void thin_line(Point a, Point b, COLORREF c);
    // A line `width` pixels wide with round ends, centred on a -> b.
    void wide_line(Point a, Point b, int width, COLORREF c);
    // A filled disk of `diameter` pixels centred on the pixel p.
    void disk(Point p, int diameter, COLORREF c);
    // Fills the polygon by the even-odd rule, sampling pixel centres.
    void polygon(std::span<const PointF> points, COLORREF c);

  private:
    uint32_t* row(int y) const { return base_ + static_cast<ptrdiff_t>(y) * stride_; }

    uint32_t* base_;
    int stride_;
    Rect clip_;
};

}  // namespace plat::detail

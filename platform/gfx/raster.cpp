#include "platform/gfx/raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace plat::detail {

void fill_pixels(uint32_t* p, size_t n, uint32_t c) {
    // Head until 8-byte alignment, then 64-bit stores of two pixels.
    if (n && (reinterpret_cast<uintptr_t>(p) & 7)) {
        *p++ = c;
        --n;
    }
    const uint64_t two = (static_cast<uint64_t>(c) << 32) | c;
    uint64_t* q = reinterpret_cast<uint64_t*>(p);
    const size_t pairs = n / 2;
    for (size_t i = 0; i < pairs; ++i) q[i] = two;
    if (n & 1) p[n - 1] = c;
}

void Raster::span(int y, int x0, int x1, COLORREF c) {
    if (y < clip_.top || y >= clip_.bottom) return;
    x0 = std::max(x0, clip_.left);
    x1 = std::min(x1, clip_.right);
    if (x0 >= x1) return;
    fill_pixels(row(y) + x0, static_cast<size_t>(x1 - x0), c);
}

void Raster::fill(const Rect& r, COLORREF c) {
    const Rect f = r.normalized().intersect(clip_);
    if (f.empty()) return;
    // The first row is filled, the others copied from it: memcpy is the
    // fastest store loop at hand.
    const size_t n = static_cast<size_t>(f.width());
    uint32_t* first = row(f.top) + f.left;
    fill_pixels(first, n, c);
    for (int y = f.top + 1; y < f.bottom; ++y) std::memcpy(row(y) + f.left, first, n * 4);
}

void Raster::thin_line(Point a, Point b, COLORREF c) {
    const int dx = std::abs(b.x - a.x);
    const int dy = std::abs(b.y - a.y);
    const int sx = a.x < b.x ? 1 : -1;
    const int sy = a.y < b.y ? 1 : -1;
    // Horizontal and vertical lines are spans: the common case for frames
    // and grid lines.
    if (dy == 0) {
        if (dx == 0) return;
        if (sx > 0)
            span(a.y, a.x, b.x, c);
        else
            span(a.y, b.x + 1, a.x + 1, c);
        return;
    }
    int x = a.x;
    int y = a.y;
    if (dx >= dy) {
        int err = 2 * dy - dx;
        for (int i = 0; i < dx; ++i) {
            pixel(x, y, c);
            if (err > 0) {
                y += sy;
                err -= 2 * dx;
            }
            err += 2 * dy;
            x += sx;
        }
    } else {
        int err = 2 * dx - dy;
        for (int i = 0; i < dy; ++i) {
            pixel(x, y, c);
            if (err > 0) {
                x += sx;
                err -= 2 * dy;
            }
            err += 2 * dx;
            y += sy;
        }
    }
}

void Raster::disk(Point p, int diameter, COLORREF c) {
    if (diameter <= 1) {
        pixel(p.x, p.y, c);
        return;
    }
    const double r = diameter / 2.0;
    const double cx = p.x + 0.5;
    const double cy = p.y + 0.5;
    const int y0 = static_cast<int>(std::floor(cy - r));
    const int y1 = static_cast<int>(std::ceil(cy + r));
    for (int y = y0; y < y1; ++y) {
        const double dy = y + 0.5 - cy;
        const double h = r * r - dy * dy;
        if (h < 0) continue;
        const double w = std::sqrt(h);
        const int xa = static_cast<int>(std::ceil(cx - w - 0.5));
        const int xb = static_cast<int>(std::ceil(cx + w - 0.5));
        span(y, xa, xb, c);
    }
}

void Raster::wide_line(Point a, Point b, int width, COLORREF c) {
    if (width <= 1) {
        thin_line(a, b, c);
        return;
    }
    const double ax = a.x + 0.5, ay = a.y + 0.5, bx = b.x + 0.5, by = b.y + 0.5;
    const double len = std::hypot(bx - ax, by - ay);
    if (len > 0) {
        const double h = width / 2.0;
        const double nx = -(by - ay) / len * h;
        const double ny = (bx - ax) / len * h;
        const PointF quad[4] = {
            {ax + nx, ay + ny}, {bx + nx, by + ny}, {bx - nx, by - ny}, {ax - nx, ay - ny}};
        polygon(quad, c);
    }
    disk(a, width, c);
    disk(b, width, c);
}

void Raster::polygon(std::span<const PointF> pts, COLORREF c) {
    const size_t n = pts.size();
    if (n < 3) return;
    double ymin = pts[0].y, ymax = pts[0].y;
    for (const PointF& p : pts) {
        ymin = std::min(ymin, p.y);
        ymax = std::max(ymax, p.y);
    }
    int y0 = std::max(clip_.top, static_cast<int>(std::floor(ymin)));
    int y1 = std::min(clip_.bottom, static_cast<int>(std::ceil(ymax)) + 1);
    std::vector<double> xs;
    xs.reserve(16);
    for (int y = y0; y < y1; ++y) {
        const double sy = y + 0.5;
        xs.clear();
        for (size_t i = 0; i < n; ++i) {
            const PointF& p = pts[i];
            const PointF& q = pts[(i + 1) % n];
            // Half-open in y so that a vertex shared by two edges counts once.
            if ((p.y <= sy && q.y > sy) || (q.y <= sy && p.y > sy))
                xs.push_back(p.x + (sy - p.y) * (q.x - p.x) / (q.y - p.y));
        }
        std::sort(xs.begin(), xs.end());
        for (size_t i = 0; i + 1 < xs.size(); i += 2) {
            // Pixels whose centres lie inside [xa, xb).
            const int xa = static_cast<int>(std::ceil(xs[i] - 0.5));
            const int xb = static_cast<int>(std::ceil(xs[i + 1] - 0.5));
            span(y, xa, xb, c);
        }
    }
}

}  // namespace plat::detail

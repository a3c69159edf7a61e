#include "platform/gfx/dc.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/gfx/raster.h"

namespace plat {

using detail::PointF;
using detail::Raster;

Dc::Dc(Bitmap surface) : surface_(std::move(surface)), clip_(surface_.bounds()) {}

Dc::Dc(Bitmap surface, const Rect& area)
    : surface_(std::move(surface)),
      clip_(area.intersect(surface_.bounds())),
      origin_(area.top_left()) {}

Bitmap Dc::select_bitmap(Bitmap bitmap) {
    Bitmap old = std::move(surface_);
    surface_ = std::move(bitmap);
    clip_ = surface_.bounds();
    origin_ = {};
    return old;
}

COLORREF Dc::set_text_color(COLORREF c) {
    return std::exchange(text_color_, color_bits(c));
}
COLORREF Dc::set_bk_color(COLORREF c) {
    return std::exchange(bk_color_, color_bits(c));
}
int Dc::set_bk_mode(int mode) {
    if (mode != TRANSPARENT && mode != OPAQUE) return 0;
    return std::exchange(bk_mode_, mode);
}
Pen Dc::select_pen(const Pen& pen) {
    return std::exchange(pen_, pen);
}
Brush Dc::select_brush(const Brush& brush) {
    return std::exchange(brush_, brush);
}
Font Dc::select_font(const Font& font) {
    return std::exchange(font_, font);
}
Point Dc::set_origin(Point origin) {
    return std::exchange(origin_, origin);
}
void Dc::set_clip(const Rect& surface_rect) {
    clip_ = surface_rect.intersect(surface_.bounds());
}
void Dc::intersect_clip(const Rect& logical_rect) {
    clip_ = clip_.intersect(logical_rect.offset(origin_.x, origin_.y));
}

// --- rectangles and shapes ---------------------------------------------------

void Dc::fill_rect(const Rect& r, const Brush& brush) {
    if (!surface_ || brush.hollow) return;
    auto lock = surface_.lock();
    note_changed(r.normalized().offset(origin_.x, origin_.y));
    Raster(surface_, clip_).fill(r.offset(origin_.x, origin_.y), color_bits(brush.color));
}

void Dc::frame_rect(const Rect& r, const Brush& brush) {
    if (!surface_ || brush.hollow) return;
    Rect d = r.offset(origin_.x, origin_.y);
    if (d.empty()) return;
    auto lock = surface_.lock();
    note_changed(d);
    Raster ra(surface_, clip_);
    const COLORREF c = color_bits(brush.color);
    ra.fill({d.left, d.top, d.right, d.top + 1}, c);
    ra.fill({d.left, d.bottom - 1, d.right, d.bottom}, c);
    ra.fill({d.left, d.top, d.left + 1, d.bottom}, c);
    ra.fill({d.right - 1, d.top, d.right, d.bottom}, c);
}

void Dc::rectangle(const Rect& r) {
    if (!surface_) return;
    Rect d = r.normalized();
    if (d.empty()) return;
    auto lock = surface_.lock();
    const bool outline = pen_.style != PS_NULL;
    // With a null pen the shape is one pixel smaller on the right and bottom.
    if (!outline) d = {d.left, d.top, d.right - 1, d.bottom - 1};
    fill_rect(outline ? d.inflate(-1, -1) : d, brush_);
    if (!outline) return;
    if (pen_.width <= 1) {
        frame_rect(d, Brush::solid(pen_.color));
        return;
    }
    const Point corners[5] = {{d.left, d.top},
                              {d.right - 1, d.top},
                              {d.right - 1, d.bottom - 1},
                              {d.left, d.bottom - 1},
                              {d.left, d.top}};
    polyline(corners);
}

void Dc::round_rect(const Rect& r, int ellipse_w, int ellipse_h) {
    if (!surface_) return;
    Rect d = r.normalized().offset(origin_.x, origin_.y);
    if (d.empty()) return;
    const bool outline = pen_.style != PS_NULL;
    if (!outline) d = {d.left, d.top, d.right - 1, d.bottom - 1};
    if (d.empty()) return;
    const double a = std::clamp(ellipse_w, 0, d.width()) / 2.0;
    const double b = std::clamp(ellipse_h, 0, d.height()) / 2.0;
    // The horizontal extent of the shape on each row; symmetric left/right.
    const int rows = d.height();
    std::vector<int> inset(static_cast<size_t>(rows), 0);
    for (int i = 0; i < rows; ++i) {
        const double cy = i + 0.5;
        double dy = 0;
        if (cy < b)
            dy = b - cy;
        else if (cy > rows - b)
            dy = cy - (rows - b);
        if (dy <= 0 || b <= 0) continue;
        const double t = std::max(0.0, 1.0 - (dy / b) * (dy / b));
        const double dx = a * std::sqrt(t);
        inset[static_cast<size_t>(i)] = static_cast<int>(std::ceil(a - dx - 0.5));
    }
    auto lock = surface_.lock();
    note_changed(d);
    Raster ra(surface_, clip_);
    const COLORREF pen_color = color_bits(pen_.color);
    const COLORREF brush_color = color_bits(brush_.color);
    for (int i = 0; i < rows; ++i) {
        const int y = d.top + i;
        const int in = inset[static_cast<size_t>(i)];
        const int xl = d.left + in;
        const int xr = d.right - in;
        if (!outline) {
            if (!brush_.hollow) ra.span(y, xl, xr, brush_color);
            continue;
        }
        // A pixel is on the outline when the row above or below does not
        // reach it.
        const int above = i > 0 ? inset[static_cast<size_t>(i - 1)] : -1;
        const int below = i + 1 < rows ? inset[static_cast<size_t>(i + 1)] : -1;
        if (above < 0 || below < 0) {
            ra.span(y, xl, xr, pen_color);
            continue;
        }
        const int edge = std::max({above, below, in + 1});
        const int el = d.left + edge;
        const int er = d.right - edge;
        if (el >= er) {
            ra.span(y, xl, xr, pen_color);
            continue;
        }
        ra.span(y, xl, el, pen_color);
        ra.span(y, er, xr, pen_color);
        if (!brush_.hollow) ra.span(y, el, er, brush_color);
    }
}

void Dc::polygon(std::span<const Point> points) {
    if (!surface_ || points.size() < 2) return;
    auto lock = surface_.lock();
    if (!brush_.hollow && points.size() >= 3) {
        std::vector<PointF> f;
        f.reserve(points.size());
        for (Point p : points) f.push_back({double(p.x + origin_.x), double(p.y + origin_.y)});
        note_changed(bounds_of(points, 1));
        Raster(surface_, clip_).polygon(f, color_bits(brush_.color));
    }
    if (pen_.style == PS_NULL) return;
    std::vector<Point> closed(points.begin(), points.end());
    closed.push_back(points.front());
    const Point saved = pos_;
    polyline(closed);
    pos_ = saved;
}

Rect Dc::bounds_of(std::span<const Point> points, int grow) const {
    Rect r{points.front().x, points.front().y, points.front().x + 1, points.front().y + 1};
    for (Point p : points) r = r.unite({p.x, p.y, p.x + 1, p.y + 1});
    return r.offset(origin_.x, origin_.y).inflate(grow, grow);
}

// --- lines -------------------------------------------------------------------

Point Dc::move_to(Point p) {
    return std::exchange(pos_, p);
}

void Dc::line_to(Point p) {
    const Point pts[2] = {pos_, p};
    polyline(pts);
    pos_ = p;
}

void Dc::polyline(std::span<const Point> points) {
    if (!surface_ || points.size() < 2 || pen_.style == PS_NULL) return;
    auto lock = surface_.lock();
    // A wide pen reaches half its width beyond the points, its round ends
    // one pixel more.
    note_changed(bounds_of(points, pen_.width / 2 + 2));
    Raster ra(surface_, clip_);
    const COLORREF c = color_bits(pen_.color);
    const int ox = origin_.x, oy = origin_.y;
    if (pen_.width <= 1) {
        for (size_t i = 1; i < points.size(); ++i)
            ra.thin_line({points[i - 1].x + ox, points[i - 1].y + oy},
                         {points[i].x + ox, points[i].y + oy}, c);
        return;
    }
    for (size_t i = 1; i < points.size(); ++i)
        ra.wide_line({points[i - 1].x + ox, points[i - 1].y + oy},
                     {points[i].x + ox, points[i].y + oy}, pen_.width, c);
}

// --- pixels ------------------------------------------------------------------

COLORREF Dc::set_pixel(Point p, COLORREF c) {
    const Point d{p.x + origin_.x, p.y + origin_.y};
    if (!surface_ || !clip_.contains(d)) return CLR_INVALID;
    auto lock = surface_.lock();
    note_changed({d.x, d.y, d.x + 1, d.y + 1});
    surface_.row(d.y)[d.x] = color_bits(c);
    return color_bits(c);
}

COLORREF Dc::get_pixel(Point p) const {
    const Point d{p.x + origin_.x, p.y + origin_.y};
    if (!surface_ || !clip_.contains(d)) return CLR_INVALID;
    return surface_.pixel(d.x, d.y);
}

// --- transfers -----------------------------------------------------------------

void Dc::bit_blt(int x, int y, int w, int h, const Dc& src, int sx, int sy) {
    bit_blt(x, y, w, h, src.surface_, sx + src.origin_.x, sy + src.origin_.y);
}

void Dc::bit_blt(int x, int y, int w, int h, const Bitmap& src, int sx, int sy) {
    if (!surface_ || !src || w <= 0 || h <= 0) return;
    // Destination in surface pixels, then both sides trimmed together.
    Rect dst = Rect{x, y, x + w, y + h}.offset(origin_.x, origin_.y);
    Rect clipped = dst.intersect(clip_);
    Rect src_r = clipped.offset(sx - dst.left, sy - dst.top);
    Rect src_ok = src_r.intersect(src.bounds());
    if (src_ok.empty()) return;
    clipped = src_ok.offset(dst.left - sx, dst.top - sy);
    const int cw = clipped.width();
    const int ch = clipped.height();
    SurfacePairLock lock(surface_, src);
    note_changed(clipped);
    const bool same = surface_.same_surface(src);
    // Rows move in the order that never overwrites a source row before it
    // is read; memmove covers overlap within a row.
    const bool upward = !(same && clipped.top > src_ok.top);
    for (int i = 0; i < ch; ++i) {
        const int r = upward ? i : ch - 1 - i;
        std::memmove(surface_.row(clipped.top + r) + clipped.left,
                     src.row(src_ok.top + r) + src_ok.left, static_cast<size_t>(cw) * 4);
    }
}

void Dc::stretch_blt(const Rect& dst_rect, const Dc& src, const Rect& src_rect) {
    stretch_blt(dst_rect, src.surface_, src_rect.offset(src.origin_.x, src.origin_.y));
}

void Dc::stretch_blt(const Rect& dst_rect, const Bitmap& src, const Rect& src_rect) {
    if (!surface_ || !src || dst_rect.empty() || src_rect.empty()) return;
    if (dst_rect.size() == src_rect.size()) {
        bit_blt(dst_rect.left, dst_rect.top, dst_rect.width(), dst_rect.height(), src,
                src_rect.left, src_rect.top);
        return;
    }
    const Rect dst = dst_rect.offset(origin_.x, origin_.y);
    const Rect clipped = dst.intersect(clip_);
    if (clipped.empty()) return;
    SurfacePairLock lock(surface_, src);
    note_changed(clipped);
    // On one surface the source is read from a copy so that overlap cannot
    // feed written pixels back in.
    Bitmap from = surface_.same_surface(src) ? src.clone() : src;
    const int64_t dw = dst.width(), dh = dst.height();
    const int64_t sw = src_rect.width(), sh = src_rect.height();
    std::vector<int> col(static_cast<size_t>(clipped.width()));
    for (int x = clipped.left; x < clipped.right; ++x)
        col[static_cast<size_t>(x - clipped.left)] =
            src_rect.left + static_cast<int>(((2 * (x - dst.left) + 1) * sw) / (2 * dw));
    const Rect sb = from.bounds();
    for (int y = clipped.top; y < clipped.bottom; ++y) {
        const int syy = src_rect.top + static_cast<int>(((2 * (y - dst.top) + 1) * sh) / (2 * dh));
        if (syy < 0 || syy >= sb.bottom) continue;
        const uint32_t* s = from.row(syy);
        uint32_t* d = surface_.row(y);
        for (int x = clipped.left; x < clipped.right; ++x) {
            const int sxx = col[static_cast<size_t>(x - clipped.left)];
            if (sxx >= 0 && sxx < sb.right) d[x] = s[sxx];
        }
    }
}

// --- icons -------------------------------------------------------------------

void Dc::draw_icon(int x, int y, const Icon& icon, int w, int h) {
    if (!surface_ || !icon) return;
    if (w <= 0 || h <= 0) {
        w = icon.width();
        h = icon.height();
    }
    const Rect dst = Rect{x, y, x + w, y + h}.offset(origin_.x, origin_.y);
    const Rect clipped = dst.intersect(clip_);
    if (clipped.empty()) return;
    SurfacePairLock lock(surface_, icon.image());
    note_changed(clipped);
    const Bitmap& img = icon.image();
    for (int yy = clipped.top; yy < clipped.bottom; ++yy) {
        const int sy = static_cast<int>(int64_t(yy - dst.top) * img.height() / h);
        uint32_t* d = surface_.row(yy);
        const uint32_t* s = img.row(sy);
        for (int xx = clipped.left; xx < clipped.right; ++xx) {
            const int sx = static_cast<int>(int64_t(xx - dst.left) * img.width() / w);
            if (icon.opaque_at(sx, sy)) d[xx] = s[sx];
        }
    }
}

}  // namespace plat

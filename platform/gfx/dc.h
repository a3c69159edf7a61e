#pragma once
// A device context: draws on a surface (a bitmap, or a window's part of the
// screen) through an origin and a clip rectangle, with the drawing state the
// system's widgets rely on. A fresh context is in the default state: black
// text, white background colour, opaque background mode, a 1-pixel black
// solid pen, a white solid brush and the default font.
//
// Coordinates given to drawing calls are logical: the origin is added to get
// surface pixels. The clip rectangle is kept in surface pixels. Every
// operation takes the surface's lock for its duration, so contexts on one
// surface may draw from several threads.
#include <cstdint>
#include <span>
#include <string_view>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/color.h"
#include "platform/gfx/font.h"
#include "platform/gfx/geometry.h"
#include "platform/gfx/icon.h"

namespace plat {

// Background modes.
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

// Pen styles.
inline constexpr int PS_SOLID = 0;
inline constexpr int PS_NULL = 5;

// Text formats of draw_text().
inline constexpr uint32_t DT_TOP = 0x0000;
inline constexpr uint32_t DT_LEFT = 0x0000;
inline constexpr uint32_t DT_CENTER = 0x0001;
inline constexpr uint32_t DT_RIGHT = 0x0002;
inline constexpr uint32_t DT_VCENTER = 0x0004;
inline constexpr uint32_t DT_BOTTOM = 0x0008;
inline constexpr uint32_t DT_WORDBREAK = 0x0010;
inline constexpr uint32_t DT_SINGLELINE = 0x0020;
inline constexpr uint32_t DT_EXPANDTABS = 0x0040;
inline constexpr uint32_t DT_NOCLIP = 0x0100;
inline constexpr uint32_t DT_CALCRECT = 0x0400;
inline constexpr uint32_t DT_NOPREFIX = 0x0800;

struct Pen {
    int style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
    static constexpr Pen solid(int width, COLORREF color) { return {PS_SOLID, width, color}; }
    static constexpr Pen null() { return {PS_NULL, 0, 0}; }
    friend constexpr bool operator==(const Pen&, const Pen&) = default;
};

struct Brush {
    COLORREF color = RGB(255, 255, 255);
    bool hollow = false;
    static constexpr Brush solid(COLORREF color) { return {color, false}; }
    static constexpr Brush null() { return {0, true}; }
    friend constexpr bool operator==(const Brush&, const Brush&) = default;
};

class Dc {
  public:
    // A context with no surface (a memory context before a bitmap is
    // selected): drawing does nothing.
    Dc() = default;
    // A context over the whole of `surface`.
    explicit Dc(Bitmap surface);
    // A context over `area` of `surface` (a window's part of the screen): the
    // origin is the area's top-left corner and drawing is clipped to it.
    Dc(Bitmap surface, const Rect& area);

    // --- surface ---------------------------------------------------------
    const Bitmap& surface() const { return surface_; }
    // Selects another bitmap (a memory context): origin 0 and the clip
    // becomes the whole bitmap. Returns the previous one.
    Bitmap select_bitmap(Bitmap bitmap);

    // --- state -----------------------------------------------------------
    // Each setter returns the previous value.
    COLORREF set_text_color(COLORREF c);
    COLORREF text_color() const { return text_color_; }
    COLORREF set_bk_color(COLORREF c);
    COLORREF bk_color() const { return bk_color_; }
    int set_bk_mode(int mode);
    int bk_mode() const { return bk_mode_; }
    Pen select_pen(const Pen& pen);
    const Pen& pen() const { return pen_; }
    Brush select_brush(const Brush& brush);
    const Brush& brush() const { return brush_; }
    Font select_font(const Font& font);
    const Font& font() const { return font_; }

    // The origin: logical (0, 0) lies at this surface pixel.
    Point set_origin(Point origin);
    Point origin() const { return origin_; }
    // The clip in surface pixels (always within the surface).
    const Rect& clip() const { return clip_; }
    void set_clip(const Rect& surface_rect);
    // Narrows the clip by a logical rectangle.
    void intersect_clip(const Rect& logical_rect);
    // The clip in logical coordinates.
    Rect clip_box() const { return clip_.offset(-origin_.x, -origin_.y); }

    // --- rectangles and shapes ---------------------------------------------
    void fill_rect(const Rect& r, const Brush& brush);
    void fill_rect(const Rect& r, COLORREF color) { fill_rect(r, Brush::solid(color)); }
    // A 1-pixel frame just inside `r` in the brush's colour.
    void frame_rect(const Rect& r, const Brush& brush);
    // Outline with the pen, inside filled with the brush.
    void rectangle(const Rect& r);
    // As rectangle() with corners rounded by an ellipse of ellipse_w x ellipse_h.
    void round_rect(const Rect& r, int ellipse_w, int ellipse_h);
    // A filled polygon (alternate fill) outlined with the pen; closed
    // automatically.
    void polygon(std::span<const Point> points);

    // --- lines -----------------------------------------------------------
    // Lines are drawn with the pen; a 1-pixel line includes its start and
    // excludes its end point.
    Point move_to(Point p);
    Point current_position() const { return pos_; }
    void line_to(Point p);
    void polyline(std::span<const Point> points);

    // --- pixels ----------------------------------------------------------
    // Returns the colour set, or CLR_INVALID when the point is clipped.
    COLORREF set_pixel(Point p, COLORREF c);
    COLORREF get_pixel(Point p) const;

    // --- transfers (straight copies) ----------------------------------------
    // Copies a w x h block from `src` at (sx, sy) to (x, y). Source and
    // destination may overlap on one surface: the result is as if the source
    // was copied aside first. Source pixels outside the source surface are
    // left out.
    void bit_blt(int x, int y, int w, int h, const Dc& src, int sx, int sy);
    void bit_blt(int x, int y, int w, int h, const Bitmap& src, int sx, int sy);
    // Scales `src_rect` of `src` into `dst_rect` (nearest neighbour).
    void stretch_blt(const Rect& dst_rect, const Dc& src, const Rect& src_rect);
    void stretch_blt(const Rect& dst_rect, const Bitmap& src, const Rect& src_rect);

    // --- icons -----------------------------------------------------------
    // Draws an icon at (x, y), scaled to w x h when both are given.
    void draw_icon(int x, int y, const Icon& icon, int w = 0, int h = 0);

    // --- text ------------------------------------------------------------
    // Draws one line with its top-left corner at (x, y) in the text colour;
    // in opaque mode the text cell is first filled with the background colour.
    void text_out(int x, int y, std::u16string_view text);
    Size text_extent(std::u16string_view text) const;
    // Formats text in `rect` by the DT_ flags; returns the height of the
    // text. With DT_CALCRECT it draws nothing and sets `rect` to the size the
    // text takes.
    int draw_text(std::u16string_view text, Rect& rect, uint32_t format);

    // --- what was drawn ----------------------------------------------------
    // The smallest surface rectangle holding every pixel the calls since the
    // last forget_changed_area() may have written (within the clip).
    Rect changed_area() const { return changed_; }
    void forget_changed_area() { changed_ = {}; }

  private:
    // Adds a surface rectangle, cut to the clip, to the changed area.
    void note_changed(const Rect& surface_rect) {
        changed_ = changed_.unite(surface_rect.intersect(clip_));
    }
    // The surface rectangle around points in logical coordinates, grown by
    // `grow` pixels on every side.
    Rect bounds_of(std::span<const Point> points, int grow) const;

    Bitmap surface_;
    Rect clip_{};
    Rect changed_{};
    Point origin_{};
    Point pos_{};
    COLORREF text_color_ = RGB(0, 0, 0);
    COLORREF bk_color_ = RGB(255, 255, 255);
    int bk_mode_ = OPAQUE;
    Pen pen_{};
    Brush brush_{};
    Font font_{};
};

// The size of the screen every window draws on.
inline constexpr int SCREEN_WIDTH = 800;
inline constexpr int SCREEN_HEIGHT = 600;

}  // namespace plat

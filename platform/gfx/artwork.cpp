// Artwork of the instrument, drawn by code:
//   icons   130-134, 170      status indicator (battery states)
//           181-192, 217-228, 241-264   marker flags, 16 x 16, six markers
//           284, 285          title-bar status (connected, busy)
//           308, 309          soft-key on and off marks
//   bitmaps 210, 214          graph background with graticule (panel, full screen)
//           281               empty waterfall image
//           283               title-bar status area without an icon
//           235-237, 239      power-meter faces
//           266-270, 273      power-meter frame, bar strip and icon
#include "platform/gfx/artwork.h"

#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "platform/gfx/dc.h"

namespace plat {

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGrid = RGB(72, 72, 72);
constexpr COLORREF kFrame = RGB(128, 128, 128);
constexpr COLORREF kMarker = RGB(0, 128, 0);
constexpr COLORREF kMarkerCurrent = RGB(255, 0, 0);
constexpr COLORREF kMask = RGB(255, 0, 255);  // marks transparent icon pixels while drawing

// Digits 0-9 in a 3 x 5 cell, one row of three bits per entry.
constexpr std::array<std::array<uint8_t, 5>, 10> kDigits = {{
    {7, 5, 5, 5, 7},
    {2, 6, 2, 2, 7},
    {7, 1, 7, 4, 7},
    {7, 1, 7, 1, 7},
    {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7},
    {7, 4, 7, 5, 7},
    {7, 1, 1, 1, 1},
    {7, 5, 7, 5, 7},
    {7, 5, 7, 1, 7},
}};

void digit(Dc& dc, int x, int y, int d, COLORREF c) {
    for (int r = 0; r < 5; ++r)
        for (int b = 0; b < 3; ++b)
            if (kDigits[static_cast<size_t>(d)][static_cast<size_t>(r)] & (4 >> b))
                dc.set_pixel({x + b, y + r}, c);
}

// An icon drawn on a transparent canvas.
template <typename Draw>
Icon make_icon(int w, int h, Draw&& draw) {
    Bitmap img = Bitmap::create(w, h, kMask);
    Dc dc(img);
    draw(dc);
    std::vector<uint8_t> opaque(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            opaque[static_cast<size_t>(y) * w + x] = img.pixel(x, y) != kMask;
    return Icon(std::move(img), std::move(opaque));
}

void filled(Dc& dc, std::initializer_list<Point> pts, COLORREF c) {
    dc.select_pen(Pen::solid(1, c));
    dc.select_brush(Brush::solid(c));
    dc.polygon(std::vector<Point>(pts));
}

// Marker flags: a 12 x 9 pennant carrying the marker number, pointing at the
// marker's point: down to the bottom centre (standard), up to the top centre
// (below the point), or to the bottom-left / bottom-right corner (at the
// plot's left and right edges).
enum class Flag { standard, below, left, right };

Icon marker_flag(int number, Flag kind, bool current) {
    const COLORREF c = current ? kMarkerCurrent : kMarker;
    return make_icon(16, 16, [&](Dc& dc) {
        const int body_top = kind == Flag::below ? 6 : 0;
        dc.fill_rect({2, body_top, 14, body_top + 10}, c);
        switch (kind) {
            case Flag::standard:
                filled(dc, {{4, 10}, {12, 10}, {8, 15}}, c);
                break;
            case Flag::below:
                filled(dc, {{4, 6}, {12, 6}, {8, 0}}, c);
                break;
            case Flag::left:
                filled(dc, {{2, 10}, {7, 10}, {0, 15}}, c);
                break;
            case Flag::right:
                filled(dc, {{9, 10}, {14, 10}, {15, 15}}, c);
                break;
        }
        digit(dc, 7, body_top + 2, number, kWhite);
    });
}

Icon battery(COLORREF fill, int percent, bool plug) {
    return make_icon(SYSTEM_ICON_SIZE, SYSTEM_ICON_SIZE, [&](Dc& dc) {
        dc.select_pen(Pen::solid(1, kBlack));
        dc.select_brush(Brush::solid(kWhite));
        dc.rectangle({2, 9, 28, 23});
        dc.fill_rect({28, 13, 31, 19}, kBlack);
        if (percent > 0) dc.fill_rect({4, 11, 4 + 22 * percent / 100, 21}, fill);
        if (plug)
            filled(dc, {{16, 10}, {11, 17}, {15, 17}, {13, 22}, {20, 14}, {16, 14}},
                   RGB(255, 200, 0));
    });
}

Icon disc(COLORREF c, COLORREF mark) {
    return make_icon(SYSTEM_ICON_SIZE, SYSTEM_ICON_SIZE, [&](Dc& dc) {
        dc.select_pen(Pen::solid(1, kBlack));
        dc.select_brush(Brush::solid(c));
        dc.round_rect({3, 3, 29, 29}, 26, 26);
        dc.fill_rect({14, 9, 18, 23}, mark);
    });
}

Bitmap graticule(int w, int h, COLORREF background = kBlack, COLORREF grid = kGrid,
                 COLORREF frame = kFrame) {
    Bitmap b = Bitmap::create(w, h, background);
    Dc dc(b);
    const int pw = w - 1, ph = h - 1;  // the plot spans columns 0..pw-1, rows 0..ph-1
    for (int i = 1; i < 10; ++i) {
        const int x = i * (pw - 1) / 10;
        const int y = i * (ph - 1) / 10;
        for (int t = 0; t < ph; t += 2) dc.set_pixel({x, t}, grid);
        for (int t = 0; t < pw; t += 2) dc.set_pixel({t, y}, grid);
    }
    dc.frame_rect({0, 0, pw, ph}, Brush::solid(frame));
    return b;
}

// A bevelled grey strip for the power-meter frame.
Bitmap bevel(int w, int h) {
    Bitmap b = Bitmap::create(w, h, RGB(160, 160, 168));
    Dc dc(b);
    dc.frame_rect({0, 0, w, h}, Brush::solid(RGB(96, 96, 104)));
    return b;
}

Bitmap bar_strip() {
    Bitmap b = Bitmap::create(685, 39, kWhite);
    Dc dc(b);
    dc.frame_rect({0, 0, 685, 39}, Brush::solid(kFrame));
    for (int i = 0; i <= 20; ++i) {
        const int x = 4 + i * 670 / 20;
        dc.fill_rect({x, 29, x + 1, i % 5 ? 33 : 36}, kBlack);
    }
    return b;
}

// An analog meter face: a scale arc from 45 to 135 degrees around the pivot
// the needles turn on, with ticks; `style` sets the tick count (10, 12, 15).
Bitmap meter_face(int w, int h, int style) {
    Bitmap b = Bitmap::create(w, h, kWhite);
    Dc dc(b);
    dc.frame_rect({0, 0, w, h}, Brush::solid(kFrame));
    // The needles turn on a pivot 40 pixels below the picture's bottom edge.
    const double cx = w / 2.0 + 2, cy = h + 40.0;
    const double r = h + 2.0;
    dc.select_pen(Pen::solid(3, kBlack));
    std::vector<Point> arc;
    for (int a = 45; a <= 135; ++a) {
        const double t = a * std::numbers::pi / 180;
        arc.push_back(
            {static_cast<int>(cx - r * std::cos(t)), static_cast<int>(cy - r * std::sin(t))});
    }
    dc.polyline(arc);
    const int ticks = style == 0 ? 10 : style == 1 ? 12 : 15;
    dc.select_pen(Pen::solid(1, kBlack));
    for (int i = 0; i <= ticks; ++i) {
        const double t = (45 + 90.0 * i / ticks) * std::numbers::pi / 180;
        const double len = i % (ticks / 5 ? ticks / 5 : 1) ? 10 : 20;
        dc.move_to(
            {static_cast<int>(cx - r * std::cos(t)), static_cast<int>(cy - r * std::sin(t))});
        dc.line_to({static_cast<int>(cx - (r - len) * std::cos(t)),
                    static_cast<int>(cy - (r - len) * std::sin(t))});
    }
    // The red zone near full scale.
    dc.select_pen(Pen::solid(3, RGB(255, 0, 0)));
    std::vector<Point> red;
    for (int a = 120; a <= 135; ++a) {
        const double t = a * std::numbers::pi / 180;
        red.push_back({static_cast<int>(cx + (r - 6) * std::cos(std::numbers::pi - t)),
                       static_cast<int>(cy - (r - 6) * std::sin(t))});
    }
    dc.polyline(red);
    return b;
}

Bitmap warning_icon() {
    Bitmap b = Bitmap::create(34, 32, kWhite);
    Dc dc(b);
    dc.select_pen(Pen::solid(1, kBlack));
    dc.select_brush(Brush::solid(RGB(255, 220, 0)));
    const Point tri[] = {{17, 1}, {33, 30}, {1, 30}};
    dc.polygon(tri);
    dc.fill_rect({16, 10, 19, 22}, kBlack);
    dc.fill_rect({16, 24, 19, 27}, kBlack);
    return b;
}

}  // namespace

Bitmap load_bitmap(int id, COLORREF background, COLORREF grid) {
    switch (id) {
        case 210:
            return graticule(706, 426, background, grid, grid);
        case 214:
            return graticule(801, 598, background, grid, grid);
        default:
            return load_bitmap(id);
    }
}

Bitmap load_bitmap(int id) {
    if (Bitmap icon = message_box_icon(id)) return icon;
    switch (id) {
        case 210:
            return graticule(706, 426);
        case 214:
            return graticule(801, 598);
        case 281:
            return Bitmap::create(706, 426, kBlack);
        case 283:
            return Bitmap::create(SYSTEM_ICON_SIZE, SYSTEM_ICON_SIZE, kBlack);
        case 235:
            return meter_face(556, 228, 0);
        case 236:
            return meter_face(556, 228, 1);
        case 237:
            return meter_face(556, 228, 2);
        case 239:
            return meter_face(556, 228, 0);
        case 266:
            return bevel(11, 529);
        case 267:
            return bevel(10, 529);
        case 268:
        case 269:
            return bevel(704, 10);
        case 270:
            return bar_strip();
        case 273:
            return warning_icon();
        default:
            return {};
    }
}

Icon load_icon(int id) {
    // Marker flags: eight roles for each of the six markers.
    struct Role {
        int first;  // id of marker 1
        int step;   // id distance from one marker to the next
        Flag kind;
        bool current;
    };
    static constexpr Role roles[] = {
        {181, 1, Flag::below, false},   {187, 1, Flag::standard, false},
        {218, 2, Flag::standard, true}, {241, 4, Flag::left, false},
        {243, 4, Flag::right, false},   {242, 4, Flag::left, true},
        {244, 4, Flag::right, true},
    };
    for (const Role& r : roles)
        for (int m = 0; m < 6; ++m)
            if (id == r.first + m * r.step) return marker_flag(m + 1, r.kind, r.current);
    // Current below-the-point flags: 219, 221, ..., 227 for markers 1-5, 217 for 6.
    if (id == 217) return marker_flag(6, Flag::below, true);
    if (id >= 219 && id <= 227 && id % 2 == 1)
        return marker_flag((id - 219) / 2 + 1, Flag::below, true);

    switch (id) {
        case 130:
            return battery(RGB(0, 200, 0), 100, false);
        case 131:
            return battery(RGB(0, 200, 0), 100, true);
        case 132:
            return battery(RGB(230, 200, 0), 50, false);
        case 134:
            return battery(kWhite, 0, false);
        case 170:
            return battery(RGB(230, 0, 0), 15, false);
        case 284:
            return disc(RGB(0, 180, 0), kWhite);
        case 285:
            return disc(RGB(230, 120, 0), kWhite);
        case 308:
            return make_icon(16, 16, [](Dc& dc) {
                dc.select_brush(Brush::solid(RGB(0, 200, 0)));
                dc.round_rect({2, 2, 14, 14}, 12, 12);
            });
        case 309:
            return make_icon(16, 16, [](Dc& dc) {
                dc.select_pen(Pen::solid(1, kFrame));
                dc.select_brush(Brush::null());
                dc.round_rect({2, 2, 14, 14}, 12, 12);
            });
        default:
            return {};
    }
}

}  // namespace plat

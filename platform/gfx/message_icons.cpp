// The four icons of the program's message box, 32 x 32 on the dialog face:
//   1422 stop (red disc, white cross)       1423 information (blue disc, "i")
//   1424 question (green disc, "?")         1425 warning (yellow triangle, "!")
#include <cmath>
#include <numbers>
#include <vector>

#include "platform/gfx/artwork.h"
#include "platform/gfx/dc.h"

namespace plat {

namespace {

constexpr int kSize = 32;
constexpr COLORREF kFace = RGB(0xE4, 0xE8, 0xEE);  // the face of dialogs
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kOutline = RGB(40, 40, 40);

Bitmap disc(COLORREF fill, Dc& dc) {
    Bitmap b = Bitmap::create(kSize, kSize, kFace);
    dc = Dc(b);
    dc.select_pen(Pen::solid(1, kOutline));
    dc.select_brush(Brush::solid(fill));
    dc.round_rect({1, 1, kSize - 1, kSize - 1}, kSize - 2, kSize - 2);
    return b;
}

// A thick stroke from a to b as a filled quadrilateral.
void stroke(Dc& dc, Point a, Point b, double width, COLORREF c) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len = std::hypot(dx, dy);
    const double nx = -dy / len * width / 2, ny = dx / len * width / 2;
    const Point quad[] = {
        {static_cast<int>(std::lround(a.x + nx)), static_cast<int>(std::lround(a.y + ny))},
        {static_cast<int>(std::lround(b.x + nx)), static_cast<int>(std::lround(b.y + ny))},
        {static_cast<int>(std::lround(b.x - nx)), static_cast<int>(std::lround(b.y - ny))},
        {static_cast<int>(std::lround(a.x - nx)), static_cast<int>(std::lround(a.y - ny))},
    };
    dc.select_pen(Pen::null());
    dc.select_brush(Brush::solid(c));
    dc.polygon(quad);
}

Bitmap stop_icon() {
    Dc dc;
    Bitmap b = disc(RGB(200, 30, 30), dc);
    stroke(dc, {10, 10}, {22, 22}, 4, kWhite);
    stroke(dc, {22, 10}, {10, 22}, 4, kWhite);
    return b;
}

Bitmap information_icon() {
    Dc dc;
    Bitmap b = disc(RGB(30, 90, 200), dc);
    dc.fill_rect({14, 7, 18, 11}, kWhite);
    dc.fill_rect({14, 13, 18, 25}, kWhite);
    dc.fill_rect({12, 23, 20, 25}, kWhite);
    return b;
}

Bitmap question_icon() {
    Dc dc;
    Bitmap b = disc(RGB(30, 140, 70), dc);
    // The hook of the question mark: an arc from the left round to the
    // middle, then down to the stem.
    std::vector<Point> hook;
    for (int deg = 200; deg >= -80; deg -= 20) {
        const double r = deg * std::numbers::pi / 180.0;
        hook.push_back({static_cast<int>(std::lround(16 + 5 * std::cos(r))),
                        static_cast<int>(std::lround(12 - 5 * std::sin(r)))});
    }
    hook.push_back({16, 20});
    for (size_t i = 1; i < hook.size(); ++i) stroke(dc, hook[i - 1], hook[i], 3.5, kWhite);
    dc.fill_rect({14, 22, 18, 26}, kWhite);
    return b;
}

Bitmap warning_triangle() {
    Bitmap b = Bitmap::create(kSize, kSize, kFace);
    Dc dc(b);
    dc.select_pen(Pen::solid(1, kOutline));
    dc.select_brush(Brush::solid(RGB(250, 205, 0)));
    const Point tri[] = {{16, 2}, {30, 29}, {2, 29}};
    dc.polygon(tri);
    dc.fill_rect({14, 10, 18, 21}, RGB(0, 0, 0));
    dc.fill_rect({14, 23, 18, 27}, RGB(0, 0, 0));
    return b;
}

}  // namespace

Bitmap message_box_icon(int id) {
    switch (id) {
        case kStopIconBitmap:
            return stop_icon();
        case kInformationIconBitmap:
            return information_icon();
        case kQuestionIconBitmap:
            return question_icon();
        case kWarningIconBitmap:
            return warning_triangle();
        default:
            return {};
    }
}

}  // namespace plat

// Pixel probes of the drawing primitives on small bitmaps.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/gfx/dc.h"

namespace plat {
namespace {

constexpr COLORREF kBg = RGB(1, 2, 3);
constexpr COLORREF kRed = RGB(255, 0, 0);

// The bitmap as rows of characters: '.' background, '#' anything else.
std::string picture(const Bitmap& b, COLORREF bg = kBg) {
    std::string s;
    for (int y = 0; y < b.height(); ++y) {
        for (int x = 0; x < b.width(); ++x) s += b.pixel(x, y) == bg ? '.' : '#';
        s += '\n';
    }
    return s;
}

std::string rows(std::initializer_list<const char*> lines) {
    std::string s;
    for (const char* l : lines) (s += l) += '\n';
    return s;
}

TEST(Primitives, FillRectCoversExactlyItsPixels) {
    Bitmap b = Bitmap::create(8, 8, kBg);
    Dc dc(b);
    dc.fill_rect({2, 3, 5, 6}, kRed);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(b.pixel(x, y), (x >= 2 && x < 5 && y >= 3 && y < 6) ? kRed : kBg)
                << x << "," << y;
    // An inverted or empty rectangle, and a null brush, draw nothing.
    Bitmap c = Bitmap::create(4, 4, kBg);
    Dc dc2(c);
    dc2.fill_rect({3, 3, 3, 1}, kRed);
    dc2.fill_rect({0, 0, 4, 4}, Brush::null());
    EXPECT_EQ(picture(c), rows({"....", "....", "....", "...."}));
}

TEST(Primitives, FrameAndRectangleUseTheDefaultPenAndBrush) {
    Bitmap b = Bitmap::create(6, 5, kBg);
    Dc dc(b);
    dc.rectangle({1, 1, 5, 5});
    EXPECT_EQ(b.pixel(1, 1), RGB(0, 0, 0));        // 1-pixel black pen
    EXPECT_EQ(b.pixel(4, 4), RGB(0, 0, 0));        // right/bottom edge inside the rectangle
    EXPECT_EQ(b.pixel(2, 2), RGB(255, 255, 255));  // white brush
    EXPECT_EQ(b.pixel(5, 4), kBg);
    EXPECT_EQ(picture(b), rows({"......", ".####.", ".####.", ".####.", ".####."}));

    Bitmap f = Bitmap::create(5, 4, kBg);
    Dc fdc(f);
    fdc.frame_rect({0, 0, 5, 4}, Brush::solid(kRed));
    EXPECT_EQ(picture(f), rows({"#####", "#...#", "#...#", "#####"}));
}

TEST(Primitives, OneBitLinesIncludeStartExcludeEnd) {
    struct Case {
        Point a, b;
        std::string expect;
    };
    const Case cases[] = {
        {{0, 1}, {5, 1}, rows({".....", "#####", ".....", "....."})},
        {{4, 1}, {0, 1}, rows({".....", ".####", ".....", "....."})},
        {{2, 0}, {2, 3}, rows({"..#..", "..#..", "..#..", "....."})},
        {{0, 0}, {4, 4}, rows({"#....", ".#...", "..#..", "...#."})},
        {{0, 3}, {4, 1}, rows({".....", ".....", "..##.", "##..."})},
        {{1, 1}, {1, 1}, rows({".....", ".....", ".....", "....."})},
    };
    for (const Case& c : cases) {
        Bitmap b = Bitmap::create(5, 4, kBg);
        Dc dc(b);
        dc.move_to(c.a);
        dc.line_to(c.b);
        EXPECT_EQ(picture(b), c.expect) << c.a.x << "," << c.a.y << " -> " << c.b.x << "," << c.b.y;
        EXPECT_EQ(dc.current_position(), c.b);
    }
}

TEST(Primitives, WidePensAreCentredOnTheLine) {
    for (int width : {3, 24}) {
        Bitmap b = Bitmap::create(100, 60, kBg);
        Dc dc(b);
        dc.select_pen(Pen::solid(width, kRed));
        dc.move_to({20, 30});
        dc.line_to({80, 30});
        // Column 50 is covered for exactly `width` rows around row 30.
        int covered = 0, first = -1;
        for (int y = 0; y < 60; ++y)
            if (b.pixel(50, y) == kRed) {
                ++covered;
                if (first < 0) first = y;
            }
        EXPECT_EQ(covered, width) << width;
        EXPECT_EQ(first, 30 - width / 2) << width;
        // Round ends reach half the width past the end points.
        EXPECT_EQ(b.pixel(80 + width / 2 - 1, 30), kRed);
        EXPECT_EQ(b.pixel(80 + width / 2 + 2, 30), kBg);
    }
}

TEST(Primitives, PolylineOfManyPointsStaysInsideItsArea) {
    // A long trace, as the graph draws it: more points than columns.
    Bitmap b = Bitmap::create(705, 425, kBg);
    Dc dc(b);
    dc.select_pen(Pen::solid(1, kRed));
    std::vector<Point> pts;
    std::mt19937 rng(7);
    for (int i = 0; i < 11266; ++i) pts.push_back({i * 704 / 11265, static_cast<int>(rng() % 425)});
    dc.polyline(pts);
    int red = 0;
    for (int x = 0; x < 705; ++x) red += b.pixel(x, pts[0].y) == kRed;
    EXPECT_GT(red, 0);
    // Every column between the first and last point is touched.
    for (int x = 0; x < 704; ++x) {
        bool any = false;
        for (int y = 0; y < 425 && !any; ++y) any = b.pixel(x, y) == kRed;
        ASSERT_TRUE(any) << x;
    }
}

TEST(Primitives, PolygonFillsByPixelCentres) {
    Bitmap b = Bitmap::create(6, 6, kBg);
    Dc dc(b);
    dc.select_pen(Pen::null());
    dc.select_brush(Brush::solid(kRed));
    const Point tri[] = {{0, 0}, {6, 0}, {0, 6}};
    dc.polygon(tri);
    // The hypotenuse passes through pixel centres only on the diagonal, which
    // is outside (right edges are exclusive).
    EXPECT_EQ(picture(b), rows({"#####.", "####..", "###...", "##....", "#.....", "......"}));
}

TEST(Primitives, RoundRectHasRoundedCornersAndAClosedOutline) {
    Bitmap b = Bitmap::create(14, 10, kBg);
    Dc dc(b);
    dc.select_brush(Brush::solid(kRed));
    dc.round_rect({0, 0, 14, 10}, 6, 6);
    EXPECT_EQ(b.pixel(0, 0), kBg);  // corner cut away
    EXPECT_EQ(b.pixel(13, 9), kBg);
    EXPECT_EQ(b.pixel(7, 0), RGB(0, 0, 0));  // outline with the pen
    EXPECT_EQ(b.pixel(0, 5), RGB(0, 0, 0));
    EXPECT_EQ(b.pixel(13, 5), RGB(0, 0, 0));
    EXPECT_EQ(b.pixel(7, 9), RGB(0, 0, 0));
    EXPECT_EQ(b.pixel(7, 5), kRed);  // inside with the brush
    // Mirror symmetric both ways.
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 14; ++x) {
            ASSERT_EQ(b.pixel(x, y), b.pixel(13 - x, y)) << x << "," << y;
            ASSERT_EQ(b.pixel(x, y), b.pixel(x, 9 - y)) << x << "," << y;
        }
    // Every brush pixel is enclosed: no brush pixel touches the background.
    for (int y = 1; y < 9; ++y)
        for (int x = 1; x < 13; ++x)
            if (b.pixel(x, y) == kRed) {
                ASSERT_NE(b.pixel(x - 1, y), kBg);
                ASSERT_NE(b.pixel(x + 1, y), kBg);
                ASSERT_NE(b.pixel(x, y - 1), kBg);
                ASSERT_NE(b.pixel(x, y + 1), kBg);
            }
}

TEST(Primitives, PixelsSetAndGetThroughOriginAndClip) {
    Bitmap b = Bitmap::create(10, 10, kBg);
    Dc dc(b, Rect{2, 3, 6, 8});
    EXPECT_EQ(dc.set_pixel({0, 0}, kRed), kRed);
    EXPECT_EQ(b.pixel(2, 3), kRed);
    EXPECT_EQ(dc.get_pixel({0, 0}), kRed);
    EXPECT_EQ(dc.set_pixel({4, 0}, kRed), CLR_INVALID);  // outside the area
    EXPECT_EQ(dc.get_pixel({-1, 0}), CLR_INVALID);
    EXPECT_EQ(b.pixel(6, 3), kBg);
    EXPECT_EQ(dc.clip_box(), (Rect{0, 0, 4, 5}));
}

// Draws every primitive far past the clip and checks nothing outside changed.
TEST(Primitives, ClippingNeverWritesOutsideTheClip) {
    Bitmap b = Bitmap::create(40, 30, kBg);
    Bitmap src = Bitmap::create(50, 50, kRed);
    const Rect area{10, 8, 25, 20};
    Dc dc(b, area);
    dc.intersect_clip({-5, -5, 100, 100});
    dc.select_pen(Pen::solid(24, kRed));
    dc.select_brush(Brush::solid(kRed));
    dc.fill_rect({-100, -100, 100, 100}, kRed);
    dc.move_to({-50, -40});
    dc.line_to({60, 45});
    dc.select_pen(Pen::solid(1, kRed));
    const Point poly[] = {{-30, -30}, {90, 5}, {-10, 70}};
    dc.polygon(poly);
    dc.polyline(poly);
    dc.round_rect({-5, -5, 40, 40}, 12, 12);
    dc.bit_blt(-20, -20, 80, 80, src, 0, 0);
    dc.stretch_blt({-20, -20, 80, 80}, src, {0, 0, 10, 10});
    dc.text_out(-3, -2, u"Clipped text WWWWWWW");
    Rect r{-10, -10, 60, 60};
    dc.draw_text(u"Clipped", r, DT_NOCLIP);
    Icon icon(Bitmap::create(64, 64, kRed), {});
    dc.draw_icon(-10, -10, icon);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            if (!area.contains({x, y})) {
                ASSERT_EQ(b.pixel(x, y), kBg) << x << "," << y;
            }
    EXPECT_EQ(b.pixel(10, 8), kRed);
    EXPECT_EQ(b.pixel(24, 19), kRed);
}

TEST(Transfers, OverlappingCopyWithinOneBitmapEqualsMemmove) {
    struct Case {
        int dx, dy;
    };
    const Case shifts[] = {{0, 1}, {0, -1}, {1, 0}, {-1, 0}, {3, 2}, {-2, -3}, {2, -1}};
    for (const Case& s : shifts) {
        Bitmap b = Bitmap::create(16, 12);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 16; ++x) b.set_pixel(x, y, static_cast<COLORREF>(y * 16 + x));
        Bitmap copy = b.clone();
        Dc dc(b);
        const int sx = 3, sy = 3, w = 8, h = 6;
        dc.bit_blt(sx + s.dx, sy + s.dy, w, h, dc, sx, sy);
        // Reference: the block copied aside, then written back.
        std::vector<uint32_t> block;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) block.push_back(copy.pixel(sx + x, sy + y));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                copy.set_pixel(sx + s.dx + x, sy + s.dy + y, block[y * w + x]);
        ASSERT_EQ(std::memcmp(b.pixels(), copy.pixels(), 16 * 12 * 4), 0) << s.dx << "," << s.dy;
    }
}

TEST(Transfers, WaterfallShiftMovesEveryRowDownByOne) {
    Bitmap b = Bitmap::create(706, 426);
    for (int y = 0; y < 426; ++y) b.row(y)[0] = static_cast<COLORREF>(y);
    Dc dc(b);
    dc.bit_blt(0, 1, 705, 425, dc, 0, 0);
    for (int y = 1; y < 426; ++y) ASSERT_EQ(b.pixel(0, y), static_cast<COLORREF>(y - 1));
}

TEST(Transfers, BlockCopyBetweenContextsHonoursOrigins) {
    Bitmap src = Bitmap::create(10, 10, kBg);
    src.set_pixel(5, 6, kRed);
    Bitmap dst = Bitmap::create(10, 10, 0);
    Dc s(src, Rect{4, 4, 10, 10});
    Dc d(dst, Rect{1, 1, 9, 9});
    d.bit_blt(0, 0, 3, 3, s, 1, 2);  // source (5, 6) lands at dst (1, 1)
    EXPECT_EQ(dst.pixel(1, 1), kRed);
    EXPECT_EQ(dst.pixel(2, 1), kBg);
    EXPECT_EQ(dst.pixel(4, 1), 0u);
    // A source block reaching past the source surface copies only what exists.
    Bitmap small = Bitmap::create(2, 2, kRed);
    Bitmap big = Bitmap::create(6, 6, kBg);
    Dc(big).bit_blt(1, 1, 5, 5, small, 0, 0);
    EXPECT_EQ(picture(big), rows({"......", ".##...", ".##...", "......", "......", "......"}));
}

TEST(Transfers, StretchIsNearestNeighbour) {
    Bitmap src = Bitmap::create(2, 2);
    src.set_pixel(0, 0, 1);
    src.set_pixel(1, 0, 2);
    src.set_pixel(0, 1, 3);
    src.set_pixel(1, 1, 4);
    Bitmap dst = Bitmap::create(4, 6);
    Dc(dst).stretch_blt({0, 0, 4, 6}, src, {0, 0, 2, 2});
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(dst.pixel(x, y), static_cast<COLORREF>(1 + x / 2 + 2 * (y / 3))) << x << y;
    // Shrinking: the legend strip of 212 rows into 106 takes every other row.
    Bitmap strip = Bitmap::create(20, 212);
    for (int y = 0; y < 212; ++y) Dc(strip).fill_rect({0, y, 20, y + 1}, static_cast<COLORREF>(y));
    Bitmap half = Bitmap::create(20, 106);
    Dc(half).stretch_blt({0, 0, 20, 106}, strip, {0, 0, 20, 212});
    for (int y = 0; y < 106; ++y) ASSERT_EQ(half.pixel(7, y), static_cast<COLORREF>(2 * y + 1));
}

TEST(Icons, MaskLeavesTransparentPixels) {
    Bitmap img = Bitmap::create(2, 2, kRed);
    Icon icon(img, {1, 0, 0, 1});
    Bitmap b = Bitmap::create(4, 4, kBg);
    Dc dc(b);
    dc.draw_icon(1, 1, icon);
    EXPECT_EQ(picture(b), rows({"....", ".#..", "..#.", "...."}));
    Bitmap big = Bitmap::create(4, 4, kBg);
    Dc(big).draw_icon(0, 0, icon, 4, 4);
    EXPECT_EQ(picture(big), rows({"##..", "##..", "..##", "..##"}));
}

TEST(Dc, StartsInTheDefaultStateAndSettersReturnThePrevious) {
    Dc dc(Bitmap::create(4, 4));
    EXPECT_EQ(dc.text_color(), RGB(0, 0, 0));
    EXPECT_EQ(dc.bk_color(), RGB(255, 255, 255));
    EXPECT_EQ(dc.bk_mode(), OPAQUE);
    EXPECT_EQ(dc.pen(), Pen::solid(1, RGB(0, 0, 0)));
    EXPECT_EQ(dc.brush(), Brush::solid(RGB(255, 255, 255)));
    EXPECT_EQ(dc.set_bk_mode(TRANSPARENT), OPAQUE);
    EXPECT_EQ(dc.set_bk_mode(7), 0);  // not a mode: refused
    EXPECT_EQ(dc.bk_mode(), TRANSPARENT);
    EXPECT_EQ(dc.set_text_color(kRed), RGB(0, 0, 0));
    EXPECT_EQ(dc.select_pen(Pen::solid(3, kRed)), Pen::solid(1, 0));
    Bitmap other = Bitmap::create(8, 8);
    Bitmap old = dc.select_bitmap(other);
    EXPECT_EQ(old.width(), 4);
    EXPECT_EQ(dc.clip(), (Rect{0, 0, 8, 8}));
}

}  // namespace
}  // namespace plat

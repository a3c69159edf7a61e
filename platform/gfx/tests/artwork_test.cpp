// The program's icons and bitmaps by resource id.
#include <gtest/gtest.h>

#include "platform/gfx/artwork.h"

namespace plat {
namespace {

TEST(Artwork, BitmapsHaveTheSizesTheirUsersCopy) {
    struct Case {
        int id, w, h;
    };
    // The graph copies its background one row past the plot height.
    const Case cases[] = {{210, 706, 426}, {214, 801, 598}, {281, 706, 426}, {283, 32, 32},
                          {239, 556, 228}, {235, 556, 228}, {236, 556, 228}, {237, 556, 228},
                          {266, 11, 529},  {267, 10, 529},  {268, 704, 10},  {269, 704, 10},
                          {270, 685, 39},  {273, 34, 32}};
    for (const Case& c : cases) {
        Bitmap b = load_bitmap(c.id);
        ASSERT_TRUE(b) << c.id;
        EXPECT_EQ(b.size(), (Size{c.w, c.h})) << c.id;
    }
    EXPECT_FALSE(load_bitmap(1));
    // Each load is a fresh bitmap the caller may draw on.
    Bitmap a = load_bitmap(281), b = load_bitmap(281);
    a.set_pixel(0, 0, RGB(1, 1, 1));
    EXPECT_NE(b.pixel(0, 0), RGB(1, 1, 1));
}

TEST(Artwork, GraticuleHasTenDivisionsEachWay) {
    Bitmap g = load_bitmap(210);
    // Count the columns of row 1 that carry a vertical grid line (dotted
    // lines start on row 0, so rows 0, 2, 4 ... are lit).
    int lines = 0;
    for (int x = 1; x < 704; ++x) lines += g.pixel(x, 2) != RGB(0, 0, 0);
    EXPECT_EQ(lines, 9);
}

TEST(Artwork, MarkerFlagsPointAtTheirPoint) {
    struct Case {
        int id;
        Point tip;
    };
    const Case cases[] = {{187, {8, 15}},  {192, {8, 15}}, {181, {8, 0}},  {217, {8, 0}},
                          {219, {8, 0}},   {218, {8, 15}}, {228, {8, 15}}, {241, {0, 15}},
                          {264, {15, 15}}, {262, {0, 15}}, {243, {15, 15}}};
    for (const Case& c : cases) {
        Icon icon = load_icon(c.id);
        ASSERT_TRUE(icon) << c.id;
        EXPECT_EQ(icon.width(), 16);
        EXPECT_EQ(icon.height(), 16);
        EXPECT_TRUE(icon.opaque_at(c.tip.x, c.tip.y)) << c.id;
    }
    // Standard flags leave the corners below the pennant transparent.
    EXPECT_FALSE(load_icon(187).opaque_at(0, 15));
    // The current flag differs in colour from the plain one.
    EXPECT_NE(load_icon(187).image().pixel(3, 3), load_icon(218).image().pixel(3, 3));
    // All 48 flag ids exist.
    int found = 0;
    for (int id = 181; id <= 264; ++id) found += static_cast<bool>(load_icon(id));
    EXPECT_EQ(found, 48);
}

TEST(Artwork, StatusIconsExistAtSystemSize) {
    for (int id : {130, 131, 132, 134, 170, 284, 285}) {
        Icon icon = load_icon(id);
        ASSERT_TRUE(icon) << id;
        EXPECT_EQ(icon.width(), SYSTEM_ICON_SIZE);
        EXPECT_FALSE(icon.opaque_at(0, 0)) << id;
    }
    EXPECT_TRUE(load_icon(308));
    EXPECT_TRUE(load_icon(309));
    EXPECT_FALSE(load_icon(999));
}

}  // namespace
}  // namespace plat

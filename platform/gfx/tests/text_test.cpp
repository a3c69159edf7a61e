#include <gtest/gtest.h>

#include "platform/gfx/dc.h"

namespace plat {
namespace {

int count_not(const Bitmap& b, COLORREF c) {
    int n = 0;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) n += b.pixel(x, y) != c;
    return n;
}

TEST(Text, DrawsGlyphsInTheDefaultState) {
    Bitmap b = Bitmap::create(200, 40, RGB(255, 255, 255));
    Dc dc(b);
    dc.text_out(2, 2, u"Hello");
    EXPECT_GT(count_not(b, RGB(255, 255, 255)), 20);
}

}  // namespace
}  // namespace plat

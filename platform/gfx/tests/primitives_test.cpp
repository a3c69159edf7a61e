#include <gtest/gtest.h>

#include "platform/gfx/dc.h"

namespace plat {
namespace {

TEST(Primitives, FillRectCoversExactlyItsPixels) {
    Bitmap b = Bitmap::create(8, 8, RGB(1, 2, 3));
    Dc dc(b);
    dc.fill_rect({2, 3, 5, 6}, RGB(255, 0, 0));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(b.pixel(x, y),
                      (x >= 2 && x < 5 && y >= 3 && y < 6) ? RGB(255, 0, 0) : RGB(1, 2, 3))
                << x << "," << y;
}

}  // namespace
}  // namespace plat

// Drawing on one surface from several threads, as the measurement worker
// and the user-interface thread do on the screen.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/gfx/dc.h"

namespace plat {
namespace {

TEST(Threads, ContextsOnOneSurfaceDrawConcurrently) {
    Bitmap screen = Bitmap::create(SCREEN_WIDTH, SCREEN_HEIGHT);
    Bitmap waterfall = Bitmap::create(706, 426);
    std::thread worker([&] {
        Dc img(waterfall);
        Dc dc(screen, Rect{60, 40, 765, 465});
        for (int i = 0; i < 200; ++i) {
            img.bit_blt(0, 1, 705, 425, img, 0, 0);
            for (int x = 0; x < 705; ++x) img.set_pixel({x, 0}, RGB(i, x, 0));
            dc.bit_blt(0, 0, 705, 425, img, 0, 0);
        }
    });
    std::thread ui([&] {
        Dc dc(screen);
        // Each thread makes its own fonts: the font cache is shared.
        dc.select_font(Font::create_point(100 + 0, u"Tahoma"));
        for (int i = 0; i < 200; ++i) {
            dc.fill_rect({0, 0, 800, 30}, RGB(0, 0, 128));
            Rect r{0, 0, 800, 30};
            dc.draw_text(u"Title " + std::u16string(1, char16_t(u'A' + i % 26)), r,
                         DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            dc.polyline(std::vector<Point>{{0, 500}, {799, 599 - i % 100}});
        }
    });
    std::thread fonts([] {
        for (int i = 0; i < 50; ++i) {
            Font f = Font::create_point(90 + 10 * (i % 8), i % 2 ? u"SC_Song" : u"Tahoma");
            EXPECT_GT(f.text_extent(u"Ab频").cx, 0);
        }
    });
    worker.join();
    ui.join();
    fonts.join();
    // The last frame of the waterfall reached the screen intact.
    EXPECT_EQ(screen.pixel(60 + 10, 40), RGB(199, 10, 0));
}

}  // namespace
}  // namespace plat

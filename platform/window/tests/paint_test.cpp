// Painting on the shared screen: erasing by class background, clipping to
// what windows above leave visible, and one paint per update.
#include "platform/window/paint.h"

#include <gtest/gtest.h>

#include "platform/window/message_loop.h"

namespace plat {
namespace {

void drain() {
    Message m;
    while (peek_ui_message(m, true)) dispatch_message(m);
}

// Fills its client area with one colour on every paint.
class Filler : public Window {
  public:
    COLORREF color = RGB(255, 0, 0);
    int paints = 0;
    intptr_t window_proc(uint32_t msg, uintptr_t wp, intptr_t lp) override {
        if (msg == WM_PAINT) {
            ++paints;
            PaintDc dc(this);
            dc->fill_rect(client_rect(), color);
            return 0;
        }
        return default_proc(msg, wp, lp);
    }
};

CreateParams params(const char* cls, Rect r) {
    CreateParams p;
    p.class_name = cls;
    p.style = WS_VISIBLE;
    p.rect = r;
    return p;
}

TEST(Paint, DrawingStopsAtWindowsAbove) {
    Filler below, above;
    below.color = RGB(10, 20, 30);
    above.color = RGB(200, 100, 0);
    ASSERT_TRUE(below.create(params("PaintTest", {0, 0, 800, 600})));
    ASSERT_TRUE(above.create(params("PaintTest", {200, 100, 600, 400})));
    drain();
    EXPECT_EQ(below.paints, 1);
    EXPECT_EQ(above.paints, 1);
    // The lower window paints again: the dialog above keeps its pixels.
    below.color = RGB(0, 255, 0);
    below.invalidate();
    drain();
    const Bitmap s = screen_surface();
    EXPECT_EQ(s.pixel(10, 10), RGB(0, 255, 0));
    EXPECT_EQ(s.pixel(700, 500), RGB(0, 255, 0));
    EXPECT_EQ(s.pixel(300, 200), RGB(200, 100, 0));
    EXPECT_EQ(s.pixel(599, 399), RGB(200, 100, 0));
    EXPECT_EQ(s.pixel(600, 399), RGB(0, 255, 0));
    // Closing the dialog repaints what it covered.
    above.destroy();
    drain();
    EXPECT_EQ(s.pixel(300, 200), RGB(0, 255, 0));
}

TEST(Paint, EraseUsesTheClassBackgroundOnly) {
    register_window_class({"WithBrush", 0, RGB(1, 2, 3)});
    register_window_class({"NoBrush", 0, std::nullopt});
    Window with, without;
    ASSERT_TRUE(with.create(params("WithBrush", {0, 0, 100, 100})));
    drain();
    EXPECT_EQ(screen_surface().pixel(50, 50), RGB(1, 2, 3));
    with.destroy();
    drain();
    ASSERT_TRUE(without.create(params("NoBrush", {0, 0, 100, 100})));
    {
        WindowDc dc(&without);
        dc->fill_rect({0, 0, 100, 100}, RGB(9, 9, 9));
    }
    without.invalidate(nullptr, true);
    drain();
    EXPECT_EQ(screen_surface().pixel(50, 50), RGB(9, 9, 9))
        << "no brush: erasing leaves the pixels";
}

}  // namespace
}  // namespace plat

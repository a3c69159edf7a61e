// Painting on the shared screen: erasing by class background, clipping to
// what windows above leave visible, and one paint per update.
#include "platform/window/paint.h"

#include <gtest/gtest.h>

#include "platform/gfx/font.h"
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

namespace plat {
namespace {

// Paints a pattern that changes with every paint, so that a repaint of what
// a popup covered could never give the old pixels back.
class Pattern : public Window {
  public:
    int paints = 0;
    intptr_t window_proc(uint32_t msg, uintptr_t wp, intptr_t lp) override {
        if (msg == WM_PAINT) {
            ++paints;
            PaintDc dc(this);
            for (int y = 0; y < client_rect().height(); y += 10)
                dc->fill_rect({0, y, client_rect().width(), y + 10},
                              RGB(y % 256, (y * 3 + paints * 40) % 256, 77));
            return 0;
        }
        return default_proc(msg, wp, lp);
    }
};

class SaveUnder : public ::testing::Test {
  protected:
    void SetUp() override {
        register_window_class({"SavesBits", CS_SAVEBITS, RGB(250, 250, 0)});
        register_window_class({"PatternTest", 0, std::nullopt});
        ASSERT_TRUE(below.create(params("PatternTest", {0, 0, 800, 600})));
        drain();
        before = screen_snapshot();
    }
    void expect_screen_as_before() {
        drain();
        const Bitmap now = screen_snapshot();
        int differing = 0;
        for (int y = 0; y < kScreenHeight; ++y)
            for (int x = 0; x < kScreenWidth; ++x)
                differing += now.pixel(x, y) != before.pixel(x, y);
        EXPECT_EQ(differing, 0);
    }
    Pattern below;
    Bitmap before;
};

TEST_F(SaveUnder, HidingOrDestroyingPutsTheScreenBackWithoutRepaint) {
    Window popup;
    ASSERT_TRUE(popup.create(params("SavesBits", {100, 100, 400, 300})));
    drain();
    EXPECT_EQ(screen_surface().pixel(200, 200), RGB(250, 250, 0));
    popup.show(SW_HIDE);
    expect_screen_as_before();
    popup.show(SW_SHOW);
    drain();
    popup.destroy();
    expect_screen_as_before();
    EXPECT_EQ(below.paints, 1);
}

TEST_F(SaveUnder, OverlappingPopupsCloseInAnyOrder) {
    Window first, second;
    ASSERT_TRUE(first.create(params("SavesBits", {100, 100, 400, 300})));
    drain();
    ASSERT_TRUE(second.create(params("SavesBits", {300, 200, 600, 500})));
    drain();
    first.destroy();  // the lower one goes first: the upper keeps its pixels
    drain();
    EXPECT_EQ(screen_surface().pixel(350, 250), RGB(250, 250, 0));
    second.destroy();
    expect_screen_as_before();
}

TEST_F(SaveUnder, DrawingBelowMakesTheWindowBelowRepaint) {
    Window popup;
    ASSERT_TRUE(popup.create(params("SavesBits", {100, 100, 400, 300})));
    drain();
    below.invalidate();
    drain();  // paints around the popup; the copy under it is now stale
    EXPECT_EQ(below.paints, 2);
    popup.destroy();
    drain();
    EXPECT_EQ(below.paints, 3);
    EXPECT_EQ(screen_surface().pixel(200, 200), RGB(200, (200 * 3 + 3 * 40) % 256, 77));
}

// What a back end learns of a change: every pixel that changed lies in the
// areas the screen reports, and the areas stay near what was drawn, with the
// drawing window in pieces around a popup and without.
TEST_F(SaveUnder, TheReportedAreasHoldEveryChangedPixel) {
    auto differing_outside = [](const Bitmap& was, const std::vector<Rect>& areas) {
        const Bitmap now = screen_snapshot();
        int outside = 0;
        for (int y = 0; y < kScreenHeight; ++y)
            for (int x = 0; x < kScreenWidth; ++x) {
                if (now.pixel(x, y) == was.pixel(x, y)) continue;
                bool in = false;
                for (const Rect& r : areas) in = in || r.contains({x, y});
                outside += in ? 0 : 1;
            }
        return outside;
    };
    auto area_of = [](const std::vector<Rect>& areas) {
        int64_t n = 0;
        for (const Rect& r : areas) n += int64_t{r.width()} * r.height();
        return n;
    };
    Window popup;
    for (const bool with_popup : {false, true}) {
        if (with_popup) {
            ASSERT_TRUE(popup.create(params("SavesBits", {300, 200, 500, 350})));
        }
        drain();
        take_screen_damage();
        const Bitmap was = screen_snapshot();
        // Each piece drawn through a context of its own, as widgets draw:
        // a context reports the rectangle around what it drew.
        {
            WindowDc dc(&below);
            dc->set_text_color(RGB(255, 255, 255));
            dc->select_font(Font::create_point(160, u"Tahoma"));
            dc->text_out(40, 40, u"Reference Level gÅ");
        }
        {
            WindowDc dc(&below);
            Pen pen;
            pen.width = 5;
            pen.color = RGB(0, 0, 255);
            dc->select_pen(pen);
            const Point line[] = {{250, 150}, {550, 420}, {600, 180}};
            dc->polyline(line);
        }
        {
            WindowDc dc(&below);
            dc->set_pixel({790, 590}, RGB(1, 2, 3));
        }
        {
            WindowDc dc(&below);
            dc->bit_blt(10, 500, 60, 40, was, 700, 20);
        }
        const std::vector<Rect> areas = take_screen_damage();
        EXPECT_EQ(differing_outside(was, areas), 0) << "popup " << with_popup;
        EXPECT_LT(area_of(areas), int64_t{kScreenWidth} * kScreenHeight / 3)
            << "popup " << with_popup;
    }
    // The pixels given back under a closing popup are reported too.
    take_screen_damage();
    const Bitmap was = screen_snapshot();
    popup.destroy();
    const std::vector<Rect> areas = take_screen_damage();
    EXPECT_EQ(differing_outside(was, areas), 0);
    EXPECT_LE(area_of(areas), 200 * 150);
}

}  // namespace
}  // namespace plat

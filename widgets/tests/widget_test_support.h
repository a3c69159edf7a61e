#pragma once
// A bare window over the whole screen without background (like the main
// view) for widgets to draw into, and pixel helpers: poison the screen, then
// see which pixels an operation painted.
#include <gtest/gtest.h>

#include <memory>

#include "platform/window/message_loop.h"
#include "platform/window/paint.h"
#include "platform/window/window.h"
#include "widgets/color_scheme.h"

namespace widget_test {

// A colour no scheme holds.
inline constexpr COLORREF kPoison = plat::RGB(0x12, 0x34, 0x56);

class BareView : public plat::Window {};

class ViewFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        plat::register_window_class({"WidgetTestView", 0, std::nullopt});
        plat::CreateParams p;
        p.class_name = "WidgetTestView";
        p.style = plat::WS_VISIBLE;
        p.rect = {0, 0, plat::kScreenWidth, plat::kScreenHeight};
        ASSERT_TRUE(view.create(p));
        Drain();
        scheme = CreateColorScheme(1);
    }
    void TearDown() override {
        view.destroy();
        Drain();
    }
    static void Drain() {
        plat::Message m;
        while (plat::peek_ui_message(m, true)) plat::dispatch_message(m);
    }
    // Fills the whole screen with kPoison.
    static void Poison() {
        plat::Bitmap s = plat::screen_surface();
        auto lock = s.lock();
        s.fill(kPoison);
    }
    static COLORREF Pixel(int x, int y) { return plat::screen_surface().pixel(x, y); }
    // The bounding box of the pixels that are no longer kPoison (empty when
    // nothing was painted).
    static plat::Rect Painted() {
        const plat::Bitmap s = plat::screen_snapshot();
        plat::Rect box{};
        for (int y = 0; y < s.height(); ++y)
            for (int x = 0; x < s.width(); ++x)
                if (s.pixel(x, y) != kPoison) box = box.unite({x, y, x + 1, y + 1});
        return box;
    }
    static bool AnyPixel(const plat::Rect& r, COLORREF c) {
        const plat::Bitmap s = plat::screen_snapshot();
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (s.pixel(x, y) == c) return true;
        return false;
    }
    COLORREF Color(int index) const { return scheme->GetColor(index); }

    BareView view;
    std::unique_ptr<CColorScheme> scheme;
};

}  // namespace widget_test

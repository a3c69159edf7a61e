#pragma once
// Shared by the dialog tests: a main view that paints a pattern over the
// whole screen and carries the screen's soft-key and menu-key bars, the
// dialog services over it, a message loop on the test thread with the
// application's pre-translation, virtual time, and a driver thread that
// plays the user while a modal dialog runs.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "dialogs/dialog_services.h"
#include "platform/framework/dialog.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/sync.h"
#include "platform/kernel/thread.h"
#include "platform/sound/sound.h"
#include "widgets/color_scheme.h"
#include "widgets/readout_box.h"
#include "widgets/soft_key_menu.h"

namespace dialog_test {

using plat::COLORREF;
using plat::Point;
using plat::Rect;

// Stripes that no dialog draws.
inline COLORREF ViewPattern(int x, int y) {
    return plat::RGB((x / 7) * 13 % 256, (y / 5) * 29 % 256, 90);
}

class View : public plat::CWnd {
  public:
    int paints = 0;

  protected:
    void OnPaint() override {
        ++paints;
        plat::CPaintDC pdc(this);
        const Rect r = pdc.paint_rect();
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) pdc->set_pixel({x, y}, ViewPattern(x, y));
    }
};

class FakeServices : public IDialogServices {
  public:
    std::unique_ptr<CColorScheme> scheme = CreateColorScheme(0);
    CColorScheme* holder = nullptr;
    CSoftKeyMenu keys;
    CPanelWidget menu;
    bool with_bars = true;
    plat::CWnd* view = nullptr;

    std::u16string GetFontFace() const override { return u"Tahoma"; }
    uint32_t GetSmallFontWeight() const override { return 100; }
    uint32_t GetLargeFontHeight() const override { return 120; }
    plat::CWnd* GetMainView() const override { return view; }
    CSoftKeyMenu* GetSoftKeyBar() const override {
        return with_bars ? const_cast<CSoftKeyMenu*>(&keys) : nullptr;
    }
    CPanelWidget* GetMenuKeyBar() const override {
        return with_bars ? const_cast<CPanelWidget*>(&menu) : nullptr;
    }
    bool QueryLinkValue(Point, uint32_t* key) const override {
        if (key) *key = 0;
        return false;
    }
    CColorScheme* const* GetColorSchemeHolder() const override { return &holder; }
};

// Soft key i and menu key i of the fake screen, in screen coordinates.
inline Point SoftKeyCentre(int i) {
    return {750, 34 + 67 * i + 31};
}
inline Point MenuKeyCentre(int i) {
    return {60 + 115 * i, 580};
}

class DialogFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        plat::register_window_class({"DialogTestView", 0, std::nullopt});
        ui_thread = plat::current_thread_id();
        plat::set_input_thread(ui_thread);
        plat::set_message_filter(PreTranslate);
        ASSERT_TRUE(view.Create("DialogTestView", u"", plat::WS_POPUP | plat::WS_VISIBLE,
                                {0, 0, plat::kScreenWidth, plat::kScreenHeight}, nullptr, 0));
        services.holder = services.scheme.get();
        services.view = &view;
        services.keys.Create(&view, 705, 30, 800, 566, 1, 100, services.scheme.get());
        services.menu.Create(&view, 0, 563, 705, 600, 1, 100, services.scheme.get());
        IDialogServices::set_current(&services);
        drain();
        services.keys.Redraw();
        services.menu.Redraw();
        view.SetFocus();
        plat::clear_played_sounds();
    }
    void TearDown() override {
        drain();
        IDialogServices::set_current(nullptr);
        view.DestroyWindow();
        plat::set_message_filter(nullptr);
    }

  public:
    // The application's pre-translation: the target window, then its
    // ancestors.
    static bool PreTranslate(const plat::Message& m) {
        for (plat::Window* w = static_cast<plat::Window*>(m.window); w && plat::is_window(w);
             w = w->parent()) {
            if (auto* c = plat::CWnd::FromHandle(w); c && c->PreTranslateMessage(m)) return true;
        }
        return false;
    }
    // Handles one message if there is one (input for another thread's
    // window passes on to that thread); false when there was none.
    static bool PumpOne() {
        plat::Message m;
        if (!plat::peek_ui_message(m, true)) return false;
        if (!PreTranslate(m)) {
            plat::translate_message(m);
            plat::dispatch_message(m);
        }
        return true;
    }
    static void drain() {
        while (PumpOne()) {
        }
    }

  protected:
    // Runs `user` on a second thread once `opened` is set and the UI thread
    // has painted; `modal` runs meanwhile on this thread.
    intptr_t RunDriven(const plat::Event& opened, const std::function<intptr_t()>& modal,
                       std::function<void()> user) {
        const uint32_t tid = ui_thread;
        plat::Thread driver = plat::Thread::start([opened, user, tid] {
            opened.wait(plat::INFINITE);
            plat::wait_ui_idle(tid, plat::INFINITE);
            user();
            return 0u;
        });
        const intptr_t r = modal();
        driver.join();
        return r;
    }
    // Waits until the UI thread has handled what was posted so far.
    void Settle() const { plat::wait_ui_idle(ui_thread, plat::INFINITE); }
    static void Press(uint32_t vk) {
        plat::post_key_input(vk, true);
        plat::post_key_input(vk, false);
    }
    static void Tap(Point p) {
        plat::post_mouse_input(plat::WM_LBUTTONDOWN, p);
        plat::post_mouse_input(plat::WM_LBUTTONUP, p);
    }
    // The number of pixels that differ from `before`.
    static int Differing(const plat::Bitmap& before) {
        const plat::Bitmap now = plat::screen_snapshot();
        int n = 0;
        for (int y = 0; y < plat::kScreenHeight; ++y)
            for (int x = 0; x < plat::kScreenWidth; ++x) n += now.pixel(x, y) != before.pixel(x, y);
        return n;
    }

    plat::VirtualClock clock;
    uint32_t ui_thread = 0;
    View view;
    FakeServices services;
};

}  // namespace dialog_test

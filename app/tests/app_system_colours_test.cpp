// The colour scheme changed while the program runs: once WM_COMMAND 32804
// arrives, the mode selection and the tools screens, each with its popup,
// are drawn in the new scheme. Each area's fill is the colour most of its
// pixels have, compared with the scheme tables' entries for that area.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "app/tests/system_screens_support.h"
#include "core/app_commands.h"
#include "platform/gfx/bitmap.h"
#include "platform/window/paint.h"
#include "platform/window/window.h"

using namespace system_screens;

namespace {

// The entries of a scheme (0x00BBGGRR) that the areas below fill with:
// 1 panes and dialogs, 5 soft keys, 2 menu-key captions, 43 the lit (selected)
// menu key, 10 list boxes.
struct Fills {
    COLORREF pane, softKey, menuKey, menuKeyLit, listBox;
};
constexpr Fills kWhiteDisplay{0xFFFFFF, 0xFFFFD2, 0x00DCFF, 0xC0C0C0, 0xC0C0C0};
constexpr Fills kDarkDisplay{0x008000, 0xFF8000, 0x008080, 0x767600, 0xFFFFFF};

// The panes of every screen (screen coordinates).
constexpr plat::Rect kTitle{0, 0, 800, 30}, kBanner{0, 30, 705, 90}, kReadout{0, 455, 705, 563};

// The colour most pixels of `area` have, leaving out the rectangles of
// `skip`.
COLORREF Fill(const plat::Bitmap& shot, const plat::Rect& area,
              const std::vector<plat::Rect>& skip = {}) {
    std::map<COLORREF, int> count;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            bool skipped = false;
            for (const plat::Rect& r : skip) skipped = skipped || r.contains({x, y});
            if (!skipped) ++count[shot.pixel(x, y)];
        }
    COLORREF best = 0;
    int most = -1;
    for (const auto& [colour, n] : count)
        if (n > most) {
            best = colour;
            most = n;
        }
    return best;
}

std::string Hex(COLORREF c) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%06X", static_cast<unsigned>(c));
    return text;
}

// What one screen and its popup are filled with.
struct Seen {
    std::map<std::string, COLORREF> fills;
    void Expect(const std::string& area, COLORREF colour, const std::string& where) const {
        auto it = fills.find(area);
        ASSERT_NE(it, fills.end()) << where << ": " << area << " not sampled";
        EXPECT_EQ(Hex(it->second), Hex(colour)) << where << ": " << area;
    }
};

// Samples the panes, a soft key, the menu keys and the popup's background
// (the dialog without its controls) and its list boxes.
Seen Sample(CModeBase& screen, plat::Window* popup, int litMenuKey, int plainMenuKey) {
    const plat::Bitmap shot = plat::screen_snapshot();
    Seen seen;
    seen.fills["title"] = Fill(shot, kTitle);
    seen.fills["draw panel"] = Fill(shot, kBanner);
    seen.fills["readout panel"] = Fill(shot, kReadout);
    seen.fills["soft key"] = Fill(shot, screen.soft_key_menu()->Key(1)->GetRect());
    seen.fills["menu key"] = Fill(shot, screen.menu_key_panel()->Box(plainMenuKey)->GetRect());
    seen.fills["lit menu key"] = Fill(shot, screen.menu_key_panel()->Box(litMenuKey)->GetRect());
    if (!popup) return seen;
    std::vector<plat::Rect> controls;
    plat::Rect list{};
    for (plat::Window* child : popup->children()) {
        if (!child->is_visible()) continue;
        controls.push_back(child->screen_rect());
        if (child->class_name() == "LISTBOX" && list.width() == 0) list = child->screen_rect();
    }
    seen.fills["popup"] = Fill(shot, popup->screen_rect(), controls);
    if (list.width() > 0) seen.fills["list box"] = Fill(shot, list.inflate(-2, -2));
    return seen;
}

void ExpectFills(const Seen& seen, const Fills& f, bool lists, const std::string& where) {
    seen.Expect("title", f.pane, where);
    seen.Expect("draw panel", f.pane, where);
    seen.Expect("readout panel", f.pane, where);
    seen.Expect("soft key", f.softKey, where);
    seen.Expect("menu key", f.menuKey, where);
    seen.Expect("lit menu key", f.menuKeyLit, where);
    seen.Expect("popup", f.pane, where);
    if (lists) seen.Expect("list box", f.listBox, where);
}

TEST_F(SystemScreens, ASchemeChangeRedrawsBothScreensAndTheirPopupsInItsColours) {
    std::vector<std::string> done;
    auto change_scheme = [&](uint32_t number) {
        app.SetColorSchemeNumber(number);
        app.GetMainFrame()->PostMessage(plat::WM_COMMAND, kCmdColorScheme, 0);
    };
    // The mode selection: its list dialog, menu key 1 lit (the network
    // analyzer's list, focused at the first start), menu key 4 blank.
    auto mode_select = [&] {
        CModeSelectMode* screen = ModeSelect();
        EXPECT_EQ(Current(), screen);
        return Sample(*screen, screen->GetModeDialog(), 0, 3);
    };
    // The tools: the system box, menu key 1 lit.
    auto tools = [&] {
        CToolsMode* screen = Tools();
        EXPECT_EQ(Current(), screen);
        return Sample(*screen, screen->GetPopup(), 0, 2);
    };
    Probe(21, [&] {
        ASSERT_EQ(app.GetColorSchemeNumber(), 1u);
        ExpectFills(mode_select(), kWhiteDisplay, true, "mode selection, scheme 1");
        change_scheme(3);
        done.push_back("mode selection 1");
    });
    Probe(22, [&] {
        ExpectFills(mode_select(), kDarkDisplay, true, "mode selection, scheme 3");
        change_scheme(1);
        done.push_back("mode selection 3");
    });
    Probe(23, [&] {
        ExpectFills(tools(), kWhiteDisplay, false, "tools, scheme 1");
        change_scheme(3);
        done.push_back("tools 1");
    });
    Probe(24, [&] {
        ExpectFills(tools(), kDarkDisplay, false, "tools, scheme 3");
        done.push_back("tools 3");
    });
    ASSERT_EQ(Run("wait 1500\nkey F21\nwait 300\nkey F22\nwait 300\n"
                  "key F17\nwait 300\nkey F23\nwait 300\nkey F24\nquit\n"),
              0);
    EXPECT_EQ(done, (std::vector<std::string>{"mode selection 1", "mode selection 3", "tools 1",
                                              "tools 3"}));
}

}  // namespace

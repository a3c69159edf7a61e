// The tools screen in the real program: its pages and boxes, the backlight
// read back from the board I/O device, and leaving the program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/tests/system_screens_support.h"
#include "core/res_string.h"
#include "dialogs/about_gps_dlg.h"
#include "dialogs/progress_dlg.h"
#include "dialogs/system_info_dlg.h"
#include "platform/framework/progress.h"
#include "platform/gfx/dc.h"
#include "platform/text/utf.h"
#include "platform/window/paint.h"

using namespace system_screens;

namespace {

constexpr uint32_t kToolsLabels[] = {64175, 64177, 64176, 64178, 142, 1101, 1100, 895};

void ExpectToolsPage(CToolsMode& tools, const std::string& where) {
    EXPECT_EQ(tools.page(), CToolsMode::kToolsPage) << where;
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(SoftKeyText(tools, k), LoadResString(kToolsLabels[k]))
            << where << ", key " << k + 1;
}

TEST_F(SystemScreens, ToolsPagesBoxesAndDialogsComeAndGoByTheirKeys) {
    std::vector<std::string> seen;
    auto expect_system_box = [&](const std::string& where) {
        CToolsMode* tools = Tools();
        ASSERT_EQ(Current(), tools) << where;
        ExpectToolsPage(*tools, where);
        EXPECT_EQ(tools->GetPopupId(), CToolsMode::kSystemBox) << where;
        EXPECT_NE(dynamic_cast<CSystemInfoDlg*>(tools->GetPopup()), nullptr) << where;
        EXPECT_TRUE(MenuKeyLit(*tools, 0)) << where;
        seen.push_back(where);
    };
    Probe(21, [&] { expect_system_box("menu key 5 on the mode selection"); });
    Probe(22, [&] {
        CToolsMode* tools = Tools();
        ASSERT_EQ(Current(), tools);
        EXPECT_EQ(tools->page(), CToolsMode::kGpsPage);
        EXPECT_EQ(tools->GetPopupId(), CToolsMode::kGpsBox);
        EXPECT_NE(dynamic_cast<CAboutGpsDlg*>(tools->GetPopup()), nullptr);
        EXPECT_TRUE(MenuKeyLit(*tools, 1));
        for (int k = 2; k < 8; ++k) EXPECT_EQ(SoftKeyText(*tools, k), LoadResString(184));
        seen.push_back("gps");
    });
    Probe(23, [&] { expect_system_box("Escape on the GPS page"); });
    Probe(24, [&] {
        ASSERT_NE(Current(), nullptr);
        EXPECT_EQ(Current()->GetModeId(), kScreenModeSelect);
        seen.push_back("back");
    });
    ASSERT_EQ(Run("wait 1500\nkey F17\nwait 200\nkey F21\n"
                  "key F14\nwait 200\nkey F22\n"
                  "key ESCAPE\nwait 200\nkey F23\n"
                  // The help texts and the clock's dialog, each closed again.
                  "key F1\nwait 200\nkey F8\nwait 200\nkey F23\n"
                  "key F2\nwait 200\nkey F8\nwait 200\nkey F23\n"
                  "key F3\nwait 200\nkey F8\nwait 200\nkey F23\n"
                  "key F4\nwait 200\nkey F8\nwait 200\nkey F23\n"
                  "key F5\nwait 200\nkey F8\nwait 200\nkey F23\n"
                  // Exit? No, answered with Escape: the release stays with the box.
                  "key F8\nwait 200\nkey ESCAPE\nwait 200\nkey F23\n"
                  "key ESCAPE\nwait 200\nkey F24\nquit\n"),
              0);
    EXPECT_EQ(seen.size(), 10u);
}

// The backlight page changes the board I/O device's backlight; every value
// is read back from "BIO1:".
TEST_F(SystemScreens, TheBacklightPageSetsTheBoardsBacklight) {
    struct State {
        uint32_t automatic;
        int level, custom, gain;
    };
    std::vector<State> states;
    std::vector<std::string> labels;
    Probe(21, [&] {
        states.push_back({app.IoControl(), app.GetBacklightSetting(false),
                          app.GetBacklightSetting(true), app.GetSensorGain()});
        CToolsMode* tools = Tools();
        labels.push_back(Utf8(SoftKeyText(*tools, 4)) + "|" + Utf8(SoftKeyText(*tools, 5)));
    });
    const std::string probe = "wait 100\nkey F21\n";
    std::string script = "wait 1500\nkey F17\nkey F7\n";
    for (const char* step : {"key F1", "key F1", "key F2", "key F3", "key F4", "key F5", "key LEFT",
                             "key DOWN", "key UP\nkey UP\nkey UP", "wheel 1", "key RIGHT", "key UP",
                             "key F6", "key LEFT", "wheel 3", "key RIGHT", "key UP"})
        script += std::string(step) + "\n" + probe;
    ASSERT_EQ(Run(script + "quit\n"), 0);
    const std::vector<State> expected = {
        {1, -1, -1, -1},  // automatic on
        {0, 2, -1, -1},   // key 1 again: manual high
        {0, 2, -1, -1},    {0, 1, -1, -1},    {0, 0, -1, -1},   {0, 3, -1, -1},  // custom
        {0, 3, 0, -1},     {0, 3, 0, -1},     {0, 3, 30, -1},   {0, 3, 40, -1},
        {0, 3, 100, -1},   {0, 3, 100, -1},   {0, 3, 100, -1},  // sensor gain selected
        {0, 3, 100, -250}, {0, 3, 100, -247}, {0, 3, 100, 250}, {0, 3, 100, 250},
    };
    ASSERT_EQ(states.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const State& e = expected[i];
        const State& s = states[i];
        EXPECT_EQ(s.automatic, e.automatic) << "step " << i + 1;
        if (e.level >= 0) {
            EXPECT_EQ(s.level, e.level) << "step " << i + 1;
        }
        if (e.custom >= 0) {
            EXPECT_EQ(s.custom, e.custom) << "step " << i + 1;
        }
        if (e.gain != -1) {
            EXPECT_EQ(s.gain, e.gain) << "step " << i + 1;
        }
        const std::string custom = std::to_string(s.custom) + "%";
        const std::string gain = std::to_string(s.gain);
        EXPECT_NE(labels[i].find(custom), std::string::npos) << labels[i];
        EXPECT_NE(labels[i].find(gain, labels[i].find('|')), std::string::npos) << labels[i];
    }
}

// Exit, Yes: the program ends and "mode.txt" names the screen the tools
// were entered from; the next start opens on it.
TEST_F(SystemScreens, ExitFromTheToolsEndsTheProgramWithTheScreenItCameFrom) {
    ASSERT_EQ(Run("wait 1500\nkey F17\nwait 200\nkey F8\nwait 200\nkey RETURN\nwait 2000\n"), 0);
    EXPECT_EQ(root.Read("FlashFX Disk/System/mode.txt"), "0");
    EXPECT_NE(root.Read("FlashFX Disk/HistoryLog.txt").find("*********** history"),
              std::string::npos);
}

}  // namespace

// The screen's own progress window and popup: a progress window shows its
// text and a bar filled in proportion, a second one replaces the first, and
// closing it gives back the pixels it covered; closing the popup ends the
// box's window.
TEST_F(SystemScreens, TheProgressWindowAndThePopupComeAndGo) {
    struct Opened {
        plat::Rect area;  // screen rectangle of the progress window
        plat::Bitmap under;
    } opened;
    std::vector<std::string> seen;
    auto bar_fill = [](CProgressDlg& dlg) {
        const plat::Bitmap s = plat::screen_snapshot();
        plat::CProgressCtrl& bar = dlg.GetBar();
        const plat::Rect inside = bar.BarInside();
        const plat::Point o = bar.client_origin();
        int n = 0;
        for (int x = inside.left; x < inside.right; ++x)
            n += s.pixel(o.x + x, o.y + inside.top + inside.height() / 2) == plat::kProgressFill;
        return static_cast<double>(n) / inside.width();
    };
    Probe(21, [&] {
        CToolsMode* tools = Tools();
        ASSERT_EQ(Current(), tools);
        CListDlg* box = tools->GetPopup();
        ASSERT_TRUE(plat::is_window(box));
        EXPECT_EQ(tools->ClosePopup(), 1);
        EXPECT_FALSE(plat::is_window(box)) << "the box's window ends with the popup";
        EXPECT_EQ(tools->GetPopup(), nullptr);
        EXPECT_EQ(tools->GetPopupId(), 0);
        EXPECT_EQ(tools->ClosePopup(), 1) << "closing again finds nothing to close";
        seen.push_back("popup closed");
    });
    Probe(22, [&] {
        CToolsMode* tools = Tools();
        const plat::Bitmap before = plat::screen_snapshot();
        tools->OpenProgress(0, 10, u"first");
        ASSERT_NE(tools->progress_window(), nullptr);
        tools->OpenProgress(50, 200, u"Copying files...");
        CProgressDlg* dlg = tools->progress_window();
        ASSERT_NE(dlg, nullptr);
        int shown = 0;
        for (plat::Window* w : plat::top_level_windows())
            shown += dynamic_cast<CProgressDlg*>(w) && w->is_visible();
        EXPECT_EQ(shown, 1) << "a new progress window replaces the open one";
        EXPECT_TRUE(dlg->is_visible());
        EXPECT_EQ(dlg->GetDlgItem(CProgressDlg::kTextEdit)->GetWindowText(), u"Copying files...");
        EXPECT_EQ(dlg->GetMaximum(), 200u);
        EXPECT_NEAR(bar_fill(*dlg), 0.25, 0.02) << "opened at 50 of 200";
        tools->UpdateProgress(150, 200);
        EXPECT_NEAR(bar_fill(*dlg), 0.75, 0.02);
        opened.area = dlg->screen_rect();
        opened.under = plat::Bitmap::create(opened.area.width(), opened.area.height());
        plat::Dc(opened.under)
            .bit_blt(0, 0, opened.area.width(), opened.area.height(), before, opened.area.left,
                     opened.area.top);
        seen.push_back("open");
    });
    Probe(23, [&] {
        CToolsMode* tools = Tools();
        tools->CloseProgress();
        EXPECT_EQ(tools->progress_window(), nullptr);
        tools->UpdateProgress(5, 10);  // nothing open: nothing happens
        seen.push_back("closed");
    });
    Probe(24, [&] {
        const plat::Bitmap now = plat::screen_snapshot();
        int differing = 0;
        for (int y = 0; y < opened.area.height(); ++y)
            for (int x = 0; x < opened.area.width(); ++x)
                differing += now.pixel(opened.area.left + x, opened.area.top + y) !=
                             opened.under.pixel(x, y);
        EXPECT_EQ(differing, 0) << "the pixels under the progress window come back";
        seen.push_back("restored");
    });
    ASSERT_EQ(Run("wait 1500\nkey F17\nwait 200\nkey F21\nwait 200\nkey F22\nwait 200\n"
                  "key F23\nwait 200\nkey F24\nquit\n"),
              0);
    EXPECT_EQ(seen, (std::vector<std::string>{"popup closed", "open", "closed", "restored"}));
}

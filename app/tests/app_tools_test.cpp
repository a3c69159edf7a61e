// The tools screen in the real program: its pages and boxes, the backlight
// read back from the board I/O device, and leaving the program.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/message_box.h"
#include "app/tests/specan_screen.h"
#include "app/tests/system_screens_support.h"
#include "core/app_commands.h"
#include "core/res_string.h"
#include "dialogs/about_gps_dlg.h"
#include "dialogs/progress_dlg.h"
#include "dialogs/system_info_dlg.h"
#include "language/tests/language_test_support.h"
#include "platform/framework/progress.h"
#include "platform/gfx/dc.h"
#include "platform/text/utf.h"
#include "platform/window/paint.h"

using namespace system_screens;

namespace {

constexpr uint32_t kToolsLabels[] = {64175, 64177, 64176, 64178, 142, 1101, 1100, 895};
constexpr uint32_t kProbeKey = plat::VK_F1 + 20;  // F21

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

// The soft keys and the menu keys of two screenshots differ in no pixel.
bool SameKeys(const Screen& a, const Screen& b) {
    if (a.bytes.empty() || b.bytes.empty()) return false;
    for (const plat::Rect& r : {plat::Rect{705, 30, 800, 566}, plat::Rect{0, 563, 705, 600}})
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (!(a.At(x, y) == b.At(x, y))) return false;
    return true;
}

// Runs the program of the build on the device root with a script; its exit
// status.
int RunProgram(const DeviceRoot& root, const std::string& script) {
    root.Write("program.txt", script);
    const std::string cmd = "'" + (BinDir() / "celvane").string() + "' --root '" +
                            root.path().string() + "' --display headless --script '" +
                            (root.path() / "program.txt").string() + "' >/dev/null 2>&1";
    return specan_screen::Shell(cmd);
}

// A tools screen's keys in the Mandarin table's texts, each line of each
// caption found pixel for pixel as the platform draws it in the image's
// Mandarin face and the key's font and colours (White Display entries 5 and
// 7 for the soft keys; 43 and 11 for the lit menu key 1, 2 and 4 for menu
// key 2).
void ExpectMandarinKeys(const Screen& shot, const std::map<uint32_t, std::u16string>& zh) {
    plat::FontSpec spec;
    spec.height = -14;
    spec.weight = plat::FW_SEMIBOLD;
    spec.face = u"SC_Song";
    const plat::Font font = plat::Font::create(spec);
    auto expect_lines = [&](uint32_t id, COLORREF text, COLORREF fill, const plat::Rect& area) {
        const std::u16string& caption = zh.at(id);
        size_t from = 0;
        while (from <= caption.size()) {
            const size_t to = std::min(caption.find(u'\n', from), caption.size());
            const std::u16string line = caption.substr(from, to - from);
            if (!line.empty()) {
                EXPECT_TRUE(Shows(shot, Render(line, font, text, fill), area))
                    << "\"" << Utf8(line) << "\" of string " << id;
            }
            from = to + 1;
        }
    };
    for (uint32_t id : kToolsLabels) expect_lines(id, 0x000000, 0xFFFFD2, {705, 30, 800, 566});
    expect_lines(1098, 0x000000, 0xC0C0C0, {0, 563, 705, 600});
    expect_lines(1097, 0x000000, 0x00DCFF, {0, 563, 705, 600});
}

// The language key: Chinese, OK, No keeps the program running with the
// Mandarin table's texts on the keys and in the system box; Chinese, OK,
// Yes ends it with "language.txt" 4; the restart shows the keys in
// Mandarin, and English chosen there (OK, Yes) gives the English keys of
// the first run at the next start.
TEST_F(SystemScreens, TheLanguageKeySwitchesToMandarinAndBackAcrossRestarts) {
    const auto zh = lang_test::ReadTable(fs::path(CELVANE_SOURCE_DIR) / "language/strings-zh.tsv");
    const fs::path before = root.path() / "en-before.png", restarted = root.path() / "zh.png";
    const fs::path back = root.path() / "en-back.png";
    bool looked = false;
    // The restart question asks in the language just chosen.
    std::vector<std::u16string> questions;
    SetMessageBoxObserver([&](const std::u16string& text, uint32_t) { questions.push_back(text); });
    // The program of this run goes before the next start: it holds the
    // instance lock while it exists.
    {
        ProbeApp program;
        program.probes[kProbeKey] = [&] {
            auto* tools = dynamic_cast<CToolsMode*>(program.FindMode(kScreenTools));
            ASSERT_NE(tools, nullptr);
            ASSERT_EQ(program.GetCurrentMode(), tools) << "No leaves the program on the tools";
            EXPECT_EQ(program.GetLanguageId(), 4);
            for (int k = 0; k < 8; ++k)
                EXPECT_EQ(Utf8(SoftKeyText(*tools, k)), Utf8(zh.at(kToolsLabels[k])))
                    << "key " << k + 1;
            EXPECT_EQ(Utf8(MenuKeyText(*tools, 0)), Utf8(zh.at(1098)));
            EXPECT_EQ(Utf8(MenuKeyText(*tools, 1)), Utf8(zh.at(1097)));
            EXPECT_TRUE(MenuKeyLit(*tools, 0));
            // The box's fields follow in the Mandarin formats.
            auto* box = dynamic_cast<CSystemInfoDlg*>(tools->GetPopup());
            ASSERT_NE(box, nullptr);
            const std::u16string free = zh.at(569).substr(0, zh.at(569).find(u'%'));
            EXPECT_EQ(box->GetItemText(CSystemInfoDlg::kInternalStorage).substr(0, free.size()),
                      free);
            looked = true;
        };
        // Chinese is the row below English; Right moves to No.
        ASSERT_EQ(RunScript(program, root,
                            "wait 1500\nkey F17\nwait 300\nshot " + before.string() + "\n" +
                                "key F6\nwait 200\nkey DOWN\nkey RETURN\nwait 200\n"
                                "key RIGHT\nkey RETURN\nwait 500\nkey F21\n"
                                // Chinese is now the current row: OK, Yes.
                                "key F6\nwait 200\nkey RETURN\nwait 200\nkey RETURN\n"
                                "wait 600000\n"),
                  0);
    }
    EXPECT_TRUE(looked);
    EXPECT_EQ(root.Read("FlashFX Disk/System/language.txt"), "4");
    SetMessageBoxObserver(nullptr);
    EXPECT_EQ(questions, std::vector<std::u16string>(2, zh.at(1374)));

    // English is the row above Chinese: OK, Yes.
    ASSERT_EQ(RunProgram(root, "wait 1500\nkey F17\nwait 300\nshot " + restarted.string() +
                                   "\nkey F6\nwait 200\nkey UP\nkey RETURN\nwait 200\n"
                                   "key RETURN\nwait 600000\n"),
              0);
    EXPECT_EQ(root.Read("FlashFX Disk/System/language.txt"), "9");
    ExpectMandarinKeys(specan_screen::ReadPng(restarted), zh);

    ASSERT_EQ(RunProgram(root, "wait 1500\nkey F17\nwait 300\nshot " + back.string() + "\nquit\n"),
              0);
    EXPECT_TRUE(SameKeys(specan_screen::ReadPng(before), specan_screen::ReadPng(back)))
        << "English again after its restart";
}

// The unit diagnostics asked for while the tools screen is current: TWDiag
// runs its script to the end in its own process, the program has closed as
// the exit key closes it ("mode.txt" names the screen the tools came from),
// and the next start opens on the mode selection.
TEST_F(SystemScreens, TheDiagnosticsFromTheToolsScreenCloseTheProgram) {
    const fs::path first = root.path() / "twdiag.png", done = root.path() / "twdiag-done.png";
    root.Write("twdiag.txt",
               "shot " + first.string() + "\nshot " + done.string() + "\nkey ESCAPE\n");
    ::setenv("CELVANE_SCRIPT_TWDIAG", (root.path() / "twdiag.txt").c_str(), 1);
    bool posted = false;
    int code = -1;
    {
        ProbeApp program;  // gone before the next start, with its instance lock
        program.probes[kProbeKey] = [&] {
            ASSERT_EQ(program.GetCurrentMode(), program.FindMode(kScreenTools));
            posted = program.GetMainFrame()->PostMessage(plat::WM_COMMAND, kCmdLaunch, 0x80000026);
        };
        // The launch closes the program: the script's last wait is never
        // reached.
        code = RunScript(program, root, "wait 1500\nkey F17\nwait 300\nkey F21\nwait 600000\n");
    }
    ::unsetenv("CELVANE_SCRIPT_TWDIAG");
    ASSERT_EQ(code, 0);
    EXPECT_TRUE(posted);
    EXPECT_EQ(root.Read("FlashFX Disk/System/mode.txt"), "0");
    // TWDiag's second picture is its script's last: it is written once the
    // first is whole.
    for (int i = 0; i < 1200 && !fs::exists(done); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(fs::exists(done)) << "TWDiag ran its script";

    // The next start: the mode selection, which it names when it closes.
    ASSERT_EQ(RunProgram(root, "wait 1500\nquit\n"), 0);
    EXPECT_EQ(root.Read("FlashFX Disk/System/mode.txt"), "0");
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

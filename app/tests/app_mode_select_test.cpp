// The mode selection screen in the real program: what it lists, choosing a
// measurement, the mode key coming back to it, and the start screen that
// "mode.txt" names.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "app/tests/system_screens_support.h"
#include "core/history.h"
#include "core/res_string.h"
#include "instrument/measurement.h"
#include "platform/framework/dialog.h"
#include "platform/gfx/font.h"
#include "platform/text/utf.h"
#include "platform/window/window.h"
#include "screens/measurement_base.h"
#include "widgets/draw_panel.h"
#include "widgets/title_bar.h"

using namespace system_screens;

namespace {

// The spectrum analyzer's measurements in their order, by their English
// names.
const std::vector<std::string> kSpectrumRows = {
    "General SA",  "Occupied Bandwidth", "Channel Power", "Adjacent Power",
    "Time Domain", "Signal Strength",    "Demod Signal",  "Interference Ratio"};
constexpr uint32_t kChannelPower = 22;

std::vector<std::string> Rows(plat::CListBox* list) {
    std::vector<std::string> rows;
    for (int i = 0; list && i < list->GetCount(); ++i) {
        std::string row = plat::to_utf8(list->GetText(i));
        row.erase(0, row.find_first_not_of(' '));
        rows.push_back(row);
    }
    return rows;
}

TEST_F(SystemScreens, StartsOnTheModeSelectionAndSwitchesToTheChosenMeasurement) {
    Probe(21, [&] {
        ASSERT_NE(Current(), nullptr);
        EXPECT_EQ(Current()->GetModeId(), kScreenModeSelect);
        CModeSelectMode& screen = *ModeSelect();
        EXPECT_EQ(screen.file_label_panel()->GetFileLabel(), LoadResString(137));
        const uint32_t captions[] = {161, 61226, 61250, 184, 159, 61221};
        for (int k = 0; k < 6; ++k)
            EXPECT_EQ(MenuKeyText(screen, k), LoadResString(captions[k])) << "menu key " << k + 1;
        CModeSelectDlg* dlg = screen.GetModeDialog();
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->GetTemplateId(), CModeSelectDlg::kThreeLists);
        const std::pair<int, uint32_t> titles[] = {{CModeSelectDlg::kNetworkTitle, 64306},
                                                   {CModeSelectDlg::kSpectrumTitle, 64307},
                                                   {CModeSelectDlg::kPowerTitle, 64308}};
        for (const auto& [control, id] : titles)
            EXPECT_EQ(dlg->GetDlgItem(control)->GetWindowText(), LoadResString(id)) << control;
        EXPECT_EQ(Rows(dlg->ListOfMode(2)), kSpectrumRows);
        // The network analyzer lists its four measurements.
        auto* network = dynamic_cast<CMeasurementBase*>(app.FindMode(kScreenNetworkAnalyzer));
        ASSERT_NE(network, nullptr);
        EXPECT_EQ(network->GetMeasurementCount(), 4);
        EXPECT_EQ(Rows(dlg->ListOfMode(1)).size(), size_t(network->GetMeasurementCount()));
        // The power meter lists its own measurements, a row each.
        auto* power = dynamic_cast<CMeasurementBase*>(app.FindMode(kScreenPowerMeter));
        ASSERT_NE(power, nullptr);
        EXPECT_EQ(Rows(dlg->ListOfMode(3)).size(), size_t(power->GetMeasurementCount()));
        EXPECT_GT(power->GetMeasurementCount(), 0);
    });
    Probe(22, [&] {
        ASSERT_EQ(Current()->GetModeId(), kScreenSpectrumAnalyzer);
        ASSERT_NE(Current()->GetCurrentMeasurement(), nullptr);
        EXPECT_EQ(Current()->GetCurrentMeasurement()->GetId(), kChannelPower);
    });
    Probe(23, [&] {
        ASSERT_EQ(Current()->GetModeId(), kScreenModeSelect);
        CModeSelectDlg* dlg = ModeSelect()->GetModeDialog();
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->FocusedList(), dlg->ListOfMode(2));
        EXPECT_EQ(dlg->GetHighlightedMeasurement(), 2);
        EXPECT_TRUE(MenuKeyLit(*Current(), 1));
        // The highlighted measurement's texts in the draw panel, its name on
        // one line.
        core::Text name = LoadResString(466);
        std::replace(name.begin(), name.end(), u'\n', u' ');
        EXPECT_EQ(Current()->draw_panel()->GetBox(1, 0)->GetValue(), name);
    });
    Probe(24, [&] {
        EXPECT_EQ(Current()->GetModeId(), kScreenModeSelect) << "Escape on page 0";
        EXPECT_EQ(Current()->page(), 0);
    });
    ASSERT_EQ(Run("wait 1500\nkey F21\n"
                  "key F14\nkey DOWN\nkey DOWN\nkey RETURN\nwait 1000\nkey F22\n"
                  "key F19\nwait 500\nkey F23\n"
                  "key ESCAPE\nwait 500\nkey F24\nquit\n"),
              0);
}

// The program's first picture, taken by its script and read by ImageMagick,
// shows the mode selection: the caption in the title bar, the three list
// titles and the menu-key captions, each found pixel for pixel as the
// platform draws that text in its box's font and the White Display's
// colours (menu key 1 lit: its list is the one focused at the first start).
TEST_F(SystemScreens, TheFirstScreenshotShowsTheModeSelection) {
    const fs::path png = root.path() / "first.png";
    std::u16string widgetFace, dialogFace;
    int listPt10 = 0;
    Probe(21, [&] {
        widgetFace = app.GetFontFace2();
        dialogFace = app.GetFontFace();
        listPt10 = static_cast<int>(app.GetLargeFontHeight());
    });
    ASSERT_EQ(Run("wait 1500\nshot " + png.string() + "\nkey F21\nquit\n"), 0);
    const Screen shot = specan_screen::ReadPng(png);
    ASSERT_FALSE(shot.bytes.empty());
    // Scheme entries 1, 2, 4, 11, 20 and 43 of the White Display.
    constexpr COLORREF kPane = 0xFFFFFF, kMenuKey = 0x00DCFF, kPanelText = 0x000000;
    constexpr COLORREF kLitText = 0x000000, kTitleText = 0x000000, kLitMenuKey = 0xC0C0C0;
    constexpr COLORREF kDialogText = 0x000000;
    const plat::Rect title{0, 0, 800, 30}, lists{0, 90, 705, 523}, menu{0, 563, 705, 600};
    const plat::Font titleFont = plat::Font::create_point(160, widgetFace);
    EXPECT_TRUE(Shows(shot, Render(LoadResString(137), titleFont, kTitleText, kPane), title))
        << "caption 137";
    const plat::Font listFont = plat::Font::create_point(listPt10, dialogFace);
    for (uint32_t id : {64306u, 64307u, 64308u})
        EXPECT_TRUE(Shows(shot, Render(LoadResString(id), listFont, kDialogText, kPane), lists))
            << "list title " << id;
    plat::FontSpec key;
    key.height = -14;
    key.weight = plat::FW_SEMIBOLD;
    key.face = widgetFace;
    const plat::Font keyFont = plat::Font::create(key);
    EXPECT_TRUE(Shows(shot, Render(LoadResString(161), keyFont, kLitText, kLitMenuKey), menu))
        << "menu key 1, lit";
    for (uint32_t id : {61226u, 61250u, 159u, 61221u})
        EXPECT_TRUE(Shows(shot, Render(LoadResString(id), keyFont, kPanelText, kMenuKey), menu))
            << "menu key caption " << id;
}

// The focused list's mode and its highlighted row (user-interface thread).
struct ListFocus {
    int mode;
    int row;
    bool operator==(const ListFocus&) const = default;
};
std::ostream& operator<<(std::ostream& out, const ListFocus& f) {
    return out << "(list " << f.mode << ", row " << f.row << ")";
}
ListFocus FocusOf(CModeSelectDlg* dlg) {
    if (!dlg) return {-9, -9};
    plat::CListBox* list = dlg->FocusedList();
    for (int mode : {1, 2, 3})
        if (list && list == dlg->ListOfMode(mode)) return {mode, list->GetCurSel()};
    return {0, -1};
}

// A modal dialog (a help text, the clock) is open.
bool ModalOpen() {
    for (plat::Window* top : plat::top_level_windows()) {
        auto* dlg = dynamic_cast<plat::CDialog*>(plat::CWnd::FromHandle(top));
        if (dlg && dlg->IsModal() && top->is_visible()) return true;
    }
    return false;
}

// The three lists of template 136 form a ring for Left and Right; Up and
// Down and the wheel go on to the neighbouring list at a list's ends.
TEST_F(SystemScreens, ArrowsAndWheelMoveAroundTheRingOfLists) {
    struct Step {
        const char* keys;
        ListFocus after;
    };
    const Step steps[] =
        {
            {"key F14", {2, 0}},  // menu key 2: the spectrum analyzer list
            {"key RIGHT", {3, 0}}, {"key RIGHT", {1, 0}},
            {"key RIGHT", {2, 0}}, {"key LEFT", {1, 0}},
            {"key LEFT", {3, 0}},  {"key LEFT", {2, 0}},
            {"key F15", {3, 0}},  // menu key 3: the power meter list
            {"key UP", {2, 7}},   // the previous list's last row
            {"wheel 1", {2, 6}},   {"wheel -1", {2, 7}},
            {"key DOWN", {3, 0}},  // past the last row: the next list
        };
    std::vector<ListFocus> seen;
    Probe(21, [&] { seen.push_back(FocusOf(ModeSelect()->GetModeDialog())); });
    std::string script = "wait 1500\n";
    for (const Step& s : steps) script += std::string(s.keys) + "\nkey F21\n";
    ASSERT_EQ(Run(script + "quit\n"), 0);
    ASSERT_EQ(seen.size(), std::size(steps));
    for (size_t i = 0; i < seen.size(); ++i)
        EXPECT_EQ(seen[i], steps[i].after) << "step " << i + 1 << ": " << steps[i].keys;
    // Every arrow press and wheel step is in the history.
    const std::string history = root.Read("FlashFX Disk/HistoryLog.txt");
    auto count = [&](const std::string& entry) {
        size_t n = 0;
        for (size_t at = 0; (at = history.find(entry + "\n", at)) != std::string::npos; ++at) ++n;
        return n;
    };
    EXPECT_GE(count("Key Press:0x00000027"), 3u) << history;  // Right
    EXPECT_GE(count("Key Press:0x00000025"), 3u) << history;  // Left
    EXPECT_GE(count("Key Press:0x00000026"), 1u) << history;  // Up
    EXPECT_GE(count("Key Press:0x00000028"), 1u) << history;  // Down
    // A notch of the wheel is 120.
    EXPECT_GE(count("Scroll:0x00000078"), 1u) << history;
    EXPECT_GE(count("Scroll:0xffffff88"), 1u) << history;
}

// Runs `script` on a program of its own on the fresh root; the probe key F21
// notes the screen shown, and on the mode selection its list focus and page.
struct ModeSelectLook {
    int screen = -1;
    ListFocus focus{-1, -1};
    int page = -1;
};
ModeSelectLook RunAndLook(const DeviceRoot& root, const std::string& script) {
    ModeSelectLook seen;
    // The program of a run ends before the next starts: it holds the
    // instance lock while it exists.
    ProbeApp program;
    program.probes[plat::VK_F1 + 20] = [&] {
        CModeBase* current = program.GetCurrentMode();
        if (!current) return;
        seen.screen = current->GetModeId();
        auto* screen = dynamic_cast<CModeSelectMode*>(current);
        if (screen) seen.focus = FocusOf(screen->GetModeDialog());
        seen.page = current->page();
    };
    EXPECT_EQ(RunScript(program, root, script), 0) << script;
    return seen;
}

// A menu key pressed as Shift with F1..F6 on the mode selection (the list
// dialog has the keys and hands them to the screen) is the same press as
// F13..F18: the list it focuses, the page it opens.
TEST_F(SystemScreens, ShiftedFunctionKeysActAsTheMenuKeys) {
    auto press = [&](const std::string& key) {
        return RunAndLook(root, "wait 1500\nkey " + key + "\nwait 300\nkey F21\nquit\n");
    };
    const std::pair<const char*, const char*> keys[] = {
        {"shift+F2", "F14"}, {"shift+F3", "F15"}, {"shift+F5", "F17"}};
    for (const auto& [shifted, menu_key] : keys) {
        const ModeSelectLook want = press(menu_key);
        const ModeSelectLook got = press(shifted);
        EXPECT_EQ(got.screen, want.screen) << shifted << " against " << menu_key;
        EXPECT_EQ(got.focus, want.focus) << shifted << " against " << menu_key;
        EXPECT_EQ(got.page, want.page) << shifted << " against " << menu_key;
    }
    EXPECT_EQ(press("shift+F2").focus, (ListFocus{2, 0})) << "the spectrum analyzer list";
}

// The first key pressed once the screen is drawn acts, run after run,
// however soon the Shift of a shifted menu key is let go: the script's first
// picture waits until the screen is drawn, and menu key 3 (Shift+F3) at once
// after it focuses the power meter list.
TEST_F(SystemScreens, TheFirstKeyAfterTheScreenIsDrawnActs) {
    constexpr int kRuns = 50;
    const fs::path shot = root.path() / "drawn.png";
    for (int run = 0; run < kRuns; ++run) {
        const ModeSelectLook seen =
            RunAndLook(root, "shot " + shot.string() + "\nkey shift+F3\nkey F21\nquit\n");
        EXPECT_EQ(seen.focus, (ListFocus{3, 0})) << "run " << run + 1;
    }
}

// What each hardware id offers: the dialog's template, the single list's
// title, the help keys of the instruments the unit lacks (blank, and doing
// nothing when pressed) on the mode selection's help page and the tools
// page, and the menu key that does nothing.
struct Hardware {
    uint32_t model;  // the registry's "DeviceModel"
    int template_id;
    uint32_t single_title;        // 0: three lists
    std::vector<int> blank_help;  // soft keys 1..2 blanked, from 0
    int inert_menu_key;           // from 0; -1 none
};
void PrintTo(const Hardware& h, std::ostream* out) {
    *out << "DeviceModel 0x" << std::hex << h.model;
}

class HardwareIds : public SystemScreens, public ::testing::WithParamInterface<Hardware> {};

TEST_P(HardwareIds, OfferTheirInstrumentsOnly) {
    const Hardware& hw = GetParam();
    SetDeviceModel(hw.model);
    int dialog_template = 0;
    core::Text single_title;
    std::vector<core::Text> mode_help, tools_help;
    std::vector<bool> modal_after;
    ListFocus before_inert{}, after_inert{};
    bool inert_lit = false;
    Probe(21, [&] {
        CModeSelectDlg* dlg = ModeSelect()->GetModeDialog();
        ASSERT_NE(dlg, nullptr);
        dialog_template = dlg->GetTemplateId();
        if (plat::CWnd* title = dlg->GetDlgItem(CModeSelectDlg::kSingleTitle))
            single_title = title->GetWindowText();
        before_inert = FocusOf(dlg);
    });
    Probe(22, [&] {
        after_inert = FocusOf(ModeSelect()->GetModeDialog());
        inert_lit = hw.inert_menu_key >= 0 && MenuKeyLit(*Current(), hw.inert_menu_key);
    });
    Probe(23, [&] {
        auto& labels = Current() == Tools() ? tools_help : mode_help;
        for (int k = 0; k < 2; ++k) labels.push_back(SoftKeyText(*Current(), k));
    });
    Probe(24, [&] { modal_after.push_back(ModalOpen()); });
    std::string script = "wait 1500\nkey F21\n";
    if (hw.inert_menu_key >= 0)
        script += "key F" + std::to_string(13 + hw.inert_menu_key) + "\nwait 100\nkey F22\n";
    // The help page of the mode selection, then the tools page: each blank
    // key pressed, and a probe for an opened dialog.
    std::string blank_presses;
    for (int k : hw.blank_help)
        blank_presses += "key F" + std::to_string(k + 1) + "\nwait 200\nkey F24\n";
    script += "key F18\nwait 100\nkey F23\n" + blank_presses + "key ESCAPE\nwait 100\n";
    script += "key F17\nwait 300\nkey F23\n" + blank_presses + "quit\n";
    ASSERT_EQ(Run(script), 0);

    EXPECT_EQ(dialog_template, hw.template_id);
    if (hw.single_title) {
        EXPECT_EQ(single_title, LoadResString(hw.single_title));
    }
    ASSERT_EQ(mode_help.size(), 2u);
    ASSERT_EQ(tools_help.size(), 2u);
    const uint32_t help_ids[] = {64175, 64177};
    for (int k = 0; k < 2; ++k) {
        const bool blank =
            std::find(hw.blank_help.begin(), hw.blank_help.end(), k) != hw.blank_help.end();
        const core::Text expected = LoadResString(blank ? CModeBase::kBlankLabel : help_ids[k]);
        EXPECT_EQ(mode_help[static_cast<size_t>(k)], expected) << "help page 49, key " << k + 1;
        EXPECT_EQ(tools_help[static_cast<size_t>(k)], expected) << "tools page 55, key " << k + 1;
    }
    EXPECT_EQ(modal_after, std::vector<bool>(2 * hw.blank_help.size(), false))
        << "a blank help key opened a dialog";
    if (hw.inert_menu_key >= 0) {
        EXPECT_EQ(after_inert, before_inert) << "menu key " << hw.inert_menu_key + 1;
        EXPECT_FALSE(inert_lit) << "menu key " << hw.inert_menu_key + 1;
    }
}

// The settings store reads any model it does not know (0x111) as 6.
INSTANTIATE_TEST_SUITE_P(Models, HardwareIds,
                         ::testing::Values(Hardware{0x207, 136, 0, {}, -1},
                                           Hardware{0x107, 136, 0, {}, -1},
                                           Hardware{0x205, 163, 523, {1}, 1},
                                           Hardware{6, 163, 524, {0}, 0},
                                           Hardware{0x111, 163, 524, {0}, 0}),
                         [](const ::testing::TestParamInfo<Hardware>& info) {
                             char name[16];
                             std::snprintf(name, sizeof name, "x%x", info.param.model);
                             return std::string(name);
                         });

// The start screen: "mode.txt" naming a measurement screen the unit carries
// starts on it; anything else starts on the mode selection, which is what
// the program writes back when it closes at once.
TEST(ModeFile, NamesTheStartScreenOnlyWhenTheUnitCarriesIt) {
    struct Case {
        const char* mode;
        uint32_t model;
        const char* started;
    };
    const Case cases[] = {{"1", 0x207, "1"}, {"2", 0x207, "2"}, {"3", 0x207, "0"},
                          {"4", 0x207, "0"}, {"5", 0x207, "0"}, {"2", 0x205, "0"}};
    for (const Case& c : cases) {
        DeviceRoot root{"celvane-mode-file"};
        ASSERT_EQ(MakeDeviceImage(root.path()), 0);
        std::string registry = root.Read("registry.factory");
        const std::string from = "\"DeviceModel\"=dword:00000207";
        char to[64];
        std::snprintf(to, sizeof to, "\"DeviceModel\"=dword:%08x", c.model);
        registry.replace(registry.find(from), from.size(), to);
        root.Write("registry.factory", registry);
        root.Write("FlashFX Disk/System/mode.txt", c.mode);
        root.Write("quit.txt", "quit\n");
        const std::string cmd = "'" + (BinDir() / "celvane").string() + "' --root '" +
                                root.path().string() + "' --display headless --script '" +
                                (root.path() / "quit.txt").string() + "' >/dev/null 2>&1";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        EXPECT_EQ(root.Read("FlashFX Disk/System/mode.txt"), c.started)
            << "mode.txt " << c.mode << " on hardware 0x" << std::hex << c.model;
    }
}

}  // namespace

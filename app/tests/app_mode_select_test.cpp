// The mode selection screen in the real program: what it lists, choosing a
// measurement, the mode key coming back to it, and the start screen that
// "mode.txt" names.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/tests/system_screens_support.h"
#include "core/history.h"
#include "core/res_string.h"
#include "instrument/measurement.h"
#include "platform/text/utf.h"
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
        // The highlighted measurement's texts in the draw panel.
        EXPECT_EQ(Current()->draw_panel()->GetBox(1, 0)->GetValue(), LoadResString(466));
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

// The start screen: "mode.txt" naming a measurement screen the unit carries
// starts on it; anything else starts on the mode selection, which is what
// the program writes back when it closes at once.
TEST(ModeFile, NamesTheStartScreenOnlyWhenTheUnitCarriesIt) {
    struct Case {
        const char* mode;
        uint32_t model;
        const char* started;
    };
    const Case cases[] = {{"1", 0x207, "1"},
                          {"2", 0x207, "2"},
                          {"3", 0x207, "0"},
                          {"4", 0x207, "0"},
                          {"5", 0x207, "0"},
                          {"2", 0x205, "0"}};
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

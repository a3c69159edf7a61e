// Every text of the mode list and of the tools screen's two information
// boxes fits its control, in English and in Mandarin: the real program in
// this process, each box open with what it shows on the simulated unit, every
// label, field, list title and list row measured with the control's own font
// against the control's rectangle.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/tests/dialog_fit.h"
#include "app/tests/system_screens_support.h"
#include "core/res_string.h"
#include "dialogs/about_gps_dlg.h"
#include "dialogs/system_info_dlg.h"
#include "platform/framework/list_box.h"
#include "platform/text/utf.h"
#include "platform/window/window.h"
#include "widgets/text_fit.h"

using namespace system_screens;

namespace {

class SystemTextFit : public SystemScreens,
                      public dialog_fit::DialogFit,
                      public ::testing::WithParamInterface<int> {};

TEST_P(SystemTextFit, ModeListAndInformationBoxes) {
    root.Write("FlashFX Disk/System/language.txt", std::to_string(GetParam()));
    core::Text yes_text;
    Probe(21, [&] { Check(ModeSelect()->GetModeDialog(), "mode list"); });
    Probe(22, [&] { Check(Tools()->GetPopup(), "system box"); });
    Probe(23, [&] { Check(Tools()->GetPopup(), "GPS box"); });
    Probe(24, [&] { yes_text = LoadResString(958); });
    // The GPS box in both position formats and in feet.
    ASSERT_EQ(Run("wait 1500\nkey F21\nkey F17\nwait 300\nkey F22\nkey F14\nwait 3000\nkey F23\n"
                  "key F2\nwait 100\nkey F23\nkey F1\nwait 100\nkey F23\nkey F24\nquit\n"),
              0);
    // The language is the one asked for: Mandarin's "Yes" is not English.
    EXPECT_EQ(yes_text == u"Yes", GetParam() == 9) << plat::to_utf8(yes_text);
    EXPECT_EQ(checked, 5);
    EXPECT_GT(measured, 60);
    std::string report;
    for (const std::string& f : failures) report += f + "\n";
    EXPECT_TRUE(failures.empty()) << failures.size() << " texts do not fit:\n" << report;
}

INSTANTIATE_TEST_SUITE_P(Languages, SystemTextFit, ::testing::Values(9, 4),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == 9 ? "English" : "Mandarin");
                         });

}  // namespace

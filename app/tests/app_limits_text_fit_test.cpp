// Every text of the limit dialogs fits its control, in English and in
// Mandarin: the real program in this process, each dialog opened by its
// keys on the spectrum analyzer (the line/mask list, the mask name, the mask
// point dialog and the marker label), every label, field and list row
// measured with the control's own font against the control's rectangle.
#include <gtest/gtest.h>

#include <string>

#include "app/tests/dialog_fit.h"
#include "app/tests/system_screens_support.h"
#include "platform/framework/dialog.h"

using namespace system_screens;

namespace {

// The dialog that holds the focus.
plat::CWnd* OpenDialog() {
    plat::CWnd* w = plat::CWnd::GetFocus();
    while (w && !dynamic_cast<plat::CDialog*>(w)) w = w->GetParent();
    return w;
}

class LimitTextFit : public SystemScreens,
                     public dialog_fit::DialogFit,
                     public ::testing::WithParamInterface<int> {};

TEST_P(LimitTextFit, LimitDialogs) {
    root.Write("FlashFX Disk/System/language.txt", std::to_string(GetParam()));
    root.Write("FlashFX Disk/System/mode.txt", "2");
    Probe(21, [&] { Check(OpenDialog(), "line/mask list"); });
    Probe(22, [&] { Check(OpenDialog(), "mask name"); });
    Probe(23, [&] { Check(OpenDialog(), "mask point"); });
    Probe(24, [&] { Check(OpenDialog(), "marker label"); });
    // Threshold page, upper line, the list; the editor's new line with its
    // name; the edit-points page's point dialog; then the marker type
    // page's label key with a marker on.
    ASSERT_EQ(Run("wait 1500\nkey shift+F5\nkey F8\nkey F1\nkey F5\nkey F21\nkey ESCAPE\n"
                  "key F4\nkey F2\nkey F22\nkey ESCAPE\nkey F5\nkey F2\nkey 1\nkey F23\nkey F8\n"
                  "key F8\nkey F8\nkey shift+F5\nkey F2\nkey F6\nkey F4\nkey F24\nkey ESCAPE\n"
                  "quit\n"),
              0);
    EXPECT_EQ(checked, 4);
    EXPECT_GT(measured, 15);
    std::string report;
    for (const std::string& f : failures) report += f + "\n";
    EXPECT_TRUE(failures.empty()) << failures.size() << " texts do not fit:\n" << report;
}

INSTANTIATE_TEST_SUITE_P(Languages, LimitTextFit, ::testing::Values(9, 4),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == 9 ? "English" : "Mandarin");
                         });

}  // namespace

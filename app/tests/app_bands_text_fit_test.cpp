// Every text of the band and channel dialogs fits its control, in English
// and in Mandarin: the real program in this process, each dialog opened by
// its keys on the spectrum analyzer's frequency page, every label, field
// and list row measured with the control's own font against the control's
// rectangle.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/tests/dialog_fit.h"
#include "app/tests/system_screens_support.h"
#include "platform/framework/dialog.h"

using namespace system_screens;

namespace {

using dialog_fit::OpenDialog;

class BandsTextFit : public SystemScreens,
                     public dialog_fit::DialogFit,
                     public ::testing::WithParamInterface<int> {};

TEST_P(BandsTextFit, BandAndChannelDialogs) {
    root.Write("FlashFX Disk/System/language.txt", std::to_string(GetParam()));
    root.Write("FlashFX Disk/System/mode.txt", "2");
    Probe(21, [&] { Check(OpenDialog(), "band list"); });
    Probe(22, [&] { Check(OpenDialog(), "channel editor"); });
    // The band list, "CDMA KOR PCS U/D" chosen (row 15) so that the list
    // has a section of used bands; then the channel editor on "CDMA KOR
    // PCS U" (the next row, with the used band above its separator).
    std::string script = "wait 1500\nkey shift+F1\nkey F7\n";
    for (int i = 0; i < 15; ++i) script += "key DOWN\n";
    script += "key RETURN\nkey F7\nkey F21\n";
    for (int i = 0; i < 18; ++i) script += "key DOWN\n";
    script += "key RETURN\nkey F8\nkey F22\nkey ESCAPE\nquit\n";
    ASSERT_EQ(Run(script), 0);
    EXPECT_EQ(checked, 2);
    EXPECT_GT(measured, 120);
    // The separator between the list's sections is a rule of 139 "-" that
    // runs to the list's edge: cut there, it loses nothing.
    const std::string rule = ": \"" + std::string(139, '-') + "\"";
    std::erase_if(failures, [&](const std::string& f) {
        return f.find(" row ") != std::string::npos && f.find(rule) != std::string::npos;
    });
    EXPECT_TRUE(failures.empty()) << failures.size() << " texts do not fit:\n" << Report();
}

INSTANTIATE_TEST_SUITE_P(Languages, BandsTextFit, ::testing::Values(9, 4),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == 9 ? "English" : "Mandarin");
                         });

}  // namespace

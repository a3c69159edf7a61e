// Every text of the network analyzer's cable list, distance-to-fault
// wizard and band list fits its control, in English and in Mandarin: the real program in
// this process on a distance-to-fault setup with a cable list file, each
// dialog opened by its keys, every label, field and list row measured with
// the control's own font against the control's rectangle.
#include <gtest/gtest.h>

#include <string>

#include "app/tests/dialog_fit.h"
#include "app/tests/system_screens_support.h"
#include "app/tests/vna_program.h"
#include "core/res_string.h"
#include "dialogs/setup_select_dlg.h"
#include "platform/window/messages.h"

using namespace system_screens;

namespace {

using dialog_fit::OpenDialog;

constexpr uint32_t kLanguageCommand = 32806;
constexpr uint32_t kTitle = 61249;  // the network analyzer's title

using vna_program::Replaced;

class VnaTextFit : public SystemScreens,
                   public dialog_fit::DialogFit,
                   public ::testing::WithParamInterface<int> {};

TEST_P(VnaTextFit, CableListAndWizard) {
    root.Write("FlashFX Disk/System/language.txt", std::to_string(GetParam()));
    root.Write("FlashFX Disk/System/mode.txt", "1");
    root.Write("FlashFX Disk/My Lists/CableTypeSettings.csv",
               "Name,Vp,450,824,894,960,1000,1700,1920,2000,2500\n"
               "LMR-400 Ultra Flex Plenum,0.85,0.05,0.07,0.07,0.08,0.08,0.11,0.12,0.12,0.14\n"
               "RG-58,0.66,0.26,0.36,0.38,0.39,0.40,0.54,0.58,0.59,0.67\n");
    const std::string backup = "FlashFX Disk/My Setups/Backup/";
    root.Write(backup + "Backup VNA.tws",
               Replaced(root.Read(backup + "Factory VNA.tws"), "<measurement id = frequency sweep>",
                        "<measurement id = distance to fault>"));
    Probe(21, [&] { Check(OpenDialog(), "cable list"); });
    Probe(22, [&] { Check(OpenDialog(), "DTF wizard"); });
    Probe(23, [&] { Check(OpenDialog(), "band list"); });
    // The start's upload holds the keys back until the board answered it:
    // time for the board's thread. Then page 27 (M4), the cable page (S5),
    // its list (S1); back to page 27 and the wizard (S7); the frequency page
    // (M1) and its band list (S7).
    std::string waits;
    for (int i = 0; i < 10; ++i) waits += "wait 1000\n";
    ASSERT_EQ(Run(waits + "key F16\nkey F5\nkey F1\nwait 200\nkey F21\nkey ESCAPE\nkey F8\n"
                          "key F7\nwait 200\nkey F22\nkey ESCAPE\n"
                          "key F13\nkey F7\nwait 200\nkey F23\nkey ESCAPE\nquit\n"),
              0);
    EXPECT_EQ(checked, 3);
    EXPECT_GT(measured, 20);
    EXPECT_TRUE(failures.empty()) << failures.size() << " texts do not fit:\n" << Report();
}

// A language change while the file manager is open (file menu, recall)
// opens it anew, so its list speaks the new language too; the screen's
// title follows.
TEST_F(SystemScreens, TheNetworkAnalyzersFileManagerOpensAgainInTheNewLanguage) {
    root.Write("FlashFX Disk/System/language.txt", "9");
    root.Write("FlashFX Disk/System/mode.txt", "1");
    const auto manager = [] { return dynamic_cast<CSetupSelectDlg*>(OpenDialog()); };
    // The open list is marked; a list opened anew does not carry the mark.
    const std::u16string mark = u"opened before the change";
    bool opened = false, reopened = false;
    std::u16string english_title, mandarin_title;
    Probe(21, [&] {
        if (CSetupSelectDlg* d = manager()) {
            opened = true;
            d->SetWindowText(mark);
        }
        english_title = LoadResString(kTitle);
        app.GetMainFrame()->SendMessage(plat::WM_COMMAND, kLanguageCommand, 4);
    });
    Probe(22, [&] {
        const CSetupSelectDlg* d = manager();
        reopened = d && d->GetWindowText() != mark;
        mandarin_title = LoadResString(kTitle);
    });
    std::string waits;
    for (int i = 0; i < 10; ++i) waits += "wait 1000\n";
    ASSERT_EQ(Run(waits + "key F18\nkey F4\nwait 200\nkey F21\nwait 200\nkey F22\nquit\n"), 0);
    ASSERT_TRUE(opened) << "the file manager did not open";
    EXPECT_TRUE(reopened) << "the file manager was not opened anew";
    EXPECT_NE(mandarin_title, english_title);
}

INSTANTIATE_TEST_SUITE_P(Languages, VnaTextFit, ::testing::Values(9, 4),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == 9 ? "English" : "Mandarin");
                         });

}  // namespace

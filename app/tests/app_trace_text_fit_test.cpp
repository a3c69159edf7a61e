// Every text of the trace-file dialogs fits its control, in English and in
// Mandarin: the real program in this process, each dialog opened by its
// keys on the spectrum analyzer (the save dialog of a labelled trace and
// the browser of the copy from the USB drive), every label, field and list
// row measured with the control's own font against the control's rectangle.
#include <gtest/gtest.h>

#include <string>

#include "app/tests/dialog_fit.h"
#include "app/tests/system_screens_support.h"
#include "core/res_string.h"
#include "dialogs/picture_dlgs.h"
#include "dialogs/text_entry_dlg.h"
#include "platform/framework/dialog.h"
#include "screens/measurement_base.h"

using namespace system_screens;

namespace {

using dialog_fit::OpenDialog;

class TraceTextFit : public SystemScreens,
                     public dialog_fit::DialogFit,
                     public ::testing::WithParamInterface<int> {};

TEST_P(TraceTextFit, TraceFileDialogs) {
    root.Write("FlashFX Disk/System/language.txt", std::to_string(GetParam()));
    root.Write("FlashFX Disk/System/mode.txt", "2");
    root.Write("Hard Disk/My Traces/Site 7 antenna feed.twf", "x");
    // The save dialog of a labelled trace as the screen fills it (a
    // complete sweep is not needed to look at it).
    Probe(21, [&] {
        CSaveInfoDlg dialog(Current() ? Current()->main_frame() : nullptr);
        dialog.m_Caption = LoadResString(1338);
        dialog.m_Name = u"Site 7 antenna feed";
        dialog.m_Title = CMeasurementBase::PresetTraceTitle(2);
        dialog.m_Path = u"\\FlashFX Disk\\My Traces\\Site 7 antenna feed.twf";
        dialog.m_DateTime = u"12/10/2026 21:24:53";
        ASSERT_TRUE(dialog.Create());
        Check(&dialog, "save trace");
        dialog.DestroyWindow();
    });
    Probe(22, [&] { Check(OpenDialog(), "copy file"); });
    // The file menu's manage page and its copy from the USB drive.
    ASSERT_EQ(Run("wait 1500\nkey shift+F6\nkey F21\nkey F5\nkey F3\nkey F22\nkey F8\nquit\n"), 0);
    EXPECT_EQ(checked, 2);
    EXPECT_GT(measured, 10);
    std::string report;
    for (const std::string& f : failures) report += f + "\n";
    EXPECT_TRUE(failures.empty()) << failures.size() << " texts do not fit:\n" << report;
}

// The picture dialogs with the soft keys they label: the image manager over
// the pictures and over the USB drive, the picture dialog of a waterfall
// recall, and the copy-images dialog over the USB drive.
TEST_P(TraceTextFit, PictureDialogs) {
    root.Write("FlashFX Disk/System/language.txt", std::to_string(GetParam()));
    root.Write("FlashFX Disk/System/mode.txt", "2");
    root.Write("FlashFX Disk/My Pictures/Screen10235959-12.bmp", "x");
    root.Write("Hard Disk/My Traces/WF10235959-12.bmp", "x");
    auto look = [&](const std::string& name) {
        Check(OpenDialog(), name);
        CheckKeys(Current() ? Current()->soft_key_menu() : nullptr, name + " keys");
    };
    Probe(21, [&] { look("image manager"); });
    Probe(22, [&] { look("image manager on the USB drive"); });
    Probe(23, [&] { look("picture file"); });
    Probe(24, [&] {
        CCopyImagesDlg dialog(Current() ? Current()->main_frame() : nullptr);
        ASSERT_TRUE(dialog.Create());
        look("copy images");
        dialog.DestroyWindow();
    });
    // File menu, screen image, manage images with a copy to the USB drive
    // (its status line); the USB drive with a copy back; back twice.
    // Then the waterfall on, and its recall's picture dialog.
    ASSERT_EQ(Run("wait 1500\nkey shift+F6\nkey F6\nkey F7\nkey DOWN\nkey F1\nkey F21\nkey F3\n"
                  "key DOWN\nkey F6\nkey F22\n"
                  "key F8\nkey F8\nkey shift+F3\nkey F8\nkey F7\nkey F1\nkey F6\nkey F23\n"
                  "key F8\nkey F24\nquit\n"),
              0);
    EXPECT_EQ(checked, 4);
    EXPECT_GT(measured, 30);
    std::string report;
    for (const std::string& f : failures) report += f + "\n";
    EXPECT_TRUE(failures.empty()) << failures.size() << " texts do not fit:\n" << report;
}

INSTANTIATE_TEST_SUITE_P(Languages, TraceTextFit, ::testing::Values(9, 4),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == 9 ? "English" : "Mandarin");
                         });

}  // namespace

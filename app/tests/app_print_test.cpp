// Printing the screen from the real application, headless: the graph's print
// key opens the print settings dialog; OK spools a job the independent
// decoder reads, following what the keys chose; Cancel prints nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/tests/app_test_support.h"
#include "dialogs/tw_print_dlg.h"
#include "platform/framework/message_box.h"
#include "printer/tests/print_test_support.h"

using namespace app_test;

namespace {

struct PrintRun {
    int printed = -1;
    std::vector<std::u16string> messages;
    std::vector<print_test::fs::path> jobs;
};

// Runs the program in a device root with the printer installed; F1 asks the
// graph to print, then the script's keys play the user in the dialog.
PrintRun RunPrint(const print_test::PrinterRoot& root, const std::string& dialog_keys) {
    root.SetPort(1);
    PrintRun run;
    plat::set_message_box_observer([&run](const plat::MessageBoxCall& c) {
        run.messages.push_back(c.text);
        plat::post_key_input(plat::VK_RETURN, true);
        plat::post_key_input(plat::VK_RETURN, false);
    });
    auto log = std::make_shared<Log>();
    TestApp app(log);
    RecordingScreen* screen = app.AddScreen(kScreenSpectrumAnalyzer);
    app.initial = screen;
    screen->probes[plat::VK_F1] = [&] { run.printed = app.GetGraphPanel()->PrintScreen(0); };
    const auto file = root.path() / "script.txt";
    std::ofstream(file) << "wait 100\nkey F1\nwait 100\n" << dialog_keys << "wait 100\nquit\n";
    const std::string f = file.string(), r = root.path().string();
    const char* argv[] = {"celvane", "--display", "headless", "--script",
                          f.c_str(), "--root",    r.c_str()};
    EXPECT_EQ(plat::app_main(app, 7, argv), 0);
    plat::set_message_box_observer(nullptr);
    run.jobs = root.Jobs();
    return run;
}

TEST(ProgramPrint, OkPrintsTheScreenAsTheDialogLeftIt) {
    // The dialog opens as draft, colour, portrait: a 300 dpi letter page.
    const print_test::PrinterRoot root("celvane-app-print");
    const PrintRun run = RunPrint(root, "key RETURN\n");
    EXPECT_EQ(run.printed, 1);
    EXPECT_TRUE(run.messages.empty());
    ASSERT_EQ(run.jobs.size(), 1u);
    const auto decoded = print_test::Decode(run.jobs[0], 300);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(print_test::Joined(decoded.sequences, 3, 1), "<ESC>*t300R");
    ASSERT_EQ(decoded.pages.size(), 1u);
    EXPECT_EQ(decoded.pages[0].planes, 4);
}

TEST(ProgramPrint, KeysChooseLandscapeHighQualityAndMono) {
    // Right to Portrait, Down flips to landscape; Right twice to Draft Mode,
    // Down clears it; Right to Color, Down clears it; Enter asks first.
    const print_test::PrinterRoot root("celvane-app-print");
    const PrintRun run = RunPrint(root,
                                  "key RIGHT\nkey RIGHT\nkey DOWN\nkey RIGHT\nkey RIGHT\nkey DOWN\n"
                                  "key RIGHT\nkey DOWN\nkey RETURN\n");
    EXPECT_EQ(run.printed, 1);
    EXPECT_EQ(run.messages, std::vector<std::u16string>{kHighQualityWarning});
    ASSERT_EQ(run.jobs.size(), 1u);
    const auto decoded = print_test::Decode(run.jobs[0], 600);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(print_test::Joined(decoded.sequences, 3, 1), "<ESC>*t600R");
    // Landscape letter at 600 dpi, one plane: 6156 raster lines.
    EXPECT_EQ(print_test::Joined(decoded.sequences, 10, 1), "<ESC>*r6156T");
    ASSERT_EQ(decoded.pages.size(), 1u);
    EXPECT_EQ(decoded.pages[0].planes, 1);
}

TEST(ProgramPrint, TheWheelMovesTheFocus) {
    // Two notches down reach Portrait, where Down flips to landscape; the
    // stored printer mode says landscape (2), draft (-1) and colour (2).
    const print_test::PrinterRoot root("celvane-app-print");
    const PrintRun run = RunPrint(root, "wheel -1\nwheel -1\nkey DOWN\nkey RETURN\n");
    EXPECT_EQ(run.printed, 1);
    ASSERT_EQ(run.jobs.size(), 1u);
    plat::RegKey key;
    ASSERT_EQ(plat::hkey_local_machine().open(u"Printers\\Pagejet Inkjet", key), 0u);
    const auto mode = key.get_binary(u"DEVMODE").value_or(std::vector<uint8_t>{});
    ASSERT_EQ(mode.size(), 192u);
    EXPECT_EQ(mode[76], 2);     // dmOrientation
    EXPECT_EQ(mode[90], 0xFF);  // dmPrintQuality -1
    EXPECT_EQ(mode[92], 2);     // dmColor
}

TEST(ProgramPrint, CancelPrintsNothing) {
    const print_test::PrinterRoot root("celvane-app-print");
    const PrintRun run = RunPrint(root, "key ESCAPE\n");
    EXPECT_EQ(run.printed, 0);
    EXPECT_TRUE(run.messages.empty());
    EXPECT_TRUE(run.jobs.empty());
}

}  // namespace

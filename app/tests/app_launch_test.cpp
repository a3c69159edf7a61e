// The main program starts the diagnostics program: TWDiag runs in its own
// process from its instrument path while the main program closes normally.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "app/tests/app_test_support.h"

using namespace app_test;

namespace {

namespace fs = std::filesystem;

// The pixels of `png` in `colour` ("#RRGGBB"), counted by ImageMagick.
long CountColour(const fs::path& png, const std::string& colour) {
    const std::string cmd = "convert '" + png.string() + "' -fill black +opaque '" + colour +
                            "' -fill white -opaque '" + colour +
                            "' -colorspace Gray -format '%[fx:round(mean*w*h)]' info: 2>/dev/null";
    FILE* out = popen(cmd.c_str(), "r");
    if (!out) return -1;
    char text[64] = {};
    const bool read = std::fgets(text, sizeof text, out) != nullptr;
    pclose(out);
    return read ? std::atol(text) : -1;
}

TEST(AppLaunch, TheDiagnosticsProgramStartsInItsOwnProcessAndTheProgramCloses) {
    DeviceRoot root("celvane-launch");
    ASSERT_EQ(MakeDeviceImage(root.path()), 0);
    ASSERT_TRUE(fs::exists(root.path() / "FlashFX Disk/Startup/QXCopy/TWDiag.exe"));
    // TWDiag's own script: two pictures (the second says the first is
    // whole), then Escape down and up.
    const fs::path shot = root.path() / "twdiag.png", done = root.path() / "twdiag-done.png";
    root.Write("twdiag.txt",
               "shot " + shot.string() + "\nshot " + done.string() + "\nkey ESCAPE\n");
    ::setenv("CELVANE_SCRIPT_TWDIAG", (root.path() / "twdiag.txt").c_str(), 1);

    auto log = std::make_shared<Log>();
    TestApp app(log);
    app.initial = app.AddScreen(1);
    bool started = false;
    app.initial->probes[plat::VK_F1] = [&] { started = app.LaunchProgram(0x80000026); };
    // The launch closes the program: the script's wait is never reached.
    ASSERT_EQ(RunScript(app, root, "key F1\nwait 600000\n"), 0);
    ::unsetenv("CELVANE_SCRIPT_TWDIAG");
    EXPECT_TRUE(started);
    EXPECT_EQ(root.Read("FlashFX Disk/System/mode.txt"), "1") << "the program saved its mode";

    for (int i = 0; i < 1200 && !fs::exists(done); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(fs::exists(done)) << "TWDiag took its pictures";
    // Its dialog: the caption strip and the icon's green trace.
    EXPECT_GT(CountColour(shot, "#1C3F6E"), 30 * 400) << "a caption strip of the dialog's width";
    EXPECT_GT(CountColour(shot, "#40F040"), 10) << "the icon in the caption";
}

}  // namespace

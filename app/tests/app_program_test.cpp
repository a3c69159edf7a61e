// The program `celvane` as a process on a device root laid out by the device
// image builder: start, scripted session, shutdown; one instance only; the
// run script.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <algorithm>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "app/tests/app_test_support.h"
#include "platform/gfx/tests/magick_pixel.h"

using namespace app_test;

namespace {

namespace fs = std::filesystem;

std::string Quote(const fs::path& p) {
    return "'" + p.string() + "'";
}

int ExitStatus(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

int Shell(const std::string& cmd) {
    return ExitStatus(std::system(cmd.c_str()));
}

class Program : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(MakeDeviceImage(root_.path()), 0); }
    std::string Celvane(const std::string& args) const {
        return Quote(BinDir() / "celvane") + " --root " + Quote(root_.path()) +
               " --display headless " + args + " 2>/dev/null";
    }
    std::string Script(const std::string& name, const std::string& text) const {
        const fs::path f = root_.path() / name;
        root_.Write(name, text);
        return Quote(f);
    }
    DeviceRoot root_{"celvane-program"};
};

TEST_F(Program, StartsOnAFreshRootAndShutsDownInOrder) {
    ASSERT_EQ(
        Shell(Celvane("--script " + Script("s.txt", "key F1\nkey LEFT\nkey shift+F12\nquit\n"))),
        0);
    // Registry defaults written under the application's key.
    const std::string registry = root_.Read("registry.txt");
    EXPECT_NE(registry.find("[HKEY_CURRENT_USER\\Vorn Electronic\\Tarnwick]"), std::string::npos);
    for (const char* value : {"\"ColorScheme\"", "\"Contrast\"", "\"Backlight\"", "\"DspFile\""})
        EXPECT_NE(registry.find(value), std::string::npos) << value;
    // No language file: English, and it is recorded.
    EXPECT_EQ(root_.Read("FlashFX Disk/System/language.txt"), "9");
    // Without a start screen in mode.txt the program starts on the mode
    // selection and records it.
    EXPECT_EQ(root_.Read("FlashFX Disk/System/mode.txt"), "0");
    const std::string history = root_.Read("FlashFX Disk/HistoryLog.txt");
    for (const char* line :
         {"*********** history *************", "CCelvaneApp::InitInstance", "start-up done",
          "Key Press:0x00000070",   // F1, on its release
          "Key Press:0x00000025",   // the arrow, on its press
          "Key Press:0x0000007b"})  // F12 as the keyboard gave it
        EXPECT_NE(history.find(line), std::string::npos) << line;
    // The DSP link is one of the services start-up creates.
    EXPECT_EQ(history.find("not present: DSP link"), std::string::npos);
    // So are the sensor ports, the GPS receiver and the buffer pool; the
    // default replay log is in place for the simulated receiver.
    for (const char* service : {"serial power-sensor port", "USB power-sensor port", "GPS receiver",
                                "receive-buffer pool", "alert thread", "board I/O device BIO1:"})
        EXPECT_EQ(history.find(std::string("not present: ") + service), std::string::npos)
            << service;
    EXPECT_TRUE(fs::exists(root_.path() / "FlashFX Disk" / "System" / "GPS" / "tn204.log"));
    for (const char* folder : {"My Traces", "My Pictures", "My Setups", "My Lists"})
        EXPECT_TRUE(fs::is_directory(root_.path() / "FlashFX Disk" / folder));
}

// The simulated world comes from the device image's registry: on, the
// platform plugs the simulated board in at power-on; off, the program starts
// without a board and says so in its history.
// The instruments' help texts: UTF-16 with the byte-order mark, made only
// where absent, so a text the user put there stays.
TEST_F(Program, TheImageWritesTheHelpTextsWhereAbsent) {
    const struct {
        const char* file;
        const char* firstLine;
    } texts[] = {{"vna.txt", "Network analyzer keys"},
                 {"specan.txt", "Spectrum analyzer keys"},
                 {"powermeter.txt", "Power meter keys"},
                 {"custom.txt", "Custom help"}};
    for (const auto& t : texts) {
        const std::string bytes = root_.Read(fs::path("FlashFX Disk/Help") / t.file);
        ASSERT_GE(bytes.size(), 2u) << t.file;
        EXPECT_EQ(bytes.substr(0, 2), "\xff\xfe") << t.file;
        // Decoded by iconv, not by the program.
        const std::string text = root_.path() / "decoded.txt";
        ASSERT_EQ(Shell("iconv -f UTF-16 -t UTF-8 " +
                        Quote(root_.path() / "FlashFX Disk/Help" / t.file) + " > " + Quote(text)),
                  0);
        const std::string decoded = root_.Read("decoded.txt");
        EXPECT_EQ(decoded.substr(0, decoded.find("\r\n")), t.firstLine);
    }
    root_.Write("FlashFX Disk/Help/custom.txt", "mine");
    ASSERT_EQ(Shell(Quote(fs::path(CELVANE_SOURCE_DIR) / "scripts" / "make-device-root") + " " +
                    Quote(BinDir()) + " " + Quote(root_.path()) + " >/dev/null 2>&1"),
              0);
    EXPECT_EQ(root_.Read("FlashFX Disk/Help/custom.txt"), "mine");
}

TEST_F(Program, TheRegistrysSimulatedWorldDecidesWhetherTheBoardIsPluggedIn) {
    const std::string kNoBoard = "not present: acquisition board DSP1:";
    ASSERT_EQ(Shell(Celvane("--script " + Script("on.txt", "wait 100\nquit\n"))), 0);
    std::string history = root_.Read("FlashFX Disk/HistoryLog.txt");
    EXPECT_NE(history.find("start-up done"), std::string::npos);
    EXPECT_EQ(history.find(kNoBoard), std::string::npos) << "world on: the board is there";

    std::string registry = root_.Read("registry.txt");
    const std::string key = "[HKEY_LOCAL_MACHINE\\Simulator]";
    const size_t at = registry.find(key);
    ASSERT_NE(at, std::string::npos) << "the device image seeds the simulated world";
    const std::string on = "\"Simulated\"=dword:00000001";
    const size_t value = registry.find(on, at);
    ASSERT_NE(value, std::string::npos);
    registry.replace(value, on.size(), "\"Simulated\"=dword:00000000");
    root_.Write("registry.txt", registry);

    ASSERT_EQ(Shell(Celvane("--script " + Script("off.txt", "wait 100\nquit\n"))), 0);
    history = root_.Read("FlashFX Disk/HistoryLog.txt");
    const size_t last_start = history.rfind("CCelvaneApp::InitInstance");
    ASSERT_NE(last_start, std::string::npos);
    EXPECT_NE(history.find(kNoBoard, last_start), std::string::npos) << "world off: no board";
    EXPECT_NE(history.find("start-up done", last_start), std::string::npos);
}

TEST_F(Program, ASecondInstanceLeavesAtOnceWithoutTouchingTheFirst) {
    const fs::path ready = root_.path() / "ready.png";
    FILE* first = popen(Celvane("--script -").c_str(), "w");
    ASSERT_NE(first, nullptr);
    std::fprintf(first, "shot %s\n", ready.c_str());
    std::fflush(first);
    for (int i = 0; i < 400 && !fs::exists(ready); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    ASSERT_TRUE(fs::exists(ready)) << "the first instance runs";

    root_.Write("FlashFX Disk/HistoryLog.txt", "first's log\n");
    EXPECT_NE(Shell(Celvane("--script " + Script("second.txt", "key F2\nquit\n"))), 0);
    EXPECT_EQ(root_.Read("FlashFX Disk/HistoryLog.txt"), "first's log\n");

    std::fprintf(first, "key F3\nquit\n");
    EXPECT_EQ(ExitStatus(pclose(first)), 0);
    const std::string history = root_.Read("FlashFX Disk/HistoryLog.txt");
    EXPECT_NE(history.find("Key Press:0x00000072"), std::string::npos) << "F3 of the first";
    EXPECT_EQ(history.find("Key Press:0x00000071"), std::string::npos) << "no F2 of the second";
}

TEST_F(Program, TheRunScriptRunsHeadlessWithoutADisplay) {
    // Without a display the program reads its keys from standard input; the
    // end of the input closes it.
    const std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY " +
                            Quote(fs::path(CELVANE_SOURCE_DIR) / "scripts" / "run-instrument") +
                            " " + Quote(BinDir()) + " " + Quote(root_.path()) +
                            " </dev/null >/dev/null 2>&1";
    EXPECT_EQ(Shell(cmd), 0);
    EXPECT_NE(root_.Read("FlashFX Disk/HistoryLog.txt").find("start-up done"), std::string::npos);
}

// A scene edited with a mistake (a number too large for a double, a value
// out of its range): the program refuses to start (status 2) in one line
// that names the file, the place and the value, and starts nothing, so that
// the user's other edits never give way to the default world unseen.
TEST_F(Program, ASceneWithABadValueIsRefusedInOneLine) {
    struct Case {
        const char* scene;
        const char* said;
    };
    const Case cases[] = {
        {"{\"time_scale\": 1e999}", "line 1, time_scale: "},
        {"{\n  \"dut\": {\"cable\": {\"length_m\": -5}}\n}\n",
         "dut.cable.length_m: -5 is out of range"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scene);
        root_.Write("scene.json", c.scene);
        const std::string said = (root_.path() / "said.txt").string();
        const std::string run = Quote(BinDir() / "celvane") + " --root " + Quote(root_.path()) +
                                " --display headless --script " +
                                Script("s.txt", "wait 1000\nquit\n") + " >/dev/null 2>" +
                                Quote(said);
        ASSERT_EQ(Shell(run), 2);
        const std::string errors = root_.Read("said.txt");
        EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
        EXPECT_NE(errors.find((root_.path() / "scene.json").string() + ": "), std::string::npos)
            << errors;
        EXPECT_NE(errors.find(c.said), std::string::npos) << errors;
        EXPECT_EQ(root_.Read("FlashFX Disk/HistoryLog.txt").find("start-up done"),
                  std::string::npos);
    }
}

// A file-size limit below a screenshot's size: the shot fails with its
// message and the script's status, never a signal, and leaves no temporary
// file beside the picture.
TEST_F(Program, AFileSizeLimitFailsAShotWithItsMessageNotASignal) {
    ASSERT_EQ(Shell("command -v prlimit >/dev/null 2>&1"), 0) << "prlimit (util-linux) is missing";
    const fs::path shots = root_.path() / "shots";
    fs::create_directories(shots);
    const fs::path picture = shots / "big.png";
    const std::string run = "prlimit --fsize=4096 " + Quote(BinDir() / "celvane") + " --root " +
                            Quote(root_.path()) + " --display headless --script " +
                            Script("s.txt", "wait 100\nshot " + picture.string() + "\nquit\n") +
                            " >/dev/null 2>" + Quote(root_.path() / "said.txt");
    EXPECT_EQ(Shell(run), 3);
    const std::string said = root_.Read("said.txt");
    EXPECT_NE(said.find("script line 2: cannot write"), std::string::npos) << said;
    EXPECT_TRUE(fs::is_empty(shots)) << "no picture and no temporary file";
}

// Quitting while a dialog holds the frame ends the program as closing the
// frame does: the exit routine runs and the program ends with status 0, with
// no signal and, in the AddressSanitizer build, no report on standard error.
TEST_F(Program, QuitsWithADialogOpen) {
    const struct {
        const char* dialog;
        const char* keys;
    } cases[] = {
        {"start frequency entry", "key 1\nkey F1\nkey 1\n"},
        {"preamplifier warning box", "wait 1000\nkey shift+F3\nwait 200\nkey F5\nwait 200\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dialog);
        // The program starts on the spectrum analyzer.
        root_.Write("FlashFX Disk/System/mode.txt", "2");
        const fs::path open = root_.path() / "open.png", closed = root_.path() / "closed.png";
        const std::string script = std::string(c.keys) + "shot " + open.string() +
                                   "\nkey ESCAPE\nwait 200\nshot " + closed.string() + "\n";
        // The same keys once more, quitting with the dialog open.
        const std::string quit = std::string(c.keys) + "quit\n";
        const fs::path errors = root_.path() / "errors.txt";
        ASSERT_EQ(Shell(Celvane("--script " + Script("look.txt", script + "quit\n"))), 0);
        EXPECT_GT(plat::magick_difference(open, closed), 0) << "the dialog was open";
        const std::string run = Quote(BinDir() / "celvane") + " --root " + Quote(root_.path()) +
                                " --display headless --script " + Script("quit.txt", quit) +
                                " >/dev/null 2>" + Quote(errors);
        EXPECT_EQ(Shell(run), 0);
        const std::string said = root_.Read("errors.txt");
        EXPECT_EQ(said.find("AddressSanitizer"), std::string::npos) << said;
        EXPECT_EQ(root_.Read("FlashFX Disk/System/mode.txt"), "2") << "the exit routine ran";
    }
}

TEST_F(Program, ClosingTheWindowRunsTheShutdownAndEndsWithStatusZero) {
    if (Shell("command -v xvfb-run >/dev/null 2>&1 && command -v python3 >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xvfb-run or python3 is not installed";
    // On a virtual X server: the program opens its SDL window, a client asks
    // the window to close as a window manager's close button does.
    const fs::path closer = fs::path(CELVANE_SOURCE_DIR) / "app/tests/close_x_window.py";
    const std::string inner = Quote(BinDir() / "celvane") + " --root " + Quote(root_.path()) +
                              " --display sdl 2>/dev/null & pid=$!; python3 " + Quote(closer) +
                              " Tarnwick 20; r=$?; if [ $r != 0 ]; then kill $pid; wait $pid; "
                              "exit $((90 + r)); fi; wait $pid";
    std::string escaped;
    for (char c : inner) escaped += c == '\'' ? std::string("'\\''") : std::string(1, c);
    const int status = Shell(
        "ASAN_OPTIONS=detect_leaks=0 SDL_VIDEODRIVER=x11 xvfb-run -a -s "
        "'-screen 0 800x600x24' sh -c '" +
        escaped + "' >/dev/null 2>&1");
    if (status == 92) GTEST_SKIP() << "no X library for the closing client";
    EXPECT_EQ(status, 0);
    EXPECT_NE(root_.Read("FlashFX Disk/HistoryLog.txt").find("start-up done"), std::string::npos);
    // Without a start screen in mode.txt the program starts on the mode
    // selection and records it.
    EXPECT_EQ(root_.Read("FlashFX Disk/System/mode.txt"), "0");
}

}  // namespace

// The title bar's clock moves on by itself once a second while the screen
// stays (on the real clock, where the instrument's time passes).
TEST_F(Program, TheTitleBarClockTicksEverySecond) {
    root_.Write("FlashFX Disk/System/mode.txt", "2");
    const fs::path first = root_.path() / "first.png", later = root_.path() / "later.png";
    ASSERT_EQ(
        Shell(Celvane("--clock real --script " +
                      Script("tick.txt", "wait 1000\nshot " + first.string() +
                                             "\nwait 2200\nshot " + later.string() + "\nquit\n"))),
        0);
    // The clock field of the title bar, from 290 to 530 pixels.
    auto clock = [&](const fs::path& shot, const char* name) {
        const fs::path out = root_.path() / name;
        EXPECT_EQ(Shell("convert " + Quote(shot) + " -crop 240x30+290+0 +repage " + Quote(out)), 0);
        return out;
    };
    EXPECT_GT(plat::magick_difference(clock(first, "c1.png"), clock(later, "c2.png")), 0)
        << "the clock shows the same time two seconds later";
}

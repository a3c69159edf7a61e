// The program's end and start on its device root: `celvane` runs headless on
// a fresh device root, opens a dialog or popup of a screen by keys and is
// told to quit while it stands, every such end clean (status 0); a start
// clears what saves killed part-way left.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "app/tests/app_test_support.h"
#include "app/tests/specan_screen.h"

using namespace app_test;

namespace {

using namespace specan_screen;

struct QuitCase {
    const char* name;
    const char* mode;  // mode.txt: 1 network analyzer, 2 spectrum analyzer
    const char* keys;  // after the start, one key a line
};

// Each opens one dialog or popup and leaves it open.
constexpr QuitCase kQuitCases[] = {
    {"SetupManagerList", "2", "key F20\n"},
    {"SetupManagerLabelAndSave", "2", "key F20\nkey F2\n"},
    {"SetupManagerView", "2", "key F20\nkey F6\n"},
    {"SetupManagerLabelAndSaveVna", "1", "key F20\nkey F2\n"},
    {"SetupManagerViewVna", "1", "key F20\nkey F6\n"},
    {"TraceLabelAndSave", "2", "wait 3000\nkey F18\nkey F2\n"},
    {"TraceRecallList", "2", "key F18\nkey F4\n"},
    {"TraceQuickSaveMessage", "2", "key F18\nkey F1\n"},
    {"TraceLabelAndSaveVna", "1", "wait 3000\nkey F18\nkey F2\n"},
    {"TraceRecallListVna", "1", "key F18\nkey F4\n"},
    {"ModeSelection", "2", "key F19\n"},
    {"ModeSelectionList", "2", "key F19\nkey F14\n"},
    {"Calibration", "1", "key F14\nkey F1\n"},
};

class QuitWithDialog : public ::testing::TestWithParam<QuitCase> {};

TEST_P(QuitWithDialog, EndsCleanly) {
    const QuitCase& c = GetParam();
    DeviceRoot root(std::string("celvane-quit-") + c.name);
    ASSERT_TRUE(MakeRoot(root.path(), R"({"receiver": {"noise_variation": false}})", c.mode));
    const fs::path script = root.path() / "quit.txt";
    std::ofstream(script) << "wait 2000\n" << c.keys << "wait 300\nquit\n";
    const std::string cmd = Quote(BinDir() / "celvane") + " --root " + Quote(root.path()) +
                            " --display headless --script " + Quote(script) + " >/dev/null 2>&1";
    EXPECT_EQ(Shell(cmd), 0) << c.keys;
}

INSTANTIATE_TEST_SUITE_P(Dialogs, QuitWithDialog, ::testing::ValuesIn(kQuitCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A screen image whose save was killed left its temporary file beside the
// pictures (named by the saving process, which is gone); the next start
// removes it and keeps the pictures.
TEST(StartAfterAKill, RemovesTheTemporariesOfKilledSaves) {
    DeviceRoot root("celvane-killed-saves");
    ASSERT_TRUE(MakeRoot(root.path(), R"({"receiver": {"noise_variation": false}})", "2"));
    const fs::path pictures = root.path() / "FlashFX Disk" / "My Pictures";
    fs::create_directories(pictures);
    // No process has an id this high (the kernel's limit is 4194304).
    const fs::path left = pictures / ".Screen003.bmp.tmp-999999999-Ab12Cd";
    std::ofstream(left) << "half an image";
    std::ofstream(pictures / "Screen002.bmp") << "a picture";
    const fs::path script = root.path() / "quit.txt";
    std::ofstream(script) << "wait 500\nquit\n";
    const std::string cmd = Quote(BinDir() / "celvane") + " --root " + Quote(root.path()) +
                            " --display headless --script " + Quote(script) + " >/dev/null 2>&1";
    ASSERT_EQ(Shell(cmd), 0);
    EXPECT_FALSE(fs::exists(left));
    EXPECT_TRUE(fs::exists(pictures / "Screen002.bmp"));
}

}  // namespace

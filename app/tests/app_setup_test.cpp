// The setup manager in the real program: `celvane` runs headless on a fresh
// device root with the simulated board (noise variation off) and the
// virtual clock, takes its script line by line from this test, and the
// board records every command packet it receives ("board.log").
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/tests/app_test_support.h"
#include "app/tests/specan_screen.h"

using namespace app_test;

namespace {

using namespace specan_screen;

constexpr uint16_t kSweepMessage = 0x3001;

class SetupProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(Shell(Quote(fs::path(CELVANE_SOURCE_DIR) / "scripts" / "make-device-root") + " " +
                        Quote(BinDir()) + " " + Quote(root_.path()) + " >/dev/null 2>&1"),
                  0);
        std::ofstream(root_.path() / "scene.json")
            << R"({"receiver": {"noise_variation": false}, "board": {"command_log": "board.log"}})";
        // The program starts on the spectrum analyzer.
        std::ofstream(root_.path() / "FlashFX Disk" / "System" / "mode.txt") << "2";
        const std::string cmd = Quote(BinDir() / "celvane") + " --root " + Quote(root_.path()) +
                                " --display headless --script - >/dev/null 2>&1";
        program_ = popen(cmd.c_str(), "w");
        ASSERT_NE(program_, nullptr);
    }
    void TearDown() override {
        if (!program_) return;
        Send("quit");
        EXPECT_EQ(pclose(program_) >> 8, 0);
    }
    void Send(const std::string& line) {
        std::fputs((line + "\n").c_str(), program_);
        std::fflush(program_);
    }
    // The payloads of the sweep records the board received so far.
    std::vector<std::string> Sweeps() const {
        std::vector<std::string> out;
        std::ifstream in(root_.path() / "board.log");
        std::string line;
        char head[8];
        std::snprintf(head, sizeof head, "%04x:", kSweepMessage);
        while (std::getline(in, line))
            if (line.rfind(head, 0) == 0) out.push_back(line.substr(5));
        return out;
    }
    // Waits until the program has handled every line sent so far.
    void Settle() {
        const fs::path png = root_.path() / ("settle" + std::to_string(++shots_) + ".png");
        Send("shot " + png.string());
        ASSERT_TRUE(Eventually([&] { return fs::exists(png) && fs::file_size(png) > 0; }));
    }
    // Lets platform time pass until the board's sweep records satisfy `ok`.
    bool SweepsUntil(const std::function<bool(const std::vector<std::string>&)>& ok) {
        return Eventually([&] {
            const std::vector<std::string> all = Sweeps();
            if (ok(all)) return true;
            Send("wait 100");
            return false;
        });
    }
    std::vector<std::string> SetupFiles() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(root_.path() / "FlashFX Disk" / "My Setups"))
            if (e.is_regular_file()) out.push_back(e.path().filename().string());
        return out;
    }

    DeviceRoot root_{"celvane-setup"};
    FILE* program_ = nullptr;
    int shots_ = 0;
};

// Quick save names the file by the clock; changed settings come back
// exactly with a recall of that file.
TEST_F(SetupProgram, QuickSaveAndRecallByKeysBringTheSettingsBack) {
    ASSERT_TRUE(SweepsUntil([](const auto& all) { return !all.empty(); }));
    Send("key F20");
    Send("key F1");  // quick save
    Settle();
    const std::vector<std::string> files = SetupFiles();
    ASSERT_EQ(files.size(), 1u);
    std::smatch m;
    const std::regex name(R"(General SA\((\d\d)-(\d\d) (\d\d)-(\d\d)-(\d\d)\)\.tws)");
    ASSERT_TRUE(std::regex_match(files[0], m, name)) << files[0];
    // The name's time is the one the file was stamped with.
    std::ifstream in(root_.path() / "FlashFX Disk" / "My Setups" / files[0]);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string stamp = m[3].str() + ":" + m[4].str() + ":" + m[5].str() + " " + m[1].str() +
                              "/" + m[2].str() + "/";
    EXPECT_NE(text.find("<change date = " + stamp), std::string::npos) << stamp;

    // Back on the spectrum screen (key 8), the last sweep record stands for
    // the saved settings.
    size_t before = Sweeps().size();
    Send("key F8");
    ASSERT_TRUE(SweepsUntil([&](const auto& all) { return all.size() > before; }));
    const std::string saved = Sweeps().back();
    // Centre and span, manual RBW, average detector, reference one
    // division down and gate delay.
    for (const char* line :
         {"key shift+F1", "key F3",    "key 9",  "key 0",        "key 0",        "key F3",
          "key F4",       "key 2",     "key 0",  "key F3",       "key shift+F2", "key F2",
          "key LEFT",     "key F7",    "key F4", "key shift+F3", "key F2",       "key DOWN",
          "key shift+F2", "key F8",    "key F2", "key F3",       "key F7",       "key 2",
          "key 5",        "key RETURN"})
        Send(line);
    before = Sweeps().size();
    ASSERT_TRUE(
        SweepsUntil([&](const auto& all) { return all.size() > before && all.back() != saved; }));
    // The saved setup is the second row (after "Factory SA"): recall it.
    Send("key F20");
    Send("key DOWN");
    Settle();
    before = Sweeps().size();
    Send("key F3");
    ASSERT_TRUE(SweepsUntil([&](const auto& all) { return all.size() > before; }));
    EXPECT_EQ(Sweeps()[before], saved);
}

}  // namespace

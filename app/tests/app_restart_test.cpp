// What the user set survives a restart: the program is run twice as a
// process on one device root, and the simulated board's command log shows
// the sweep it was asked for before the quit and after the start.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/tests/app_test_support.h"

using namespace app_test;

namespace {

namespace fs = std::filesystem;

std::string Quote(const fs::path& p) {
    return "'" + p.string() + "'";
}

// The board's sweep request, as its command log writes it.
constexpr const char* kSweepHead = "3001:";

class Restart : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(MakeDeviceImage(root_.path()), 0);
        std::ofstream(root_.path() / "scene.json")
            << R"({"receiver": {"noise_variation": false}, "board": {"command_log": "board.log"}})";
        std::ofstream(root_.system() / "mode.txt") << "2";
    }

    // Runs the program headless on the virtual clock with `script`; its
    // exit status.
    int Run(const std::string& script) {
        const fs::path file = root_.path() / "script.txt";
        std::ofstream(file) << script;
        const std::string cmd = Quote(BinDir() / "celvane") + " --root " + Quote(root_.path()) +
                                " --display headless --script " + Quote(file) + " >" +
                                Quote(root_.path() / "out.txt") + " 2>&1";
        const int raw = std::system(cmd.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128;
    }

    // The sweep requests in the board's log, oldest first.
    std::vector<std::string> Sweeps() const {
        std::vector<std::string> out;
        std::ifstream in(root_.path() / "board.log");
        for (std::string line; std::getline(in, line);)
            if (line.starts_with(kSweepHead)) out.push_back(line);
        return out;
    }

    std::string History() const {
        std::ifstream in(root_.path() / "FlashFX Disk" / "HistoryLog.txt");
        return {std::istreambuf_iterator<char>(in), {}};
    }

    fs::path Backup() const {
        return root_.path() / "FlashFX Disk" / "My Setups" / "Backup" / "Backup SA.tws";
    }

    DeviceRoot root_{"celvane-restart"};
};

// Centre 940 MHz, span 100 kHz, RBW, reference level and detector set by
// keys; after a quit and a new start the board's first sweep request equals
// its last one before the quit, byte for byte.
TEST_F(Restart, TheFirstSweepAfterARestartIsTheLastBeforeTheQuit) {
    const std::string settings =
        "wait 3000\n"                                          // a factory sweep
        "key shift+F1\nkey F3\nkey 9\nkey 4\nkey 0\nkey F3\n"  // centre 940 MHz
        "key F4\nkey 0\nkey POINT\nkey 1\nkey F3\n"            // span 0.1 MHz
        "key shift+F2\nkey F2\nkey LEFT\nkey F7\nkey F4\n"     // RBW, detector
        "key shift+F3\nkey F2\nkey DOWN\n"                     // reference level
        "wait 3000\nquit\n";
    ASSERT_EQ(Run(settings), 0) << "first run";
    const std::vector<std::string> before = Sweeps();
    ASSERT_FALSE(before.empty());
    ASSERT_NE(before.front(), before.back())
        << "the keys changed no setting: " << before.size() << " sweeps\n"
        << std::ifstream(root_.path() / "board.log").rdbuf();
    ASSERT_TRUE(fs::exists(Backup()));

    ASSERT_EQ(Run("wait 3000\nquit\n"), 0) << "second run";
    const std::vector<std::string> after = Sweeps();
    ASSERT_GT(after.size(), before.size()) << "no sweep after the restart";
    EXPECT_EQ(after[before.size()], before.back());
}

// A missing or damaged backup starts the screen on the factory setup, with
// one history line and no message box in the way of the script.
TEST_F(Restart, AMissingOrDamagedBackupGivesTheFactorySetup) {
    ASSERT_EQ(Run("wait 2000\nquit\n"), 0);
    const std::vector<std::string> factory = Sweeps();
    ASSERT_FALSE(factory.empty());
    const struct Case {
        const char* what;
        const char* content;  // null: no file
    } cases[] = {
        {"missing", nullptr},
        {"damaged", "<html>\n\t<body>\n\t\t<frequency start = x\n"},
        {"binary", "\x01\x02\x00\x7f"},
    };
    for (const Case& c : cases) {
        fs::remove(Backup());
        if (c.content) std::ofstream(Backup()) << c.content;
        const size_t n = Sweeps().size();
        ASSERT_EQ(Run("wait 2000\nquit\n"), 0) << c.what;
        const std::vector<std::string> now = Sweeps();
        ASSERT_GT(now.size(), n) << c.what;
        EXPECT_EQ(now[n], factory.front()) << c.what;
        const std::string history = History();
        size_t lines = 0;
        for (size_t at = 0; (at = history.find("Backup setup not taken", at)) != std::string::npos;
             ++at)
            ++lines;
        EXPECT_EQ(lines, 1u) << c.what << ":\n" << history;
    }
}

// A backup that cannot be written at the quit (its folder is a file) ends
// the program all the same: the message goes to the log, not to a box that
// nobody is left to answer, and the history keeps a line of it.
TEST_F(Restart, ABackupThatCannotBeWrittenAtTheQuitStillEndsTheProgram) {
    const fs::path folder = Backup().parent_path();
    fs::remove_all(folder);
    std::ofstream(folder) << "not a folder";
    ASSERT_EQ(Run("wait 2000\nquit\n"), 0);
    std::ifstream in(root_.path() / "out.txt");
    const std::string out{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(out.find("Message while closing: \\FlashFX Disk\\My Setups\\Backup\\Backup SA.tws"),
              std::string::npos)
        << out;
    EXPECT_NE(History().find("backup setup not saved"), std::string::npos) << History();
}

}  // namespace

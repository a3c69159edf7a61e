// The network analyzer in the real program: `celvane` runs headless on a
// fresh device root whose mode.txt names the network analyzer, with the
// simulated board on the virtual clock, a backup setup of 500 to 1500 MHz
// and the board's command log ("board.log"). The checks read what reached
// the board and what the program left on the volume.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "app/tests/app_test_support.h"
#include "app/tests/specan_screen.h"

using namespace app_test;

namespace {

using Record = specan_screen::BoardRecord;
using namespace specan_screen;

constexpr uint16_t kSweep = 0x2001;
// The calibration standards, the download and the upload.
constexpr uint16_t kOpen = 0x2005, kShort = 0x2006, kLoad = 0x2007, kSolveOnePort = 0x2009;
constexpr uint16_t kFetchEr = 0x200A, kFetchEs = 0x200C, kFetchEd = 0x200E;
constexpr uint16_t kStoreEr = 0x200B, kStoreEs = 0x200D, kStoreEd = 0x200F;
constexpr uint16_t kUploadStart = 0x2013, kUploadFrequencies = 0x2015;

// A scene line with the board's command log and noise variation off.
std::string Scene(const std::string& more) {
    return R"({"receiver": {"noise_variation": false}, "board": {"command_log": "board.log")" +
           more;
}

// The scene's reflectometer errors in front of a short at the port.
const std::string kShortAtThePort =
    Scene(R"(}, "dut": {"cable": {"length_m": 0}, "faults": [], "termination": "short"}})");

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

class VnaProgram : public ::testing::Test {
  protected:
    void TearDown() override { Quit(); }

    // Lays out the root with `scene` and a backup setup of the frequency
    // sweep from `start` to `stop` Hz at `points` points, and starts the
    // program on it.
    void Start(const std::string& scene, uint64_t start = 500000000, uint64_t stop = 1500000000,
               int points = 353) {
        Quit();
        root_.emplace("celvane-vna");
        ASSERT_TRUE(MakeRoot(root_->path(), scene, "1"));
        const fs::path backup = root_->path() / "FlashFX Disk" / "My Setups" / "Backup";
        std::ifstream in(backup / "Factory VNA.tws");
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        char line[96];
        const auto frequency = [&](const char* name, uint64_t hz) {
            std::snprintf(line, sizeof line, "<frequency %s = %010llu>", name,
                          static_cast<unsigned long long>(hz));
            return std::string(line);
        };
        text = Replaced(text, frequency("start", 325000000), frequency("start", start));
        text = Replaced(text, frequency("stop", 3600000000), frequency("stop", stop));
        text = Replaced(text, frequency("center", 1962500000),
                        frequency("center", start + (stop - start) / 2));
        text = Replaced(text, frequency("span", 3275000000), frequency("span", stop - start));
        text =
            Replaced(text, "<data points = 705>", "<data points = " + std::to_string(points) + ">");
        text = Replaced(text, "<setup label = Factory VNA>", "<setup label = Backup VNA>");
        std::ofstream(backup / "Backup VNA.tws") << text;
        Restart();
    }
    // Starts the program again on the same root.
    void Restart() {
        program_ = StartProgram(root_->path(), "virtual");
        ASSERT_NE(program_, nullptr);
    }
    void Quit() {
        if (!program_) return;
        Send("quit");
        EXPECT_EQ(pclose(program_) >> 8, 0);
        program_ = nullptr;
    }
    void Send(const std::string& line) {
        std::fputs((line + "\n").c_str(), program_);
        std::fflush(program_);
    }

    std::vector<Record> Records() const {
        return specan_screen::ReadBoardLog(root_->path() / "board.log");
    }
    // Lets platform time pass until the board received a record of
    // `command` after `after` records; its index, or none.
    std::optional<size_t> Await(uint16_t command, size_t after = 0) {
        std::optional<size_t> at;
        Eventually([&] {
            const auto all = Records();
            for (size_t i = after; i < all.size(); ++i)
                if (all[i].command == command) return (at = i).has_value();
            Send("wait 100");
            return false;
        });
        return at;
    }
    // The calibration and transfer commands (0x2005 to 0x2022, not the DC
    // bias) the board received from record `from` on.
    std::vector<uint16_t> Transfers(size_t from) const {
        std::vector<uint16_t> out;
        const auto all = Records();
        for (size_t i = from; i < all.size(); ++i)
            if (all[i].command >= kOpen && all[i].command <= 0x2022 && all[i].command != 0x2016)
                out.push_back(all[i].command);
        return out;
    }
    // The first sweep after the start's upload (its parameter blocks and the
    // stored terms, if any) ended; its index, or none.
    std::optional<size_t> AwaitUploadEnd(size_t after = 0) {
        const std::optional<size_t> blocks = Await(kUploadFrequencies, after);
        if (!blocks) return blocks;
        return Await(kSweep, *blocks);
    }
    // The one-port calibration by keys once the start's upload ended: the
    // calibration key, then open, short and load, each once the board had
    // the one before.
    void CalibrateByKeys() {
        ASSERT_TRUE(AwaitUploadEnd());
        Send("key F14");
        for (auto [key, command] :
             {std::pair{"key F1", kOpen}, {"key F2", kShort}, {"key F3", kLoad}}) {
            const size_t before = Records().size();
            Send(key);
            ASSERT_TRUE(Await(command, before)) << key;
            Send("wait 2000");
        }
    }
    // A sweep request of the backup setup: its points and range, and the
    // output power given, bit for bit.
    static void ExpectTheBackupsSweep(const Record& r, double dbm) {
        ASSERT_GE(r.payload.size(), 28u);
        EXPECT_EQ(r.Get<uint32_t>(0), 353u);
        EXPECT_EQ(r.Get<uint64_t>(4), 500000000u);
        EXPECT_EQ(r.Get<uint64_t>(12), 1500000000u);
        EXPECT_EQ(r.Get<uint64_t>(20), std::bit_cast<uint64_t>(dbm)) << dbm << " dBm";
    }
    fs::path CalFile() const {
        return root_->path() / "FlashFX Disk" / "My Cals" / "Backup VNA.cal";
    }

    std::optional<DeviceRoot> root_;  // a fresh one at each Start
    FILE* program_ = nullptr;
};

// The first sweep carries the backup setup's points, range and output
// power exactly; a range beyond the analyzer's starts within 3.6 GHz with a
// span of at least 100 kHz.
TEST_F(VnaProgram, StartsOnTheBackupSetupNamedByTheModeFile) {
    Start(Scene("}}"));
    const std::optional<size_t> first = Await(kSweep);
    ASSERT_TRUE(first);
    ExpectTheBackupsSweep(Records()[*first], 0.0);
    Quit();

    Start(Scene("}}"), 3999950000u, 4000000000u);
    const std::optional<size_t> wide = Await(kSweep);
    ASSERT_TRUE(wide);
    const Record w = Records()[*wide];
    EXPECT_LE(w.Get<uint64_t>(12), 3600000000u);
    EXPECT_GE(w.Get<uint64_t>(12) - w.Get<uint64_t>(4), 100000u);
}

// The output power set by keys goes into the backup setup at the quit: the
// next start names the network analyzer again and sweeps with that power
// over the same range and points.
TEST_F(VnaProgram, ASettingMadeByKeysIsKeptForTheNextStart) {
    Start(Scene("}}"));
    const std::optional<size_t> idle = AwaitUploadEnd();
    ASSERT_TRUE(idle);
    Send("key F15");  // amplitude
    Send("key F6");   // output power
    Send("key LEFT");
    const auto at_power = [&](size_t after, double dbm) {
        std::optional<size_t> found;
        Eventually([&] {
            const auto all = Records();
            for (size_t i = after; i < all.size(); ++i)
                if (all[i].command == kSweep && all[i].payload.size() >= 28 &&
                    all[i].Get<uint64_t>(20) == std::bit_cast<uint64_t>(dbm))
                    return (found = i).has_value();
            Send("wait 100");
            return false;
        });
        return found;
    };
    ASSERT_TRUE(at_power(*idle, -20.0)) << "the power never reached the board";
    Quit();
    std::ifstream mode(root_->path() / "FlashFX Disk" / "System" / "mode.txt");
    std::string id;
    mode >> id;
    EXPECT_EQ(id, "1");

    const size_t before = Records().size();
    Restart();
    const std::optional<size_t> first = Await(kSweep, before);
    ASSERT_TRUE(first);
    ExpectTheBackupsSweep(Records()[*first], -20.0);
}

// Open, short and load by keys fetch the one-port terms and nothing else;
// the program's end saves them beside the backup setup, and the next start
// uploads them before it sweeps.
TEST_F(VnaProgram, ACalibrationByKeysIsFetchedSavedAndUploadedAtTheNextStart) {
    Start(kShortAtThePort);
    const std::optional<size_t> sweeping = AwaitUploadEnd();
    ASSERT_TRUE(sweeping);
    CalibrateByKeys();
    ASSERT_TRUE(Await(kFetchEd));
    Send("wait 2000");
    const std::vector<uint16_t> sent = Transfers(*sweeping);
    EXPECT_EQ(sent, (std::vector<uint16_t>{kOpen, kShort, kLoad, kSolveOnePort, kFetchEr, kFetchEs,
                                           kFetchEd}));
    Quit();
    ASSERT_TRUE(fs::exists(CalFile()));
    // 4 + 1 + 8 bytes of magic and serial, 32 of sweep, 3 terms of the 705
    // display points the terms are kept for.
    EXPECT_EQ(fs::file_size(CalFile()), 5u + 8 + 32 + 3 * (5 + 705 * 8));

    const size_t before = Records().size();
    Restart();
    ASSERT_TRUE(Await(kStoreEd, before));
    std::vector<uint16_t> upload;
    for (uint16_t id : Transfers(before))
        if (upload.empty() || upload.back() != id) upload.push_back(id);
    EXPECT_EQ(upload, (std::vector<uint16_t>{kUploadStart, kUploadFrequencies, kStoreEr, kStoreEs,
                                             kStoreEd}));
}

// A fetch the board leaves unanswered: after 20 s the program asks whether
// to try again. Yes fetches the term again and the calibration completes;
// No leaves it invalid, so nothing is saved and the next start uploads no
// term.
TEST_F(VnaProgram, AnUnansweredFetchAsksAndYesCompletesTheCalibration) {
    const std::string scene = Replaced(kShortAtThePort, R"("command_log": "board.log")",
                                       R"("command_log": "board.log", )"
                                       R"("unanswered": [{"message": 8204, "replies": 1}])");
    for (const bool yes : {true, false}) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        Start(scene);
        CalibrateByKeys();
        const std::optional<size_t> fetch = Await(kFetchEs);
        ASSERT_TRUE(fetch);
        Send("wait 19000");
        Send("wait 2000");
        if (!yes) Send("key RIGHT");
        Send("key RETURN");
        if (yes) {
            const std::optional<size_t> again = Await(kFetchEs, *fetch + 1);
            ASSERT_TRUE(again);
            const std::optional<size_t> last = Await(kFetchEd, *again);
            ASSERT_TRUE(last);
            // The live sweep resumes once the last term is in: the
            // calibration is complete before the quit.
            EXPECT_TRUE(Await(kSweep, *last));
        } else {
            Send("wait 2000");
        }
        Quit();
        EXPECT_EQ(fs::exists(CalFile()), yes);
        const size_t before = Records().size();
        Restart();
        ASSERT_TRUE(AwaitUploadEnd(before));
        std::vector<uint16_t> upload = Transfers(before);
        upload.erase(std::unique(upload.begin(), upload.end()), upload.end());
        const std::vector<uint16_t> expected =
            yes ? std::vector<uint16_t>{kUploadStart, kUploadFrequencies, kStoreEr, kStoreEs,
                                        kStoreEd}
                : std::vector<uint16_t>{kUploadStart, kUploadFrequencies};
        EXPECT_EQ(upload, expected);
        Quit();
    }
}

// An upload whose source-match table the board never acknowledged: after
// 20 s the program asks whether to try again, and Yes sends the tables not
// yet acknowledged (source match and directivity), not reflection tracking.
TEST_F(VnaProgram, AnUnacknowledgedTableAsksAndYesSendsItAndTheRestAgain) {
    const std::string scene = Replaced(kShortAtThePort, R"("command_log": "board.log")",
                                       R"("command_log": "board.log", )"
                                       R"("unanswered": [{"message": 8205, "replies": 1}])");
    Start(scene);
    CalibrateByKeys();
    ASSERT_TRUE(Await(kFetchEd));
    Send("wait 2000");
    Quit();
    ASSERT_TRUE(fs::exists(CalFile()));

    const size_t before = Records().size();
    Restart();
    const std::optional<size_t> store = Await(kStoreEs, before);
    ASSERT_TRUE(store);
    Send("wait 21000");
    Send("key RETURN");  // Yes
    const std::optional<size_t> again = Await(kStoreEd, *store);
    ASSERT_TRUE(again);
    ASSERT_TRUE(Await(kSweep, *again));
    const std::vector<uint16_t> packets = Transfers(before);
    const auto count = [&](uint16_t id) { return std::count(packets.begin(), packets.end(), id); };
    EXPECT_GT(count(kStoreEr), 0);
    EXPECT_EQ(count(kStoreEs), 2 * count(kStoreEr)) << "source match is sent twice";
    EXPECT_EQ(count(kStoreEd), count(kStoreEr)) << "directivity once, after the retry";
    std::vector<uint16_t> order = packets;
    order.erase(std::unique(order.begin(), order.end()), order.end());
    EXPECT_EQ(order, (std::vector<uint16_t>{kUploadStart, kUploadFrequencies, kStoreEr, kStoreEs,
                                            kStoreEd}));
}

}  // namespace

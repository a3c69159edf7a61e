#pragma once
// The network analyzer in the real program: `celvane` runs headless on a
// fresh device root whose mode.txt names the network analyzer, with the
// simulated board on the virtual clock, a backup setup of the range and
// points given and the board's command log ("board.log"). Checks read what
// reached the board and what the program left on the volume.
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

namespace vna_program {

using namespace app_test;

using Record = specan_screen::BoardRecord;
using namespace specan_screen;

inline constexpr uint16_t kSweep = 0x2001;
// The calibration standards, the download and the upload.
inline constexpr uint16_t kOpen = 0x2005, kShort = 0x2006, kLoad = 0x2007, kSolveOnePort = 0x2009;
inline constexpr uint16_t kFetchEr = 0x200A, kFetchEs = 0x200C, kFetchEd = 0x200E;
inline constexpr uint16_t kStoreEr = 0x200B, kStoreEs = 0x200D, kStoreEd = 0x200F;
inline constexpr uint16_t kUploadStart = 0x2013, kUploadFrequencies = 0x2015;

// A scene line with the board's command log and noise variation off.
inline std::string Scene(const std::string& more) {
    return R"({"receiver": {"noise_variation": false}, "board": {"command_log": "board.log")" +
           more;
}

// The scene's reflectometer errors in front of a short at the port.
inline const std::string kShortAtThePort =
    Scene(R"(}, "dut": {"cable": {"length_m": 0}, "faults": [], "termination": "short"}})");

inline std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

class VnaProgram : public ::testing::Test {
  protected:
    void TearDown() override { Quit(); }

    // Lays out the root with `scene` and a backup setup of the frequency
    // sweep from `start` to `stop` Hz at `points` points, and starts the
    // program on it; `edit` may change the setup's text and lay out more files before the
    // start.
    void Start(const std::string& scene, uint64_t start = 500000000, uint64_t stop = 1500000000,
               int points = 353, const std::function<std::string(std::string)>& edit = nullptr) {
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
        if (edit) text = edit(std::move(text));
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
    // `command` after `after` records (one that `matches`, when given); its
    // index, or none.
    std::optional<size_t> Await(uint16_t command, size_t after = 0,
                                const std::function<bool(const Record&)>& matches = nullptr) {
        std::optional<size_t> at;
        Eventually([&] {
            const auto all = Records();
            for (size_t i = after; i < all.size(); ++i)
                if (all[i].command == command && (!matches || matches(all[i])))
                    return (at = i).has_value();
            Send("wait 100");
            return false;
        });
        return at;
    }
    // The first sweep request at the output power given after record
    // `after`; its index, or none.
    std::optional<size_t> AwaitPower(size_t after, double dbm) {
        return Await(kSweep, after, [dbm](const Record& r) {
            return r.payload.size() >= 28 && r.Get<uint64_t>(20) == std::bit_cast<uint64_t>(dbm);
        });
    }
    // Returns once the program took every line sent so far (a screenshot
    // of that moment was written).
    void Sync() {
        const fs::path png = root_->path() / ("sync" + std::to_string(++syncs_) + ".png");
        Send("shot " + png.string());
        EXPECT_TRUE(Eventually([&] { return fs::exists(png); }));
    }
    // Lets `ms` of platform time pass a few seconds at a time, each step
    // synchronised: on a slow machine the sweeps of a long wait take real
    // time, and no single step may run into a check's limit.
    void Pass(uint32_t ms) {
        constexpr uint32_t kStepMs = 5000;
        for (uint32_t left = ms; left > 0;) {
            const uint32_t step = std::min(left, kStepMs);
            Send("wait " + std::to_string(step));
            Sync();
            left -= step;
        }
    }
    // The trace files on the flash volume.
    std::vector<fs::path> TraceFiles() const {
        const fs::path folder = root_->path() / "FlashFX Disk" / "My Traces";
        std::vector<fs::path> out;
        if (fs::exists(folder))
            for (const auto& e : fs::directory_iterator(folder)) out.push_back(e.path());
        return out;
    }
    // Quick Save from the file menu, tried again after `wait_ms` of platform
    // time (Enter closing the refusal box) until a trace file is written;
    // false when none ever is.
    bool QuickSaveUntilWritten(uint32_t wait_ms) {
        return Eventually([&] {
            Send("wait " + std::to_string(wait_ms));
            Send("key F18");  // file menu
            Send("key F1");   // quick save
            Sync();
            if (!TraceFiles().empty()) return true;
            Send("key RETURN");
            return false;
        });
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
    int syncs_ = 0;
};

}  // namespace vna_program

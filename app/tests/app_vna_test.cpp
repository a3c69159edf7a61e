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
#include "app/tests/vna_program.h"

using namespace app_test;

namespace {

using namespace vna_program;

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
    ASSERT_TRUE(AwaitPower(*idle, -20.0)) << "the power never reached the board";
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

// A one-port calibration stays with the setup while the gain measurement is
// current: the end's backup names it, the next start uploads its terms, and
// back on the match measurement a trace saved by keys is a corrected one.
TEST_F(VnaProgram, ACalibrationIsKeptWhenTheProgramEndsOnTheGainMeasurement) {
    constexpr uint16_t kGainSweep = 0x2002;
    Start(kShortAtThePort);
    CalibrateByKeys();
    ASSERT_TRUE(Await(kFetchEd));
    Send("wait 2000");
    const size_t calibrated = Records().size();
    Send("key F16");  // the measurement menu
    Send("key F1");   // the measurement list
    Send("key F4");   // gain
    ASSERT_TRUE(Await(kGainSweep, calibrated)) << "the gain measurement never swept";
    Quit();
    const fs::path backup =
        root_->path() / "FlashFX Disk" / "My Setups" / "Backup" / "Backup VNA.tws";
    std::ifstream in(backup);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("<measurement id = gain>"), std::string::npos);
    EXPECT_NE(text.find("\t<Has Calibration>\n"), std::string::npos);
    ASSERT_TRUE(fs::exists(CalFile()));

    const size_t before = Records().size();
    Restart();
    const std::optional<size_t> stored = Await(kStoreEd, before);
    ASSERT_TRUE(stored) << "the next start uploaded no calibration";
    const std::optional<size_t> gain = Await(kGainSweep, *stored);
    ASSERT_TRUE(gain) << "the next start is not on the gain measurement";
    Send("key F16");
    Send("key F1");
    Send("key F1");  // match, where the one-port terms apply
    ASSERT_TRUE(Await(kSweep, *gain)) << "the match measurement never swept";
    ASSERT_TRUE(QuickSaveUntilWritten(1000));
    // A short behind a corrected port reads 0 dB return loss at every point;
    // calibration type 1 is the one-port.
    EXPECT_EQ(specan_screen::Shell(std::string("python3 ") + CELVANE_SOURCE_DIR +
                                   "/app/tests/vna_trace_check.py " +
                                   specan_screen::Quote(TraceFiles()[0]) + " 353 0.0 0.5 1"),
              0);
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
        Pass(19000);
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
    Pass(21000);
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

namespace {

// A reflectometer without error in front of a 20 dB load.
const std::string kTwentyDbLoad =
    Scene(R"(}, "error_terms": {"directivity_db": 300, "source_match_db": 300,)"
          R"( "reflection_tracking_db": 0, "tracking_delay_ns": 0},)"
          R"( "dut": {"cable": {"length_m": 0}, "faults": [], "termination": "load",)"
          R"( "load_return_loss_db": 20}})");

// A trace saved by keys (file menu, quick save) after a whole sweep: Python
// reads its 353 points of the 20 dB load and no calibration. The output
// power turned down by keys, the recall by keys (recall, Enter on the list)
// brings back the file's setup: the next sweep asks 0.0 dBm again.
TEST_F(VnaProgram, ATraceSavedByKeysIsReadByPythonAndRecalledByKeys) {
    Start(kTwentyDbLoad);
    const std::optional<size_t> idle = AwaitUploadEnd();
    ASSERT_TRUE(idle);
    // A save before the first whole sweep is refused with a box, which
    // Enter closes; the save is tried again after more platform time.
    ASSERT_TRUE(QuickSaveUntilWritten(500));
    const size_t saved = TraceFiles().size();
    const fs::path file = TraceFiles()[0];
    EXPECT_EQ(specan_screen::Shell(std::string("python3 ") + CELVANE_SOURCE_DIR +
                                   "/app/tests/vna_trace_check.py " + specan_screen::Quote(file) +
                                   " 353 -20.0 0.05 0"),
              0);
    EXPECT_EQ(specan_screen::Shell(std::string("python3 ") + CELVANE_SOURCE_DIR +
                                   "/files/tests/trace_checksum.py " + specan_screen::Quote(file) +
                                   " >/dev/null"),
              0);

    const size_t before = Records().size();
    Send("key F15");  // amplitude
    Send("key F6");   // output power
    Send("key LEFT");
    const std::optional<size_t> lowered = AwaitPower(before, -20.0);
    ASSERT_TRUE(lowered) << "the power never reached the board";
    Send("key F18");  // file menu
    Send("key F4");   // recall: the list of traces
    Send("wait 1000");
    Send("key RETURN");
    EXPECT_TRUE(AwaitPower(*lowered + 1, 0.0)) << "the recalled setup never reached the board";
    EXPECT_EQ(TraceFiles().size(), saved);
}

// Quick save by keys while the network analyzer sweeps on: each press
// saves the last whole sweep, which Python reads as 353 points of the
// 20 dB load; no press is refused.
TEST_F(VnaProgram, AQuickSaveDuringAContinuousSweepSavesTheLastWholeSweep) {
    Start(kTwentyDbLoad);
    ASSERT_TRUE(AwaitUploadEnd());
    // Each press lands at another point of the sweep after a whole one.
    for (const char* wait : {"wait 2000", "wait 2137", "wait 2071"}) {
        const size_t before = TraceFiles().size();
        Send(wait);
        Send("key F18");  // file menu
        Send("key F1");   // quick save
        Sync();
        ASSERT_EQ(TraceFiles().size(), before + 1) << "refused after " << wait;
    }
    for (const fs::path& file : TraceFiles()) {
        EXPECT_EQ(specan_screen::Shell(std::string("python3 ") + CELVANE_SOURCE_DIR +
                                       "/app/tests/vna_trace_check.py " +
                                       specan_screen::Quote(file) + " 353 -20.0 0.05 0"),
                  0);
    }
}

}  // namespace

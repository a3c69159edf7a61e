// The settings pages of the network analyzer in the real program, by keys,
// run headless: the cable list of the distance-to-fault setup with the list
// file "CableTypeSettings.csv" of three cables (each cable chosen reaches
// the board in the distance-to-fault record: its Vp and its loss at the
// centre frequency), the wizard, the sweep page, and the DC bias of the gain
// measurement watched by its timer.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <optional>
#include <string>
#include <vector>

#include "app/tests/vna_program.h"

namespace {

using namespace vna_program;

constexpr uint16_t kDtfSweep = 0x2004;
constexpr uint16_t kGainSweep = 0x2002, kStop = 0x0041;
constexpr uint16_t kBias = 0x2016, kBiasQuery = 0x2017;

// Match85 loses 0.05 dB/m everywhere, Slow66 nothing, Lossy66 0.10 dB/m up
// to 1000 MHz and 0.30 dB/m from 1700 MHz on.
constexpr char kCables[] =
    "Name,Vp,450,824,894,960,1000,1700,1920,2000,2500\n"
    "Match85,0.85,0.05,0.05,0.05,0.05,0.05,0.05,0.05,0.05,0.05\n"
    "Slow66,0.66,0,0,0,0,0,0,0,0,0\n"
    "Lossy66,0.66,0.10,0.10,0.10,0.10,0.10,0.30,0.30,0.30,0.30\n";

// A 26 dB fault at 12 m on a cable of Vp 0.85 ending in a 60 dB load.
const std::string kFaultScene =
    Scene(R"(}, "dut": {"cable": {"length_m": 19, "velocity_factor": 0.85, "loss_db_per_m": 0},)"
          R"( "faults": [{"distance_m": 12, "return_loss_db": 26}], "termination": "load",)"
          R"( "load_return_loss_db": 60}})");

class VnaCableProgram : public VnaProgram {
  protected:
    // Distance to fault over 850 to 1850 MHz at 705 points, 0.1 to 20 m,
    // with the list file (or none).
    void StartOnDtf(bool with_list, uint64_t start = 850000000, uint64_t stop = 1850000000,
                    int points = 705) {
        Start(kFaultScene, start, stop, points, [&](std::string text) {
            text = Replaced(text, "<measurement id = frequency sweep>",
                            "<measurement id = distance to fault>");
            text = Replaced(text, "<dtf stop = 28.677999>", "<dtf stop = 20.000000>");
            if (with_list) {
                const fs::path lists = root_->path() / "FlashFX Disk" / "My Lists";
                fs::create_directories(lists);
                std::ofstream(lists / "CableTypeSettings.csv", std::ios::binary) << kCables;
            }
            return text;
        });
    }
    // Types a number into the entry that has the focus (a digit key each, a
    // point for the point) and lets the program take it.
    void Type(const std::string& number) {
        for (char c : number) Send(c == '.' ? "key PERIOD" : std::string("key ") + c);
        Send("wait 200");
        Sync();
    }
    // The commands of the board log from record `from` on.
    std::vector<uint16_t> Commands(size_t from) const {
        std::vector<uint16_t> out;
        const auto all = Records();
        for (size_t i = from; i < all.size(); ++i) out.push_back(all[i].command);
        return out;
    }
    // The number of records of `command` from record `from` on.
    size_t Count(uint16_t command, size_t from) const {
        const auto c = Commands(from);
        return static_cast<size_t>(std::count(c.begin(), c.end(), command));
    }
    // The first distance-to-fault record after `after` whose Vp word is
    // `vp`; its index.
    std::optional<size_t> AwaitVp(uint32_t vp, size_t after) {
        return Await(kDtfSweep, after, [vp](const Record& r) {
            return r.payload.size() >= 44 && r.Get<uint32_t>(32) == vp;
        });
    }
};

// The list by keys: M4 shows the distance-to-fault page, S5 the cable page,
// S1 the list (None, Match85, Slow66, Lossy66; once a cable was chosen it
// stands first, above the dashes).
TEST_F(VnaCableProgram, EachCableChosenByKeysReachesTheBoard) {
    StartOnDtf(true);
    ASSERT_TRUE(Await(kUploadFrequencies));
    const std::optional<size_t> first = Await(kDtfSweep);
    ASSERT_TRUE(first);
    EXPECT_EQ(Records()[*first].Get<uint32_t>(32), 8900u) << "the setup's own Vp first";
    Send("key F16");
    Send("key F5");
    struct Case {
        const char* name;
        std::vector<std::string> keys;
        uint32_t vp;
        float loss;  // at 1350 MHz
    } cases[] = {
        {"Match85", {"key DOWN"}, 8500, 0.05f},
        {"Slow66", {"key F5", "key UP"}, 6600, 0.0f},
        {"Lossy66", {"key F5"}, 6600, 0.2f},
    };
    size_t after = *first;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Send("key F1");
        Send("wait 500");
        for (const std::string& key : c.keys) Send(key);
        Send("key RETURN");
        const std::optional<size_t> at = AwaitVp(c.vp, after + 1);
        ASSERT_TRUE(at) << "no record with Vp " << c.vp;
        const Record r = Records()[*at];
        EXPECT_FLOAT_EQ(std::bit_cast<float>(r.Get<uint32_t>(36)), c.loss);
        after = *at;
    }
}

// The wizard by keys on a setup centred at 1 GHz: Vp 80 %, no loss, 100 m
// of cable at 0.5 m. No calibration matches the new sweep, so the
// calibration page opens (its first key measures the open); the frequency
// key leaves it, and the board sweeps the wizard's range: 353 points over
// 337,686,240 Hz around 1 GHz, to 125 m.
TEST_F(VnaCableProgram, TheWizardByKeysSetsTheSweepAndOpensTheCalibration) {
    StartOnDtf(false, 500000000, 1500000000, 353);
    ASSERT_TRUE(Await(kUploadFrequencies));
    const std::optional<size_t> first = Await(kDtfSweep);
    ASSERT_TRUE(first);
    Send("key F16");  // page 27
    Send("key F7");   // the wizard
    Send("wait 500");
    Type("80");
    Send("key F6");
    Type("0");
    Send("key F6");
    Type("100");
    Send("key F6");
    Send("key F6");  // the centre as it stands
    Type("0.5");
    Send("key RETURN");
    Sync();
    const size_t wizard_done = Records().size();
    Send("key F1");  // the calibration page's open
    // The open reaches the board as platform time passes: the link may wait
    // on the board's answer to the stop before it, with a timeout of its own.
    for (int step = 0; step < 10 && Count(kOpen, wizard_done) == 0; ++step) {
        Send("wait 500");
        Sync();
    }
    ASSERT_TRUE(Await(kOpen, wizard_done)) << "the calibration page did not open";
    Send("wait 2000");
    Send("key F13");  // leaves the calibration
    const std::optional<size_t> at = AwaitVp(8000, wizard_done);
    ASSERT_TRUE(at);
    const Record r = Records()[*at];
    EXPECT_EQ(r.Get<uint64_t>(0), 831156880u);
    EXPECT_EQ(r.Get<uint64_t>(8), 1168843120u);
    EXPECT_EQ(r.Get<uint16_t>(16), 353u);
    EXPECT_EQ(std::bit_cast<float>(r.Get<uint32_t>(28)), 125.0f);
}

// Single sweep from the sweep page (amplitude S7, S1): the board is stopped
// after the sweep and asked for no other; the manual trigger (S2) gives
// exactly one more sweep, stopped again.
TEST_F(VnaCableProgram, ASingleSweepStopsAndTheTriggerGivesExactlyOneMore) {
    Start(Scene("}}"));
    const std::optional<size_t> idle = AwaitUploadEnd();
    ASSERT_TRUE(idle);
    const size_t before = Records().size();
    Send("key F15");  // amplitude
    Send("key F7");   // the sweep page
    Send("key F1");   // single
    const std::optional<size_t> sweep = Await(kSweep, before);
    ASSERT_TRUE(sweep);
    const std::optional<size_t> stop = Await(kStop, *sweep + 1);
    ASSERT_TRUE(stop) << "the single sweep was not stopped";
    Send("wait 5000");
    Sync();
    EXPECT_EQ(Count(kSweep, *stop), 0u);

    Send("key F2");  // one more
    const std::optional<size_t> again = Await(kSweep, *stop);
    ASSERT_TRUE(again);
    const std::optional<size_t> stop_again = Await(kStop, *again + 1);
    ASSERT_TRUE(stop_again) << "the triggered sweep was not stopped";
    Send("wait 5000");
    Sync();
    EXPECT_EQ(Count(kSweep, *stop), 1u);
}

// Data points from the sweep page (S3): two steps down from 353 choose 1409,
// and the next sweep request carries them.
TEST_F(VnaCableProgram, DataPointsChosenOnTheSweepPageReachTheBoard) {
    Start(Scene("}}"));
    const std::optional<size_t> idle = AwaitUploadEnd();
    ASSERT_TRUE(idle);
    const size_t before = Records().size();
    Send("key F15");
    Send("key F7");
    Send("key F3");  // data points
    Send("wait 500");
    Send("key DOWN");
    Send("key DOWN");
    Send("key RETURN");
    EXPECT_TRUE(Await(kSweep, before, [](const Record& r) {
        return r.payload.size() >= 4 && r.Get<uint32_t>(0) == 1409u;
    }));
}

// The DC bias of the gain measurement by keys (page 29 S3), watched by its
// timer on the virtual clock. At 0.12 A each 20 s tick asks the current and
// the bias stays on until the match is chosen; at 1.2 A the first answer
// switches it off, and no query follows.
TEST_F(VnaCableProgram, TheDcBiasIsWatchedByItsTimer) {
    struct Case {
        const char* current;
        bool stays_on;
    } cases[] = {{"0.12", true}, {"1.2", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.current);
        Start(Scene(std::string(R"(}, "dut": {"gain_db": 20, "bias_current_a": )") + c.current +
                    "}}"),
              500000000, 1500000000, 353, [](std::string text) {
                  return Replaced(text, "<measurement id = frequency sweep>",
                                  "<measurement id = gain>");
              });
        const std::optional<size_t> blocks = Await(kUploadFrequencies);
        ASSERT_TRUE(blocks);
        ASSERT_TRUE(Await(kGainSweep, *blocks));
        const size_t before = Records().size();
        Send("key F16");  // page 29
        Send("key F3");   // DC bias
        const auto on = Await(kBias, before, [](const Record& r) {
            return r.payload == std::vector<uint8_t>{0, 1, 0, 0};
        });
        ASSERT_TRUE(on);
        const auto is_off = [](const Record& r) {
            return r.payload == std::vector<uint8_t>{0, 0, 0, 0};
        };
        Pass(21000);
        const std::optional<size_t> query = Await(kBiasQuery, *on);
        ASSERT_TRUE(query);
        if (c.stays_on) {
            Pass(20000);
            EXPECT_TRUE(Await(kBiasQuery, *query + 1)) << "the watchdog stopped";
            Sync();
            size_t offs = 0;
            const auto all = Records();
            for (size_t i = *on; i < all.size(); ++i)
                if (all[i].command == kBias && is_off(all[i])) ++offs;
            EXPECT_EQ(offs, 0u) << "the bias went off";
            // The match chosen (S1, S1 on the same page) switches it off at
            // the board, before the match sweeps, and the watchdog ends.
            const size_t switched = Records().size();
            Send("key F1");
            Send("key F1");
            const std::optional<size_t> match = Await(kSweep, switched);
            ASSERT_TRUE(match);
            const std::optional<size_t> off = Await(kBias, switched, is_off);
            ASSERT_TRUE(off) << "the match left the bias on";
            EXPECT_LT(*off, *match);
            Pass(41000);
            Sync();
            EXPECT_EQ(Count(kBiasQuery, *off + 1), 0u) << "queries after the bias went off";
        } else {
            const std::optional<size_t> off = Await(kBias, *query, is_off);
            ASSERT_TRUE(off) << "the over-current left the bias on";
            Send("key RETURN");  // the over-current box
            Pass(41000);
            Sync();
            EXPECT_EQ(Count(kBiasQuery, *query + 1), 0u) << "queries after the bias went off";
        }
        Quit();
    }
}

}  // namespace

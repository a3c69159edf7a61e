// The cable list of the network analyzer in the real program, by keys: the
// measure menu, the cable page and its list, run headless over a setup of
// distance to fault with the list file "CableTypeSettings.csv" of three
// cables. Each cable chosen reaches the board in the distance-to-fault
// record: its Vp and its loss at the centre frequency.
#include <gtest/gtest.h>

#include <bit>
#include <optional>
#include <string>
#include <vector>

#include "app/tests/vna_program.h"

namespace {

using namespace vna_program;

constexpr uint16_t kDtfSweep = 0x2004;

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
    void StartOnDtf(bool with_list) {
        Start(kFaultScene, 850000000, 1850000000, 705, [&](std::string text) {
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

}  // namespace

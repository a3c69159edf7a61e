// The network analyzer's sweep restart from its setup, in-process against
// the simulated board through the acquisition driver: the recall page, no
// waterfall, the sweep asked again, and the DC bias left on only for the
// gain measurement (the board is told when it goes off).
#include <gtest/gtest.h>

#include <vector>

#include "screens/vna/tests/vna_screen_rig.h"

namespace {

using namespace vna_test;

TEST_F(VnaScreen, ARestartFromTheSetupKeepsTheDcBiasOnlyForTheGainMeasurement) {
    struct Case {
        int type;
        uint16_t sweep;
        bool bias_stays;
    } cases[] = {
        {vna::kMatch, dsp::msg::kReflectionSweep, false},
        {vna::kGain, dsp::msg::kTransmissionSweep, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        if (screen_) TearDown();
        Start(IdealScene(20));
        Choose(c.type);
        Activate();
        screen_->SetDcBiasOn(true);
        ASSERT_TRUE(setup().SetWaterfallMode(1));
        const size_t from = PacketCount();
        screen_->InstrumentHook();
        EXPECT_EQ(screen_->GetActiveFunction(), CVnaMode::kPageRecall);
        EXPECT_EQ(setup().GetWaterfallMode(), 0);
        EXPECT_EQ(screen_->IsDcBiasOn(), c.bias_stays);
        // The bias off reaches the board before the sweep is asked again.
        ASSERT_TRUE(Until([&] { return Has(Commands(from), c.sweep); }));
        const auto packets = rig_->board().Packets();
        size_t off = packets.size(), sweep = packets.size();
        for (size_t i = packets.size(); i-- > from;) {
            if (packets[i].command == dsp::msg::kOption &&
                packets[i].payload == std::vector<uint8_t>{0, 0, 0, 0})
                off = i;
            if (packets[i].command == c.sweep) sweep = i;
        }
        if (c.bias_stays) {
            EXPECT_EQ(off, packets.size()) << "the bias was switched off";
        } else {
            EXPECT_LT(off, sweep);
        }
    }
}

}  // namespace

// The spectrum analyzer's settings rules on a real setup object.
#include "screens/specan/specan_settings.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/params.h"
#include "core/units.h"
#include "files/sa_meas_setup.h"
#include "files/trigger_settings.h"

using namespace specan;

namespace {

constexpr uint64_t kMHz = 1000000;

// A setup with a frequency range of `span` hertz, so the bandwidth block
// re-couples on every change.
struct SetupWithSpan {
    explicit SetupWithSpan(uint64_t span) {
        setup.GetFrequencyRange()->SetCentre(1000 * kMHz, true);
        setup.GetFrequencyRange()->SetSpan(span, true);
        block().UpdateForSpan(span);
    }
    CChoiceBlock& block() { return *setup.GetBandwidthSettings(); }
    CSAMeasSetup setup;
};

double Dbm(const CMeasSetup& s) {
    return s.GetReferenceLevelDbm();
}

}  // namespace

// Span 3 MHz with Span/RBW 300 gives RBW 10 kHz, and RBW/VBW 3 gives 3,333 Hz,
// so VBW 3 kHz (table values by hand, not from the block).
TEST(SpecanBandwidth, AutomaticBandwidthsFollowTheSpan) {
    SetupWithSpan s(3 * kMHz);
    s.block().SetSpanRatio(300, true);
    s.block().SetVbwRatio(3, true);
    EXPECT_EQ(CChoiceBlock::RbwHertz(s.block().GetRbwIndex()), 10000u);
    EXPECT_EQ(CChoiceBlock::VbwHertz(s.block().GetVbwIndex()), 3000u);
}

// With a manual RBW and an automatic VBW: a new RBW moves the VBW, a span
// change moves neither.
TEST(SpecanBandwidth, ManualRbwKeepsItsValueAndDrivesTheVbw) {
    SetupWithSpan s(3 * kMHz);
    s.block().SetRbwMode(CChoiceBlock::kModeManual, true);
    ASSERT_TRUE(StepBandwidth(s.block(), kKeyRbw, kArrowUp));  // 10 kHz -> 30 kHz
    EXPECT_EQ(CChoiceBlock::RbwHertz(s.block().GetRbwIndex()), 30000u);
    EXPECT_EQ(CChoiceBlock::VbwHertz(s.block().GetVbwIndex()), 10000u);
    s.setup.GetFrequencyRange()->SetSpan(100 * kMHz, true);
    s.block().UpdateForSpan(100 * kMHz);
    EXPECT_EQ(CChoiceBlock::RbwHertz(s.block().GetRbwIndex()), 30000u);
    EXPECT_EQ(CChoiceBlock::VbwHertz(s.block().GetVbwIndex()), 10000u);
}

TEST(SpecanBandwidth, RbwVbw350WithRbw100HzGivesVbw10Hz) {
    SetupWithSpan s(3 * kMHz);
    s.block().SetRbwMode(CChoiceBlock::kModeManual, true);
    s.block().SetRbwIndex(0, true);
    s.block().SetVbwRatio(350, true);
    EXPECT_EQ(CChoiceBlock::VbwHertz(s.block().GetVbwIndex()), 10u);
}

TEST(SpecanBandwidth, ArrowsAndKnobStopAtTheEnds) {
    SetupWithSpan s(3 * kMHz);
    CChoiceBlock& b = s.block();
    b.SetRbwMode(CChoiceBlock::kModeManual, true);
    b.SetVbwMode(CChoiceBlock::kModeManual, true);
    EXPECT_TRUE(StepBandwidth(b, kKeyRbw, kArrowRight));
    EXPECT_EQ(CChoiceBlock::RbwHertz(b.GetRbwIndex()), 1000000u);
    EXPECT_FALSE(StepBandwidth(b, kKeyRbw, kArrowUp));  // already at 1 MHz
    EXPECT_TRUE(StepBandwidth(b, kKeyRbw, kArrowLeft));
    EXPECT_EQ(CChoiceBlock::RbwHertz(b.GetRbwIndex()), 100u);
    EXPECT_FALSE(TurnBandwidth(b, kKeyRbw, -1));
    // The VBW ends at 300 kHz, not at the table's 1 MHz.
    EXPECT_TRUE(StepBandwidth(b, kKeyVbw, kArrowRight));
    EXPECT_EQ(CChoiceBlock::VbwHertz(b.GetVbwIndex()), 300000u);
    EXPECT_FALSE(StepBandwidth(b, kKeyVbw, kArrowUp));
    // Span/RBW: 10..3600, the knob exactly one per step.
    EXPECT_TRUE(StepBandwidth(b, kKeySpanRbw, kArrowRight));
    EXPECT_EQ(b.GetSpanRatio(), 3600u);
    EXPECT_FALSE(StepBandwidth(b, kKeySpanRbw, kArrowUp));
    EXPECT_TRUE(TurnBandwidth(b, kKeySpanRbw, -3));
    EXPECT_EQ(b.GetSpanRatio(), 3599u);
    EXPECT_TRUE(StepBandwidth(b, kKeySpanRbw, kArrowLeft));
    EXPECT_FALSE(StepBandwidth(b, kKeySpanRbw, kArrowDown));
    EXPECT_EQ(b.GetSpanRatio(), 10u);
    // A key that owns no value.
    EXPECT_FALSE(StepBandwidth(b, 0, kArrowUp));
}

TEST(SpecanTrigger, ModeTransitions) {
    struct Case {
        int32_t from, swapped, ext0, ext1, video0, video1;
    } cases[] = {
        {0, 3, 4, 1, 5, 2}, {1, 4, 4, 0, 5, 2}, {2, 5, 4, 1, 5, 0},
        {3, 0, 4, 1, 5, 2}, {4, 1, 3, 1, 5, 2}, {5, 2, 4, 1, 3, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from);
        EXPECT_EQ(SwapSingleContinuous(c.from), c.swapped);
        EXPECT_EQ(ToggleExternalTrigger(0, c.from), c.ext0);
        EXPECT_EQ(ToggleExternalTrigger(1, c.from), c.ext1);
        EXPECT_EQ(ToggleVideoTrigger(0, c.from), c.video0);
        EXPECT_EQ(ToggleVideoTrigger(1, c.from), c.video1);
    }
    EXPECT_EQ(SwapSingleContinuous(7), 7);
    EXPECT_EQ(TriggerModeCaption(3), 64211u);
    EXPECT_EQ(TriggerModeCaption(9), 703u);
}

TEST(SpecanTrigger, EntriesBecomeStoredCounts) {
    EXPECT_EQ(GateDelayFromMs(0.04), 1u);
    EXPECT_EQ(GateDelayFromMs(0.0), 1u);
    EXPECT_EQ(GateDelayFromMs(1000.0), 10000u);
    EXPECT_EQ(GateDelayFromMs(12.34), 123u);
    EXPECT_EQ(GateDelayFromMs(0.25), 3u);
    EXPECT_EQ(TriggerLevelFromDbm(-250.0), -20000);
    EXPECT_EQ(TriggerLevelFromDbm(45.0), 3000);
    EXPECT_EQ(TriggerLevelFromDbm(-12.345), -1234);
    EXPECT_EQ(TriggerLevelFromDbm(std::nan("")), -20000);
}

TEST(SpecanTrigger, ArrowsAndKnobOnDelayAndLevel) {
    CTriggerSettings t;
    t.SetDelay(5000);
    EXPECT_TRUE(StepGateDelay(t, kArrowUp));
    EXPECT_EQ(t.GetDelay(), 5100u);
    EXPECT_TRUE(StepGateDelay(t, kArrowRight));
    EXPECT_EQ(t.GetDelay(), 10000u);
    EXPECT_FALSE(StepGateDelay(t, kArrowRight));
    EXPECT_TRUE(TurnGateDelay(t, -2));
    EXPECT_EQ(t.GetDelay(), 9999u);
    EXPECT_TRUE(StepGateDelay(t, kArrowLeft));
    EXPECT_EQ(t.GetDelay(), 1u);
    EXPECT_FALSE(StepGateDelay(t, kArrowDown));

    t.SetLevel(0);
    EXPECT_TRUE(StepTriggerLevel(t, kArrowUp));
    EXPECT_EQ(t.GetLevel(), 1000);
    EXPECT_TRUE(TurnTriggerLevel(t, 1));
    EXPECT_EQ(t.GetLevel(), 1100);
    EXPECT_TRUE(StepTriggerLevel(t, kArrowRight));
    EXPECT_EQ(t.GetLevel(), 3000);
    EXPECT_TRUE(StepTriggerLevel(t, kArrowLeft));
    EXPECT_EQ(t.GetLevel(), -20000);
    EXPECT_FALSE(StepTriggerLevel(t, kArrowDown));
    EXPECT_EQ(core::LowBytes(GateDelayText(5)), "   0.5");
    EXPECT_EQ(core::LowBytes(TriggerLevelText(-1250)), "-12.5");
}

TEST(SpecanAmplitude, ReferenceStepsByDivisionsWithinTheOffsetLimits) {
    CSAMeasSetup s;
    s.SetAmplitudeOffset(5.0);
    s.SetReferenceStepping(10.0);
    ASSERT_TRUE(s.SetReferenceLevel(1e-3));  // 0 dBm
    EXPECT_TRUE(StepReference(s, kArrowUp));
    EXPECT_NEAR(Dbm(s), 10.0, 1e-9);
    EXPECT_TRUE(TurnReference(s, -1));
    EXPECT_NEAR(Dbm(s), 9.0, 1e-9);
    EXPECT_TRUE(StepReference(s, kArrowRight));
    EXPECT_NEAR(Dbm(s), 35.0, 1e-9);
    EXPECT_FALSE(StepReference(s, kArrowUp));
    EXPECT_TRUE(StepReference(s, kArrowLeft));
    EXPECT_NEAR(Dbm(s), -135.0, 1e-9);
    EXPECT_FALSE(StepReference(s, kArrowDown));
}

TEST(SpecanAmplitude, ScaleAndOffsetSteps) {
    CSAMeasSetup s;
    s.SetReferenceStepping(14.0);
    EXPECT_TRUE(StepScale(s, kArrowUp));
    EXPECT_FALSE(StepScale(s, kArrowUp));
    EXPECT_EQ(s.GetReferenceStepping(), 15.0);
    EXPECT_FALSE(TurnScale(s, 60));  // half a notch does nothing
    EXPECT_TRUE(TurnScale(s, -120));
    EXPECT_EQ(s.GetReferenceStepping(), 14.0);
    EXPECT_TRUE(StepScale(s, kArrowLeft));
    EXPECT_FALSE(StepScale(s, kArrowDown));
    EXPECT_EQ(s.GetReferenceStepping(), 1.0);

    s.SetAmplitudeOffset(0.0);
    EXPECT_TRUE(StepOffset(s, kArrowUp));
    EXPECT_TRUE(StepOffset(s, kArrowUp));
    EXPECT_TRUE(StepOffset(s, kArrowUp));
    EXPECT_EQ(s.GetAmplitudeOffset(), 0.3);
    EXPECT_TRUE(StepOffset(s, kArrowLeft));
    EXPECT_EQ(s.GetAmplitudeOffset(), -0.7);
    EXPECT_TRUE(TurnOffset(s, -1));
    EXPECT_EQ(s.GetAmplitudeOffset(), -0.8);
}

TEST(SpecanAmplitude, UnitsAndLimitConversion) {
    const int32_t units[] = {0, 8, 9, 10, 16, 6};
    for (int k = 0; k < 6; ++k) EXPECT_EQ(UnitForKey(k), units[k]);
    EXPECT_EQ(UnitForKey(6), -1);
    EXPECT_EQ(AttenuationForKey(1), 0);
    EXPECT_EQ(AttenuationForKey(4), 30);
    EXPECT_EQ(AttenuationForKey(5), -1);
    // Watts with a 1 mW reference gives milliwatts.
    EXPECT_EQ(AutoScaleUnitFor(1e-3, UNIT_W), UNIT_MW);
    EXPECT_EQ(AutoScaleUnitFor(1e-3, UNIT_DBUV), UNIT_DBUV);
    // -20 dBm in dBuV over 50 ohm: 20 log10(sqrt(50 x 1e-5) x 1e6) = 86.99.
    const double expected = 20.0 * std::log10(std::sqrt(50.0 * 1e-5) * 1e6);
    EXPECT_NEAR(ConvertLimit(-20.0, UNIT_DBM, UNIT_DBUV, 200.0, 0.0), expected, 1e-6);
    EXPECT_EQ(core::LowBytes(core::FormatText("%.2f", expected)), "86.99");
    // dBm to watts stays positive and finite (the backwards conversion gave
    // the logarithm of a negative number).
    EXPECT_NEAR(ConvertLimit(-20.0, UNIT_DBM, UNIT_W, 1.0, 0.0), 1e-5, 1e-12);
    // Clamped into the new scale.
    EXPECT_EQ(ConvertLimit(30.0, UNIT_DBM, UNIT_DBUV, 120.0, 20.0), 120.0);
    EXPECT_EQ(ConvertLimit(-200.0, UNIT_DBM, UNIT_DBUV, 120.0, 20.0), 20.0);
}

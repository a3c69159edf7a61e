#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "core/params.h"
#include "core/units.h"

namespace {

constexpr uint64_t kUpper = 3600000000ull;

TEST(CFrequencyRange, NewRangeAndSetters) {
    CFrequencyRange r(0, 0, kUpper);
    EXPECT_EQ(r.GetCentre(), 1800000000u);
    EXPECT_EQ(r.GetStep(), 1000000u);
    EXPECT_EQ(r.SetStart(0, true), 0);  // unchanged
    EXPECT_FALSE(r.IsChanged());
    EXPECT_EQ(r.SetSpan(0, true), 1);  // the minimum span around the centre
    EXPECT_TRUE(r.IsChanged());
    EXPECT_EQ(r.GetSpan(), 1000u);
    EXPECT_EQ(r.GetStart(), 1800000000u - 500);
    EXPECT_EQ(r.GetStop(), 1800000000u + 500);

    // Near the upper limit the span shrinks symmetrically.
    CFrequencyRange near(0, 3000000000ull, kUpper);
    near.SetCentre(3500000000ull, true);
    EXPECT_EQ(near.GetStop(), kUpper);
    EXPECT_EQ(near.GetSpan(), 200000000u);
    EXPECT_EQ(near.GetStart(), 3400000000u);
}

// With the full span, a low centre keeps the start at the lower limit
// instead of wrapping below zero.
TEST(CFrequencyRange, LowerClampsWorkOnUnsignedValues) {
    CFrequencyRange r(0, 0, kUpper);
    EXPECT_EQ(r.SetCentre(100000000, true), 1);
    EXPECT_EQ(r.GetStart(), 0u);
    EXPECT_EQ(r.GetSpan(), 200000000u);
    EXPECT_EQ(r.GetStop(), 200000000u);

    CFrequencyRange s(0, 0, 1000000);
    s.SetSpan(kUpper, true);
    EXPECT_EQ(s.GetStart(), 0u);
    EXPECT_EQ(s.GetStop(), kUpper);

    CFrequencyRange step(0, 5000, 100000);
    step.StepStart(false, 1000000, kUpper, 0);
    EXPECT_EQ(step.GetStart(), 0u);
    step.StepStop(false, ~0ull, kUpper, 0);
    EXPECT_EQ(step.GetStop(), 1000u);
    step.StepCentre(false, 1000000, kUpper, 0);  // refused
    EXPECT_EQ(step.GetStart(), 0u);
    EXPECT_EQ(step.GetStop(), 1000u);
}

TEST(CFrequencyRange, SetStepLimitsPointsAndHelpers) {
    CFrequencyRange r(0, 0, kUpper);
    EXPECT_EQ(r.SetStep(0), 0);
    EXPECT_EQ(r.GetStep(), 1u);
    EXPECT_EQ(r.SetStep(5000000000ll), 0);
    EXPECT_EQ(r.GetStep(), kUpper);
    EXPECT_EQ(r.SetStep(25000), 1);
    EXPECT_EQ(r.Set(10, 0, 10, 0, 2), 0);
    EXPECT_EQ(r.Set(1000, 1500, 2000, 0, 2), 1);
    EXPECT_EQ(r.GetSpan(), 1000u);
    EXPECT_EQ(r.GetMode(), 2u);
    EXPECT_FLOAT_EQ(r.ToDisplayUnit(1500000, 2), 1500000.0f);  // unit equal to the mode
    EXPECT_FLOAT_EQ(r.ToDisplayUnit(1500000, 1), 1500.0f);
    EXPECT_EQ(r.PointFrequency(3, 10), 1000u + 3 * 100);
    EXPECT_EQ(r.PointFrequency(3, 0), 1000u);
    EXPECT_TRUE(r.IsValidStart(kUpper - 1000));
    EXPECT_FALSE(r.IsValidStart(kUpper - 999));
    EXPECT_EQ(CFrequencyRange::MaxOf(1, 2, 3, 4), 11u);
    EXPECT_EQ(CFrequencyRange::GetLowLimit1(true), 2000000u);
    EXPECT_EQ(CFrequencyRange::GetLowLimit2(true), 1600000u);
    EXPECT_EQ(CFrequencyRange::GetLowLimit2(false), 325000000u);
}

// Any sequence of sets and steps keeps the range within 0..3.6 GHz with at
// least the minimum span and a consistent span. (Centre and span set without
// adjusting change only their own field; the caller then sets the rest.)
TEST(CFrequencyRange, PropertyLimitsHoldUnderRandomOperations) {
    std::mt19937_64 rng(20130314);
    auto any = [&]() -> uint64_t {
        switch (rng() % 4) {
            case 0:
                return rng();
            case 1:
                return rng() % 4000000000ull;
            case 2:
                return rng() % 5000;
            default:
                return kUpper - rng() % 5000;
        }
    };
    for (int run = 0; run < 200; ++run) {
        CFrequencyRange r(0, any() % kUpper, kUpper);
        for (int op = 0; op < 200; ++op) {
            bool adjust = rng() % 2, up = rng() % 2;
            uint64_t f = any();
            switch (rng() % 8) {
                case 0:
                    r.SetStart(f, adjust);
                    break;
                case 1:
                    r.SetStop(f, adjust);
                    break;
                case 2:
                    r.SetCentre(f, true);
                    break;
                case 3:
                    r.SetSpan(f, true);
                    break;
                case 4:
                    r.StepStart(up, f, any(), any());
                    break;
                case 5:
                    r.StepStop(up, f, any(), any());
                    break;
                case 6:
                    r.StepCentre(up, f, any(), any());
                    break;
                default:
                    r.StepSpan(up, f, any(), any());
                    break;
            }
            uint64_t start = r.GetStart(), stop = r.GetStop();
            ASSERT_LE(stop, kUpper) << run << "/" << op;
            ASSERT_LE(start + 1000, stop) << run << "/" << op;
            ASSERT_EQ(r.GetSpan(), stop - start) << run << "/" << op;
            ASSERT_GE(r.GetCentre(), start);
            ASSERT_LE(r.GetCentre(), stop);
        }
    }
}

TEST(FrequencyAxis, SevenHundredFivePoints) {
    CFrequencyRange r(0, 1000000, 1705000);
    FrequencyAxis axis;
    FillFrequencyAxis(r, axis);
    EXPECT_EQ(axis.first[0], 1000000u);
    EXPECT_EQ(axis.first[1], 1001001u);
    EXPECT_EQ(axis.first[2], 1002002u);
    EXPECT_EQ(axis.first[704], 1704704u);
    EXPECT_EQ(axis.second[704], 0u);
    EXPECT_EQ(GetFrequencyAxis().flag, 0);
}

// A range retuned by another thread while the axis is filled: the axis is
// always the whole of one range, never the start of one with the span of
// the other.
TEST(FrequencyAxis, RangeChangedMeanwhileGivesOneRangesAxis) {
    constexpr uint64_t kWideStop = 1'408'000'000, kNarrowStart = 2'000'000'000;
    constexpr uint64_t kNarrowStop = 2'000'704'000;
    CFrequencyRange r(0, 0, kWideStop);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        while (!done.load()) {
            r.Set(kNarrowStart, 0, kNarrowStop, 0, 0);
            r.Set(0, 0, kWideStop, 0, 0);
        }
    });
    FrequencyAxis axis;
    int torn = 0;
    for (int i = 0; i < 20000 && torn == 0; ++i) {
        FillFrequencyAxis(r, axis);
        bool wide = axis.first[0] == 0 && axis.first[704] == kWideStop;
        bool narrow = axis.first[0] == kNarrowStart && axis.first[704] == kNarrowStop;
        if (!wide && !narrow) ++torn;
    }
    done = true;
    writer.join();
    EXPECT_EQ(torn, 0);
}

struct Owner : IChoiceOwner {
    CFrequencyRange range{0, 0, 3000000};
    int notified = 0;
    void OnChoiceChanged() override { ++notified; }
    CFrequencyRange* GetFrequencyRange() override { return &range; }
};

TEST(CChoiceBlock, DefaultsLabelsAndCoupling) {
    Owner owner;
    CChoiceBlock block(&owner);
    EXPECT_EQ(block.GetRbwIndex(), 8u);
    EXPECT_EQ(block.GetVbwIndex(), 9u);
    EXPECT_EQ(block.GetRbwIndex(true), 0u);
    EXPECT_EQ(block.GetVbwIndex(true), 1u);
    EXPECT_EQ(block.GetRbwLabel(), u"1 MHz");
    EXPECT_EQ(block.GetVbwLabel(), u"300 kHz");

    // 3 MHz / 300 = 10 kHz; 10 kHz / 3 = 3,333 Hz -> 3 kHz.
    block.ApplyToOwner();
    EXPECT_TRUE(block.IsApplied());
    EXPECT_EQ(block.GetRbwIndex(), 4u);
    EXPECT_EQ(block.GetVbwIndex(), 5u);
    // Between entries the largest not above wins; below the table index 0.
    EXPECT_EQ(block.UpdateForSpan(2999999), 1);
    EXPECT_EQ(block.GetRbwIndex(), 3u);
    block.UpdateForSpan(1000);
    EXPECT_EQ(block.GetRbwIndex(), 0u);
    EXPECT_EQ(block.GetVbwIndex(), 1u);  // 100 / 3 = 33 Hz -> 30 Hz
    EXPECT_EQ(block.UpdateForSpan(1000), 0);
    block.UpdateForSpan(~0ull);
    EXPECT_EQ(block.GetRbwIndex(), 8u);
    EXPECT_EQ(block.GetVbwIndex(), 9u);  // automatic video bandwidth stops at 300 kHz

    EXPECT_EQ(block.SetRbwMode(CChoiceBlock::kModeManual, false), 1);
    EXPECT_EQ(block.SetRbwIndex(2, true), 1);
    EXPECT_EQ(block.SetRbwIndex(2, true), 0);
    EXPECT_EQ(owner.notified, 1);
    EXPECT_EQ(block.GetRbwIndex(), 2u);  // manual: the span no longer moves it
    EXPECT_EQ(block.GetVbwIndex(), 3u);  // 1 kHz / 3 -> 300 Hz
    EXPECT_TRUE(block.IsChanged());
    EXPECT_EQ(block.StepRbwUp(), 1);
    block.SetRbwIndex(8, false);
    EXPECT_EQ(block.StepRbwUp(), 0);
}

TEST(CChoiceBlock, RatiosClamp) {
    CChoiceBlock block;
    block.IncreaseSpanRatio(5000);
    EXPECT_EQ(block.GetSpanRatio(), 3600u);
    block.DecreaseSpanRatio(3595);
    EXPECT_EQ(block.GetSpanRatio(), 10u);
    block.DecreaseSpanRatio(100000);
    EXPECT_EQ(block.GetSpanRatio(), 10u);
    block.IncreaseVbwRatio(400);
    EXPECT_EQ(block.GetVbwRatio(), 350u);
    block.DecreaseVbwRatio(349);
    EXPECT_EQ(block.GetVbwRatio(), 1u);
    block.SetVbwRatio(20, false);
    block.DecreaseVbwRatio(5);
    EXPECT_EQ(block.GetVbwRatio(), 15u);
}

TEST(CGuardedValue, RangeAndDerivedValue) {
    CGuardedValue v(UNIT_W, 2.0, 0.5);
    EXPECT_DOUBLE_EQ(v.GetLower(), 2.0);
    EXPECT_DOUBLE_EQ(v.GetUpper(), 2.0 * std::pow(0.5, 10));
    EXPECT_DOUBLE_EQ(v.GetDerived(), 0.5);
    EXPECT_EQ(v.SetRange(3, 1, UNIT_W), 0);
    EXPECT_EQ(v.SetRange(1, 3, UNIT_W), 1);
    v.SetUpper(11, true);
    EXPECT_DOUBLE_EQ(v.GetDerived(), 1.0);
    CGuardedValue dbm(UNIT_DBM);
    dbm.SetRange(0, 10, UNIT_DBM);  // 1 mW and 10 mW
    dbm.SetLower(0, true);
    EXPECT_NEAR(dbm.GetDerived(), ConvertPowerUnit(0.0009, UNIT_DBM, UNIT_W), 1e-9);
}

}  // namespace

// The network analyzer's arithmetic against closed forms: displayed values in
// each reflection unit, the automatic scale, the axis labels, the smoothed
// cable-loss point, block ends, term replies and the DC-bias current.
#include "screens/vna/vna_settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "core/units.h"

namespace {

using namespace vna;

UnitScale Scale(uint32_t unit, double top, double bottom, double step) {
    return UnitScale{unit, top, bottom, step};
}

// |Γ| = 10^(-RL/20) of a return loss, and the reflection units from it.
struct Reflection {
    double gamma;
    double vswr() const { return (1 + gamma) / (1 - gamma); }
    double match_efficiency() const { return (1 - gamma * gamma) * 100; }
    double reflected() const { return gamma * gamma * 100; }
};

TEST(VnaSettings, MatchValuesInEveryReflectionUnit) {
    for (double rl : {20.0, 9.5424}) {
        SCOPED_TRACE(rl);
        const Reflection r{std::pow(10.0, -rl / 20)};
        struct Case {
            uint32_t unit;
            double top, bottom, want;
        } cases[] = {
            {UNIT_DB, 0, -100, -rl},
            {UNIT_VSWR, 200, 1, r.vswr()},
            {UNIT_REFL_COEFF, 1, 0, r.gamma},
            {UNIT_MATCH_EFF, 100, 0, r.match_efficiency()},
            {UNIT_REFL_PERCENT, 100, 0, r.reflected()},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.unit);
            EXPECT_NEAR(ToDisplayValue(kMatch, -rl, 0, Scale(c.unit, c.top, c.bottom, 0.01)),
                        c.want, 1e-9);
        }
    }
}

TEST(VnaSettings, OffsetsCountTwiceOnAMatchOnceOnLossAndGainNeverOnDistance) {
    const UnitScale db = Scale(UNIT_DB, 0, -100, 0.01);
    EXPECT_DOUBLE_EQ(ToDisplayValue(kMatch, -20, 1.0, db), -18.0);
    EXPECT_DOUBLE_EQ(ToDisplayValue(kCableLoss, -20, 1.0, db), -19.0);
    EXPECT_DOUBLE_EQ(ToDisplayValue(kGain, 20, 1.0, Scale(UNIT_DB, 60, -140, 0.01)), 21.0);
    EXPECT_DOUBLE_EQ(ToDisplayValue(kDistanceToFault, -20, 1.0, db), -20.0);
    // Within the unit's limits, and a value the board could not measure at
    // the bottom.
    EXPECT_DOUBLE_EQ(ToDisplayValue(kMatch, -130, 0, db), -100.0);
    EXPECT_DOUBLE_EQ(ToDisplayValue(kMatch, NAN, 0, db), -100.0);
}

TEST(VnaSettings, AutoscaleClampsToTheTypesRangeAndSpansTenDivisions) {
    // A gain peak of +75 dB starts from a top of 60 dB.
    const AutoScale gain = Autoscale(kGain, 75, 10, 0, Scale(UNIT_DB, 60, -140, 0.01));
    EXPECT_DOUBLE_EQ(gain.top, 60.0);
    EXPECT_DOUBLE_EQ(gain.bottom, 10.0);
    // A return loss lying wholly at -120 dB starts from -99.99 and -100.
    const AutoScale low = Autoscale(kMatch, -120, -120, 0, Scale(UNIT_DB, 0, -100, 0.01));
    EXPECT_DOUBLE_EQ(low.top, -99.99);
    EXPECT_DOUBLE_EQ(low.bottom, -100.0);
    EXPECT_DOUBLE_EQ(low.final_bottom, -100.0);
    // The final scale: bottom rounded down to the step, ten divisions of
    // ceil(range / step x 0.105) steps.
    const AutoScale mid = Autoscale(kMatch, -12.3, -31.7, 0, Scale(UNIT_DB, 0, -100, 0.01));
    const double d = std::ceil((-12.3 + 31.7) / 0.01 * 0.105) * 0.01;
    EXPECT_NEAR(mid.final_bottom, -31.7, 1e-9);
    EXPECT_NEAR(mid.final_top, -31.7 + 10 * d, 1e-9);
    for (const AutoScale& s : {gain, low, mid}) {
        EXPECT_LE(s.final_top, 60.0);
        EXPECT_GE(s.final_bottom, -140.0);
    }
    // Match efficiency runs the other way: the smaller loss is the top.
    const AutoScale me = Autoscale(kMatch, -10, -20, 0, Scale(UNIT_MATCH_EFF, 100, 0, 0.1));
    EXPECT_NEAR(me.top, 99.0, 1e-9);
    EXPECT_NEAR(me.bottom, 90.0, 1e-9);
}

TEST(VnaSettings, AxisLabelsStepATenthOfTheScale) {
    const auto v = AxisLabelValues(0, -100);
    for (size_t k = 0; k < v.size(); ++k) EXPECT_DOUBLE_EQ(v[k], -100 + 10.0 * k);
}

TEST(VnaSettings, SmoothedValueIsATenthOfFiveEveryOtherPoints) {
    std::vector<double> a(705);
    for (size_t i = 0; i < a.size(); ++i) a[i] = -8.0 - 0.001 * static_cast<double>(i);
    for (int x : {0, 1, 352, 704}) {
        const size_t k = (695u * static_cast<size_t>(x)) / 704u;
        const double want = 0.1 * (a[k] + a[k + 2] + a[k + 4] + a[k + 6] + a[k + 8]);
        EXPECT_DOUBLE_EQ(SmoothedValue(a.data(), 705, x), want);
    }
    // A trace of two-way loss -8 dB reads as -4 dB one way.
    std::vector<double> flat(705, -8.0);
    EXPECT_DOUBLE_EQ(SmoothedValue(flat.data(), 705, 300), -4.0);
    EXPECT_EQ(SmoothedValue(flat.data(), 9, 3), 0.0);
    EXPECT_EQ(SmoothedValue(flat.data(), 705, 705), 0.0);
}

TEST(VnaSettings, CableLossBlockEndsStayInsideTheSweep) {
    EXPECT_EQ(CableLossBlockEnd(705, 705, 705), 705);
    EXPECT_EQ(CableLossBlockEnd(64, 64, 705), (704 * 54) / 695);
    for (int n = 1; n <= 9; ++n) EXPECT_EQ(CableLossBlockEnd(n, n, 705), 0) << n;
    EXPECT_EQ(CableLossBlockEnd(99999, 705, 705), 705);
    EXPECT_EQ(CableLossBlockEnd(5, 5, 5), 5);
}

TEST(VnaSettings, TermRepliesAreTakenWholeOrNotAtAll) {
    const int points = 4;
    std::vector<float> values = {1.5f, -2.25f, 3e-8f, 7.0f, -0.0f, 1e30f, 0.1f, 0.2f};
    std::vector<uint8_t> buffer(points * 8, 0xAB);
    EXPECT_FALSE(TermFromReply(values.data(), 7, points, buffer.data()));
    EXPECT_EQ(buffer, std::vector<uint8_t>(points * 8, 0xAB));
    ASSERT_TRUE(TermFromReply(values.data(), 8, points, buffer.data()));
    EXPECT_EQ(std::memcmp(buffer.data(), values.data(), buffer.size()), 0);
}

TEST(VnaSettings, BiasCurrentCountsAFractionOfAMilliampere) {
    EXPECT_DOUBLE_EQ(BiasCurrentMilliamps(255 * 120), 120.0);
    EXPECT_TRUE(BelowCurrentLimit(999.99, 1000.0));
    EXPECT_FALSE(BelowCurrentLimit(1000.0, 1000.0));
    EXPECT_FALSE(BelowCurrentLimit(1200.0, 1000.0));
}

TEST(VnaSettings, IfbwTextsOnlyForTheNineChoices) {
    EXPECT_EQ(IfbwTextId(0), 899u);
    EXPECT_EQ(IfbwTextId(8), 907u);
    EXPECT_FALSE(IfbwTextId(12).has_value());
    EXPECT_FALSE(IfbwTextId(-1).has_value());
}

// A streamed distance-to-fault point over a few sweeps, against numpy's
// forms: averaging y(1 - w) + vw; the hold modes keep the working value
// where the held reference lies beyond the new value (np.where(hold > v, y,
// v) for the maximum, hold < v for the minimum); otherwise the new value.
TEST(VnaSettings, StreamedDistanceToFaultPointsFollowTheTraceModes) {
    const double hold = -30.0, working = -35.0;
    struct Case {
        TraceModes modes;
        double value, w, want;
    } cases[] = {
        {{1, 1, 0, 0}, -20.0, 0.25, -35.0 * 0.75 + -20.0 * 0.25},
        {{1, 0, 0, 0}, -20.0, 0.25, -20.0},   // averaging not running yet
        {{1, 1, 0, 0}, -20.0, 1.0, -20.0},    // a count of 0 weighs 1
        {{0, 0, 1, 1}, -40.0, 1.0, working},  // held reference above
        {{0, 0, 1, 1}, -20.0, 1.0, -20.0},    // new value above it
        {{0, 0, 2, 2}, -20.0, 1.0, working},  // held reference below
        {{0, 0, 2, 2}, -40.0, 1.0, -40.0},    // new value below it
        {{0, 0, 1, 2}, -40.0, 1.0, -40.0},    // mode and state differ
        {{0, 0, 0, 0}, -40.0, 1.0, -40.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.want);
        EXPECT_DOUBLE_EQ(DtfTraceStep(c.modes, working, hold, c.value, c.w), c.want);
    }
}

}  // namespace

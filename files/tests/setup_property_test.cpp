// Any sequence of sets and steps keeps a spectrum setup inside its limits.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "files/sa_meas_setup.h"

namespace {

class Band : public ISetupBand {
  public:
    uint64_t GetStart() const override { return 1920000000; }
    uint64_t GetStop() const override { return 1980000000; }
    uint64_t GetSpan() const override { return 60000000; }
    uint64_t GetCenter() const override { return 1950000000; }
    uint64_t ChannelToFrequency(int32_t c) const override {
        return 1920000000 + uint64_t(c) * 5000000;
    }
    uint64_t GetChannelBandwidth(int32_t) const override { return 5000000; }
    uint64_t GetChannelSpacing(int32_t) const override { return 5000000; }
    uint64_t GetPointValue(uint32_t i, uint32_t) const override { return i; }
    void CountUse(bool) override {}
};

class Random {
  public:
    explicit Random(uint32_t seed) : engine_(seed) {}
    // Mostly ordinary values, sometimes the extremes of the type.
    int64_t Int(int64_t lo, int64_t hi) {
        switch (Pick(8)) {
            case 0:
                return lo;
            case 1:
                return hi;
            default:
                return std::uniform_int_distribution<int64_t>(lo, hi)(engine_);
        }
    }
    double Real(double lo, double hi) {
        switch (Pick(10)) {
            case 0:
                return lo;
            case 1:
                return hi;
            case 2:
                return NAN;
            default:
                return std::uniform_real_distribution<double>(lo, hi)(engine_);
        }
    }
    bool Bool() { return Pick(2) == 1; }
    size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(engine_); }

  private:
    std::mt19937 engine_;
};

void ExpectInsideLimits(CSAMeasSetup& s, const std::string& trail) {
    const CFrequencyRange& r = *s.GetFrequencyRange();
    ASSERT_LE(r.GetLowerLimit(), r.GetStart()) << trail;
    ASSERT_LE(r.GetStart() + r.GetMinSpan(), r.GetStop()) << trail;
    ASSERT_LE(r.GetStop(), r.GetUpperLimit()) << trail;
    ASSERT_EQ(r.GetSpan(), r.GetStop() - r.GetStart()) << trail;

    const CChoiceBlock& b = *s.GetBandwidthSettings();
    ASSERT_LT(b.GetRbwIndex(), CChoiceBlock::kRbwCount) << trail;
    ASSERT_LT(b.GetVbwIndex(), CChoiceBlock::kVbwCount) << trail;
    ASSERT_GE(b.GetSpanRatio(), 10u) << trail;
    ASSERT_LE(b.GetSpanRatio(), 3600u) << trail;
    ASSERT_GE(b.GetVbwRatio(), 1u) << trail;
    ASSERT_LE(b.GetVbwRatio(), 350u) << trail;
    ASSERT_GE(s.GetChannelWidth(), s.GetChannelWidthStep()) << trail;
    ASSERT_LE(s.GetChannelWidth(), r.GetSpan()) << trail;

    double offset = s.GetAmplitudeOffset();
    ASSERT_GE(offset, -100.0) << trail;
    ASSERT_LE(offset, 100.0) << trail;
    double dbm = s.GetReferenceLevelDbm();
    ASSERT_GE(dbm, offset - 140.0 - 1e-9) << trail;
    ASSERT_LE(dbm, offset + 30.0 + 1e-9) << trail;
    ASSERT_GE(s.GetReferenceStepping(), 1.0) << trail;
    ASSERT_LE(s.GetReferenceStepping(), 15.0) << trail;
    ASSERT_GE(s.GetAttenuationLevel(), 0.0) << trail;
    ASSERT_LE(s.GetAttenuationLevel(), 30.0) << trail;
    ASSERT_GE(s.GetPreampLevel(), 0.0) << trail;
    ASSERT_LE(s.GetPreampLevel(), 24.0) << trail;
    ASSERT_EQ(s.GetPreampMode(), s.GetPreampLevel() == 24.0 ? 0 : 1) << trail;
    ASSERT_GE(s.GetLevel(), -50.0) << trail;
    ASSERT_LE(s.GetLevel(), 300.0) << trail;
    ASSERT_GE(s.GetThreshold(), -700) << trail;
    ASSERT_LE(s.GetThreshold(), 0) << trail;
    ASSERT_GE(s.GetThresholdPercent(), 0) << trail;
    ASSERT_LE(s.GetThresholdPercent(), 1000) << trail;
    ASSERT_GE(s.GetAveragingCount(), 2) << trail;
    ASSERT_LE(s.GetAveragingCount(), 1024) << trail;
    ASSERT_GE(s.GetPeakHold(), 1) << trail;
    ASSERT_LE(s.GetPeakHold(), 50) << trail;
    ASSERT_GE(s.GetDataPoints(), 177) << trail;
    ASSERT_LE(s.GetDataPoints(), 11265) << trail;
    ASSERT_GE(s.GetDetectionMode(), 0) << trail;
    ASSERT_LE(s.GetDetectionMode(), 3) << trail;
    ASSERT_GE(s.GetTriggerMode(), 0) << trail;
    ASSERT_LE(s.GetTriggerMode(), 5) << trail;
    ASSERT_LE(s.GetMeasureUnit(), 30) << trail;
    ASSERT_GE(s.GetMeasureUnit(), 0) << trail;
    const CTriggerSettings& t = *s.GetTriggerSettings();
    ASSERT_GE(t.GetDelay(), 1u) << trail;
    ASSERT_LE(t.GetDelay(), 10000u) << trail;
    ASSERT_GE(t.GetLevel(), -20000) << trail;
    ASSERT_LE(t.GetLevel(), 3000) << trail;
    ASSERT_LE(t.GetEdge(), 2) << trail;
}

}  // namespace

TEST(SetupProperty, SetsAndStepsStayInsideTheLimits) {
    Band band;
    constexpr int64_t kMaxHz = 4000000000;
    for (uint32_t seed = 1; seed <= 60; ++seed) {
        Random rnd(seed);
        CSAMeasSetup s;
        std::string trail = "seed " + std::to_string(seed) + ":";
        using Op = std::pair<const char*, std::function<void()>>;
        const std::vector<Op> ops = {
            {"start", [&] { s.GetFrequencyRange()->SetStart(rnd.Int(0, kMaxHz), true); }},
            {"stop", [&] { s.GetFrequencyRange()->SetStop(rnd.Int(0, kMaxHz), true); }},
            {"centre", [&] { s.GetFrequencyRange()->SetCentre(rnd.Int(0, kMaxHz), true); }},
            {"span", [&] { s.GetFrequencyRange()->SetSpan(rnd.Int(0, kMaxHz), true); }},
            {"range",
             [&] {
                 uint64_t a = rnd.Int(0, 3599000000);
                 s.SetFrequencyRange(
                     std::make_unique<CFrequencyRange>(0, a, a + rnd.Int(0, 1000000000)));
             }},
            {"band", [&] { s.SetBand(rnd.Bool() ? &band : nullptr); }},
            {"channel", [&] { s.SetChannelNumber(int32_t(rnd.Int(-1, 12))), s.ApplyChannel(); }},
            {"rbw", [&] { s.GetBandwidthSettings()->SetRbwIndex(uint32_t(rnd.Int(0, 20)), true); }},
            {"vbw", [&] { s.GetBandwidthSettings()->SetVbwIndex(uint32_t(rnd.Int(0, 20)), true); }},
            {"rbw step",
             [&] {
                 rnd.Bool() ? s.GetBandwidthSettings()->StepRbwUp()
                            : s.GetBandwidthSettings()->StepRbwDown();
             }},
            {"vbw step",
             [&] {
                 rnd.Bool() ? s.GetBandwidthSettings()->StepVbwUp()
                            : s.GetBandwidthSettings()->StepVbwDown();
             }},
            {"span ratio",
             [&] {
                 rnd.Bool()
                     ? s.GetBandwidthSettings()->IncreaseSpanRatio(uint32_t(rnd.Int(0, 5000)))
                     : s.GetBandwidthSettings()->DecreaseSpanRatio(uint32_t(rnd.Int(0, 5000)));
             }},
            {"vbw ratio",
             [&] {
                 rnd.Bool() ? s.GetBandwidthSettings()->IncreaseVbwRatio(uint32_t(rnd.Int(0, 500)))
                            : s.GetBandwidthSettings()->DecreaseVbwRatio(uint32_t(rnd.Int(0, 500)));
             }},
            {"bw modes",
             [&] { s.GetBandwidthSettings()->SetRbwMode(uint32_t(rnd.Int(0, 1)), true); }},
            {"channel width", [&] { s.SetChannelWidth(rnd.Int(0, kMaxHz)); }},
            {"channel width step",
             [&] {
                 rnd.Bool() ? s.IncChannelWidth(rnd.Int(0, kMaxHz))
                            : s.DecChannelWidth(rnd.Int(0, kMaxHz));
             }},
            {"offset", [&] { s.SetAmplitudeOffset(rnd.Real(-300, 300)); }},
            {"offset step",
             [&] {
                 rnd.Bool() ? s.IncAmplitudeOffset(rnd.Real(-300, 300))
                            : s.DecAmplitudeOffset(rnd.Real(-300, 300));
             }},
            {"ref level", [&] { s.SetReferenceLevel(std::pow(10.0, rnd.Real(-25, 10))); }},
            {"ref add", [&] { s.AddReferenceLevel(rnd.Bool(), rnd.Real(-400, 400)); }},
            {"ref sub", [&] { s.SubtractReferenceLevel(rnd.Bool(), rnd.Real(-400, 400)); }},
            {"stepping", [&] { s.SetReferenceStepping(rnd.Real(-50, 50)); }},
            {"stepping step",
             [&] {
                 rnd.Bool() ? s.IncReferenceStepping(rnd.Bool(), rnd.Real(-20, 20))
                            : s.DecReferenceStepping(rnd.Bool(), rnd.Real(-20, 20));
             }},
            {"stepping table",
             [&] { rnd.Bool() ? s.NextReferenceStepping() : s.PrevReferenceStepping(); }},
            {"attenuation", [&] { s.SetAttenuationLevel(rnd.Real(-50, 80)); }},
            {"attenuation step",
             [&] {
                 rnd.Bool() ? s.IncAttenuationLevel(rnd.Bool()) : s.DecAttenuationLevel(rnd.Bool());
             }},
            {"preamp", [&] { s.SetPreampLevel(rnd.Real(-50, 80)); }},
            {"preamp mode", [&] { s.SetPreampMode(int32_t(rnd.Int(-2, 3))); }},
            {"preamp step",
             [&] { rnd.Bool() ? s.IncPreampLevel(rnd.Bool()) : s.DecPreampLevel(rnd.Bool()); }},
            {"level",
             [&] {
                 rnd.Bool() ? s.IncLevel(rnd.Real(-500, 500)) : s.DecLevel(rnd.Real(-500, 500));
             }},
            {"threshold", [&] { s.SetThreshold(int32_t(rnd.Int(INT32_MIN, INT32_MAX))); }},
            {"percent", [&] { s.SetThresholdPercent(int32_t(rnd.Int(INT32_MIN, INT32_MAX))); }},
            {"percent dec", [&] { s.DecThresholdPercent(int32_t(rnd.Int(0, 2000))); }},
            {"averaging", [&] { s.SetAveragingCount(int32_t(rnd.Int(INT32_MIN, INT32_MAX))); }},
            {"averaging step",
             [&] {
                 rnd.Bool() ? s.IncAveragingCount(int32_t(rnd.Int(-5, 2000)))
                            : s.DecAveragingCount(int32_t(rnd.Int(-5, 2000)));
             }},
            {"peak hold",
             [&] {
                 rnd.Bool() ? s.IncPeakHold(int32_t(rnd.Int(-5, 100)))
                            : s.DecPeakHold(int32_t(rnd.Int(-5, 100)));
             }},
            {"points", [&] { s.SetDataPoints(int32_t(rnd.Int(0, 20000))); }},
            {"points cycle", [&] { s.CycleDataPoints(); }},
            {"detector", [&] { s.SetDetectionMode(int32_t(rnd.Int(-3, 8))); }},
            {"trigger mode", [&] { s.SetTriggerMode(int32_t(rnd.Int(-3, 9))); }},
            {"unit", [&] { s.SetMeasureUnit(int32_t(rnd.Int(-3, 40))); }},
            {"trigger delay",
             [&] {
                 rnd.Bool() ? s.GetTriggerSettings()->IncDelay(uint32_t(rnd.Int(0, UINT32_MAX)))
                            : s.GetTriggerSettings()->DecDelay(uint32_t(rnd.Int(0, UINT32_MAX)));
             }},
            {"trigger level",
             [&] {
                 rnd.Bool()
                     ? s.GetTriggerSettings()->IncLevel(int32_t(rnd.Int(INT32_MIN, INT32_MAX)))
                     : s.GetTriggerSettings()->DecLevel(int32_t(rnd.Int(INT32_MIN, INT32_MAX)));
             }},
            {"trigger edge", [&] { s.GetTriggerSettings()->SetEdge(int32_t(rnd.Int(-2, 5))); }},
            {"reset",
             [&] {
                 if (rnd.Pick(20) == 0) s.ResetToDefaults();
             }},
        };
        for (int step = 0; step < 300; ++step) {
            const Op& op = ops[rnd.Pick(ops.size())];
            trail += std::string(" ") + op.first;
            op.second();
            ExpectInsideLimits(s, trail);
            if (HasFatalFailure()) return;
        }
    }
}

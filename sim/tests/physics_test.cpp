#include <gtest/gtest.h>

#include <cmath>

#include "sim/network_model.h"
#include "sim/rf_units.h"
#include "sim/spectrum_model.h"

namespace {

using sim::Complex;

sim::Scene quiet_scene() {
    sim::Scene s = sim::default_scene();
    s.receiver.noise_variation = false;
    return s;
}

TEST(SpectrumPhysics, NoiseFloorFollowsRbwAttenuationAndPreamp) {
    sim::Scene scene = quiet_scene();
    scene.signals.clear();
    sim::SpectrumModel m(scene);
    struct Case {
        double rbw, atten, preamp, expect;
    } cases[] = {
        {1e6, 0, 0, -174 + 60 + 24},
        {100, 0, 0, -174 + 20 + 24},
        {30e3, 10, 0, -174 + 10 * std::log10(30e3) + 34},
        {30e3, 0, 20, -174 + 10 * std::log10(30e3) + 12},
    };
    for (const Case& c : cases) {
        sim::SpectrumSettings s;
        s.centre_hz = 900e6;
        s.span_hz = 100 * c.rbw;
        s.rbw_hz = c.rbw;
        s.attenuation_db = c.atten;
        s.preamp_db = c.preamp;
        s.points = 51;
        EXPECT_NEAR(m.noise_floor_dbm(s), c.expect, 1e-9);
        for (float v : m.sweep(s)) EXPECT_NEAR(v, c.expect, 1e-3);
    }
}

TEST(SpectrumPhysics, CarrierShowsItsLevelAndIsShapedByTheRbw) {
    sim::SpectrumModel m(quiet_scene());
    sim::SpectrumSettings s;
    s.centre_hz = 940e6;  // the -30 dBm carrier
    s.span_hz = 1e6;
    s.rbw_hz = 10e3;
    s.points = 101;
    s.detector = sim::Detector::Sample;
    auto t = m.sweep(s);
    EXPECT_NEAR(t[50], -30.0, 0.01);
    // Half the RBW away the Gaussian filter is about 3 dB down.
    EXPECT_NEAR(sim::mw_to_dbm(m.filtered_power_mw(s, 940e6 + 5e3)), -30 - 3.4, 0.3);
    // Peak detection over the sub-bins never shows less than the sample.
    s.detector = sim::Detector::Peak;
    auto p = m.sweep(s);
    for (std::size_t i = 0; i < t.size(); ++i) EXPECT_GE(p[i], t[i] - 1e-4);
}

TEST(SpectrumPhysics, ChannelPowerAdjacentPowerAndOccupiedBandwidth) {
    sim::Scene scene = quiet_scene();
    scene.signals = {{1e9, -20, 4e6}};
    sim::SpectrumModel m(scene);
    sim::SpectrumSettings s;
    s.centre_hz = 1e9;
    s.span_hz = 10e6;
    s.rbw_hz = 30e3;
    const double noise_4m = -174 + 24 + 10 * std::log10(4e6);
    const double whole = 10 * std::log10(std::pow(10, -2.0) + std::pow(10, noise_4m / 10));
    EXPECT_NEAR(m.channel_power_dbm(s, 1e9, 4e6), whole, 1e-9);
    // Half of the channel: 3 dB less signal.
    EXPECT_NEAR(m.channel_power_dbm(s, 1e9 + 1e6, 2e6), -20 - 3.0103, 0.01);
    auto a = m.adjacent_power(s, 4e6, 4e6, 5e6);
    EXPECT_NEAR(a.lower_dbm, noise_4m, 1e-9);
    EXPECT_NEAR(a.upper_ratio_db, noise_4m - whole, 1e-9);
    const double bin = s.step_hz();
    EXPECT_NEAR(m.occupied_bandwidth_percent(s, 0.99), 0.99 * 4e6, bin);
    EXPECT_NEAR(m.occupied_bandwidth_down(s, 3.0), 4e6, 2 * bin);
}

TEST(SpectrumPhysics, SweepTimeGrowsWithSpanOverRbwSquared) {
    sim::SpectrumModel m(quiet_scene());
    sim::SpectrumSettings s;
    s.span_hz = 100e6;
    s.rbw_hz = 10e3;
    EXPECT_NEAR(m.sweep_time_s(s), 2.5 * 100e6 / 1e8, 1e-12);
    s.rbw_hz = 1e6;
    EXPECT_NEAR(m.sweep_time_s(s), 0.020, 1e-12);  // the minimum
    s.span_hz = 3e9;
    s.rbw_hz = 100;
    EXPECT_NEAR(m.sweep_time_s(s), 20.0, 1e-12);  // the maximum
}

TEST(SpectrumPhysics, AudioToneHasItsFrequency) {
    sim::SpectrumModel m(quiet_scene());
    auto pcm = m.audio(1, 0, 20000);  // one second
    int crossings = 0;
    for (std::size_t i = 1; i < pcm.size(); ++i)
        if ((pcm[i - 1] < 0) != (pcm[i] < 0)) ++crossings;
    EXPECT_NEAR(crossings / 2.0, 1000, 2);
}

TEST(NetworkPhysics, CalibrationRecoversTheTrueReflection) {
    sim::Scene scene = sim::default_scene();
    sim::NetworkModel m(scene);
    for (double f : {2e6, 900e6, 2.4e9}) {
        Complex ed, es, er;
        sim::NetworkModel::solve_one_port(m.raw_reflection(f, 1.0), m.raw_reflection(f, -1.0),
                                          m.raw_reflection(f, 0.0), ed, es, er);
        EXPECT_LT(std::abs(ed - m.ed(f)), 1e-12);
        EXPECT_LT(std::abs(es - m.es(f)), 1e-12);
        EXPECT_LT(std::abs(er - m.er(f)), 1e-12);
        const Complex truth = m.dut_s11(f);
        const Complex raw = m.raw_reflection(f, truth);
        EXPECT_GT(std::abs(raw - truth), 1e-3);  // uncorrected is visibly off
        EXPECT_LT(std::abs(sim::NetworkModel::correct_reflection(raw, ed, es, er) - truth), 1e-12);
    }
}

TEST(NetworkPhysics, ShortedLosslessCableReflectsFullyWithItsRipplePeriod) {
    sim::Scene scene = sim::default_scene();
    scene.dut.faults.clear();
    scene.dut.termination = sim::Termination::Short;
    scene.dut.cable.loss_db_per_m = 0;
    scene.dut.cable.length_m = 10;
    sim::NetworkModel m(scene);
    EXPECT_NEAR(std::abs(m.dut_s11(1e9)), 1.0, 1e-12);
    // Phase turns once every c * vf / (2 L).
    const double period = sim::kSpeedOfLight * 0.85 / 20;
    EXPECT_LT(std::abs(m.dut_s11(1e9) - m.dut_s11(1e9 + period)), 1e-9);
}

TEST(NetworkPhysics, DistanceToFaultPeaksAtTheFaultAndTheCableEnd) {
    sim::Scene scene = sim::default_scene();
    scene.dut.termination = sim::Termination::Short;
    sim::NetworkModel m(scene);
    auto f = sim::sweep_frequencies(500e6, 1500e6, 401);
    std::vector<Complex> s11;
    for (double v : f) s11.push_back(m.dut_s11(v));
    sim::DtfSettings d;
    d.start_m = 0;
    d.stop_m = 40;
    d.points = 401;
    d.window = 2;
    auto dtf = sim::NetworkModel::distance_to_fault(f, s11, d);
    const double bin = 40.0 / 400;
    auto peak_near = [&](double where) {
        std::size_t best = 0;
        for (std::size_t i = 0; i < dtf.size(); ++i)
            if (std::abs(i * bin - where) < 2 && (best == 0 || dtf[i] > dtf[best])) best = i;
        return best * bin;
    };
    EXPECT_NEAR(peak_near(12), 12, bin);
    EXPECT_NEAR(peak_near(30), 30, bin);
}

}  // namespace

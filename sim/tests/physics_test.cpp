#include <gtest/gtest.h>

#include <algorithm>
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

// The noise bandwidth of a Gaussian filter of -3 dB bandwidth b, in dB-Hz:
// its response exp(-x^2 ln 2 / (b/2)^2) integrates to (b/2) sqrt(pi / ln 2).
double noise_bandwidth_db(double rbw) {
    return 10 * std::log10(rbw / 2 * std::sqrt(sim::kPi / std::log(2.0)));
}

// The filter's response in dB `delta` off a carrier: -3.0103 dB at half the RBW.
double response_db(double delta, double rbw) {
    return -10 * std::log10(2.0) * (delta / (rbw / 2)) * (delta / (rbw / 2));
}

// The thermal noise density at 290 K, dBm/Hz: k T over a milliwatt.
const double kKt290 = 10 * std::log10(1.380649e-23 * 290 / 1e-3);

// The audio sample rate of the instrument's wave player.
constexpr double kWavePlayerRate = 20000;

TEST(SpectrumPhysics, NoiseFloorFollowsRbwAttenuationAndPreamp) {
    sim::Scene scene = quiet_scene();
    scene.signals.clear();
    sim::SpectrumModel m(scene);
    struct Case {
        double rbw, atten, preamp, expect;
    } cases[] = {
        {1e6, 0, 0, kKt290 + noise_bandwidth_db(1e6) + 24},
        {100, 0, 0, kKt290 + noise_bandwidth_db(100) + 24},
        {30e3, 10, 0, kKt290 + noise_bandwidth_db(30e3) + 34},
        {30e3, 0, 20, kKt290 + noise_bandwidth_db(30e3) + 12},
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
    // The RBW is the -3 dB bandwidth.
    EXPECT_NEAR(sim::mw_to_dbm(m.filtered_power_mw(s, 940e6 + 5e3)), -30 - 3.0103, 1e-3);
    // Peak detection over each point never shows less than the sample, the
    // negative peak never more, the average lies between.
    s.detector = sim::Detector::PositivePeak;
    const auto p = m.sweep(s);
    s.detector = sim::Detector::NegativePeak;
    const auto n = m.sweep(s);
    s.detector = sim::Detector::Average;
    const auto a = m.sweep(s);
    for (std::size_t i = 0; i < t.size(); ++i) {
        EXPECT_GE(p[i], t[i] - 1e-4);
        EXPECT_LE(n[i], t[i] + 1e-4);
        EXPECT_LE(a[i], p[i] + 1e-4);
        EXPECT_GE(a[i], n[i] - 1e-4);
    }
}

// Each point covers half a step either side of its frequency. A carrier off
// the points shows, in the nearest point, its level with the positive peak,
// the filter's response at the far edge with the negative peak, and its mean
// over the point with the average, at every RBW.
TEST(SpectrumPhysics, CarrierBetweenPointsIsDetectedOverTheWholePoint) {
    sim::Scene scene = quiet_scene();
    scene.signals = {{940e6, -37.3, 0}};
    sim::SpectrumModel m(scene);
    const double span = 20e6, step = span / 704;
    for (double offset : {0.45, -0.3, 0.1}) {
        for (double rbw : {100.0, 300.0, 1e3, 3e3, 10e3, 30e3, 100e3, 300e3, 1e6}) {
            SCOPED_TRACE(testing::Message() << "offset " << offset << " RBW " << rbw);
            sim::SpectrumSettings s;
            s.centre_hz = 940e6 - offset * step;
            s.span_hz = span;
            s.rbw_hz = rbw;
            const double noise_mw = std::pow(10, (kKt290 + 24 + noise_bandwidth_db(rbw)) / 10);
            auto with_noise = [&](double db) {
                return 10 * std::log10(std::pow(10, db / 10) + noise_mw);
            };
            s.detector = sim::Detector::PositivePeak;
            const auto peak = m.sweep(s);
            const auto nearest =
                static_cast<std::size_t>(std::max_element(peak.begin(), peak.end()) - peak.begin());
            EXPECT_EQ(nearest, 352u);
            EXPECT_NEAR(peak[352], with_noise(-37.3), 0.01);
            // The farthest tuning of the point: (0.5 + |offset|) steps away.
            s.detector = sim::Detector::NegativePeak;
            EXPECT_NEAR(m.sweep(s)[352],
                        with_noise(-37.3 + response_db((0.5 + std::abs(offset)) * step, rbw)),
                        0.01);
            // The mean of the response over the point, by the midpoint rule.
            const int k = 20000;
            double mean = 0;
            for (int j = 0; j < k; ++j) {
                const double d = (offset + (j + 0.5) / k - 0.5) * step;
                mean += std::pow(10, (-37.3 + response_db(d, rbw)) / 10) / k;
            }
            s.detector = sim::Detector::Average;
            EXPECT_NEAR(m.sweep(s)[352], 10 * std::log10(mean + noise_mw), 0.01);
        }
    }
}

TEST(SpectrumPhysics, ChannelPowerAdjacentPowerAndOccupiedBandwidth) {
    sim::Scene scene = quiet_scene();
    scene.signals = {{1e9, -20, 4e6}};
    sim::SpectrumModel m(scene);
    sim::SpectrumSettings s;
    s.centre_hz = 1e9;
    s.span_hz = 10e6;
    s.rbw_hz = 30e3;
    const double noise_4m = kKt290 + 24 + 10 * std::log10(4e6);
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

// Power of `pcm` at `hz` relative to its whole power (a single-bin DFT).
double share_at(const std::vector<std::int16_t>& pcm, double hz) {
    double re = 0, im = 0, total = 0;
    for (std::size_t i = 0; i < pcm.size(); ++i) {
        const double w = 2 * sim::kPi * hz * static_cast<double>(i) / kWavePlayerRate;
        re += pcm[i] * std::cos(w);
        im += pcm[i] * std::sin(w);
        total += static_cast<double>(pcm[i]) * pcm[i];
    }
    return total > 0 ? 2 * (re * re + im * im) / (static_cast<double>(pcm.size()) * total) : 0;
}

// The demodulator hears the tone of the carrier it is tuned to, when the
// carrier is modulated the detector's way; elsewhere it hears noise.
TEST(SpectrumPhysics, DemodulatorRecoversTheToneOfTheTunedCarrier) {
    sim::Scene scene = quiet_scene();
    scene.signals = {
        {95.5e6, -40, 0, sim::Modulation::Fm, 1234, 0.5, 10000},
        {101.1e6, -50, 0, sim::Modulation::Am, 700, 0.8, 0},
        {104.0e6, -45, 0, sim::Modulation::None, 1000, 0, 0},
    };
    sim::SpectrumModel m(scene);
    constexpr int kAm = 1, kFm = 2;
    struct Case {
        double tuned;
        int modulation;
        double tone;  // 0: none to be heard
    } cases[] = {
        {95.5e6, kFm, 1234}, {101.1e6, kAm, 700}, {95.5e6 + 20e3, kFm, 1234}, {101.1e6, kFm, 0},
        {95.5e6, kAm, 0},    {104.0e6, kAm, 0},   {98.0e6, kFm, 0},           {98.0e6, kAm, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.tuned << " Hz, modulation " << c.modulation);
        sim::SpectrumSettings s;
        s.centre_hz = c.tuned;
        s.span_hz = 0;
        s.rbw_hz = 100e3;
        const auto pcm = m.audio(s, c.modulation, 0, static_cast<int>(kWavePlayerRate));
        if (c.tone > 0) {
            EXPECT_GT(share_at(pcm, c.tone), 0.95);
        } else {
            for (double hz : {700.0, 1000.0, 1234.0}) EXPECT_LT(share_at(pcm, hz), 0.01) << hz;
        }
    }
    // The level is what stands in the filter at the tuning.
    sim::SpectrumSettings s;
    s.centre_hz = 101.1e6;
    s.rbw_hz = 10e3;
    EXPECT_NEAR(m.audio_level_dbm(s), -50, 0.01);
}

// Zero span holds the filter at the centre: a carrier in it stands at its
// level less the filter's response at its offset; an AM carrier swings as
// 20 log10(1 + m sin(2 pi f t)) about its level when the filter passes its
// sidebands, and stays at its level when the filter is narrower than the tone.
TEST(SpectrumPhysics, ZeroSpanShowsTheCarrierInTheFilterWithItsEnvelope) {
    constexpr double kLevel = -20, kDepth = 0.5, kTone = 200, kTraceMs = 20;
    constexpr int kPoints = 401;
    struct Case {
        double offset, rbw, tone;
        sim::Modulation modulation;
        double depth;  // of the swing seen, 0 for a steady level
        double shift;  // dB the filter takes off the carrier
    } cases[] = {
        {0, 100e3, kTone, sim::Modulation::Am, kDepth, 0},
        {0, 100, 1000, sim::Modulation::Am, 0, 0},
        {0, 30e3, kTone, sim::Modulation::None, 0, 0},
        {5e3, 10e3, kTone, sim::Modulation::Fm, 0, -3.0103},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "offset " << c.offset << " RBW " << c.rbw);
        sim::Scene scene = quiet_scene();
        scene.burst.on_ms = 0;
        scene.signals = {{900e6, kLevel, 0, c.modulation, c.tone, kDepth, 5000}};
        sim::SpectrumModel m(scene);
        sim::SpectrumSettings s;
        s.centre_hz = 900e6 + c.offset;
        s.span_hz = 0;
        s.rbw_hz = c.rbw;
        s.points = kPoints;
        const auto t = m.zero_span(s, kTraceMs);
        ASSERT_EQ(t.size(), std::size_t{kPoints});
        for (int i = 0; i < kPoints; ++i) {
            const double at_s = kTraceMs / 1000 * i / (kPoints - 1);
            const double want =
                kLevel + c.shift +
                20 * std::log10(1 + c.depth * std::sin(2 * sim::kPi * c.tone * at_s));
            ASSERT_NEAR(t[std::size_t(i)], want, 0.01) << "point " << i;
        }
    }
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

// A cable without faults against the closed form of a terminated line:
// Zin = Zc (ZL + Zc tanh(gamma l)) / (Zc + ZL tanh(gamma l)), seen from 50 ohm.
TEST(NetworkPhysics, CableIsATransmissionLineBetweenItsImpedanceSteps) {
    struct Case {
        double impedance, loss_db_per_m, length_m;
        sim::Termination end;
        double load_rl_db;
    } cases[] = {
        {75, 0, 10, sim::Termination::Short, 0},   {75, 0, 7.3, sim::Termination::Open, 0},
        {75, 0.1, 10, sim::Termination::Load, 20}, {35, 0.05, 3, sim::Termination::Short, 0},
        {50, 0.2, 25, sim::Termination::Load, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.impedance << " ohm, " << c.length_m << " m");
        sim::Scene scene = sim::default_scene();
        scene.dut.faults.clear();
        scene.dut.cable.impedance_ohm = c.impedance;
        scene.dut.cable.loss_db_per_m = c.loss_db_per_m;
        scene.dut.cable.length_m = c.length_m;
        scene.dut.termination = c.end;
        scene.dut.load_return_loss_db = c.load_rl_db;
        sim::NetworkModel m(scene);
        const double zc = c.impedance, vf = scene.dut.cable.velocity_factor;
        for (double f : sim::sweep_frequencies(2e6, 3e9, 201)) {
            const double alpha = c.loss_db_per_m * std::sqrt(f / 1e9) * std::log(10.0) / 20;
            const Complex t =
                std::tanh(Complex(alpha, 2 * M_PI * f / (vf * 299792458.0)) * c.length_m);
            Complex zin;
            if (c.end == sim::Termination::Short) {
                zin = zc * t;
            } else if (c.end == sim::Termination::Open) {
                zin = zc / t;
            } else {
                const double g = std::pow(10, -c.load_rl_db / 20);
                const double zl = 50 * (1 + g) / (1 - g);
                zin = zc * (zl + zc * t) / (zc + zl * t);
            }
            const Complex want = (zin - 50.0) / (zin + 50.0);
            ASSERT_LT(std::abs(m.dut_s11(f) - want), 1e-9) << f;
            if (c.loss_db_per_m == 0 && c.end != sim::Termination::Load) {
                // Lossless into a short or an open: every frequency returns all.
                EXPECT_NEAR(-20 * std::log10(std::abs(m.dut_s11(f))), 0.0, 0.01) << f;
            }
        }
    }
}

// The distance transform over the board's largest sweep against the plain
// windowed sum of each distance, computed term by term.
TEST(NetworkPhysics, DistanceToFaultOfTheLargestSweepMatchesTheDirectSum) {
    sim::NetworkModel m(sim::default_scene());
    const int n = 11265;
    const auto f = sim::sweep_frequencies(2e6, 4e9, n);
    std::vector<Complex> s11;
    for (double v : f) s11.push_back(m.dut_s11(v));
    sim::DtfSettings d;
    d.start_m = 0;
    d.stop_m = 100;
    d.points = 21;
    d.window = 0;  // rectangular: every weight 1
    d.loss_db_per_m = 0;
    const auto dtf = sim::NetworkModel::distance_to_fault(f, s11, d);
    ASSERT_EQ(dtf.size(), 21u);
    for (int j = 0; j < d.points; ++j) {
        const double dist = 100.0 * j / 20;
        const double k = 4 * M_PI * dist / (d.velocity_factor * 299792458.0);
        Complex acc = 0;
        for (int i = 0; i < n; ++i) acc += s11[i] * std::exp(Complex(0, k * f[i]));
        EXPECT_NEAR(std::pow(10, dtf[j] / 20), std::abs(acc) / n, 1e-9) << dist << " m";
    }
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

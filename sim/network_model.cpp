#include "sim/network_model.h"

#include <algorithm>
#include <cmath>

#include "sim/rf_units.h"

namespace sim {

namespace {

constexpr double kNepersPerDb = 1.0 / 8.685889638065037;
constexpr double kSystemImpedance = 50.0;

Complex phasor(double magnitude, double radians) {
    return std::polar(magnitude, radians);
}

// Window weights over n points for side-lobe level 0..3.
std::vector<double> window_weights(int n, int level) {
    std::vector<double> w(static_cast<std::size_t>(n), 1.0);
    if (n < 2 || level <= 0) return w;
    for (int i = 0; i < n; ++i) {
        const double x = 2 * kPi * i / (n - 1);
        double v = 1;
        if (level == 1)
            v = 0.54 - 0.46 * std::cos(x);  // Hamming
        else if (level == 2)
            v = 0.5 - 0.5 * std::cos(x);  // Hann
        else
            v = 0.42 - 0.5 * std::cos(x) + 0.08 * std::cos(2 * x);  // Blackman
        w[static_cast<std::size_t>(i)] = v;
    }
    return w;
}

// The reflection seen through a two-port with these scattering parameters
// (reciprocal: s12 = s21) in front of a load reflecting `load`.
Complex through_two_port(Complex s11, Complex s21, Complex s22, Complex load) {
    return s11 + s21 * s21 * load / (1.0 - s22 * load);
}

}  // namespace

std::vector<double> sweep_frequencies(double start_hz, double stop_hz, int points) {
    std::vector<double> f(static_cast<std::size_t>(std::max(points, 0)));
    for (int i = 0; i < points; ++i)
        f[static_cast<std::size_t>(i)] =
            points > 1 ? start_hz + (stop_hz - start_hz) * i / (points - 1) : start_hz;
    return f;
}

NetworkModel::NetworkModel(const Scene& scene) : scene_(scene) {}

double NetworkModel::antenna_return_loss_db(double f) const {
    const auto& c = scene_.dut.antenna;
    if (c.empty()) return 20.0;
    if (f <= c.front().frequency_hz) return c.front().return_loss_db;
    if (f >= c.back().frequency_hz) return c.back().return_loss_db;
    auto hi = std::lower_bound(c.begin(), c.end(), f,
                               [](const CurvePoint& p, double v) { return p.frequency_hz < v; });
    auto lo = hi - 1;
    const double t = (f - lo->frequency_hz) / (hi->frequency_hz - lo->frequency_hz);
    return lo->return_loss_db + t * (hi->return_loss_db - lo->return_loss_db);
}

Complex NetworkModel::dut_s11(double f) const {
    const Cable& cable = scene_.dut.cable;
    const double z0 = cable.impedance_ohm;
    // Propagation along the cable: loss grows with the square root of frequency.
    const double alpha = cable.loss_db_per_m * std::sqrt(std::max(f, 0.0) / 1e9) * kNepersPerDb;
    const double beta = 2 * kPi * f / (cable.velocity_factor * kSpeedOfLight);
    auto along = [&](Complex gamma, double metres) {
        return gamma * std::exp(Complex(-2 * alpha * metres, -2 * beta * metres));
    };

    // The termination: a short and an open reflect fully whatever the line;
    // a load or antenna is given by its return loss in the 50 ohm system,
    // so it is an impedance, seen from the cable against the cable's own.
    Complex gamma;
    switch (scene_.dut.termination) {
        case Termination::Short:
            gamma = -1.0;
            break;
        case Termination::Open:
            gamma = 1.0;
            break;
        case Termination::Antenna:
        case Termination::Load: {
            const double rl = scene_.dut.termination == Termination::Antenna
                                  ? antenna_return_loss_db(f)
                                  : scene_.dut.load_return_loss_db;
            const double g = std::min(db_to_amplitude(-rl), 1.0 - 1e-12);
            const double z = kSystemImpedance * (1 + g) / (1 - g);
            gamma = (z - z0) / (z + z0);
            break;
        }
    }

    // From the end back to the input: each fault is a lossless shunt
    // discontinuity reflecting its return loss on the cable.
    std::vector<Fault> faults;
    for (const Fault& fault : scene_.dut.faults)
        if (fault.distance_m > 0 && fault.distance_m < cable.length_m) faults.push_back(fault);
    std::sort(faults.begin(), faults.end(),
              [](const Fault& a, const Fault& b) { return a.distance_m > b.distance_m; });
    double at = cable.length_m;
    for (const Fault& fault : faults) {
        gamma = along(gamma, at - fault.distance_m);
        at = fault.distance_m;
        const double g = std::min(db_to_amplitude(-fault.return_loss_db), 1.0 - 1e-12);
        const double b = 2 * g / std::sqrt(1 - g * g);  // normalised susceptance
        const Complex s11 = Complex(0, -b) / Complex(2, b), s21 = 2.0 / Complex(2, b);
        gamma = through_two_port(s11, s21, s11, gamma);
    }
    gamma = along(gamma, at);

    // The step from the 50 ohm port onto the cable.
    const double step = (z0 - kSystemImpedance) / (z0 + kSystemImpedance);
    return through_two_port(step, std::sqrt(1 - step * step), -step, gamma);
}

Complex NetworkModel::dut_s21(double f) const {
    return phasor(db_to_amplitude(scene_.dut.gain_db), -2 * kPi * f * 1.5e-9);
}

Complex NetworkModel::standard(Standard which, double) const {
    switch (which) {
        case Standard::Open:
            return db_to_amplitude(-scene_.standards.open_return_loss_db);
        case Standard::Short:
            return -db_to_amplitude(-scene_.standards.short_return_loss_db);
        case Standard::Load:
            return db_to_amplitude(-scene_.standards.load_return_loss_db);
    }
    return 0.0;
}

Complex NetworkModel::ed(double f) const {
    return phasor(db_to_amplitude(-scene_.terms.directivity_db), 2 * kPi * f * 0.3e-9 + 0.4);
}
Complex NetworkModel::es(double f) const {
    return phasor(db_to_amplitude(-scene_.terms.source_match_db), -2 * kPi * f * 0.7e-9 + 1.1);
}
Complex NetworkModel::er(double f) const {
    return phasor(db_to_amplitude(scene_.terms.reflection_tracking_db),
                  -2 * kPi * f * scene_.terms.tracking_delay_ns * 1e-9);
}
Complex NetworkModel::et(double f) const {
    return phasor(db_to_amplitude(scene_.terms.transmission_tracking_db),
                  -2 * kPi * f * scene_.terms.tracking_delay_ns * 1e-9);
}
Complex NetworkModel::ex(double f) const {
    return phasor(db_to_amplitude(-scene_.terms.isolation_db), 2 * kPi * f * 0.1e-9);
}

Complex NetworkModel::raw_reflection(double f, Complex gamma) const {
    return ed(f) + er(f) * gamma / (1.0 - es(f) * gamma);
}

Complex NetworkModel::raw_transmission(double f, Complex s21) const {
    return ex(f) + et(f) * s21;
}

void NetworkModel::solve_one_port(Complex open, Complex shrt, Complex load, Complex& ed,
                                  Complex& es, Complex& er) {
    // m = ED + ER G / (1 - ES G) with G = +1, -1, 0.
    const Complex a = open - load, b = shrt - load;
    ed = load;
    es = (a + b) / (a - b);
    er = -2.0 * a * b / (a - b);
}

Complex NetworkModel::correct_reflection(Complex raw, Complex ed, Complex es, Complex er) {
    const Complex d = raw - ed;
    return d / (er + es * d);
}

Complex NetworkModel::correct_transmission(Complex raw, Complex et, Complex ex) {
    return (raw - ex) / et;
}

std::vector<double> NetworkModel::distance_to_fault(const std::vector<double>& freqs,
                                                    const std::vector<Complex>& reflection,
                                                    const DtfSettings& d) {
    const int n = static_cast<int>(std::min(freqs.size(), reflection.size()));
    const std::vector<double> w = window_weights(n, d.window);
    double wsum = 0;
    for (double v : w) wsum += v;
    const double v = std::max(d.velocity_factor, 1e-3) * kSpeedOfLight;
    // A sweep's frequencies are evenly spaced: the phase of each distance
    // then turns by one fixed step from point to point, taken exactly again
    // every kExactPhaseEvery points so that rounding never gathers.
    constexpr int kExactPhaseEvery = 64;
    bool even = n > 1;
    const double df = n > 1 ? freqs[1] - freqs[0] : 0;
    for (int i = 1; even && i < n; ++i)
        even =
            std::abs(freqs[static_cast<std::size_t>(i)] - freqs[static_cast<std::size_t>(i - 1)] -
                     df) <= 1e-9 * std::max(std::abs(df), 1.0);
    std::vector<Complex> weighted(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        weighted[static_cast<std::size_t>(i)] =
            w[static_cast<std::size_t>(i)] * reflection[static_cast<std::size_t>(i)];
    std::vector<double> out(static_cast<std::size_t>(std::max(d.points, 0)));
    for (int j = 0; j < d.points; ++j) {
        const double dist =
            d.points > 1 ? d.start_m + (d.stop_m - d.start_m) * j / (d.points - 1) : d.start_m;
        const double k = 2 * kPi * 2 * dist / v;  // round-trip phase per hertz
        const Complex turn = std::polar(1.0, k * df);
        Complex acc = 0, phase = 0;
        for (int i = 0; i < n; ++i) {
            const auto u = static_cast<std::size_t>(i);
            if (!even || i % kExactPhaseEvery == 0)
                phase = std::polar(1.0, k * freqs[u]);
            else
                phase *= turn;
            acc += weighted[u] * phase;
        }
        const double mag = wsum > 0 ? std::abs(acc) / wsum : 0;
        out[static_cast<std::size_t>(j)] = amplitude_to_db(mag) + 2 * d.loss_db_per_m * dist;
    }
    return out;
}

}  // namespace sim

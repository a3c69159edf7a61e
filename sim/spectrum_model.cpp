#include "sim/spectrum_model.h"

#include <algorithm>
#include <cmath>

#include "sim/rf_units.h"

namespace sim {

namespace {

constexpr int kSubBins = 8;
constexpr double kRbwTable[] = {100, 300, 1e3, 3e3, 10e3, 30e3, 100e3, 300e3, 1e6};
constexpr double kVbwTable[] = {10, 30, 100, 300, 1e3, 3e3, 10e3, 30e3, 100e3, 300e3, 1e6};

// Share of a flat channel [fc - b/2, fc + b/2] seen through a Gaussian power
// response of noise bandwidth `rbw` centred at fc + delta, relative to the
// channel's total power.
double channel_response(double delta, double bandwidth, double rbw) {
    const double sigma = rbw / std::sqrt(2 * kPi);
    if (bandwidth <= 0) return std::exp(-delta * delta / (2 * sigma * sigma));
    const double k = 1.0 / (sigma * std::sqrt(2.0));
    return rbw / bandwidth * 0.5 *
           (std::erf((delta + bandwidth / 2) * k) - std::erf((delta - bandwidth / 2) * k));
}

double overlap(double a0, double a1, double b0, double b1) {
    return std::max(0.0, std::min(a1, b1) - std::max(a0, b0));
}

}  // namespace

double rbw_from_record(std::uint16_t word) {
    int index = 8 - std::min<int>(word, 8);
    return kRbwTable[index];
}

double vbw_from_record(std::uint16_t word) {
    int index = 10 - std::min<int>(word, 10);
    return kVbwTable[index];
}

SpectrumModel::SpectrumModel(const Scene& scene) : scene_(scene), rng_(scene.receiver.seed) {}

double SpectrumModel::noise_figure_db(const SpectrumSettings& s) const {
    const double nf =
        s.preamp_db > 0 ? scene_.receiver.preamp_noise_figure_db : scene_.receiver.noise_figure_db;
    return nf + s.attenuation_db;
}

double SpectrumModel::noise_floor_dbm(const SpectrumSettings& s) const {
    return kThermalNoiseDbmPerHz + 10 * std::log10(s.rbw_hz) + noise_figure_db(s);
}

double SpectrumModel::filtered_power_mw(const SpectrumSettings& s, double f) const {
    double p = 0;
    for (const Signal& sig : scene_.signals)
        p += dbm_to_mw(sig.level_dbm) *
             channel_response(f - sig.frequency_hz, sig.bandwidth_hz, s.rbw_hz);
    return p;
}

double SpectrumModel::variation(double k) {
    // Noise power after video filtering: the mean of k exponential samples.
    std::gamma_distribution<double> g(k, 1.0 / k);
    return g(rng_);
}

const std::vector<double>& SpectrumModel::signal_grid(const SpectrumSettings& s) {
    const SpectrumSettings& g = grid_settings_;
    if (!grid_valid_ || g.centre_hz != s.centre_hz || g.span_hz != s.span_hz ||
        g.rbw_hz != s.rbw_hz || g.points != s.points) {
        const double sub = s.step_hz() / kSubBins;
        grid_.assign(static_cast<std::size_t>(std::max(s.points, 0)) * kSubBins, 0.0);
        for (int i = 0; i < s.points; ++i)
            for (int b = 0; b < kSubBins; ++b)
                grid_[static_cast<std::size_t>(i * kSubBins + b)] =
                    filtered_power_mw(s, s.frequency(i) + (b - kSubBins / 2) * sub);
        grid_settings_ = s;
        grid_valid_ = true;
    }
    return grid_;
}

std::vector<float> SpectrumModel::sweep(const SpectrumSettings& s) {
    const double noise = dbm_to_mw(noise_floor_dbm(s));
    const double k = std::clamp(s.rbw_hz / std::max(s.vbw_hz, 1.0), 1.0, 100.0);
    const std::vector<double>& grid = signal_grid(s);
    std::vector<float> out(static_cast<std::size_t>(std::max(s.points, 0)));
    for (int i = 0; i < s.points; ++i) {
        double acc = 0, hi = 0, lo = 1e300, sample = 0;
        for (int b = 0; b < kSubBins; ++b) {
            double n = noise;
            if (scene_.receiver.noise_variation) n *= variation(k);
            const double p = n + grid[static_cast<std::size_t>(i * kSubBins + b)];
            acc += p;
            hi = std::max(hi, p);
            lo = std::min(lo, p);
            if (b == kSubBins / 2) sample = p;
        }
        double v = acc / kSubBins;
        switch (s.detector) {
            case Detector::Peak:
                v = hi;
                break;
            case Detector::Sample:
                v = sample;
                break;
            case Detector::NegativePeak:
                v = lo;
                break;
            case Detector::Average:
                break;
        }
        out[static_cast<std::size_t>(i)] = static_cast<float>(mw_to_dbm(v));
    }
    return out;
}

std::vector<double> SpectrumModel::mean_sweep_mw(const SpectrumSettings& s) const {
    const double noise = dbm_to_mw(noise_floor_dbm(s));
    std::vector<double> out(static_cast<std::size_t>(std::max(s.points, 0)));
    for (int i = 0; i < s.points; ++i)
        out[static_cast<std::size_t>(i)] = noise + filtered_power_mw(s, s.frequency(i));
    return out;
}

double SpectrumModel::channel_power_dbm(const SpectrumSettings& s, double centre,
                                        double width) const {
    const double lo = centre - width / 2, hi = centre + width / 2;
    double p = dbm_to_mw(kThermalNoiseDbmPerHz + noise_figure_db(s)) * width;
    for (const Signal& sig : scene_.signals) {
        const double mw = dbm_to_mw(sig.level_dbm);
        if (sig.bandwidth_hz <= 0) {
            if (sig.frequency_hz >= lo && sig.frequency_hz < hi) p += mw;
        } else {
            const double b0 = sig.frequency_hz - sig.bandwidth_hz / 2;
            p += mw * overlap(lo, hi, b0, b0 + sig.bandwidth_hz) / sig.bandwidth_hz;
        }
    }
    return mw_to_dbm(p);
}

AdjacentPower SpectrumModel::adjacent_power(const SpectrumSettings& s, double channel_width,
                                            double adjacent_width, double distance) const {
    AdjacentPower a;
    a.channel_dbm = channel_power_dbm(s, s.centre_hz, channel_width);
    a.lower_dbm = channel_power_dbm(s, s.centre_hz - distance, adjacent_width);
    a.upper_dbm = channel_power_dbm(s, s.centre_hz + distance, adjacent_width);
    a.lower_ratio_db = a.lower_dbm - a.channel_dbm;
    a.upper_ratio_db = a.upper_dbm - a.channel_dbm;
    return a;
}

double SpectrumModel::occupied_bandwidth_percent(const SpectrumSettings& s, double fraction) const {
    const std::vector<double> p = mean_sweep_mw(s);
    if (p.size() < 2) return 0;
    std::vector<double> cum(p.size());
    double total = 0;
    for (std::size_t i = 0; i < p.size(); ++i) cum[i] = (total += p[i]);
    // Point i covers positions [i - 0.5, i + 0.5]; find where the running sum
    // crosses a target, interpolating inside the point.
    auto position = [&](double target) {
        std::size_t i = 0;
        while (i + 1 < cum.size() && cum[i] < target) ++i;
        const double before = i == 0 ? 0 : cum[i - 1];
        return (static_cast<double>(i) - 0.5) + (target - before) / p[i];
    };
    const double tail = (1 - fraction) / 2;
    return (position(total * (1 - tail)) - position(total * tail)) * s.step_hz();
}

double SpectrumModel::occupied_bandwidth_down(const SpectrumSettings& s, double down_db) const {
    const std::vector<double> p = mean_sweep_mw(s);
    if (p.size() < 2) return 0;
    std::vector<double> db(p.size());
    std::transform(p.begin(), p.end(), db.begin(), mw_to_dbm);
    const std::size_t peak =
        static_cast<std::size_t>(std::max_element(db.begin(), db.end()) - db.begin());
    const double thr = db[peak] - down_db;
    auto cross = [&](std::size_t inside, std::size_t outside) {
        const double t = (db[inside] - thr) / (db[inside] - db[outside]);
        return static_cast<double>(inside) +
               t * (static_cast<double>(outside) - static_cast<double>(inside));
    };
    std::size_t l = peak, r = peak;
    while (l > 0 && db[l - 1] >= thr) --l;
    while (r + 1 < db.size() && db[r + 1] >= thr) ++r;
    const double lo = l > 0 ? cross(l, l - 1) : 0.0;
    const double hi = r + 1 < db.size() ? cross(r, r + 1) : static_cast<double>(r);
    return (hi - lo) * s.step_hz();
}

double SpectrumModel::sweep_time_s(const SpectrumSettings& s) const {
    const double t = scene_.receiver.sweep_factor * s.span_hz / (s.rbw_hz * s.rbw_hz);
    return std::clamp(
        t, scene_.receiver.min_sweep_ms / 1000.0,
        std::max(scene_.receiver.max_sweep_ms, scene_.receiver.min_sweep_ms) / 1000.0);
}

std::vector<float> SpectrumModel::zero_span(const SpectrumSettings& s, double duration_ms) {
    const double noise = dbm_to_mw(noise_floor_dbm(s));
    const double burst = dbm_to_mw(scene_.burst.level_dbm);
    const double k = std::clamp(s.rbw_hz / std::max(s.vbw_hz, 1.0), 1.0, 100.0);
    std::vector<float> out(static_cast<std::size_t>(std::max(s.points, 0)));
    for (int i = 0; i < s.points; ++i) {
        const double t = s.points > 1 ? duration_ms * i / (s.points - 1) : 0;
        const double phase = std::fmod(t, std::max(scene_.burst.period_ms, 1e-6));
        double n = noise;
        if (scene_.receiver.noise_variation) n *= variation(k);
        const double p = n + (phase < scene_.burst.on_ms ? burst : 0.0);
        out[static_cast<std::size_t>(i)] = static_cast<float>(mw_to_dbm(p));
    }
    return out;
}

std::vector<std::int16_t> SpectrumModel::audio(int modulation, std::uint64_t first_sample,
                                               int count) const {
    // AM gives the tone at its modulation depth; FM at its deviation relative
    // to a 25 kHz full scale.
    const double scale = modulation == 1 ? std::clamp(scene_.tone.am_depth, 0.0, 1.0)
                                         : std::clamp(scene_.tone.fm_deviation_hz / 25e3, 0.0, 1.0);
    const double amplitude = 32767.0 * 0.9 * scale;
    std::vector<std::int16_t> out(static_cast<std::size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        const double t =
            static_cast<double>(first_sample + static_cast<std::uint64_t>(i)) / kAudioRate;
        out[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(
            std::lround(amplitude * std::sin(2 * kPi * scene_.tone.tone_hz * t)));
    }
    return out;
}

}  // namespace sim

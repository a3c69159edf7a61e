#include "sim/spectrum_model.h"

#include <algorithm>
#include <cmath>

#include "sim/rf_units.h"

namespace sim {

namespace {

constexpr int kNoiseSamplesPerPoint = 8;  // noise looks of each detector per point
constexpr double kRbwTable[] = {100, 300, 1e3, 3e3, 10e3, 30e3, 100e3, 300e3, 1e6};
constexpr double kVbwTable[] = {10, 30, 100, 300, 1e3, 3e3, 10e3, 30e3, 100e3, 300e3, 1e6};
constexpr double kFmFullScaleHz = 25e3;  // deviation that fills the audio range
constexpr double kAudioFullScale = 32767.0 * 0.9;
constexpr double kHissAmplitude = 0.3;  // demodulated noise with nothing tuned in
constexpr double kCarrierHiss = 0.01;   // what is left under a carrier

// The resolution filter: a Gaussian power response whose -3 dB bandwidth is
// the RBW. A flat channel of width b seen through it, relative to the
// channel's power, and its mean over a range of tunings, in closed form.
class ResolutionFilter {
  public:
    explicit ResolutionFilter(double rbw)
        : sigma_(rbw / (2 * std::sqrt(2 * std::log(2.0)))), k_(1 / (sigma_ * std::sqrt(2.0))) {}

    double noise_bandwidth() const { return sigma_ * std::sqrt(2 * kPi); }

    // Tuned `delta` away from the centre of a channel of width `b` (0: a carrier).
    double response(double delta, double b) const {
        if (b <= 0) return std::exp(-delta * delta * k_ * k_);
        return noise_bandwidth() / b * 0.5 *
               (std::erf((delta + b / 2) * k_) - std::erf((delta - b / 2) * k_));
    }

    // Mean of `response` over tunings lo..hi away from the channel's centre.
    double mean_response(double lo, double hi, double b) const {
        const double width = hi - lo;
        if (!(width > sigma_ * 1e-6)) return response((lo + hi) / 2, b);
        if (b <= 0)
            return noise_bandwidth() / width * 0.5 * (std::erf(hi * k_) - std::erf(lo * k_));
        const double half = b / 2;
        const double area = integral_erf(hi + half) - integral_erf(lo + half) -
                            integral_erf(hi - half) + integral_erf(lo - half);
        return noise_bandwidth() / b * 0.5 * area / width;
    }

  private:
    // The integral of erf(k x) dx.
    double integral_erf(double x) const {
        return x * std::erf(k_ * x) + std::exp(-k_ * k_ * x * x) / (k_ * std::sqrt(kPi));
    }

    double sigma_, k_;
};

// What the detector makes of a signal over a point that covers tunings
// lo..hi away from the signal's centre: the response is largest nearest the
// centre and smallest farthest from it.
double detected_response(const ResolutionFilter& filter, Detector d, double lo, double hi,
                         double b) {
    switch (d) {
        case Detector::PositivePeak:
            return filter.response(std::clamp(0.0, lo, hi), b);
        case Detector::NegativePeak:
            return filter.response(std::max(std::abs(lo), std::abs(hi)), b);
        case Detector::Sample:
            return filter.response((lo + hi) / 2, b);
        case Detector::Average:
            break;
    }
    return filter.mean_response(lo, hi, b);
}

double overlap(double a0, double a1, double b0, double b1) {
    return std::max(0.0, std::min(a1, b1) - std::max(a0, b0));
}

// A repeatable noise sample in [-1, 1] for an audio sample index.
double hiss(std::uint64_t n) {
    n += 0x9E3779B97F4A7C15ull;
    n = (n ^ (n >> 30)) * 0xBF58476D1CE4E5B9ull;
    n = (n ^ (n >> 27)) * 0x94D049BB133111EBull;
    n ^= n >> 31;
    return static_cast<double>(n >> 11) / static_cast<double>(1ull << 52) - 1.0;
}

// A carrier seen through the filter held `delta` from it, against time. An
// AM tone puts sidebands at the tone's distance either side, each passed by
// the filter's amplitude response at its own offset: the envelope is
// |h0 + (m/2)(hu e^jwt - hl e^-jwt)/j|, so a filter narrower than the tone
// leaves the carrier alone and a filter off to one side of it skews the
// swing.
struct CarrierEnvelope {
    double carrier_mw = 0;
    double h0 = 0;      // amplitude response at the carrier
    double in_sin = 0;  // (m/2)(hu + hl)
    double in_cos = 0;  // (m/2)(hu - hl)
    double omega = 0;   // of the tone, rad/s

    double power_mw(double t_s) const {
        const double a = h0 + in_sin * std::sin(omega * t_s);
        const double b = in_cos * std::cos(omega * t_s);
        return carrier_mw * (a * a + b * b);
    }
};

CarrierEnvelope carrier_envelope(const ResolutionFilter& filter, const Signal& sig, double delta) {
    auto amplitude = [&](double d) { return std::sqrt(filter.response(d, 0)); };
    CarrierEnvelope c;
    c.carrier_mw = dbm_to_mw(sig.level_dbm);
    c.h0 = amplitude(delta);
    if (sig.modulation == Modulation::Am) {
        const double half_m = std::clamp(sig.am_depth, 0.0, 1.0) / 2;
        const double hu = amplitude(delta - sig.tone_hz), hl = amplitude(delta + sig.tone_hz);
        c.in_sin = half_m * (hu + hl);
        c.in_cos = half_m * (hu - hl);
        c.omega = 2 * kPi * sig.tone_hz;
    }
    return c;
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

SpectrumModel::SpectrumModel(const Scene& scene)
    : signals_(scene.signals),
      on_(scene.signals.size(), true),
      scene_(scene),
      rng_(scene.receiver.seed) {}

void SpectrumModel::set_elapsed(double seconds, const std::vector<bool>& switched_off) {
    std::vector<bool> on(scene_.signals.size());
    for (std::size_t i = 0; i < on.size(); ++i) {
        const Signal& sig = scene_.signals[i];
        const bool timed_out = sig.off_after_s > 0 && seconds >= sig.off_after_s;
        on[i] = !timed_out && !(i < switched_off.size() && switched_off[i]);
    }
    if (on == on_) return;
    on_ = std::move(on);
    signals_.clear();
    for (std::size_t i = 0; i < on_.size(); ++i)
        if (on_[i]) signals_.push_back(scene_.signals[i]);
    grid_valid_ = false;
}

bool SpectrumModel::burst_reaches(double level_dbm) const {
    return scene_.burst.level_dbm >= level_dbm;
}

double SpectrumModel::noise_figure_db(const SpectrumSettings& s) const {
    const double nf =
        s.preamp_db > 0 ? scene_.receiver.preamp_noise_figure_db : scene_.receiver.noise_figure_db;
    return nf + s.attenuation_db;
}

double SpectrumModel::noise_floor_dbm(const SpectrumSettings& s) const {
    const ResolutionFilter filter(s.rbw_hz);
    return kThermalNoiseDbmPerHz + 10 * std::log10(filter.noise_bandwidth()) + noise_figure_db(s);
}

double SpectrumModel::filtered_power_mw(const SpectrumSettings& s, double f) const {
    const ResolutionFilter filter(s.rbw_hz);
    double p = 0;
    for (const Signal& sig : signals_)
        p += dbm_to_mw(sig.level_dbm) * filter.response(f - sig.frequency_hz, sig.bandwidth_hz);
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
        g.rbw_hz != s.rbw_hz || g.points != s.points || g.detector != s.detector) {
        // Each point covers the tunings half a step either side of its
        // frequency; the detector sees the filter's response over all of them.
        const ResolutionFilter filter(s.rbw_hz);
        const double half = s.step_hz() / 2;
        grid_.assign(static_cast<std::size_t>(std::max(s.points, 0)), 0.0);
        for (int i = 0; i < s.points; ++i) {
            double p = 0;
            for (const Signal& sig : signals_) {
                const double delta = s.frequency(i) - sig.frequency_hz;
                p += dbm_to_mw(sig.level_dbm) * detected_response(filter, s.detector, delta - half,
                                                                  delta + half, sig.bandwidth_hz);
            }
            grid_[static_cast<std::size_t>(i)] = p;
        }
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
        // The noise as the detector sees it over the point, then the signals.
        double n = noise;
        if (scene_.receiver.noise_variation) {
            double acc = 0, hi = 0, lo = 1e300, sample = 0;
            for (int b = 0; b < kNoiseSamplesPerPoint; ++b) {
                const double v = noise * variation(k);
                acc += v;
                hi = std::max(hi, v);
                lo = std::min(lo, v);
                if (b == kNoiseSamplesPerPoint / 2) sample = v;
            }
            switch (s.detector) {
                case Detector::PositivePeak:
                    n = hi;
                    break;
                case Detector::Sample:
                    n = sample;
                    break;
                case Detector::NegativePeak:
                    n = lo;
                    break;
                case Detector::Average:
                    n = acc / kNoiseSamplesPerPoint;
                    break;
            }
        }
        out[static_cast<std::size_t>(i)] =
            static_cast<float>(mw_to_dbm(n + grid[static_cast<std::size_t>(i)]));
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
    for (const Signal& sig : signals_) {
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

std::vector<float> SpectrumModel::zero_span(const SpectrumSettings& s, double duration_ms,
                                            double start_ms) {
    // Held at the centre, the filter passes each carrier steadily (with its
    // AM envelope) and the modulated channels as more noise.
    const ResolutionFilter filter(s.rbw_hz);
    double noise = dbm_to_mw(noise_floor_dbm(s));
    std::vector<CarrierEnvelope> carriers;
    for (const Signal& sig : signals_) {
        const double delta = s.centre_hz - sig.frequency_hz;
        if (sig.bandwidth_hz > 0)
            noise += dbm_to_mw(sig.level_dbm) * filter.response(delta, sig.bandwidth_hz);
        else
            carriers.push_back(carrier_envelope(filter, sig, delta));
    }
    const double burst = dbm_to_mw(scene_.burst.level_dbm);
    const double k = std::clamp(s.rbw_hz / std::max(s.vbw_hz, 1.0), 1.0, 100.0);
    std::vector<float> out(static_cast<std::size_t>(std::max(s.points, 0)));
    for (int i = 0; i < s.points; ++i) {
        const double t = (s.points > 1 ? duration_ms * i / (s.points - 1) : 0) + start_ms;
        const double phase = std::fmod(t, std::max(scene_.burst.period_ms, 1e-6));
        double p = noise;
        if (scene_.receiver.noise_variation) p *= variation(k);
        for (const CarrierEnvelope& c : carriers) p += c.power_mw(t / 1000);
        if (phase < scene_.burst.on_ms) p += burst;
        out[static_cast<std::size_t>(i)] = static_cast<float>(mw_to_dbm(p));
    }
    return out;
}

const Signal* SpectrumModel::tuned_signal(const SpectrumSettings& s) const {
    const double noise = dbm_to_mw(noise_floor_dbm(s));
    const ResolutionFilter filter(s.rbw_hz);
    const Signal* best = nullptr;
    double best_mw = noise;
    for (const Signal& sig : signals_) {
        const double delta = s.centre_hz - sig.frequency_hz;
        if (std::abs(delta) > (s.rbw_hz + sig.bandwidth_hz) / 2) continue;
        const double mw = dbm_to_mw(sig.level_dbm) * filter.response(delta, sig.bandwidth_hz);
        if (mw > best_mw) {
            best = &sig;
            best_mw = mw;
        }
    }
    return best;
}

double SpectrumModel::audio_level_dbm(const SpectrumSettings& s) const {
    return mw_to_dbm(dbm_to_mw(noise_floor_dbm(s)) + filtered_power_mw(s, s.centre_hz));
}

std::vector<std::int16_t> SpectrumModel::audio(const SpectrumSettings& s, int modulation,
                                               std::uint64_t first_sample, int count) const {
    // An envelope detector hears an AM carrier's tone at its modulation
    // depth, a discriminator an FM carrier's at its deviation; a carrier the
    // detector cannot hear leaves a faint hiss, no carrier the full hiss.
    const bool envelope = modulation == 1 || modulation == 3;
    const Signal* sig = tuned_signal(s);
    double tone = 0, tone_hz = 0, noise = kHissAmplitude;
    if (sig) {
        noise = kCarrierHiss;
        tone_hz = sig->tone_hz;
        if (envelope && sig->modulation == Modulation::Am)
            tone = std::clamp(sig->am_depth, 0.0, 1.0);
        else if (!envelope && sig->modulation == Modulation::Fm)
            tone = std::clamp(sig->fm_deviation_hz / kFmFullScaleHz, 0.0, 1.0);
    }
    std::vector<std::int16_t> out(static_cast<std::size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        const std::uint64_t n = first_sample + static_cast<std::uint64_t>(i);
        const double t = static_cast<double>(n) / kAudioRate;
        const double v = tone * std::sin(2 * kPi * tone_hz * t) + noise * hiss(n);
        out[static_cast<std::size_t>(i)] =
            static_cast<std::int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * kAudioFullScale));
    }
    return out;
}

}  // namespace sim

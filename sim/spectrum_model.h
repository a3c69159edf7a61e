#pragma once
// What the spectrum analyzer input sees: the scene's signals over the thermal
// noise floor, shaped by a Gaussian resolution filter whose -3 dB bandwidth is
// the resolution bandwidth, and the results the board derives from it.

#include <cstdint>
#include <random>
#include <vector>

#include "sim/scene.h"

namespace sim {

// Detector codes of the sweep record.
enum class Detector : std::uint16_t { Average = 0, Sample = 1, NegativePeak = 2, PositivePeak = 3 };

struct SpectrumSettings {
    double centre_hz = 940e6;
    double span_hz = 20e6;
    double rbw_hz = 30e3;
    double vbw_hz = 10e3;
    Detector detector = Detector::PositivePeak;
    int points = 705;
    double attenuation_db = 0;
    double preamp_db = 0;

    double start_hz() const { return centre_hz - span_hz / 2; }
    double step_hz() const { return points > 1 ? span_hz / (points - 1) : 0; }
    double frequency(int i) const { return start_hz() + i * step_hz(); }
};

struct AdjacentPower {
    double channel_dbm = 0;
    double lower_dbm = 0;
    double upper_dbm = 0;
    double lower_ratio_db = 0;  // lower adjacent relative to the channel
    double upper_ratio_db = 0;
};

class SpectrumModel {
  public:
    explicit SpectrumModel(const Scene& scene);

    // Noise figure of the receiver chain: the preamplifier lowers it, the
    // input attenuator adds its loss.
    double noise_figure_db(const SpectrumSettings& s) const;
    // Mean displayed noise level in one resolution bandwidth.
    double noise_floor_dbm(const SpectrumSettings& s) const;
    // Mean power (mW) through the resolution filter tuned to `f`.
    double filtered_power_mw(const SpectrumSettings& s, double f) const;

    // One sweep in dBm: `points` values, each detected over sub-bins.
    std::vector<float> sweep(const SpectrumSettings& s);
    // The expected sweep without noise variation (what OBW is measured on).
    std::vector<double> mean_sweep_mw(const SpectrumSettings& s) const;

    // Power within [centre - width/2, centre + width/2]: noise density over the
    // width plus the share of each signal that falls inside.
    double channel_power_dbm(const SpectrumSettings& s, double centre, double width) const;
    AdjacentPower adjacent_power(const SpectrumSettings& s, double channel_width,
                                 double adjacent_width, double distance) const;
    // Occupied bandwidth: `fraction` of the trace power (mode 0) or the width
    // between the points `down_db` below the peak (mode 1), in Hz.
    double occupied_bandwidth_percent(const SpectrumSettings& s, double fraction) const;
    double occupied_bandwidth_down(const SpectrumSettings& s, double down_db) const;

    // Sweep duration: grows with span / RBW^2, within the scene's minimum and
    // maximum.
    double sweep_time_s(const SpectrumSettings& s) const;

    // Zero span: the filter held at the centre over `duration_ms`, `points`
    // values in dBm, the first `start_ms` after a rising edge of the burst:
    // the noise and the channels in the filter, the carriers in it with
    // their AM envelopes (the tone's phase 0 at the rising edge), and the
    // burst.
    std::vector<float> zero_span(const SpectrumSettings& s, double duration_ms,
                                 double start_ms = 0);
    // Whether the burst rises to a video trigger's level.
    bool burst_reaches(double level_dbm) const;
    // The signals switched on `seconds` after the board started, less those
    // whose flag in `switched_off` (one per scene signal, when given) is set.
    void set_elapsed(double seconds, const std::vector<bool>& switched_off = {});

    // What the demodulator hears tuned to the settings' centre through a
    // filter of their RBW, as 16-bit PCM at `kAudioRate` samples a second;
    // `modulation` 1 and 3 detect the envelope (AM), any other the frequency
    // (FM). A carrier modulated the detector's way gives its tone, anything
    // else gives noise. `first_sample` keeps the phase running across calls.
    static constexpr int kAudioRate = 20000;
    std::vector<std::int16_t> audio(const SpectrumSettings& s, int modulation,
                                    std::uint64_t first_sample, int count) const;
    // Power in the demodulator's filter, dBm.
    double audio_level_dbm(const SpectrumSettings& s) const;

  private:
    double variation(double k);
    const std::vector<double>& signal_grid(const SpectrumSettings& s);
    // The carrier the demodulator is tuned to: the strongest within half the
    // filter's bandwidth that stands above the noise; null when none does.
    const Signal* tuned_signal(const SpectrumSettings& s) const;

    // Detected signal power per point of the last settings swept: a stream
    // sweeps the same settings over and over, only the noise changes.
    std::vector<double> grid_;
    SpectrumSettings grid_settings_;
    bool grid_valid_ = false;

    std::vector<Signal> signals_;  // those switched on
    std::vector<bool> on_;         // which of the scene's signals are on
    Scene scene_;
    std::mt19937 rng_;
};

// Bandwidths the sweep record selects: 8 minus the resolution index, 10 minus
// the video index.
double rbw_from_record(std::uint16_t word);
double vbw_from_record(std::uint16_t word);

}  // namespace sim

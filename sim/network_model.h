#pragma once
// The network-analyzer port: the device under test (a cable with faults into
// a termination), the calibration standards, the reflectometer's raw error
// terms, error correction and the distance-to-fault transform.

#include <complex>
#include <vector>

#include "sim/scene.h"

namespace sim {

using Complex = std::complex<double>;

enum class Standard { Open, Short, Load };

// The five error terms at each frequency of a sweep.
struct TermSet {
    std::vector<Complex> ed, es, er, et, ex;
};

struct DtfSettings {
    double start_m = 0;
    double stop_m = 40;
    int points = 705;
    double velocity_factor = 0.85;
    double loss_db_per_m = 0;  // compensated round trip
    int window = 0;            // 0 none, 1 low, 2 medium, 3 high side-lobe suppression
};

class NetworkModel {
  public:
    explicit NetworkModel(const Scene& scene);

    // True reflection of the device under test at `f`.
    Complex dut_s11(double f) const;
    Complex dut_s21(double f) const;
    Complex standard(Standard which, double f) const;

    // Raw error terms of the reflectometer at `f`.
    Complex ed(double f) const;
    Complex es(double f) const;
    Complex er(double f) const;
    Complex et(double f) const;
    Complex ex(double f) const;

    // What the uncorrected reflectometer reads for a true reflection.
    Complex raw_reflection(double f, Complex gamma) const;
    Complex raw_transmission(double f, Complex s21) const;

    // One-port terms from raw open, short and load readings taken as ideal.
    static void solve_one_port(Complex open, Complex shrt, Complex load, Complex& ed, Complex& es,
                               Complex& er);
    static Complex correct_reflection(Complex raw, Complex ed, Complex es, Complex er);
    static Complex correct_transmission(Complex raw, Complex et, Complex ex);

    double bias_current_a() const { return scene_.dut.bias_current_a; }

    // Distance to fault: magnitude in dB of the reflection transformed from
    // `reflection` over `freqs` into distance, loss compensated.
    static std::vector<double> distance_to_fault(const std::vector<double>& freqs,
                                                 const std::vector<Complex>& reflection,
                                                 const DtfSettings& d);

  private:
    double antenna_return_loss_db(double f) const;

    Scene scene_;
};

std::vector<double> sweep_frequencies(double start_hz, double stop_hz, int points);

}  // namespace sim

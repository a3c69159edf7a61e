#pragma once
// Level conversions shared by the board's physics.

#include <cmath>

namespace sim {

// kT at 290 K in one hertz: 10 log10(1.380649e-23 J/K x 290 K / 1 mW).
inline constexpr double kThermalNoiseDbmPerHz = -173.97518719422808;
inline constexpr double kSpeedOfLight = 299792458.0;
inline constexpr double kPi = 3.14159265358979323846;

inline double dbm_to_mw(double dbm) {
    return std::pow(10.0, dbm / 10.0);
}
inline double mw_to_dbm(double mw) {
    return mw > 0 ? 10.0 * std::log10(mw) : -300.0;
}
inline double db_to_amplitude(double db) {
    return std::pow(10.0, db / 20.0);
}
inline double amplitude_to_db(double a) {
    return a > 0 ? 20.0 * std::log10(a) : -300.0;
}

}  // namespace sim

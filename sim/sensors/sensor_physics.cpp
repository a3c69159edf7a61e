#include "sim/sensors/sensor_physics.h"

#include <cmath>

namespace sim {

namespace {
constexpr double kFixedErrorShare = 0.4;
}

SensorSpec sensor_spec(const std::string& model) {
    // accuracy, noise, time constant, zero offset
    // The fixed error, 3 sigma of noise and the zero offset at 1 mW stay
    // within the stated accuracy.
    if (model == "K610" || model == "K610M") return {0.3, 0.02, 1000, 2e-6};
    if (model == "K615") return {0.25, 0.02, 700, 1e-5};
    if (model == "K640") return {0.2, 0.02, 600, 1e-5};
    if (model == "K650") return {0.15, 0.015, 500, 1e-5};
    if (model == "K660") return {0.12, 0.01, 400, 1e-5};
    if (model == "K670") return {0.1, 0.01, 300, 1e-5};
    return {0.25, 0.02, 800, 1e-5};
}

SensorPhysics::SensorPhysics(const SensorSignalState& signal, const SensorSpec& spec, uint32_t seed)
    : signal_(signal), spec_(spec), random_(seed) {}

double SensorPhysics::target_w() const {
    // The model's fixed error uses 0.4 of its stated accuracy.
    const double level = signal_.get().level_dbm + spec_.accuracy_db * kFixedErrorShare;
    return std::pow(10.0, (level - 30) / 10);
}

double SensorPhysics::reflected_share() const {
    return std::pow(10.0, -signal_.get().return_loss_db / 10);
}

double SensorPhysics::crest_ratio() const {
    return std::pow(10.0, signal_.get().crest_db / 10);
}

double SensorPhysics::measure(uint64_t now_ms) {
    const double target = target_w();
    if (power_w_ < 0) {
        power_w_ = target;
    } else {
        const double dt = double(now_ms - last_ms_);
        power_w_ = target + (power_w_ - target) * std::exp(-dt / spec_.time_constant_ms);
    }
    last_ms_ = now_ms;
    const double noisy = power_w_ * std::pow(10.0, spec_.noise_db * noise_(random_) / 10);
    return noisy + (zeroed_ ? 0.0 : spec_.zero_offset_w);
}

}  // namespace sim

#pragma once
// What a simulated power sensor measures: the scene's level at its
// frequency, with the model's stated accuracy (a fixed error within it),
// noise, first-order settling and a zero offset that zeroing removes.
#include <cstdint>
#include <mutex>
#include <random>
#include <string>

#include "sim/scene.h"

namespace sim {

struct SensorSpec {
    double accuracy_db = 0.25;  // stated: a settled reading is within this of the level
    double noise_db = 0.02;     // rms
    double time_constant_ms = 800;
    double zero_offset_w = 2e-5;
};

// The stated figures of a model ("K610" ... "K670"); unknown models get the
// K630's.
SensorSpec sensor_spec(const std::string& model);

// The signal at the sensors, shared by every simulated sensor and changed
// by tests at run time.
class SensorSignalState {
  public:
    explicit SensorSignalState(const SensorSignal& s) : signal_(s) {}
    SensorSignal get() const {
        std::lock_guard lock(mutex_);
        return signal_;
    }
    void set_level(double dbm) {
        std::lock_guard lock(mutex_);
        signal_.level_dbm = dbm;
    }
    void set_ignores_zero(bool on) {
        std::lock_guard lock(mutex_);
        signal_.ignores_zero = on;
    }
    void set(const SensorSignal& s) {
        std::lock_guard lock(mutex_);
        signal_ = s;
    }

  private:
    mutable std::mutex mutex_;
    SensorSignal signal_;
};

class SensorPhysics {
  public:
    SensorPhysics(const SensorSignalState& signal, const SensorSpec& spec, uint32_t seed);
    // Watts the sensor reads now.
    double measure(uint64_t now_ms);
    void zero() { zeroed_ = true; }
    bool ignores_zero() const { return signal_.get().ignores_zero; }
    double temperature_c() const { return 25.0; }
    // The reflected power's share of the forward power, and the peak power's
    // multiple of the average.
    double reflected_share() const;
    double crest_ratio() const;

  private:
    double target_w() const;
    const SensorSignalState& signal_;
    SensorSpec spec_;
    std::mt19937 random_;
    std::normal_distribution<double> noise_{0.0, 1.0};
    double power_w_ = -1;  // the settling state; < 0 until the first reading
    uint64_t last_ms_ = 0;
    bool zeroed_ = false;
};

}  // namespace sim

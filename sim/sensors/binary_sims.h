#pragma once
// Simulated serial power sensors with binary replies: the K610 and K610M
// (fixed-length replies with a check) and the K615 (calibration and data
// records).
#include <algorithm>
#include <cstdint>
#include <string>

#include "sim/sensors/line_peer.h"
#include "sim/sensors/sensor_physics.h"

namespace sim {

class K610Sim : public ILineDevice {
  public:
    K610Sim(bool m_variant, const SensorSignalState& signal);
    std::string OnBytes(std::string_view in, uint64_t now_ms) override;

  private:
    std::string Calibration() const;
    std::string Data(uint64_t now_ms);
    // The K610M's probe byte after the letter: the letter of its last "G,".
    static constexpr size_t kProbeByte = 12;
    bool m_;
    SensorPhysics physics_;
    std::string pending_;
    char probe_ = 'F';
};

class K615Sim : public ILineDevice {
  public:
    static constexpr uint32_t kZeroCount = 50000;
    static constexpr uint32_t kSensitivity = 1000000;  // counts at full scale
    static constexpr uint16_t kTemperatureWord = 16000;
    static constexpr uint32_t kMantissa = 980000;  // calibration factor 0.98
    static constexpr int8_t kExponent = 6;

    explicit K615Sim(const SensorSignalState& signal);
    std::string OnBytes(std::string_view in, uint64_t now_ms) override;
    std::string OnTime(uint64_t now_ms) override;
    uint64_t NextDue(uint64_t) const override {
        return running_ ? std::max<uint64_t>(next_ms_, 1) : 0;
    }

  private:
    std::string Calibration() const;
    std::string Record(uint64_t now_ms);
    SensorPhysics physics_;
    std::string pending_;
    bool running_ = false;
    uint64_t next_ms_ = 0;
};

}  // namespace sim

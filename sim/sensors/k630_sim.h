#pragma once
// A simulated K630-family sensor (K630, K640, K650, K660, K670) in its USB
// or serial form: its text protocol and a reading output while it runs.
#include <algorithm>
#include <cstdint>
#include <string>

#include "sim/sensors/line_peer.h"
#include "sim/sensors/sensor_physics.h"

namespace sim {

class K630Sim : public ILineDevice {
  public:
    K630Sim(const std::string& model, bool serial, const SensorSignalState& signal);
    std::string OnBytes(std::string_view in, uint64_t now_ms) override;
    std::string OnTime(uint64_t now_ms) override;
    uint64_t NextDue(uint64_t) const override {
        return running_ ? std::max<uint64_t>(next_ms_, 1) : 0;
    }

  private:
    std::string Reply(const std::string& text) const { return text + "\r\n"; }
    std::string Reading(uint64_t now_ms);

    std::string model_;
    bool serial_;
    bool announced_ = false;  // serial form: "rs232" said
    SensorPhysics physics_;
    std::string pending_;  // a G command being received
    bool in_g_ = false;
    bool running_ = false;
    uint64_t next_ms_ = 0;
    double filter_ = 10000.0;  // of the last G
};

}  // namespace sim

#pragma once
// The simulated battery as "BAT1:" reports it.
#include <cstdint>

#include "platform/devices/battery_device.h"
#include "sim/board_io/microcontroller.h"

namespace sim::battery {

using namespace plat::battery;

struct State {
    bool present = false;
    unsigned charge = 0;  // percent
    bool external = false;
    bool charging = false;
    uint32_t voltage_mv = 0;
    uint32_t remaining_s = kRemainingUnknown;
};

// The battery at platform time `now_ms`: the charge moves at its rate and
// stays within 0-100 %.
State state_now(const Panel& panel, uint64_t now_ms);
uint32_t status_word(const State& state);
void fill_record(const State& state, uint8_t* record);

}  // namespace sim::battery

#include "sim/board_io/battery.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/byte_order.h"

namespace sim::battery {

constexpr double kMsPerMinute = 60000.0;
constexpr unsigned kFull = 100;

State state_now(const Panel& panel, uint64_t now_ms) {
    State s;
    s.present = true;
    const double minutes =
        now_ms > panel.charge_at_ms ? double(now_ms - panel.charge_at_ms) / kMsPerMinute : 0;
    const double charge = std::clamp(panel.charge + panel.charge_rate * minutes, 0.0, 100.0);
    s.charge = unsigned(std::floor(charge));
    s.external = panel.external_power;
    s.charging = s.external && s.charge < kFull;
    s.voltage_mv = panel.voltage_mv;
    s.remaining_s = panel.remaining_s;
    if (!s.external && panel.current_ma > 0 && panel.capacity_mah > 0)
        s.remaining_s = uint32_t(charge / 100.0 * panel.capacity_mah / panel.current_ma * 3600.0);
    return s;
}

uint32_t status_word(const State& s) {
    if (s.external) return s.charge >= kFull ? kCharged : 0;
    if (s.charge <= kDischargedPercent) return kDischarged;
    if (s.charge <= kLowChargePercent) return kLowCharge;
    return 0;
}

void fill_record(const State& s, uint8_t* record) {
    std::memset(record, 0, kRecordSize);
    record[kRecordSource] = s.external ? kSourceExternal : kSourceBattery;
    record[kRecordFlags] = uint8_t((status_word(s) & (kLowCharge | kDischarged) ? kFlagLow : 0) |
                                   (s.charging ? kFlagCharging : 0));
    record[kRecordCharge] = uint8_t(s.charge);
    plat::put_le<uint32_t>(record, kRecordRemaining, s.remaining_s);
    plat::put_le<uint32_t>(record, kRecordVoltage, s.voltage_mv);
}

}  // namespace sim::battery

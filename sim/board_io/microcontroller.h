#pragma once
// The board's I/O microcontroller on the serial port: it answers each byte
// the master clocks out with one byte (see drivers/spi/spi_protocol.h).
#include <array>
#include <cstdint>
#include <deque>
#include <mutex>
#include <type_traits>
#include <vector>

#include "drivers/spi/spi_protocol.h"
#include "platform/kernel/sync.h"

namespace sim {

// What the microcontroller drives and senses besides the serial link: the
// backlight and the display's VEE supply, four 8-bit ports, the keypad, the
// light sensor and the board temperature.
struct Panel {
    bool backlight_on = false;
    std::vector<uint8_t> backlight_pwm;  // every level programmed, in order
    std::vector<uint8_t> vee_pwm;        // every VEE value programmed, in order
    std::array<uint8_t, 4> ports{};
    std::array<uint8_t, 4> directions{};
    uint32_t option = 0;
    uint8_t keypad_rows = 0, keypad_columns = 0;
    uint16_t light = 400;       // light-sensor reading
    double temperature_c = 35;  // board temperature
    // The supervisor's alarm ("TemperatureIsHigh") stands from this
    // temperature on until the board is kTemperatureHysteresisC below it.
    double temperature_limit_c = 50;
    uint32_t dio_output = 0;  // last value written to the digital outputs
    // The battery: charge in percent, moving by `charge_rate` percent a
    // minute of platform time from `charge_at_ms` on (negative: discharging).
    double charge = 80;
    double charge_rate = 0;
    uint64_t charge_at_ms = 0;  // kChargeFromFirstReading: from the first reading on
    bool external_power = false;
    uint32_t voltage_mv = 7400;
    uint32_t remaining_s = 255;  // 255: not known
    // On battery with both known, the remaining time follows from the charge.
    uint32_t current_ma = 0;
    uint32_t capacity_mah = 0;
};

inline constexpr double kTemperatureHysteresisC = 3;
inline constexpr uint64_t kChargeFromFirstReading = UINT64_MAX;

class Microcontroller {
  public:
    // The byte clocked in while `in` is clocked out.
    uint8_t exchange(uint8_t in);

    // What the scene makes it report.
    void set_status(const std::array<uint8_t, spi::kStatusBytes>& status);
    void push_key(uint8_t first, uint8_t second);
    // The next `count` data bytes answer "not ready".
    void set_busy(unsigned count);

    // What it received: every command byte in order.
    std::vector<uint8_t> commands() const;
    bool asleep() const;

    // The panel under the microcontroller's lock; the board's supervisor
    // then looks at the temperature.
    template <class F>
    auto with_panel(F&& f) {
        std::lock_guard lock(mutex_);
        if constexpr (std::is_void_v<decltype(f(panel_))>) {
            f(panel_);
            supervise();
        } else {
            auto result = f(panel_);
            supervise();
            return result;
        }
    }

  private:
    // Sets or clears the named event "TemperatureIsHigh" at the limit.
    void supervise();

    mutable std::mutex mutex_;
    std::deque<uint8_t> replies_;                      // guarded by mutex_
    bool echo_pending_ = false;                        // guarded by mutex_
    std::array<uint8_t, spi::kStatusBytes> status_{};  // guarded by mutex_
    std::deque<std::pair<uint8_t, uint8_t>> keys_;     // guarded by mutex_
    std::vector<uint8_t> commands_;                    // guarded by mutex_
    unsigned busy_ = 0;                                // guarded by mutex_
    bool asleep_ = false;                              // guarded by mutex_
    Panel panel_;                                      // guarded by mutex_
    bool temperature_alarm_ = false;                   // guarded by mutex_
    plat::Event temperature_is_high_;                  // guarded by mutex_
};

}  // namespace sim

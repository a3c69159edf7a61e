// The simulated board's I/O library ("SMARTIO.dll"): its entry points act on
// the microcontroller of the board plugged in. Without a board every call
// fails (0, or 0xFFFF for a reading).
#include <cmath>
#include <cstdlib>

#include "drivers/bio/bio_protocol.h"
#include "drivers/smartio/smartio_protocol.h"
#include "platform/hardware/board_identity.h"
#include "sim/board_io/board_io.h"

namespace {

constexpr uint16_t kNoReading = 0xFFFF;
constexpr int32_t kRawMax = 1023;

template <class F, class R>
R on_panel(F&& f, R none) {
    auto board = sim::current_board_io();
    if (!board) return none;
    return board->microcontroller().with_panel(f);
}

int32_t on_panel_ok(auto&& f) {
    return on_panel(
        [&](sim::Panel& p) {
            f(p);
            return int32_t(1);
        },
        int32_t(0));
}

// The raw reading whose conversion by the board I/O driver gives the
// temperature closest to `celsius`'s integer part.
uint16_t raw_for(double celsius) {
    const bool second = plat::hw::read_board_layout("", "") == plat::hw::BoardLayout::Second;
    const int32_t wanted = int32_t(std::floor(celsius));
    int32_t best = 0, best_error = INT32_MAX;
    for (int32_t raw = 0; raw <= kRawMax; ++raw) {
        const int32_t error = std::abs(bio::temperature_from_raw(raw, second, false) - wanted);
        if (error < best_error) best = raw, best_error = error;
    }
    return uint16_t(best);
}

}  // namespace

#define SIO_EXPORT extern "C" __attribute__((visibility("default")))

SIO_EXPORT int32_t SIOSelectOption(uint32_t option) {
    return on_panel_ok([&](sim::Panel& p) { p.option = option; });
}
#define SIO_PORT(X, N)                                                         \
    SIO_EXPORT int32_t SIOInitDDR##X(uint8_t d) {                              \
        return on_panel_ok([&](sim::Panel& p) { p.directions[N] = d; });       \
    }                                                                          \
    SIO_EXPORT uint8_t SIOReadPort##X() {                                      \
        return on_panel([](sim::Panel& p) { return p.ports[N]; }, uint8_t(0)); \
    }                                                                          \
    SIO_EXPORT int32_t SIOWritePort##X(uint8_t v) {                            \
        return on_panel_ok([&](sim::Panel& p) { p.ports[N] = v; });            \
    }
SIO_PORT(A, 0)
SIO_PORT(B, 1)
SIO_PORT(C, 2)
SIO_PORT(D, 3)

SIO_EXPORT int32_t SIOBackLightON() {
    return on_panel_ok([](sim::Panel& p) { p.backlight_on = true; });
}
SIO_EXPORT int32_t SIOBackLightOFF() {
    return on_panel_ok([](sim::Panel& p) { p.backlight_on = false; });
}
SIO_EXPORT int32_t SIOBackLightPwm(uint8_t level) {
    return on_panel_ok([&](sim::Panel& p) { p.backlight_pwm.push_back(level); });
}
SIO_EXPORT int32_t SIOReadKeypad(uint8_t* key) {
    if (key) *key = 0;
    return on_panel_ok([](sim::Panel&) {});
}
SIO_EXPORT int32_t SIOBackLightVEEPwm(uint8_t level) {
    return on_panel_ok([&](sim::Panel& p) { p.vee_pwm.push_back(level); });
}
SIO_EXPORT int32_t SIOSetKeyPadSize(uint8_t rows, uint8_t columns) {
    return on_panel_ok([&](sim::Panel& p) {
        p.keypad_rows = rows;
        p.keypad_columns = columns;
    });
}
SIO_EXPORT uint16_t SIOAnalogConversion(uint8_t channel) {
    if (channel != smartio::kLightChannel) return kNoReading;
    return on_panel([](sim::Panel& p) { return p.light; }, kNoReading);
}
SIO_EXPORT uint16_t SIOFirmwareVersion() {
    return on_panel([](sim::Panel&) { return smartio::kFirmwareVersion; }, uint16_t(0));
}
SIO_EXPORT uint16_t SIOReadDeviceVersion() {
    return on_panel([](sim::Panel&) { return smartio::kDeviceVersion; }, uint16_t(0));
}
SIO_EXPORT uint16_t SIOReadDevicePartType() {
    return on_panel([](sim::Panel&) { return smartio::kPartType; }, uint16_t(0));
}
SIO_EXPORT int32_t SIOSetVEEPwm(uint8_t value) {
    return on_panel_ok([&](sim::Panel& p) { p.vee_pwm.push_back(value); });
}
SIO_EXPORT uint16_t SIOReadTemperature() {
    const double celsius = on_panel([](sim::Panel& p) { return p.temperature_c; }, -1000.0);
    return celsius <= -1000.0 ? 0 : raw_for(celsius);
}

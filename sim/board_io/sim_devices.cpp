// The stream devices the simulator serves itself, as the platform's own
// drivers would on the instrument: the digital outputs "DIO1:" (the fan of
// the second board layout) and the battery "BAT1:". The device manager loads
// them from this library by the keys of the device image.
#include <algorithm>
#include <cmath>

#include "drivers/bio/bio_protocol.h"
#include "platform/byte_order.h"
#include "platform/devices/stream_driver.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/sync.h"
#include "sim/board_io/battery.h"
#include "sim/board_io/board_io.h"

namespace sim {
namespace {

constexpr StreamContext kDioContext = 0xD10;
constexpr StreamContext kBatContext = 0xBA7;
constexpr uint32_t kDioCapable = 0xFF;

template <class F, class R>
R on_panel(F&& f, R none) {
    auto board = current_board_io();
    if (!board) return none;
    return board->microcontroller().with_panel(f);
}

// Common entries of the two devices: one fixed context each.
template <StreamContext Context>
class SimDevice : public plat::devices::StreamDriverBase {
  public:
    StreamContext init(const char16_t*, const void*) { return Context; }
    int32_t deinit(StreamContext device) { return device == Context; }
    StreamContext open(StreamContext device, uint32_t, uint32_t) {
        if (device == Context) return Context;
        plat::set_last_error(plat::ERROR_FILE_NOT_FOUND);
        return 0;
    }
    int32_t close(StreamContext open) { return checked(open); }
    uint32_t read(StreamContext open, void*, uint32_t) { return checked(open) ? 0 : STREAM_FAILED; }

  protected:
    static bool checked(StreamContext open) {
        if (open == Context) return true;
        plat::set_last_error(plat::ERROR_INVALID_HANDLE);
        return false;
    }
    static bool fail(uint32_t error) {
        plat::set_last_error(error);
        return false;
    }
};

class DioDevice : public SimDevice<kDioContext> {
  public:
    uint32_t write(StreamContext open, const void* buffer, uint32_t size) {
        if (!checked(open)) return STREAM_FAILED;
        if (!buffer || size < 4) return 0;
        const uint32_t value = plat::get_le<uint32_t>(static_cast<const uint8_t*>(buffer));
        if (!on_panel([&](Panel& p) { return p.dio_output = value, true; }, false)) {
            plat::set_last_error(plat::ERROR_DEV_NOT_EXIST);
            return 0;
        }
        return 4;
    }
    int32_t io_control(StreamContext open, uint32_t code, const uint8_t* input, uint32_t input_size,
                       uint8_t* output, uint32_t output_size, uint32_t* returned) {
        if (!checked(open)) return false;
        if (returned) *returned = 0;
        if (code == bio::IOCTL_DIO_CAPABLE) {
            if (!output || output_size < 4) return fail(plat::ERROR_NOT_ENOUGH_MEMORY);
            plat::put_le<uint32_t>(output, kDioCapable);
            if (returned) *returned = 4;
            return true;
        }
        if (code == bio::IOCTL_DIO_CONFIGURE)
            return input && input_size >= 4 ? true : fail(plat::ERROR_NOT_ENOUGH_MEMORY);
        return fail(plat::ERROR_INVALID_FUNCTION);
    }
};

class BatDevice : public SimDevice<kBatContext> {
  public:
    StreamContext init(const char16_t* key, const void* bus) {
        alarm_ = plat::Event::create(battery::kAlarmEvent, true, false);
        return SimDevice::init(key, bus);
    }
    uint32_t write(StreamContext open, const void*, uint32_t) {
        return checked(open) ? 0 : STREAM_FAILED;
    }
    int32_t io_control(StreamContext open, uint32_t code, const uint8_t*, uint32_t, uint8_t* output,
                       uint32_t output_size, uint32_t* returned) {
        if (!checked(open)) return false;
        if (returned) *returned = 0;
        const auto state = on_panel(
            [](Panel& p) {
                const uint64_t now = plat::now_ms();
                if (p.charge_at_ms == kChargeFromFirstReading) p.charge_at_ms = now;
                return battery::state_now(p, now);
            },
            battery::State{});
        if (!state.present) return fail(plat::ERROR_DEV_NOT_EXIST);
        const uint32_t word = battery::status_word(state);
        if (word & (battery::kLowCharge | battery::kDischarged))
            alarm_.set();
        else
            alarm_.reset();
        if (code == battery::IOCTL_STATUS_WORD) {
            if (!output || output_size < 4) return fail(plat::ERROR_NOT_ENOUGH_MEMORY);
            plat::put_le<uint32_t>(output, word);
            if (returned) *returned = 4;
            return true;
        }
        if (code == battery::IOCTL_RECORD) {
            if (!output || output_size < battery::kRecordSize)
                return fail(plat::ERROR_NOT_ENOUGH_MEMORY);
            battery::fill_record(state, output);
            if (returned) *returned = battery::kRecordSize;
            return true;
        }
        return fail(plat::ERROR_INVALID_FUNCTION);
    }

  private:
    plat::Event alarm_;
};

DioDevice dio_device;
BatDevice bat_device;

}  // namespace
}  // namespace sim

STREAM_DRIVER_ENTRIES(DIO, sim::dio_device)
STREAM_DRIVER_ENTRIES(BAT, sim::bat_device)

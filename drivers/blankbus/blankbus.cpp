// Blankbus, the null IIC stream driver: every entry succeeds and does
// nothing, for where the platform expects an IIC device.
#include "drivers/i2c/i2c_protocol.h"
#include "platform/devices/stream_driver.h"
#include "platform/kernel/debug_out.h"
#include "platform/kernel/last_error.h"

namespace {

using i2c::kBlankContext;

class BlankBus : public plat::devices::StreamDriverBase {
  public:
    static BlankBus& instance();
    BlankBus() {
        plat::debug_output("\r\nLoading BLANKBUS.DLL...\r\n\r\n");
        plat::debug_output("BLANKBUS.DLL Loaded successfully...\r\n\r\n");
    }
    StreamContext init(const char16_t*, const void*) { return kBlankContext; }
    int32_t deinit(StreamContext device) { return device == kBlankContext; }
    StreamContext open(StreamContext device, uint32_t, uint32_t) {
        if (device == kBlankContext) return kBlankContext;
        plat::set_last_error(plat::ERROR_FILE_NOT_FOUND);
        return 0;
    }
    int32_t close(StreamContext open) { return checked(open); }
    uint32_t read(StreamContext open, void*, uint32_t) { return checked(open) ? 0 : STREAM_FAILED; }
    uint32_t write(StreamContext open, const void*, uint32_t) {
        return checked(open) ? 0 : STREAM_FAILED;
    }
    int32_t io_control(StreamContext open, uint32_t, const uint8_t*, uint32_t, uint8_t*, uint32_t,
                       uint32_t*) {
        return checked(open);
    }

  private:
    static int32_t checked(StreamContext open) {
        if (open == kBlankContext) return 1;
        plat::set_last_error(plat::ERROR_INVALID_HANDLE);
        return 0;
    }
};

// Built when the library loads, so the loading notes come first.
BlankBus loaded_bus;

BlankBus& BlankBus::instance() {
    return loaded_bus;
}

}  // namespace

STREAM_DRIVER_ENTRIES(IIC, BlankBus::instance())

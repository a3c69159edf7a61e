#include "drivers/i2c/i2c_driver.h"

#include "platform/kernel/last_error.h"

namespace i2c {
namespace {

using plat::set_last_error;

// A record names the caller's bytes: it must be whole and name at least one.
const TransferRecord* valid_record(const void* buffer, uint32_t size) {
    if (!buffer || size < sizeof(TransferRecord)) return nullptr;
    const auto* record = static_cast<const TransferRecord*>(buffer);
    return record->data && record->count ? record : nullptr;
}

}  // namespace

I2cDriver& I2cDriver::instance() {
    static I2cDriver driver;
    return driver;
}

StreamContext I2cDriver::init(const char16_t*, const void*) {
    std::lock_guard lock(bus_mutex_);
    const auto layout = plat::hw::read_board_layout("\r\nVornI2C  Cannot Open Reg Key\r\n",
                                                    "\r\nVornI2C  Cannot Query Reg Key\r\n");
    if (!bus_.map(layout)) {
        bus_.unmap();
        return 0;
    }
    bus_.initialise();
    return kContext;
}

int32_t I2cDriver::deinit(StreamContext device) {
    std::lock_guard lock(bus_mutex_);
    bus_.unmap();
    return device == kContext;
}

StreamContext I2cDriver::open(StreamContext device, uint32_t, uint32_t) {
    if (device == kContext) return kContext;
    set_last_error(plat::ERROR_FILE_NOT_FOUND);
    return 0;
}

int32_t I2cDriver::close(StreamContext open) {
    if (open == kContext) return 1;
    set_last_error(plat::ERROR_INVALID_HANDLE);
    return 0;
}

uint32_t I2cDriver::read(StreamContext open, void* buffer, uint32_t size) {
    if (open != kContext) {
        set_last_error(plat::ERROR_INVALID_HANDLE);
        return STREAM_FAILED;
    }
    const TransferRecord* record = valid_record(buffer, size);
    return record ? bus_.read(*record) : 0;
}

uint32_t I2cDriver::write(StreamContext open, const void* buffer, uint32_t size) {
    if (open != kContext) {
        set_last_error(plat::ERROR_INVALID_HANDLE);
        return STREAM_FAILED;
    }
    const TransferRecord* record = valid_record(buffer, size);
    return record ? bus_.write(*record) : 0;
}

int32_t I2cDriver::io_control(StreamContext open, uint32_t, const uint8_t*, uint32_t, uint8_t*,
                              uint32_t, uint32_t*) {
    if (open != kContext) {
        set_last_error(plat::ERROR_INVALID_HANDLE);
        return 0;
    }
    std::lock_guard lock(lock_);
    return 1;
}

}  // namespace i2c

#include "drivers/spi/spi_driver.h"

#include <array>

#include "drivers/spi/spi_protocol.h"
#include "platform/byte_order.h"
#include "platform/kernel/last_error.h"
#include "platform/text/utf.h"

namespace spi {
namespace {

using plat::set_last_error;

bool fail(uint32_t error, uint32_t* bytes_returned) {
    set_last_error(error);
    if (bytes_returned) *bytes_returned = 0;
    return false;
}

std::string name_of(const char16_t* name) {
    return plat::to_utf8(name);
}

}  // namespace

SpiDriver& SpiDriver::instance() {
    static SpiDriver driver;
    return driver;
}

StreamContext SpiDriver::init(const char16_t*, const void*) {
    std::lock_guard lock(lock_);
    const auto layout = plat::hw::read_board_layout("\r\nCannot Open Reg Key\r\n",
                                                    "\r\nVornIO  Cannot Query Reg Key\r\n");
    if (!port_.map(layout)) {
        port_.unmap();
        return 0;
    }
    last_state_ = kStateRunning;
    port_.configure(true);
    port_.sync();
    return kContext;
}

int32_t SpiDriver::deinit(StreamContext device) {
    std::lock_guard lock(lock_);
    port_.unmap();
    return device == kContext;
}

StreamContext SpiDriver::open(StreamContext device, uint32_t, uint32_t) {
    if (device != kContext) {
        set_last_error(plat::ERROR_FILE_NOT_FOUND);
        return 0;
    }
    exit_sleep_ = plat::Event::create(name_of(kExitSleepEvent), true, false);
    enter_sleep_ = plat::Event::create(name_of(kEnterSleepEvent), true, false);
    shutdown_ = plat::Event::create(name_of(kShutdownEvent), true, false);
    set_last_error(plat::ERROR_SUCCESS);
    return kContext;
}

int32_t SpiDriver::close(StreamContext open) {
    if (open != kContext) {
        set_last_error(plat::ERROR_INVALID_HANDLE);
        return 0;
    }
    return 1;
}

uint32_t SpiDriver::read(StreamContext open, void*, uint32_t) {
    if (open != kContext) {
        set_last_error(plat::ERROR_INVALID_HANDLE);
        return STREAM_FAILED;
    }
    return 0;
}

uint32_t SpiDriver::write(StreamContext open, const void*, uint32_t) {
    return read(open, nullptr, 0);
}

bool SpiDriver::get_status(uint8_t* output, uint32_t* bytes_returned) {
    std::lock_guard lock(lock_);
    port_.send_command(CMD_STATUS);
    std::array<uint8_t, kStatusBytes> status{};
    uint16_t record[5] = {kStatusAnswered, 0, 0, 0, uint16_t(kStatusRecordSize)};
    if (port_.read_bytes(status)) {
        record[1] = status[kStatusFlags];
        record[2] = status[kStatusFirmware];
        record[3] = plat::get_le<uint16_t>(status.data() + kStatusCharge);
        record[4] = status[kStatusTemperature];
    }
    for (int i = 0; i < 5; ++i) plat::put_le<uint16_t>(output + 2 * i, record[i]);
    if (bytes_returned) *bytes_returned = kStatusRecordSize;
    return true;
}

// Asks for the state only when no other exchange runs; else the last answer.
void SpiDriver::get_state(uint8_t* output) {
    std::unique_lock lock(lock_, std::try_to_lock);
    if (lock.owns_lock()) {
        port_.send_command(CMD_STATE);
        uint8_t state = 0;
        if (port_.read_bytes({&state, 1})) last_state_ = state;
    }
    plat::put_le<uint16_t>(output, last_state_.load());
}

void SpiDriver::read_keys(uint8_t* output) {
    std::lock_guard lock(lock_);
    port_.drain_rx();
    port_.send_command(CMD_KEYS);
    uint16_t count = 0;
    uint8_t first[kMaxKeyPairs] = {}, second[kMaxKeyPairs] = {};
    while (count < kMaxKeyPairs) {
        uint8_t pair[2] = {};
        if (!port_.read_bytes(pair)) pair[0] = pair[1] = 0;
        first[count] = pair[0];
        second[count] = pair[1];
        ++count;
        if (pair[0] == 0) break;
    }
    plat::put_le<uint16_t>(output, count);
    std::copy(first, first + kMaxKeyPairs, output + 2);
    std::copy(second, second + kMaxKeyPairs, output + 2 + kMaxKeyPairs);
}

int32_t SpiDriver::io_control(StreamContext open, uint32_t code, const uint8_t* input,
                              uint32_t input_size, uint8_t* output, uint32_t output_size,
                              uint32_t* bytes_returned) {
    if (open != kContext) return fail(plat::ERROR_INVALID_HANDLE, bytes_returned);
    if (bytes_returned) *bytes_returned = 0;
    const auto needs_output = [&](uint32_t size) { return output && output_size >= size; };
    const auto needs_input = [&](uint32_t size) { return input && input_size >= size; };
    switch (code) {
        case IOCTL_SPI_GET_STATUS:
            if (!needs_output(kStatusRecordSize)) break;
            return get_status(output, bytes_returned);
        case IOCTL_SPI_GET_STATE:
            if (!needs_output(2)) break;
            get_state(output);
            if (bytes_returned) *bytes_returned = 2;
            return true;
        case IOCTL_SPI_READ_KEYS:
            if (!needs_output(kKeyRecordSize)) break;
            read_keys(output);
            if (bytes_returned) *bytes_returned = kKeyRecordSize;
            return true;
        case IOCTL_SPI_ENTER_SLEEP: {
            std::lock_guard lock(lock_);
            port_.send_command(CMD_SLEEP);
            exit_sleep_.reset();
            enter_sleep_.set();
            return true;
        }
        case IOCTL_SPI_POWER_OFF: {
            std::lock_guard lock(lock_);
            if (shutdown_pending_)
                shutdown_.set();
            else
                port_.send_command(CMD_SHUTDOWN_ACK);
            return true;
        }
        case IOCTL_SPI_EXIT_SLEEP: {
            std::lock_guard lock(lock_);
            port_.configure(true);
            port_.sync();
            port_.drain_rx();
            enter_sleep_.reset();
            exit_sleep_.set();
            return true;
        }
        case IOCTL_SPI_SHUTDOWN_ACK: {
            std::lock_guard lock(lock_);
            port_.send_command(CMD_SHUTDOWN_ACK);
            return true;
        }
        case IOCTL_SPI_ARM_SHUTDOWN: {
            if (!needs_input(4)) break;
            std::lock_guard lock(lock_);
            shutdown_pending_ = plat::get_le<uint32_t>(input) != 0;
            return true;
        }
        case IOCTL_SPI_STORE_WORD: {
            if (!needs_input(2)) break;
            std::lock_guard lock(lock_);
            kept_word_ = plat::get_le<uint16_t>(input);
            return true;
        }
        case IOCTL_SPI_LOAD_WORD: {
            if (!needs_output(2)) break;
            std::lock_guard lock(lock_);
            plat::put_le<uint16_t>(output, kept_word_);
            if (bytes_returned) *bytes_returned = 2;
            return true;
        }
        default:
            return fail(plat::ERROR_INVALID_FUNCTION, bytes_returned);
    }
    return fail(plat::ERROR_NOT_ENOUGH_MEMORY, bytes_returned);
}

void SpiDriver::power_up(StreamContext) {
    std::lock_guard lock(lock_);
    if (port_.mapped()) port_.clock(true);
}

void SpiDriver::power_down(StreamContext) {
    std::lock_guard lock(lock_);
    if (!port_.mapped()) return;
    port_.set_no_sleep(true);
    port_.send_command(CMD_SLEEP);
    port_.set_no_sleep(false);
    port_.clock(false);
}

}  // namespace spi

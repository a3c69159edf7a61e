#include "drivers/i2c/i2c_bus.h"

#include "platform/hardware/processor_map.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/debug_out.h"
#include "platform/kernel/last_error.h"

namespace i2c {
namespace {

using namespace plat::hw;

constexpr uint32_t kLockSleepMs = 10;
constexpr uint32_t kSettleMs = 1000;
constexpr uint32_t kStartPauseMs = 10;
constexpr uint32_t kBusyPolls = 10;
constexpr uint32_t kBytePolls = 100;
constexpr uint32_t kLowBits2 = 0x3;  // START and STOP
constexpr uint32_t kLowBits3 = 0x7;  // START, STOP and ACK/NAK
constexpr uint32_t kStartSendStatus = 0x42;
constexpr uint32_t kByteSendStatus = 0x82;
constexpr uint32_t kSourceLine = 13;

}  // namespace

bool I2cBus::map(BoardLayout layout) {
    layout_ = layout;
    gpio_ = RegisterWindow::map(kGpioBase, kGpioBlockSize);
    clock_ = RegisterWindow::map(kClockBase, kClockBlockSize);
    unit_ = RegisterWindow::map(layout == BoardLayout::Second ? kI2cBaseSecond : kI2cBaseStandard,
                                kI2cBlockSize);
    for (const RegisterWindow* w : {&gpio_, &clock_, &unit_})
        if (!*w) plat::debug_output("\tMapPhysicalAddr : Error Return. \r\n");
    if (!gpio_) plat::debug_output("VornI2c Error 'cause GpioRegPtr == NULL \r\n");
    if (!clock_) plat::debug_output("VornI2c Error 'cause v_pClkRegs == NULL \r\n");
    if (!unit_) plat::debug_output("VornI2c Error 'cause v_pI2cRegs == NULL \r\n");
    return gpio_ && clock_ && unit_;
}

void I2cBus::unmap() {
    gpio_ = clock_ = unit_ = lock_page_ = RegisterWindow();
}

// Up to five attempts of a thousand tries each; a lock still held by another
// bus user fails the access and leaves its word alone.
bool I2cBus::take_lock() {
    if (layout_ != BoardLayout::Second) return true;
    for (uint32_t attempt = 0; attempt < kBusLockAttempts; ++attempt) {
        for (uint32_t i = 0; i < kBusLockRetries; ++i) {
            if (lock_page_.compare_exchange(kBusLockOffset, 0, 1) == 0) return true;
            plat::sleep_ms(kLockSleepMs);
        }
        plat::debug_output("Timeout in I2C_GetMutex\r\n");
        plat::set_last_error(kBusLockTimeout);
    }
    return false;
}

void I2cBus::release_lock() {
    if (layout_ == BoardLayout::Second) lock_page_.write(kBusLockOffset, 0);
}

bool I2cBus::get(uint32_t offset, uint32_t& value) {
    if (!take_lock()) return false;
    value = unit_.read(offset);
    release_lock();
    return true;
}

bool I2cBus::put(uint32_t offset, uint32_t value) {
    if (!take_lock()) return false;
    unit_.write(offset, value);
    release_lock();
    return true;
}

void I2cBus::initialise() {
    if (layout_ == BoardLayout::Second) {
        if (RegisterWindow pcfr = RegisterWindow::map(kPcfrAddress, 4))
            pcfr.set_bits(0, kPcfrI2cEnable);
        else
            plat::debug_output("InitI2c MapPhysicalAddr failed fpr PCFR\r\n");
        lock_page_ = RegisterWindow::map(kBusLockPage, kBusLockMapSize);
        if (!lock_page_)
            plat::debug_printf("%s line %u: Failed to allocate pDrvGlobPtr", __FILE__, kSourceLine);
        plat::sleep_ms(kSettleMs);
    }
    put(kSlaveAddress, kOwnSlaveAddress);
    reset();
}

// Polls the status up to `polls` times, 1 ms apart, for any of `bits`.
bool I2cBus::wait_status(uint32_t bits, uint32_t polls, uint32_t* seen) {
    for (uint32_t i = 0; i < polls; ++i) {
        uint32_t status = 0;
        if (!get(kStatus, status)) return false;
        if (status & bits) {
            if (seen) *seen = status;
            return true;
        }
        plat::sleep_ms(1);
    }
    return false;
}

bool I2cBus::wait_clear(uint32_t bit) {
    for (uint32_t i = 0; i < kBusyPolls; ++i) {
        uint32_t status = 0;
        if (!get(kStatus, status)) return false;
        if (!(status & bit)) return true;
        plat::sleep_ms(1);
    }
    return false;
}

bool I2cBus::enable(bool wait) {
    uint32_t status = 0;
    if (!get(kStatus, status)) return false;
    if (!wait) return true;
    if (!wait_clear(SR_BUS_BUSY)) return false;
    return put(kControl, CR_UNIT_ENABLE | CR_CLOCK_ENABLE);
}

bool I2cBus::reset() {
    wait_clear(SR_UNIT_BUSY);
    return put(kControl, CR_UNIT_RESET) && put(kStatus, SR_CLEAR_ALL) && put(kControl, 0) &&
           enable(true);
}

uint32_t I2cBus::write(const TransferRecord& record) {
    if (record.start && !enable(true)) return 0;
    uint32_t sent = 0;
    bool failed = false;
    for (uint32_t i = 0; i < record.count; ++i) {
        uint32_t control = 0;
        const bool last = i + 1 == record.count;
        if (!put(kData, record.data[i]) || !get(kControl, control)) return sent;
        if (i == 0) {
            plat::sleep_ms(kStartPauseMs);
            control = record.start ? control | CR_START : control & ~CR_START;
            control = (control & ~(CR_FAST_ACCESS | CR_STOP)) | CR_TRANSFER;
            if (!put(kStatus, kStartSendStatus)) return sent;
        } else {
            control = (control & ~kLowBits2) | CR_FAST_ACCESS | CR_TRANSFER;
            if (last && record.stop) control |= CR_STOP;
            if (!put(kStatus, kByteSendStatus)) return sent;
        }
        if (!put(kControl, control)) return sent;
        if (i == 0) plat::sleep_ms(kStartPauseMs);
        uint32_t status = 0;
        if (wait_status(SR_TRANSMIT_EMPTY, kBytePolls, &status)) {
            put(kStatus, SR_TRANSMIT_EMPTY);
            if (control & CR_START) put(kControl, control & ~(CR_START | CR_TRANSFER));
            ++sent;
        } else {
            failed = true;
        }
    }
    if (failed) reset();
    if (record.stop) enable(false);
    return sent;
}

uint32_t I2cBus::read(const TransferRecord& record) {
    if (record.start && !enable(true)) return 0;
    uint32_t received = 0;
    bool ended = false;
    for (uint32_t i = 0; i < record.count && !ended; ++i) {
        uint32_t control = 0;
        if (!get(kControl, control)) return received;
        control = (control & ~kLowBits3) | CR_FAST_ACCESS | CR_TRANSFER;
        if (i + 1 == record.count && record.stop) control |= CR_STOP | CR_ACKNAK;
        if (!put(kControl, control)) return received;
        plat::sleep_ms(kStartPauseMs);
        uint32_t status = 0;
        if (!wait_status(SR_RECEIVE_FULL | SR_ACK_ERROR, kBytePolls, &status) ||
            (status & SR_ACK_ERROR)) {
            if (status & SR_ACK_ERROR) put(kStatus, SR_ACK_ERROR);
            ended = true;
            break;
        }
        uint32_t data = 0;
        if (!get(kData, data)) return received;
        record.data[i] = uint8_t(data);
        ++received;
        put(kStatus, status & SR_RECEIVE_CLEAR);
    }
    uint32_t control = 0;
    if (get(kControl, control)) put(kControl, control & ~(CR_STOP | CR_ACKNAK));
    if (ended) reset();
    if (record.stop) enable(false);
    return received;
}

}  // namespace i2c

#include "drivers/spi/ssp_port.h"

#include "drivers/spi/spi_protocol.h"
#include "platform/hardware/processor_map.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/debug_out.h"

namespace spi {
namespace {

using namespace plat::hw;

constexpr uint32_t kPolls = 262143;
constexpr uint32_t kDrainLimit = 16;
constexpr uint32_t kSerialClockRate = 6;
constexpr uint32_t kControl0Format = (kSerialClockRate << 8) | 7;  // 8-bit frames
constexpr uint32_t kStatusClear = 0x80;
constexpr uint32_t kTimeoutRegisterValue = 0x400000;
// The alternate-function fields of the port's pins, two bits a pin: bits
// 2-7 take function 1, bits 8-9 function 2 (standard) or 1 (second layout).
constexpr uint32_t kAltFieldsMask = 0x3FC;  // bits 2-9
constexpr uint32_t kAltPinsFunction1 = (1u << 2) | (1u << 4) | (1u << 6);
constexpr uint32_t kAltFieldsStandard = kAltPinsFunction1 | (2u << 8);
constexpr uint32_t kAltFieldsSecond = kAltPinsFunction1 | (1u << 8);
constexpr uint32_t kDirectionMask = 0x1E0000;  // bits 17-20
constexpr uint32_t kDirectionStandard = 0xE0000;
constexpr uint32_t kDirectionSecond = 0x1A0000;

}  // namespace

bool SspPort::map(BoardLayout layout) {
    layout_ = layout;
    gpio_ = RegisterWindow::map(kGpioBase, kGpioBlockSize);
    if (!gpio_) {
        plat::debug_output(" Error 'cause GpioRegPtr == NULL \r\n");
        return false;
    }
    ssp_ = RegisterWindow::map(layout == BoardLayout::Second ? kSspBaseSecond : kSspBaseStandard,
                               kSspBlockSize);
    if (!ssp_) {
        plat::debug_output(" Error 'cause SspRegPtr == NULL \r\n");
        return false;
    }
    clock_ = RegisterWindow::map(kClockBase, kClockBlockSize);
    if (!clock_) {
        plat::debug_output(" Error 'cause v_pClkRegs == NULL \r\n");
        return false;
    }
    return true;
}

void SspPort::unmap() {
    gpio_ = ssp_ = clock_ = RegisterWindow();
}

void SspPort::clock(bool on) const {
    if (on)
        clock_.set_bits(kClockEnable, kClockSsp);
    else
        clock_.clear_bits(kClockEnable, kClockSsp);
}

void SspPort::configure(bool enable) {
    const bool second = layout_ == BoardLayout::Second;
    clock(false);
    gpio_.write(kGpioAltFunction2Upper, (gpio_.read(kGpioAltFunction2Upper) & ~kAltFieldsMask) |
                                            (second ? kAltFieldsSecond : kAltFieldsStandard));
    gpio_.write(kGpioDirection2, (gpio_.read(kGpioDirection2) & ~kDirectionMask) |
                                     (second ? kDirectionSecond : kDirectionStandard));
    if (second) {
        ssp_.write(kSspControl0, kControl0Format);
        ssp_.write(kSspStatus, kStatusClear);
        ssp_.write(kSspControl1, 0);
        ssp_.set_bits(kSspControl0, kSspEnable);
        clock(true);
    }
    ssp_.write(kSspControl0, kControl0Format);
    ssp_.write(kSspStatus, kStatusClear);
    ssp_.write(kSspStatus, kTimeoutRegisterValue);
    ssp_.write(kSspControl1, 0);
    if (enable) {
        ssp_.set_bits(kSspControl0, kSspEnable);
        ssp_.write(kSspStatus, kStatusClear);
        ssp_.write(kSspStatus, kTimeoutRegisterValue);
    }
    clock(true);
}

void SspPort::pause() const {
    if (!no_sleep_) plat::sleep_ms(1);
}

bool SspPort::write_bytes(std::span<const uint8_t> bytes) const {
    for (uint8_t byte : bytes) {
        uint32_t polls = 0;
        while (!(ssp_.read(kSspStatus) & kSspTransmitNotFull))
            if (++polls >= kPolls) return false;
        ssp_.write(kSspData, byte);
    }
    pause();
    ssp_.read(kSspData);  // the byte clocked in meanwhile
    return true;
}

uint8_t SspPort::read_byte() const {
    ssp_.write(kSspData, 0);
    if (!(ssp_.read(kSspStatus) & kSspReceiveNotEmpty)) {
        pause();
        uint32_t polls = 0;
        while (!(ssp_.read(kSspStatus) & kSspReceiveNotEmpty))
            if (++polls >= kPolls) return kNotReady;
    }
    return uint8_t(ssp_.read(kSspData));
}

bool SspPort::read_bytes(std::span<uint8_t> bytes) const {
    for (uint8_t& byte : bytes) {
        plat::sleep_ms(1);
        byte = read_byte();
        if (byte == kNotReady) byte = read_byte();
        if (byte == kNotReady) return false;
    }
    return true;
}

bool SspPort::send_command(uint8_t command) const {
    const uint8_t bytes[1] = {command};
    write_bytes(bytes);
    read_byte();  // the echo, not looked at
    return true;
}

void SspPort::drain_rx() const {
    for (uint32_t i = 0; i < kDrainLimit && (ssp_.read(kSspStatus) & kSspReceiveNotEmpty); ++i)
        ssp_.read(kSspData);
}

void SspPort::sync() const {
    const uint8_t bytes[1] = {CMD_SYNC};
    write_bytes(bytes);
    read_byte();
    read_byte();
}

}  // namespace spi

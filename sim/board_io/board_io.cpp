#include "sim/board_io/board_io.h"

#include <algorithm>
#include <cmath>

#include "platform/hardware/processor_map.h"

namespace sim {
namespace {

using namespace plat::hw;

constexpr uint32_t kSspFifoDepth = 16;
constexpr uint32_t kGpioLevel2 = 0x08;

bool in_block(uint32_t address, uint32_t base, uint32_t size) {
    return address >= base && address < base + size;
}

uint32_t page_of(uint32_t address) {
    return address & ~(kPageSize - 1);
}

struct Current {
    std::mutex mutex;
    std::vector<std::weak_ptr<BoardIo>> plugged;  // guarded by mutex; latest last
};

Current& current() {
    static Current c;
    return c;
}

}  // namespace

void BoardIo::load_scene(const Scene& scene) {
    constexpr double kMilli = 1000;
    constexpr uint32_t kLightMax = 1023;
    micro_.with_panel([&](Panel& p) {
        p.temperature_c = scene.board.temperature_c;
        p.temperature_limit_c = scene.board.temperature_limit_c;
        p.light = static_cast<uint16_t>(std::min(scene.board.light, kLightMax));
        const Battery& b = scene.battery;
        p.charge = b.charge_percent;
        p.charge_rate = b.charge_rate_percent_per_min;
        // The program's clock may start after power-on (a virtual clock).
        p.charge_at_ms = kChargeFromFirstReading;
        p.external_power = b.external_power;
        p.voltage_mv = static_cast<uint32_t>(std::lround(b.voltage_v * kMilli));
        p.current_ma = static_cast<uint32_t>(std::lround(b.current_a * kMilli));
        p.capacity_mah = static_cast<uint32_t>(std::lround(b.capacity_ah * kMilli));
    });
}

uint32_t BoardIo::read(uint32_t address) {
    std::lock_guard lock(mutex_);
    if (in_block(address, kSspBaseStandard, kSspBlockSize))
        return ssp_read(address - kSspBaseStandard);
    if (in_block(address, kSspBaseSecond, kSspBlockSize)) return ssp_read(address - kSspBaseSecond);
    if (in_block(address, kI2cBaseStandard, kI2cBlockSize))
        return i2c_read(address - kI2cBaseStandard);
    if (in_block(address, kI2cBaseSecond, kI2cBlockSize)) return i2c_read(address - kI2cBaseSecond);
    if (uint32_t* w = word(address)) return *w;
    return 0;
}

void BoardIo::write(uint32_t address, uint32_t value) {
    std::lock_guard lock(mutex_);
    if (in_block(address, kSspBaseStandard, kSspBlockSize))
        return ssp_write(address - kSspBaseStandard, value);
    if (in_block(address, kSspBaseSecond, kSspBlockSize))
        return ssp_write(address - kSspBaseSecond, value);
    if (in_block(address, kI2cBaseStandard, kI2cBlockSize))
        return i2c_write(address - kI2cBaseStandard, value);
    if (in_block(address, kI2cBaseSecond, kI2cBlockSize))
        return i2c_write(address - kI2cBaseSecond, value);
    if (in_block(address, kGpioBase, kGpioBlockSize)) {
        const uint32_t offset = address - kGpioBase;
        if (offset >= kGpioSet0 && offset <= kGpioSet2) {
            gpio_[(offset - kGpioSet0) / 4 + kGpioLevel0 / 4] |= value;
            return;
        }
        if (offset >= kGpioClear0 && offset <= kGpioClear2) {
            gpio_[(offset - kGpioClear0) / 4 + kGpioLevel0 / 4] &= ~value;
            return;
        }
        if (offset <= kGpioLevel2) return;  // levels are read-only
    }
    if (uint32_t* w = word(address)) *w = value;
}

uint32_t BoardIo::compare_exchange(uint32_t address, uint32_t expected, uint32_t desired) {
    std::lock_guard lock(mutex_);
    uint32_t* w = word(address);
    if (!w) return ~expected;
    const uint32_t old = *w;
    if (old == expected) *w = desired;
    return old;
}

// The plain words of the blocks: GPIO, clocks, PCFR and the lock page.
uint32_t* BoardIo::word(uint32_t address) {
    if (in_block(address, kGpioBase, kGpioBlockSize)) return &gpio_[(address - kGpioBase) / 4];
    if (in_block(address, kClockBase, kClockBlockSize)) return &clock_[(address - kClockBase) / 4];
    if (address == kPcfrAddress) return &pcfr_;
    if (page_of(address) == kBusLockPage) return &lock_page_[(address - kBusLockPage) / 4];
    return nullptr;
}

uint32_t BoardIo::ssp_read(uint32_t offset) {
    if (offset == kSspData) {
        if (ssp_rx_.empty()) return 0;
        const uint8_t byte = ssp_rx_.front();
        ssp_rx_.erase(ssp_rx_.begin());
        return byte;
    }
    if (offset == kSspStatus)
        return kSspTransmitNotFull | (ssp_rx_.empty() ? 0 : kSspReceiveNotEmpty);
    return ssp_[offset / 4];
}

// Full duplex: each byte written clocks the microcontroller's reply in, while
// the port and its clock are on.
void BoardIo::ssp_write(uint32_t offset, uint32_t value) {
    if (offset != kSspData) {
        if (offset / 4 < ssp_.size()) ssp_[offset / 4] = value;
        return;
    }
    const bool running =
        (ssp_[kSspControl0 / 4] & kSspEnable) && (clock_[kClockEnable / 4] & kClockSsp);
    if (!running) return;
    const uint8_t reply = micro_.exchange(uint8_t(value));
    if (ssp_rx_.size() < kSspFifoDepth) ssp_rx_.push_back(reply);
}

uint32_t BoardIo::i2c_read(uint32_t offset) {
    switch (offset) {
        case i2c::kData:
            return i2c_.data;
        case i2c::kControl:
            return i2c_.control;
        case i2c::kStatus:
            return i2c_.status;
        case i2c::kSlaveAddress:
            return i2c_.slave;
        default:
            return 0;
    }
}

void BoardIo::i2c_write(uint32_t offset, uint32_t value) {
    switch (offset) {
        case i2c::kData:
            i2c_.data = value & 0xFF;
            break;
        case i2c::kStatus:
            i2c_.status &= ~value;
            break;
        case i2c::kSlaveAddress:
            i2c_.slave = value;
            break;
        case i2c::kControl:
            if (value & i2c::CR_UNIT_RESET) {
                i2c_.status = 0;
                i2c_.selected = false;
            }
            i2c_.control = value & ~i2c::CR_TRANSFER;  // the unit clears the transfer bit
            if ((value & i2c::CR_TRANSFER) && (value & i2c::CR_UNIT_ENABLE)) i2c_transfer(value);
            break;
        default:
            break;
    }
}

// One byte on the bus: an address byte after a start condition, else a data
// byte to or from the selected slave.
void BoardIo::i2c_transfer(uint32_t control) {
    I2cUnit& u = i2c_;
    if (control & i2c::CR_START) {
        u.selected = (u.data >> 1) == i2c::kEepromAddress;
        u.reading = u.data & 1;
        u.pointer_set = u.pointer_set && u.reading;
        u.status |= i2c::SR_TRANSMIT_EMPTY | (u.selected ? 0 : i2c::SR_ACK_ERROR);
    } else if (!u.reading) {
        if (u.selected && !u.pointer_set) {
            u.pointer = u.data;
            u.pointer_set = true;
        } else if (u.selected && u.pointer < i2c::kEepromSize) {
            u.memory[u.pointer++] = uint8_t(u.data);
        }
        u.status |= i2c::SR_TRANSMIT_EMPTY | (u.selected ? 0 : i2c::SR_ACK_ERROR);
    } else if (u.selected && u.pointer < i2c::kEepromSize) {
        u.data = u.memory[u.pointer++];
        u.status |= i2c::SR_RECEIVE_FULL;
    } else {
        u.status |= i2c::SR_ACK_ERROR;
    }
    if (control & i2c::CR_STOP) u.selected = false;  // the pointer stays for a later read
}

bool BoardIo::gpio_level(uint32_t mask) const {
    std::lock_guard lock(mutex_);
    return gpio_[kGpioLevel0 / 4] & mask;
}

uint32_t BoardIo::gpio_direction0() const {
    std::lock_guard lock(mutex_);
    return gpio_[kGpioDirection0 / 4];
}

uint32_t BoardIo::pcfr() const {
    std::lock_guard lock(mutex_);
    return pcfr_;
}

std::array<uint8_t, i2c::kEepromSize> BoardIo::eeprom() const {
    std::lock_guard lock(mutex_);
    return i2c_.memory;
}

BoardIoPlug::BoardIoPlug(std::shared_ptr<BoardIo> board) : board_(std::move(board)) {
    if (uint32_t id = register_model(kGpioBase, kGpioWindowSize, board_)) ids_.push_back(id);
    for (uint32_t base : {kClockBase, kSspBaseStandard, kSspBaseSecond, page_of(kI2cBaseStandard),
                          page_of(kI2cBaseSecond), kBusLockPage})
        if (uint32_t id = register_model(base, kPageSize, board_)) ids_.push_back(id);
    std::lock_guard lock(current().mutex);
    current().plugged.push_back(board_);
}

BoardIoPlug::~BoardIoPlug() {
    for (uint32_t id : ids_) unregister_model(id);
    std::lock_guard lock(current().mutex);
    std::erase_if(current().plugged, [&](const std::weak_ptr<BoardIo>& b) {
        return b.expired() || b.lock() == board_;
    });
}

std::shared_ptr<BoardIo> current_board_io() {
    std::lock_guard lock(current().mutex);
    for (auto it = current().plugged.rbegin(); it != current().plugged.rend(); ++it)
        if (auto board = it->lock()) return board;
    return nullptr;
}

}  // namespace sim

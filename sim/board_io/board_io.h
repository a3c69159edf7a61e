#pragma once
// The processor blocks of the simulated board as register models: GPIO,
// clocks, the serial port with the I/O microcontroller behind it, the I2C
// unit with an EEPROM-like slave, the power-manager configuration register
// and the bus-lock page. One per process, plugged in with the board.
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "drivers/i2c/i2c_protocol.h"
#include "platform/hardware/registers.h"
#include "sim/board_io/microcontroller.h"
#include "sim/scene.h"

namespace sim {

class BoardIo : public plat::hw::IRegisterModel {
  public:
    uint32_t read(uint32_t address) override;
    void write(uint32_t address, uint32_t value) override;
    uint32_t compare_exchange(uint32_t address, uint32_t expected, uint32_t desired) override;

    Microcontroller& microcontroller() { return micro_; }
    // Takes the scene's board temperature and its limit, the light and the
    // battery; the battery's charge moves at its rate from now on.
    void load_scene(const Scene& scene);
    // Level of a pin of GPIO bank 0 (`mask` one bit).
    bool gpio_level(uint32_t mask) const;
    uint32_t gpio_direction0() const;
    uint32_t pcfr() const;
    std::array<uint8_t, i2c::kEepromSize> eeprom() const;

  private:
    uint32_t ssp_read(uint32_t offset);
    void ssp_write(uint32_t offset, uint32_t value);
    uint32_t i2c_read(uint32_t offset);
    void i2c_write(uint32_t offset, uint32_t value);
    void i2c_transfer(uint32_t control);
    uint32_t* word(uint32_t address);

    mutable std::mutex mutex_;
    Microcontroller micro_;
    std::array<uint32_t, 27> gpio_{};  // guarded by mutex_
    std::array<uint32_t, 3> clock_{};  // guarded by mutex_
    std::array<uint32_t, 5> ssp_{};    // guarded by mutex_
    std::vector<uint8_t> ssp_rx_;      // guarded by mutex_
    struct I2cUnit {
        uint32_t data = 0, control = 0, status = 0, slave = 0;
        bool selected = false, reading = false, pointer_set = false;
        unsigned pointer = 0;
        std::array<uint8_t, i2c::kEepromSize> memory{};
    } i2c_;                                                      // guarded by mutex_
    uint32_t pcfr_ = 0;                                          // guarded by mutex_
    std::array<uint32_t, plat::hw::kPageSize / 4> lock_page_{};  // guarded by mutex_
};

// Registers the board's blocks with the platform; unregisters them on
// destruction.
class BoardIoPlug {
  public:
    explicit BoardIoPlug(std::shared_ptr<BoardIo> board);
    ~BoardIoPlug();
    BoardIoPlug(const BoardIoPlug&) = delete;
    BoardIoPlug& operator=(const BoardIoPlug&) = delete;
    const std::shared_ptr<BoardIo>& board() const { return board_; }

  private:
    std::shared_ptr<BoardIo> board_;
    std::vector<uint32_t> ids_;
};

// The board of the latest plug still in place, null when none.
std::shared_ptr<BoardIo> current_board_io();

}  // namespace sim

#pragma once
// The processor's synchronous serial port as SPI master, one byte at a time,
// towards the board's I/O microcontroller.
#include <cstdint>
#include <span>

#include "platform/hardware/board_identity.h"
#include "platform/hardware/registers.h"

namespace spi {

class SspPort {
  public:
    // Maps the GPIO, SSP and clock blocks; false (with a trace) when one fails.
    bool map(plat::hw::BoardLayout layout);
    void unmap();
    bool mapped() const { return bool(ssp_); }

    void configure(bool enable);
    void clock(bool on) const;
    void set_no_sleep(bool no_sleep) { no_sleep_ = no_sleep; }

    bool write_bytes(std::span<const uint8_t> bytes) const;
    uint8_t read_byte() const;  // kNotReady when no byte came
    bool read_bytes(std::span<uint8_t> bytes) const;
    bool send_command(uint8_t command) const;
    void drain_rx() const;
    void sync() const;

  private:
    void pause() const;

    plat::hw::BoardLayout layout_ = plat::hw::BoardLayout::Standard;
    plat::hw::RegisterWindow gpio_, ssp_, clock_;
    bool no_sleep_ = false;
};

}  // namespace spi

#pragma once
// The processor's I2C unit: register access (under the shared bus lock on
// the second board layout), bus initialisation, reset and byte transfers.
#include <cstdint>

#include "drivers/i2c/i2c_protocol.h"
#include "platform/hardware/board_identity.h"
#include "platform/hardware/registers.h"

namespace i2c {

class I2cBus {
  public:
    // Maps the blocks of `layout`; false (with a trace) when one fails.
    bool map(plat::hw::BoardLayout layout);
    void unmap();
    bool mapped() const { return bool(unit_); }
    void initialise();
    // Bytes acknowledged or read. A bus lock that cannot be taken ends the
    // transfer with last error kBusLockTimeout.
    uint32_t write(const TransferRecord& record);
    uint32_t read(const TransferRecord& record);

  private:
    bool get(uint32_t offset, uint32_t& value);
    bool put(uint32_t offset, uint32_t value);
    bool take_lock();
    void release_lock();
    bool wait_status(uint32_t bits, uint32_t polls, uint32_t* seen);
    bool wait_clear(uint32_t bit);
    bool enable(bool wait);
    bool reset();

    plat::hw::BoardLayout layout_ = plat::hw::BoardLayout::Standard;
    plat::hw::RegisterWindow gpio_, clock_, unit_, lock_page_;
};

}  // namespace i2c

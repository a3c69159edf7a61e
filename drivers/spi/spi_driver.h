#pragma once
// VornSPI, the stream driver "SPI1:" of the board's I/O microcontroller.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "drivers/spi/spi_protocol.h"
#include "drivers/spi/ssp_port.h"
#include "platform/devices/stream_driver.h"
#include "platform/kernel/sync.h"

namespace spi {

class SpiDriver : public plat::devices::StreamDriverBase {
  public:
    static SpiDriver& instance();

    StreamContext init(const char16_t* key, const void* bus);
    int32_t deinit(StreamContext device);
    StreamContext open(StreamContext device, uint32_t access, uint32_t share);
    int32_t close(StreamContext open);
    uint32_t read(StreamContext open, void* buffer, uint32_t size);
    uint32_t write(StreamContext open, const void* buffer, uint32_t size);
    int32_t io_control(StreamContext open, uint32_t code, const uint8_t* input, uint32_t input_size,
                       uint8_t* output, uint32_t output_size, uint32_t* bytes_returned);
    void power_up(StreamContext device);
    void power_down(StreamContext device);

  private:
    bool get_status(uint8_t* output, uint32_t* bytes_returned);
    void get_state(uint8_t* output);
    void read_keys(uint8_t* output);

    // Serialises every exchange on the port and the kept word.
    std::recursive_mutex lock_;
    SspPort port_;  // exchanges under lock_
    // Written under lock_; read without it when another exchange holds the lock.
    std::atomic<uint8_t> last_state_{kStateRunning};
    uint16_t kept_word_ = 0;         // guarded by lock_
    bool shutdown_pending_ = false;  // guarded by lock_
    plat::Event exit_sleep_, enter_sleep_, shutdown_;
};

}  // namespace spi

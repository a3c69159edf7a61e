#pragma once
// VornI2C, the stream driver of the processor's I2C unit.
#include <cstdint>
#include <mutex>

#include "drivers/i2c/i2c_bus.h"
#include "platform/devices/stream_driver.h"

namespace i2c {

class I2cDriver : public plat::devices::StreamDriverBase {
  public:
    static I2cDriver& instance();

    StreamContext init(const char16_t* key, const void* bus);
    int32_t deinit(StreamContext device);
    StreamContext open(StreamContext device, uint32_t access, uint32_t share);
    int32_t close(StreamContext open);
    uint32_t read(StreamContext open, void* buffer, uint32_t size);
    uint32_t write(StreamContext open, const void* buffer, uint32_t size);
    int32_t io_control(StreamContext open, uint32_t code, const uint8_t* input, uint32_t input_size,
                       uint8_t* output, uint32_t output_size, uint32_t* bytes_returned);

  private:
    std::mutex lock_;  // the driver's critical section (I/O controls)
    std::mutex bus_mutex_;
    I2cBus bus_;  // guarded by bus_mutex_ for mapping; transfers rely on callers
};

}  // namespace i2c

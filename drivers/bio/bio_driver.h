#pragma once
// VornIO, the stream driver "BIO1:" of the board services: board
// temperature, cooling fan, display backlight and the high-temperature event.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "drivers/bio/bio_protocol.h"
#include "drivers/smartio/smart_io.h"
#include "platform/devices/device_manager.h"
#include "platform/devices/stream_driver.h"
#include "platform/hardware/board_identity.h"
#include "platform/hardware/registers.h"
#include "platform/kernel/sync.h"
#include "platform/kernel/thread.h"

namespace bio {

// One output bit of GPIO bank 0.
class CGpioBit {
  public:
    CGpioBit(const plat::hw::RegisterWindow& window, uint32_t mask, bool output);
    void Set() const;
    void Clear() const;

  private:
    plat::hw::RegisterWindow window_;
    uint32_t mask_;
    bool output_;
};

struct BioSettings {
    uint32_t initial_time = 3000, temp_on = 44, temp_off = 40, warn = 47;
    uint32_t mode = 0, high = 125, medium = 78, low = 30, custom = 100;
    int32_t sensor_gain = 0;
    uint32_t level = 125;
};

class BioDriver : public plat::devices::StreamDriverBase {
  public:
    static BioDriver& instance();
    BioDriver() = default;
    ~BioDriver();
    BioDriver(const BioDriver&) = delete;
    BioDriver& operator=(const BioDriver&) = delete;

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
    void Monitor();
    void StopMonitor();
    void MonitorPass(bool& high_remembered);
    int32_t ReadTemperature(bool fahrenheit) const;
    void SetFan(bool on);
    bool InitializeFanDIO();
    bool WriteDio(uint32_t value);
    void SetOutputs(bool on);
    void ControlBacklight();
    void SetBacklightLevel(uint32_t level);
    void SaveBacklightSettings() const;
    void ReadSettings();
    bool HandleBacklightIoctl(uint32_t sub, int32_t value, uint8_t* output,
                              uint32_t* bytes_returned);
    bool Wait(uint32_t ms);

    // The driver's critical section: I/O controls, and the monitor's
    // backlight and registry work.
    std::recursive_mutex lock_;
    plat::hw::BoardLayout layout_ = plat::hw::BoardLayout::Standard;
    std::unique_ptr<CSmartIO> smart_io_;
    plat::hw::RegisterWindow gpio_;
    std::unique_ptr<CGpioBit> fan_, pin7_, pin10_;
    plat::Event wake_;
    plat::Thread monitor_;
    std::atomic<bool> stopping_{false};
    bool fan_on_ = false;  // guarded by lock_
    // The fan's digital output settles a second before and after each
    // write: its own lock keeps the I/O controls from waiting for that.
    // Taken before lock_, never after.
    std::mutex dio_lock_;
    plat::devices::StreamFile dio_;  // guarded by dio_lock_
    std::atomic<int32_t> last_temperature_{0};
    BioSettings settings_;          // guarded by lock_
    bool key_missing_ = false;      // guarded by lock_
    uint32_t level_ = 0;            // guarded by lock_
    bool custom_selected_ = false;  // guarded by lock_
    uint32_t faded_level_ = 0;      // guarded by lock_
    plat::Event temperature_is_high_, high_temperature_, run_fan_;
};

}  // namespace bio

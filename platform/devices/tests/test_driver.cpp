// A stream driver for the device manager's tests: "TST" echoes I/O control
// input to the output, reports code 2 as failing with last error 1234, and
// counts its opens. Written as a class behind the entry-point helper, the
// way the system's drivers are.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/devices/stream_driver.h"
#include "platform/kernel/last_error.h"

namespace {

constexpr StreamContext kDevice = 0x7E57;
constexpr StreamContext kOpen = kDevice + 1;
constexpr uint32_t kFailingCode = 2;
constexpr uint32_t kCountsCode = 3;  // output: opens, inits
// Output: the code and input of the last other call (4 + up to 60 bytes).
constexpr uint32_t kLastCallCode = 4;
constexpr uint32_t kFailingError = 1234;

class TestDriver : public plat::devices::StreamDriverBase {
  public:
    static TestDriver& instance() {
        static TestDriver driver;
        return driver;
    }

    StreamContext init(const char16_t*, const void*) {
        ++inits_;
        return kDevice;
    }
    bool deinit(StreamContext device) {
        --inits_;
        return device == kDevice;
    }
    StreamContext open(StreamContext device, uint32_t, uint32_t) {
        ++opens_;
        return device + 1;
    }
    bool close(StreamContext) {
        --opens_;
        return true;
    }
    uint32_t read(StreamContext, void* buffer, uint32_t size) {
        std::memset(buffer, 'r', size);
        return size;
    }
    uint32_t write(StreamContext, const void*, uint32_t size) { return size / 2; }
    uint32_t seek(StreamContext, int32_t distance, uint32_t) {
        return static_cast<uint32_t>(distance);
    }
    bool io_control(StreamContext open, uint32_t code, const uint8_t* input, uint32_t input_size,
                    uint8_t* output, uint32_t output_size, uint32_t* returned) {
        if (open != kOpen) return false;
        if (code == kFailingCode) {
            plat::set_last_error(kFailingError);
            return false;
        }
        if (code == kCountsCode) {
            output[0] = static_cast<uint8_t>(opens_.load());
            output[1] = static_cast<uint8_t>(inits_.load());
            *returned = 2;
            return true;
        }
        if (code == kLastCallCode) {
            std::lock_guard lock(last_mutex_);
            const uint32_t n = std::min<uint32_t>(output_size, static_cast<uint32_t>(last_.size()));
            if (n) std::memcpy(output, last_.data(), n);
            *returned = n;
            return true;
        }
        {
            std::lock_guard lock(last_mutex_);
            last_.assign(reinterpret_cast<const uint8_t*>(&code),
                         reinterpret_cast<const uint8_t*>(&code) + 4);
            if (input) last_.insert(last_.end(), input, input + std::min<uint32_t>(input_size, 60));
        }
        uint32_t n = input_size < output_size ? input_size : output_size;
        if (n) std::memcpy(output, input, n);
        *returned = n;
        return true;
    }

  private:
    std::atomic<int> opens_{0};  // any caller's thread
    std::mutex last_mutex_;
    std::vector<uint8_t> last_;  // last_mutex_
    std::atomic<int> inits_{0};
};

}  // namespace

STREAM_DRIVER_ENTRIES(TST, TestDriver::instance())
// The same driver under the board I/O prefix, for programs that open "BIO1:".
STREAM_DRIVER_ENTRIES(BIO, TestDriver::instance())

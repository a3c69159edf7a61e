// A stream driver for the device manager's tests: "TST" echoes I/O control
// input to the output, reports code 2 as failing with last error 1234, and
// counts its opens.
#include <atomic>
#include <cstring>

#include "platform/devices/stream_driver.h"
#include "platform/kernel/last_error.h"

STREAM_DRIVER_DECLARE(TST)

namespace {
std::atomic<int> opens{0};
std::atomic<int> inits{0};
}  // namespace

extern "C" {
StreamContext TST_Init(const char16_t*, const void*) {
    ++inits;
    return 0x7E57;
}
int32_t TST_Deinit(StreamContext device) {
    --inits;
    return device == 0x7E57;
}
StreamContext TST_Open(StreamContext device, uint32_t, uint32_t) {
    ++opens;
    return device + 1;
}
int32_t TST_Close(StreamContext) {
    --opens;
    return 1;
}
uint32_t TST_Read(StreamContext, void* buffer, uint32_t size) {
    std::memset(buffer, 'r', size);
    return size;
}
uint32_t TST_Write(StreamContext, const void*, uint32_t size) {
    return size / 2;
}
uint32_t TST_Seek(StreamContext, int32_t distance, uint32_t) {
    return static_cast<uint32_t>(distance);
}
int32_t TST_IOControl(StreamContext open, uint32_t code, const uint8_t* input, uint32_t input_size,
                      uint8_t* output, uint32_t output_size, uint32_t* returned) {
    if (open != 0x7E58) return 0;
    if (code == 2) {
        plat::set_last_error(1234);
        return 0;
    }
    if (code == 3) {  // counts: opens, inits
        output[0] = static_cast<uint8_t>(opens.load());
        output[1] = static_cast<uint8_t>(inits.load());
        *returned = 2;
        return 1;
    }
    uint32_t n = input_size < output_size ? input_size : output_size;
    if (n) std::memcpy(output, input, n);
    *returned = n;
    return 1;
}
}

#pragma once
// Entry points of a stream driver library, as the device manager binds them:
// `<Prefix>_Init`, `_Deinit`, `_Open`, `_Close`, `_Read`, `_Write`, `_Seek`,
// `_IOControl` and, when present, `_PowerUp` and `_PowerDown`. Drivers report
// failures through the calling thread's last-error code. A driver written as
// a class maps the entries onto it with STREAM_DRIVER_ENTRIES below.
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// A driver's device or open context: a word the driver chooses (a fixed
// signature or a pointer); 0 means failure.
typedef uintptr_t StreamContext;

// Seek methods.
#define STREAM_SEEK_BEGIN 0u
#define STREAM_SEEK_CURRENT 1u
#define STREAM_SEEK_END 2u
// Access bits of an open.
#define STREAM_ACCESS_READ 0x80000000u
#define STREAM_ACCESS_WRITE 0x40000000u
// What _Read, _Write and _Seek return on failure.
#define STREAM_FAILED 0xFFFFFFFFu

// `active_key` is the registry key the device was activated from.
typedef StreamContext (*StreamInitFn)(const char16_t* active_key, const void* bus_context);
typedef int32_t (*StreamDeinitFn)(StreamContext device);
typedef StreamContext (*StreamOpenFn)(StreamContext device, uint32_t access, uint32_t share);
typedef int32_t (*StreamCloseFn)(StreamContext open);
typedef uint32_t (*StreamReadFn)(StreamContext open, void* buffer, uint32_t size);
typedef uint32_t (*StreamWriteFn)(StreamContext open, const void* buffer, uint32_t size);
typedef uint32_t (*StreamSeekFn)(StreamContext open, int32_t distance, uint32_t method);
typedef int32_t (*StreamIOControlFn)(StreamContext open, uint32_t code, const uint8_t* input,
                                     uint32_t input_size, uint8_t* output, uint32_t output_size,
                                     uint32_t* bytes_returned);
typedef void (*StreamPowerFn)(StreamContext device);

#ifdef __cplusplus
}
#endif

// Declares the entry points of a driver with prefix PFX, so that the
// definitions are checked against the types above.
#define STREAM_DRIVER_DECLARE(PFX)                                                      \
    extern "C" {                                                                        \
    StreamContext PFX##_Init(const char16_t* active_key, const void* bus_context);      \
    int32_t PFX##_Deinit(StreamContext device);                                         \
    StreamContext PFX##_Open(StreamContext device, uint32_t access, uint32_t share);    \
    int32_t PFX##_Close(StreamContext open);                                            \
    uint32_t PFX##_Read(StreamContext open, void* buffer, uint32_t size);               \
    uint32_t PFX##_Write(StreamContext open, const void* buffer, uint32_t size);        \
    uint32_t PFX##_Seek(StreamContext open, int32_t distance, uint32_t method);         \
    int32_t PFX##_IOControl(StreamContext open, uint32_t code, const uint8_t* input,    \
                            uint32_t input_size, uint8_t* output, uint32_t output_size, \
                            uint32_t* bytes_returned);                                  \
    void PFX##_PowerUp(StreamContext device);                                           \
    void PFX##_PowerDown(StreamContext device);                                         \
    }

#ifdef __cplusplus
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"

namespace plat::devices {

// What a stream driver class has by default: a seek is not supported and a
// power change needs nothing.
class StreamDriverBase {
  public:
    uint32_t seek(StreamContext, int32_t, uint32_t) {
        plat::set_last_error(plat::ERROR_NOT_SUPPORTED);
        return STREAM_FAILED;
    }
    void power_up(StreamContext) {}
    void power_down(StreamContext) {}
};

}  // namespace plat::devices

// Defines the ten entry points of the driver with prefix PFX as calls on the
// driver object DRIVER (an expression evaluated at every call, such as
// `dsp::DspDriver::instance()`). Its class has init, deinit, open, close, read,
// write, seek, io_control, power_up and power_down taking the entries'
// arguments; StreamDriverBase gives seek and the power pair.
#define STREAM_DRIVER_ENTRIES(PFX, DRIVER)                                              \
    STREAM_DRIVER_DECLARE(PFX)                                                          \
    extern "C" {                                                                        \
    __attribute__((visibility("default")))                                              \
    StreamContext PFX##_Init(const char16_t* key, const void* bus) {                    \
        return (DRIVER).init(key, bus);                                                 \
    }                                                                                   \
    __attribute__((visibility("default"))) int32_t PFX##_Deinit(StreamContext device) { \
        return (DRIVER).deinit(device);                                                 \
    }                                                                                   \
    __attribute__((visibility("default")))                                              \
    StreamContext PFX##_Open(StreamContext device, uint32_t access, uint32_t share) {   \
        return (DRIVER).open(device, access, share);                                    \
    }                                                                                   \
    __attribute__((visibility("default"))) int32_t PFX##_Close(StreamContext open) {    \
        return (DRIVER).close(open);                                                    \
    }                                                                                   \
    __attribute__((visibility("default")))                                              \
    uint32_t PFX##_Read(StreamContext open, void* buffer, uint32_t size) {              \
        return (DRIVER).read(open, buffer, size);                                       \
    }                                                                                   \
    __attribute__((visibility("default")))                                              \
    uint32_t PFX##_Write(StreamContext open, const void* buffer, uint32_t size) {       \
        return (DRIVER).write(open, buffer, size);                                      \
    }                                                                                   \
    __attribute__((visibility("default")))                                              \
    uint32_t PFX##_Seek(StreamContext open, int32_t distance, uint32_t method) {        \
        return (DRIVER).seek(open, distance, method);                                   \
    }                                                                                   \
    __attribute__((visibility("default")))                                              \
    int32_t PFX##_IOControl(StreamContext open, uint32_t code, const uint8_t* input,    \
                            uint32_t input_size, uint8_t* output, uint32_t output_size, \
                            uint32_t* bytes_returned) {                                 \
        return (DRIVER).io_control(open, code, input, input_size, output, output_size,  \
                                   bytes_returned);                                     \
    }                                                                                   \
    __attribute__((visibility("default"))) void PFX##_PowerUp(StreamContext device) {   \
        (DRIVER).power_up(device);                                                      \
    }                                                                                   \
    __attribute__((visibility("default"))) void PFX##_PowerDown(StreamContext device) { \
        (DRIVER).power_down(device);                                                    \
    }                                                                                   \
    }
#endif

#pragma once
// Entry points of a stream driver library, as the device manager binds them:
// `<Prefix>_Init`, `_Deinit`, `_Open`, `_Close`, `_Read`, `_Write`, `_Seek`,
// `_IOControl` and, when present, `_PowerUp` and `_PowerDown`. Drivers report
// failures through the calling thread's last-error code.
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
    }

#pragma once
// Wave output: a PCM stream played buffer by buffer. The caller prepares a
// header over its samples and writes it; the device plays the written
// buffers in order on a thread of its own and marks each one done (and calls
// the caller's function back) when it has been played. Every buffer played
// is kept by the sound recording (played_streams in sound.h); a sink in front
// of the recording (SDL audio) makes it heard.
#include <atomic>
#include <cstdint>

namespace plat {

// Result codes.
inline constexpr uint32_t MMSYSERR_NOERROR = 0;
inline constexpr uint32_t MMSYSERR_BADDEVICEID = 2;
inline constexpr uint32_t MMSYSERR_INVALHANDLE = 5;
inline constexpr uint32_t MMSYSERR_INVALFLAG = 10;
inline constexpr uint32_t MMSYSERR_INVALPARAM = 11;
inline constexpr uint32_t WAVERR_BADFORMAT = 32;
inline constexpr uint32_t WAVERR_STILLPLAYING = 33;
inline constexpr uint32_t WAVERR_UNPREPARED = 34;

// The one output device, by number or through the mapper.
inline constexpr uint32_t WAVE_MAPPER = 0xFFFFFFFF;

// Open flags: no notification, or a function called back.
inline constexpr uint32_t CALLBACK_NULL = 0x00000000;
inline constexpr uint32_t CALLBACK_FUNCTION = 0x00030000;

// Messages of the callback.
inline constexpr uint32_t WOM_OPEN = 0x3BB;
inline constexpr uint32_t WOM_CLOSE = 0x3BC;
inline constexpr uint32_t WOM_DONE = 0x3BD;

// Header flags.
inline constexpr uint32_t WHDR_DONE = 0x01;
inline constexpr uint32_t WHDR_PREPARED = 0x02;
inline constexpr uint32_t WHDR_INQUEUE = 0x10;

inline constexpr uint16_t WAVE_FORMAT_PCM = 1;

struct WaveFormat {
    uint16_t format_tag = WAVE_FORMAT_PCM;
    uint16_t channels = 1;
    uint32_t samples_per_sec = 0;
    uint32_t avg_bytes_per_sec = 0;
    uint16_t block_align = 0;
    uint16_t bits_per_sample = 0;
    uint16_t extra_size = 0;
};

// One buffer of the stream. The device copies the data when the buffer is
// written, so the caller may reuse its memory at once; the header itself
// must stay put until it is done (or the device reset). The flags are
// atomic: the device's thread marks a header done while the caller polls.
struct WaveHeader {
    const void* data = nullptr;
    uint32_t buffer_length = 0;  // bytes
    uint32_t bytes_recorded = 0;
    uintptr_t user = 0;
    std::atomic<uint32_t> flags{0};
    uint32_t loops = 0;
    WaveHeader* next = nullptr;
    uintptr_t reserved = 0;
};

struct WaveOutDevice;
using HWAVEOUT = WaveOutDevice*;
// Called with WOM_OPEN and WOM_CLOSE on the caller's thread and with
// WOM_DONE (param1: the header) on the device's thread or, for buffers a
// reset gave back, on the resetting thread.
using WaveOutProc = void (*)(HWAVEOUT out, uint32_t msg, uintptr_t instance, uintptr_t param1,
                             uintptr_t param2);

// Opens the output for `format` (PCM, 1 or 2 channels, 8 or 16 bits,
// 1,000 to 192,000 frames a second, the alignment and byte rate those give).
// `callback` is a WaveOutProc when `flags` is CALLBACK_FUNCTION.
uint32_t wave_out_open(HWAVEOUT* out, uint32_t device_id, const WaveFormat* format,
                       uintptr_t callback, uintptr_t instance, uint32_t flags);
// Ends the output; WAVERR_STILLPLAYING while buffers are queued (reset first).
uint32_t wave_out_close(HWAVEOUT out);
uint32_t wave_out_prepare_header(HWAVEOUT out, WaveHeader* header, uint32_t size);
// WAVERR_STILLPLAYING while the buffer is queued.
uint32_t wave_out_unprepare_header(HWAVEOUT out, WaveHeader* header, uint32_t size);
// Queues a prepared buffer behind those written before it.
uint32_t wave_out_write(HWAVEOUT out, WaveHeader* header, uint32_t size);
// Stops playing and gives every queued buffer back, marked done.
uint32_t wave_out_reset(HWAVEOUT out);
// Volume: the low word is the left channel, the high word the right one
// (0 silent .. 0xFFFF full; a mono stream plays at the left volume). A null
// handle stands for the system's volume, under which every output plays.
uint32_t wave_out_get_volume(HWAVEOUT out, uint32_t* volume);
uint32_t wave_out_set_volume(HWAVEOUT out, uint32_t volume);

// Waits until no open output has a buffer queued; false when `timeout_ms`
// passed first.
bool wave_out_wait_idle(uint32_t timeout_ms);

}  // namespace plat

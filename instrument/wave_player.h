#pragma once
// CWavePlayer: plays 16-bit mono sample buffers at 20,000 samples a second
// through the platform's wave output (the demodulated audio and the tones of
// the measurement screens). Ten buffer headers; the caller says which one a
// buffer goes in and gives it back with UnprepareBuffer once it has played.
#include <array>
#include <cstdint>

#include "platform/sound/wave_out.h"

class CWavePlayer {
  public:
    static constexpr int kHeaders = 10;
    static constexpr uint32_t kSampleRate = 20000;
    static constexpr uint32_t kDeviceId = plat::WAVE_MAPPER;

    CWavePlayer();
    // Stops what plays and closes the output.
    ~CWavePlayer();
    CWavePlayer(const CWavePlayer&) = delete;
    CWavePlayer& operator=(const CWavePlayer&) = delete;

    // PCM, one channel, 20,000 samples a second, 16 bits.
    void SetFormat();
    // Saves the output's volume and opens the output; the result code.
    uint32_t Open();
    // Both channels to percent * 65535 / 100 (percent above 100 counts as
    // 100); the result code.
    uint32_t SetVolume(uint32_t percent);
    // Queues `byte_length` bytes of samples in header `n`; the result code.
    // A header still queued is refused (WAVERR_STILLPLAYING).
    uint32_t PlayBuffer(const int16_t* samples, uint32_t byte_length, int n);
    // Gives header `n` back; the result code (WAVERR_STILLPLAYING while it
    // is still queued).
    uint32_t UnprepareBuffer(int n);

    // No buffer queued since the last successful UnprepareBuffer.
    bool IsDone() const { return done_; }
    // Samples queued since the output opened.
    uint32_t QueuedSamples() const { return queued_samples_; }
    uint32_t SavedVolume() const { return saved_volume_; }
    uint32_t LastResult() const { return result_; }
    const plat::WaveFormat& Format() const { return format_; }
    // Whether header `n` has been played (or given back by a reset).
    bool IsHeaderDone(int n) const;

  private:
    void Close();

    uint32_t device_id_ = kDeviceId;
    plat::HWAVEOUT out_ = nullptr;
    plat::WaveFormat format_;
    uint32_t result_ = plat::MMSYSERR_NOERROR;
    std::array<plat::WaveHeader, kHeaders> headers_;
    uint32_t saved_volume_ = 0;
    bool done_ = true;
    uint32_t queued_samples_ = 0;
};

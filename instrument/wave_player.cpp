#include "instrument/wave_player.h"

#include <algorithm>

namespace {

constexpr uint16_t kBitsPerSample = 16;
constexpr uint16_t kBytesPerSample = kBitsPerSample / 8;
constexpr uint32_t kMaxPercent = 100;
constexpr uint32_t kFullChannel = 65535;

// The output's notifications: buffers are given back by the caller.
void IgnoreNotification(plat::HWAVEOUT, uint32_t, uintptr_t, uintptr_t, uintptr_t) {}

}  // namespace

CWavePlayer::CWavePlayer() {
    for (auto& h : headers_) h.flags = plat::WHDR_DONE;
    SetFormat();
}

CWavePlayer::~CWavePlayer() {
    Close();
}

void CWavePlayer::SetFormat() {
    format_.format_tag = plat::WAVE_FORMAT_PCM;
    format_.channels = 1;
    format_.samples_per_sec = kSampleRate;
    format_.avg_bytes_per_sec = kSampleRate * kBytesPerSample;
    format_.block_align = kBytesPerSample;
    format_.bits_per_sample = kBitsPerSample;
    format_.extra_size = 0;
}

uint32_t CWavePlayer::Open() {
    Close();
    plat::wave_out_get_volume(nullptr, &saved_volume_);
    result_ = plat::wave_out_open(&out_, device_id_, &format_,
                                  reinterpret_cast<uintptr_t>(&IgnoreNotification), 0,
                                  plat::CALLBACK_FUNCTION);
    if (result_ != plat::MMSYSERR_NOERROR) out_ = nullptr;
    return result_;
}

void CWavePlayer::Close() {
    if (!out_) return;
    plat::wave_out_reset(out_);
    for (auto& h : headers_) {
        plat::wave_out_unprepare_header(out_, &h, sizeof h);
    }
    plat::wave_out_close(out_);
    out_ = nullptr;
}

uint32_t CWavePlayer::SetVolume(uint32_t percent) {
    if (!out_) return result_ = plat::MMSYSERR_INVALHANDLE;
    const uint32_t channel = std::min(percent, kMaxPercent) * kFullChannel / kMaxPercent;
    result_ = plat::wave_out_set_volume(out_, channel | (channel << 16));
    return result_;
}

uint32_t CWavePlayer::PlayBuffer(const int16_t* samples, uint32_t byte_length, int n) {
    if (n < 0 || n >= kHeaders) return result_ = plat::MMSYSERR_INVALPARAM;
    if (!out_) return result_ = plat::MMSYSERR_INVALHANDLE;
    plat::WaveHeader& h = headers_[static_cast<size_t>(n)];
    if (h.flags & plat::WHDR_INQUEUE) return result_ = plat::WAVERR_STILLPLAYING;
    h.data = samples;
    h.buffer_length = byte_length;
    h.bytes_recorded = 0;
    h.user = 0;
    h.flags = 0;
    h.loops = 0;
    h.next = nullptr;
    h.reserved = 0;
    result_ = plat::wave_out_prepare_header(out_, &h, sizeof h);
    if (result_ != plat::MMSYSERR_NOERROR) return result_;
    done_ = false;
    queued_samples_ += byte_length / kBytesPerSample;
    result_ = plat::wave_out_write(out_, &h, sizeof h);
    return result_;
}

uint32_t CWavePlayer::UnprepareBuffer(int n) {
    if (n < 0 || n >= kHeaders) return result_ = plat::MMSYSERR_INVALPARAM;
    plat::WaveHeader& h = headers_[static_cast<size_t>(n)];
    result_ = plat::wave_out_unprepare_header(out_, &h, sizeof h);
    if (result_ == plat::MMSYSERR_NOERROR) done_ = true;
    return result_;
}

bool CWavePlayer::IsHeaderDone(int n) const {
    if (n < 0 || n >= kHeaders) return false;
    return (headers_[static_cast<size_t>(n)].flags & plat::WHDR_DONE) != 0;
}

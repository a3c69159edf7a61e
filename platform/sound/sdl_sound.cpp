#include "platform/sound/sdl_sound.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

namespace plat {

namespace {

// How far ahead of the sound heard a stream keeps the device fed, and how
// often a waiting play looks at the device.
constexpr uint32_t kLeadMs = 60;
constexpr auto kPoll = std::chrono::milliseconds(5);
constexpr uint16_t kDeviceFrames = 1024;
constexpr int kProbeRate = 22050;

SDL_AudioDeviceID open_device(int rate, int channels, int bits) {
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    want.channels = static_cast<Uint8>(channels);
    want.samples = kDeviceFrames;
    return SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
}

// Waits until the device holds at most `bytes` (or `cancel` is set).
void wait_queue_below(SDL_AudioDeviceID dev, uint32_t bytes, const std::atomic<bool>* cancel) {
    while (SDL_GetQueuedAudioSize(dev) > bytes && !(cancel && *cancel)) {
        std::this_thread::sleep_for(kPoll);
    }
}

// The samples at the volume of their channel.
std::vector<uint8_t> at_volume(const uint8_t* data, size_t size, const WaveFormat& f, uint16_t left,
                               uint16_t right) {
    std::vector<uint8_t> out(data, data + size);
    if (left == 0xFFFF && (right == 0xFFFF || f.channels == 1)) return out;
    const uint16_t volume[2] = {left, right};
    const size_t bytes = f.bits_per_sample / 8u;
    for (size_t i = 0, n = size / bytes; i < n; ++i) {
        const int64_t v = volume[f.channels == 2 ? i % 2 : 0];
        if (bytes == 1) {
            out[i] = static_cast<uint8_t>(128 + (out[i] - 128) * v / 0xFFFF);
        } else {
            const auto s = static_cast<int16_t>(out[2 * i] | (out[2 * i + 1] << 8));
            const auto t = static_cast<int16_t>(s * v / 0xFFFF);
            out[2 * i] = static_cast<uint8_t>(t & 0xFF);
            out[2 * i + 1] = static_cast<uint8_t>((t >> 8) & 0xFF);
        }
    }
    return out;
}

class SdlSoundSink;

class SdlWaveStream : public IWaveStream {
  public:
    SdlWaveStream(std::shared_ptr<const SdlSoundSink> owner, SDL_AudioDeviceID dev,
                  const WaveFormat& format)
        : owner_(std::move(owner)), dev_(dev), format_(format) {}
    ~SdlWaveStream() override { SDL_CloseAudioDevice(dev_); }

    void play(const uint8_t* data, size_t size, uint16_t left, uint16_t right,
              const std::atomic<bool>& cancel) override {
        if (cancel) return;
        const auto bytes = at_volume(data, size, format_, left, right);
        SDL_QueueAudio(dev_, bytes.data(), static_cast<Uint32>(bytes.size()));
        SDL_PauseAudioDevice(dev_, 0);
        wait_queue_below(dev_, format_.avg_bytes_per_sec * kLeadMs / 1000, &cancel);
    }
    void stop() override { SDL_ClearQueuedAudio(dev_); }

  private:
    std::shared_ptr<const SdlSoundSink> owner_;  // keeps SDL's audio up
    SDL_AudioDeviceID dev_;
    WaveFormat format_;
};

class SdlSoundSink : public ISoundSink, public std::enable_shared_from_this<SdlSoundSink> {
  public:
    ~SdlSoundSink() override {
        for (const auto& v : voices_) SDL_CloseAudioDevice(v.dev);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    void play(const PlayedSound& sound) override {
        const WaveData& w = sound.wave;
        reap();
        const SDL_AudioDeviceID dev =
            open_device(static_cast<int>(w.sample_rate), w.channels, w.bits_per_sample);
        if (dev == 0) return;  // recorded only
        SDL_QueueAudio(dev, w.samples.data(), static_cast<Uint32>(w.samples.size()));
        SDL_PauseAudioDevice(dev, 0);
        // The device's own buffer still plays when its queue has run empty.
        const auto end =
            Clock::now() + std::chrono::milliseconds(w.duration_ms()) +
            std::chrono::milliseconds(1000 * kDeviceFrames / std::max(1u, w.sample_rate));
        if (sound.wait) {
            std::this_thread::sleep_until(end);
            SDL_CloseAudioDevice(dev);
            return;
        }
        std::lock_guard lock(m_);
        voices_.push_back({dev, end});
    }

    std::unique_ptr<IWaveStream> open_stream(const WaveFormat& f) override {
        const SDL_AudioDeviceID dev =
            open_device(static_cast<int>(f.samples_per_sec), f.channels, f.bits_per_sample);
        if (dev == 0) return nullptr;
        return std::make_unique<SdlWaveStream>(shared_from_this(), dev, f);
    }

  private:
    // Closes the devices of sounds that have ended.
    void reap() {
        const auto now = Clock::now();
        std::lock_guard lock(m_);
        std::erase_if(voices_, [&](const Voice& v) {
            if (v.end > now) return false;
            SDL_CloseAudioDevice(v.dev);
            return true;
        });
    }

    using Clock = std::chrono::steady_clock;
    struct Voice {
        SDL_AudioDeviceID dev;
        Clock::time_point end;
    };
    std::mutex m_;
    std::vector<Voice> voices_;  // guarded by m_: sounds not waited for
};

}  // namespace

// Whether the host has anything to play sound on: a sound server's socket or
// a PCM device. Without one SDL's ALSA driver fills the terminal with its
// complaints before failing.
static bool host_has_audio() {
    namespace fs = std::filesystem;
    std::error_code ec;
    const char* chosen = std::getenv("SDL_AUDIODRIVER");
    if (chosen && *chosen) return true;  // the user's choice is tried as it is
    const char* server = std::getenv("PULSE_SERVER");
    if (server && *server) return true;
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && *run) {
        if (fs::exists(fs::path(run) / "pulse" / "native", ec) ||
            fs::exists(fs::path(run) / "pipewire-0", ec))
            return true;
    }
    for (const auto& entry : fs::directory_iterator("/dev/snd", ec))
        if (entry.path().filename().string().starts_with("pcm")) return true;
    return false;
}

std::shared_ptr<ISoundSink> open_sdl_sound(std::string* error) {
    if (!host_has_audio()) {
        if (error) *error = "no sound server and no sound card";
        return nullptr;
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        if (error) *error = SDL_GetError();
        return nullptr;
    }
    const SDL_AudioDeviceID probe = open_device(kProbeRate, 1, 16);
    if (probe == 0) {
        if (error) *error = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    SDL_CloseAudioDevice(probe);
    return std::make_shared<SdlSoundSink>();
}

}  // namespace plat

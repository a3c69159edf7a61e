#include "platform/sound/sound.h"

#include <mutex>

namespace plat {

namespace {

struct SoundState {
    std::mutex m;
    std::shared_ptr<ISoundSink> sink;  // guarded by m
    std::vector<PlayedSound> played;   // guarded by m
};

SoundState& state() {
    static SoundState s;
    return s;
}

void hand_to_sink(PlayedSound sound) {
    std::shared_ptr<ISoundSink> sink;
    {
        std::lock_guard lock(state().m);
        sink = state().sink;
        state().played.push_back(sound);
    }
    if (sink) sink->play(sound);
}

}  // namespace

void set_sound_sink(std::shared_ptr<ISoundSink> sink) {
    std::lock_guard lock(state().m);
    state().sink = std::move(sink);
}

std::vector<PlayedSound> played_sounds() {
    std::lock_guard lock(state().m);
    return state().played;
}

void clear_played_sounds() {
    std::lock_guard lock(state().m);
    state().played.clear();
}

std::u16string sound_path(std::u16string_view name) {
    if (name.find(u'\\') != std::u16string_view::npos) return std::u16string(name);
    return std::u16string(kSoundFolder) + u"\\" + std::u16string(name);
}

bool play_sound(std::u16string_view name, uint32_t flags) {
    if (name.empty()) return false;
    const std::u16string path = sound_path(name);
    auto wave = read_wave_file(path);
    if (!wave) return false;
    hand_to_sink({path, std::move(*wave), (flags & SND_ASYNC) == 0});
    return true;
}

void play_wave(const WaveData& wave, bool wait) {
    hand_to_sink({u"", wave, wait});
}

}  // namespace plat

#include "platform/sound/sound.h"

#include <algorithm>
#include <mutex>

#include "platform/sound/sound_internal.h"

namespace plat {

namespace {

struct SoundState {
    std::mutex m;
    std::shared_ptr<ISoundSink> sink;   // guarded by m
    std::vector<PlayedSound> played;    // guarded by m
    std::vector<PlayedStream> streams;  // guarded by m
    size_t kept_bytes = 0;              // guarded by m: sample bytes kept in all
    uint32_t openings = 0;              // guarded by m
};

SoundState& state() {
    static SoundState s;
    return s;
}

// Guarded by state().m: what the recording may still keep.
size_t room_left() {
    return kRecordLimit - std::min(kRecordLimit, state().kept_bytes);
}

void hand_to_sink(PlayedSound sound) {
    std::shared_ptr<ISoundSink> sink;
    {
        std::lock_guard lock(state().m);
        sink = state().sink;
        PlayedSound& kept = state().played.emplace_back(sound);
        if (kept.wave.samples.size() > room_left()) kept.wave.samples.clear();
        state().kept_bytes += kept.wave.samples.size();
    }
    if (sink) sink->play(sound);
}

// Guarded by state().m.
PlayedStream& stream_of(uint32_t opening, const WaveFormat& format) {
    auto& streams = state().streams;
    auto it = std::find_if(streams.begin(), streams.end(),
                           [&](const PlayedStream& s) { return s.opening == opening; });
    if (it != streams.end()) return *it;
    PlayedStream& s = streams.emplace_back();
    s.opening = opening;
    s.format = format;
    return s;
}

// The message beeps' tones: a click, two falling notes for a failure, a
// rising pair for a question and one bright note for a warning.
constexpr uint32_t kBeepHand = 0x10;
constexpr uint32_t kBeepQuestion = 0x20;
constexpr uint32_t kBeepExclamation = 0x30;

}  // namespace

void set_sound_sink(std::shared_ptr<ISoundSink> sink) {
    std::lock_guard lock(state().m);
    state().sink = std::move(sink);
}

std::shared_ptr<ISoundSink> sound_sink() {
    std::lock_guard lock(state().m);
    return state().sink;
}

std::vector<PlayedSound> played_sounds() {
    std::lock_guard lock(state().m);
    return state().played;
}

void clear_played_sounds() {
    std::lock_guard lock(state().m);
    state().played.clear();
    state().streams.clear();
    state().kept_bytes = 0;
}

std::vector<PlayedStream> played_streams() {
    std::lock_guard lock(state().m);
    return state().streams;
}

std::vector<int16_t> PlayedStream::samples16() const {
    std::vector<int16_t> out(bytes.size() / 2);
    for (size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return out;
}

namespace sound_detail {

uint32_t next_opening() {
    std::lock_guard lock(state().m);
    return ++state().openings;
}

void record_stream_buffer(uint32_t opening, const WaveFormat& format, const uint8_t* data,
                          size_t size, uint32_t volume) {
    std::lock_guard lock(state().m);
    PlayedStream& s = stream_of(opening, format);
    s.buffers.push_back({s.bytes.size(), volume});
    const size_t kept = std::min(room_left(), size);
    s.bytes.insert(s.bytes.end(), data, data + kept);
    s.dropped_bytes += size - kept;
    state().kept_bytes += kept;
}

void record_stream_closed(uint32_t opening) {
    std::lock_guard lock(state().m);
    for (auto& s : state().streams) {
        if (s.opening == opening) s.closed = true;
    }
}

}  // namespace sound_detail

std::u16string sound_path(std::u16string_view name) {
    if (name.find(u'\\') != std::u16string_view::npos) return std::u16string(name);
    return std::u16string(kSoundFolder) + u"\\" + std::u16string(name);
}

bool play_sound(std::u16string_view name, uint32_t flags) {
    if (name.empty()) return false;
    const std::u16string path = sound_path(name);
    auto wave = read_wave_file(path);
    if (!wave) return false;
    hand_to_sink({path, std::move(*wave), (flags & SND_ASYNC) == 0, std::nullopt});
    return true;
}

void play_wave(const WaveData& wave, bool wait) {
    hand_to_sink({u"", wave, wait, std::nullopt});
}

WaveData beep_tone(uint32_t type) {
    switch (type) {
        case kBeepHand:
            return join_waves({make_tone(523, 90), make_tone(392, 140)});
        case kBeepQuestion:
            return join_waves({make_tone(659, 70), make_tone(880, 90)});
        case kBeepExclamation:
            return make_tone(988, 120);
        default:
            return make_tone(1568, 40);
    }
}

void play_beep(uint32_t type) {
    hand_to_sink({u"", beep_tone(type), false, type});
}

}  // namespace plat

#pragma once
// Sound: PCM wave data, wave files, and playing sounds by file name or from
// memory through one output, the sink. The default sink records every sound
// it is given and returns at once (headless runs and tests read the record);
// a display back end with audio may put its own sink in front of it.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// Flags of play_sound.
inline constexpr uint32_t SND_SYNC = 0x0000;
inline constexpr uint32_t SND_ASYNC = 0x0001;
inline constexpr uint32_t SND_NODEFAULT = 0x0002;
inline constexpr uint32_t SND_FILENAME = 0x00020000;

// 8- or 16-bit PCM, interleaved channels.
struct WaveData {
    uint16_t channels = 1;
    uint32_t sample_rate = 22050;
    uint16_t bits_per_sample = 16;
    std::vector<uint8_t> samples;

    uint32_t frame_count() const;
    // How long the sound plays, in milliseconds.
    uint32_t duration_ms() const;
};

// A RIFF "WAVE" file with a PCM "fmt " chunk; none for a missing, unreadable
// or malformed file (or a compressed format).
std::optional<WaveData> read_wave_file(std::u16string_view instrument_path);
std::optional<WaveData> parse_wave(const std::vector<uint8_t>& bytes);
std::vector<uint8_t> encode_wave(const WaveData& wave);
bool write_wave_file(std::u16string_view instrument_path, const WaveData& wave);

// A sine tone, 16-bit mono, with short fades so it starts and ends softly.
WaveData make_tone(double frequency_hz, uint32_t duration_ms, uint32_t sample_rate = 22050);

// What a sink is asked to play.
struct PlayedSound {
    std::u16string source;  // the instrument path of a file, or empty for memory
    WaveData wave;
    bool wait = false;  // the caller waits until the sound has ended
};

class ISoundSink {
  public:
    virtual ~ISoundSink() = default;
    // Plays the sound; returns when it has ended when `sound.wait` is set.
    virtual void play(const PlayedSound& sound) = 0;
};

// Puts `sink` in front of the recording (null removes it). Every sound is
// recorded first and then handed to the sink.
void set_sound_sink(std::shared_ptr<ISoundSink> sink);

// The sounds played so far, oldest first, and a way to forget them.
std::vector<PlayedSound> played_sounds();
void clear_played_sounds();

// Where a bare file name ("critical.wav") is looked up.
inline constexpr char16_t kSoundFolder[] = u"\\Windows";
// The instrument path a sound name stands for: a bare name lies in
// "\Windows", a path is kept.
std::u16string sound_path(std::u16string_view name);

// Plays a sound file by name (SND_FILENAME; SND_ASYNC returns at once,
// otherwise the call returns when the sound has ended). A missing or
// unreadable file plays nothing and answers false.
bool play_sound(std::u16string_view name, uint32_t flags);
// Plays PCM data from memory.
void play_wave(const WaveData& wave, bool wait);

}  // namespace plat

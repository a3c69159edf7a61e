#pragma once
// Sound: PCM wave data, wave files, and playing sounds by file name, from
// memory and as message beeps through one output, the sink. The recording
// keeps every sound, beep and wave output stream it is given and returns at
// once (headless runs and tests read it); a display back end with audio puts
// its own sink in front of it (SDL audio). Without a sink in front, or when
// the sink's device does not open, sounds are recorded only.
#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sound/wave_out.h"

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
// Waves of one format, one after the other.
WaveData join_waves(std::initializer_list<WaveData> parts);

// What a sink is asked to play.
struct PlayedSound {
    std::u16string source;  // the instrument path of a file, or empty for memory
    WaveData wave;
    bool wait = false;             // the caller waits until the sound has ended
    std::optional<uint32_t> beep;  // the message beep's type, for a beep
};

// One wave output stream as a sink plays it.
class IWaveStream {
  public:
    virtual ~IWaveStream() = default;
    // Plays one buffer of whole frames at the volume given (0..0xFFFF per
    // channel); returns when it has nearly been played (the device is kept
    // fed a little ahead, so buffers written in time join without a gap), or
    // soon after `cancel` is set.
    virtual void play(const uint8_t* data, size_t size, uint16_t left, uint16_t right,
                      const std::atomic<bool>& cancel) = 0;
    // Drops what the device still holds. Any thread.
    virtual void stop() = 0;
};

class ISoundSink {
  public:
    virtual ~ISoundSink() = default;
    // Plays the sound; returns when it has ended when `sound.wait` is set.
    virtual void play(const PlayedSound& sound) = 0;
    // A stream for a wave output of `format`; null when no device opens
    // (the output is then recorded only).
    virtual std::unique_ptr<IWaveStream> open_stream(const WaveFormat&) { return nullptr; }
};

// Puts `sink` in front of the recording (null removes it). Every sound is
// recorded first and then handed to the sink.
void set_sound_sink(std::shared_ptr<ISoundSink> sink);

// The sink in front of the recording (null when there is none).
std::shared_ptr<ISoundSink> sound_sink();

// The sounds played so far, oldest first, and a way to forget them (and the
// streams below).
std::vector<PlayedSound> played_sounds();
void clear_played_sounds();

// What one opening of the wave output played: every byte of every buffer in
// the order played, and the volume each buffer played at.
struct PlayedStream {
    uint32_t opening = 0;  // counts the openings from 1
    WaveFormat format;
    std::vector<uint8_t> bytes;
    struct Buffer {
        size_t offset = 0;    // where its bytes start in `bytes`
        uint32_t volume = 0;  // left in the low word, right in the high one
    };
    std::vector<Buffer> buffers;
    bool closed = false;
    // Bytes played after the recording was full (they are not kept).
    uint64_t dropped_bytes = 0;
    std::vector<int16_t> samples16() const;  // `bytes` as 16-bit samples
};
// The recording keeps at most this many bytes of samples in all; beyond
// them a sound is kept without its samples and a stream counts what it
// drops.
inline constexpr size_t kRecordLimit = 64u << 20;
std::vector<PlayedStream> played_streams();

// The tone of a message beep: types 0 (default), 0x10 (hand), 0x20
// (question) and 0x30 (exclamation) each have a short tone of ours; any
// other type sounds as the default one.
WaveData beep_tone(uint32_t type);
// Plays the beep's tone without waiting for it.
void play_beep(uint32_t type);

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

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string_view>

#include "platform/fs/file.h"
#include "platform/sound/sound.h"

namespace plat {

namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr size_t kRiffHeader = 12;
constexpr size_t kChunkHeader = 8;
constexpr size_t kFmtSize = 16;
constexpr uint32_t kFadeMs = 5;
// Above any sound the system plays; a longer "file" is not one of ours.
constexpr int64_t kMaxWaveBytes = 64ll << 20;

uint32_t le32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
// A chunk's four-letter tag ("RIFF", "fmt ").
void put_tag(std::vector<uint8_t>& out, std::string_view tag) {
    for (const char c : tag.substr(0, 4)) out.push_back(static_cast<uint8_t>(c));
}

}  // namespace

uint32_t WaveData::frame_count() const {
    const uint32_t frame = channels * (bits_per_sample / 8u);
    return frame ? static_cast<uint32_t>(samples.size() / frame) : 0;
}

uint32_t WaveData::duration_ms() const {
    return sample_rate ? static_cast<uint32_t>(uint64_t{frame_count()} * 1000 / sample_rate) : 0;
}

std::optional<WaveData> parse_wave(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < kRiffHeader || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        return std::nullopt;
    }
    WaveData wave;
    bool have_format = false;
    size_t pos = kRiffHeader;
    while (pos + kChunkHeader <= bytes.size()) {
        const uint8_t* chunk = bytes.data() + pos;
        const uint32_t size = le32(chunk + 4);
        const size_t body = pos + kChunkHeader;
        if (size > bytes.size() - body) return std::nullopt;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < kFmtSize || le16(chunk + 8) != kFormatPcm) return std::nullopt;
            wave.channels = le16(chunk + 10);
            wave.sample_rate = le32(chunk + 12);
            wave.bits_per_sample = le16(chunk + 22);
            if (wave.channels == 0 || wave.sample_rate == 0 ||
                (wave.bits_per_sample != 8 && wave.bits_per_sample != 16)) {
                return std::nullopt;
            }
            have_format = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!have_format) return std::nullopt;
            wave.samples.assign(bytes.begin() + static_cast<ptrdiff_t>(body),
                                bytes.begin() + static_cast<ptrdiff_t>(body + size));
            return wave;
        }
        pos = body + size + (size & 1);  // chunks are padded to even sizes
    }
    return std::nullopt;
}

std::optional<WaveData> read_wave_file(std::u16string_view instrument_path) {
    File f = File::open(instrument_path, FileAccess::Read, FileOpen::Existing);
    if (!f) return std::nullopt;
    const int64_t size = f.size();
    if (size <= 0 || size > kMaxWaveBytes) return std::nullopt;
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (f.read(std::as_writable_bytes(std::span(bytes))) != size) return std::nullopt;
    return parse_wave(bytes);
}

std::vector<uint8_t> encode_wave(const WaveData& wave) {
    std::vector<uint8_t> out;
    const auto data_size = static_cast<uint32_t>(wave.samples.size());
    const uint16_t block = static_cast<uint16_t>(wave.channels * wave.bits_per_sample / 8);
    put_tag(out, "RIFF");
    put32(out, static_cast<uint32_t>(4 + kChunkHeader + kFmtSize + kChunkHeader + data_size +
                                     (data_size & 1)));
    put_tag(out, "WAVE");
    put_tag(out, "fmt ");
    put32(out, kFmtSize);
    put16(out, kFormatPcm);
    put16(out, wave.channels);
    put32(out, wave.sample_rate);
    put32(out, wave.sample_rate * block);
    put16(out, block);
    put16(out, wave.bits_per_sample);
    put_tag(out, "data");
    put32(out, data_size);
    out.insert(out.end(), wave.samples.begin(), wave.samples.end());
    if (data_size & 1) out.push_back(0);
    return out;
}

bool write_wave_file(std::u16string_view instrument_path, const WaveData& wave) {
    File f = File::open(instrument_path, FileAccess::Write, FileOpen::CreateAlways);
    if (!f) return false;
    const std::vector<uint8_t> bytes = encode_wave(wave);
    return f.write(std::as_bytes(std::span(bytes))) == static_cast<int64_t>(bytes.size());
}

WaveData make_tone(double frequency_hz, uint32_t duration_ms, uint32_t sample_rate) {
    WaveData wave;
    wave.sample_rate = sample_rate;
    const uint32_t frames = static_cast<uint32_t>(uint64_t{sample_rate} * duration_ms / 1000);
    const uint32_t fade = std::max<uint32_t>(1, sample_rate * kFadeMs / 1000);
    constexpr double kAmplitude = 0.4 * 32767.0;
    wave.samples.reserve(frames * 2u);
    for (uint32_t i = 0; i < frames; ++i) {
        const double env = std::min({1.0, double(i) / fade, double(frames - i) / fade});
        const double v =
            kAmplitude * env * std::sin(2.0 * std::numbers::pi * frequency_hz * i / sample_rate);
        const auto s = static_cast<int16_t>(std::lround(v));
        wave.samples.push_back(static_cast<uint8_t>(s & 0xFF));
        wave.samples.push_back(static_cast<uint8_t>((s >> 8) & 0xFF));
    }
    return wave;
}

WaveData join_waves(std::initializer_list<WaveData> parts) {
    WaveData out;
    if (parts.size() == 0) return out;
    out.channels = parts.begin()->channels;
    out.sample_rate = parts.begin()->sample_rate;
    out.bits_per_sample = parts.begin()->bits_per_sample;
    size_t total = 0;
    for (const auto& p : parts) total += p.samples.size();
    out.samples.resize(total);
    size_t at = 0;
    for (const auto& p : parts) {
        std::copy(p.samples.begin(), p.samples.end(), out.samples.begin() + static_cast<long>(at));
        at += p.samples.size();
    }
    return out;
}

}  // namespace plat

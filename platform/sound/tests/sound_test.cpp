// Sounds by file name through the recording sink, the wave reader against
// hand-made bytes and broken files, and the device image's tones read back
// by Python's own wave module.
#include "platform/sound/sound.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/framework/system_services.h"
#include "platform/fs/tests/test_support.h"

namespace plat {
namespace {

using celvane_test::TempRoot;

// 44-byte header of a mono 16-bit 8000 Hz file with four samples, by hand.
std::vector<uint8_t> tiny_wave() {
    return {'R', 'I', 'F', 'F', 44, 0, 0,    0,    'W', 'A', 'V',  'E',  'f', 'm', 't', ' ', 16, 0,
            0,   0,   1,   0,   1,  0, 0x40, 0x1F, 0,   0,   0x80, 0x3E, 0,   0,   2,   0,   16, 0,
            'd', 'a', 't', 'a', 8,  0, 0,    0,    1,   0,   2,    0,    3,   0,   4,   0};
}

TEST(Sound, ParsesPcmAndRefusesWhatIsNotOne) {
    auto wave = parse_wave(tiny_wave());
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->channels, 1);
    EXPECT_EQ(wave->sample_rate, 8000u);
    EXPECT_EQ(wave->bits_per_sample, 16);
    EXPECT_EQ(wave->frame_count(), 4u);

    auto truncated = tiny_wave();
    truncated.resize(48);  // the data chunk claims more than is there
    EXPECT_FALSE(parse_wave(truncated));
    auto compressed = tiny_wave();
    compressed[20] = 2;  // not PCM
    EXPECT_FALSE(parse_wave(compressed));
    EXPECT_FALSE(parse_wave({'R', 'I', 'F', 'F'}));
    EXPECT_EQ(encode_wave(*wave), tiny_wave());
}

TEST(Sound, BareNamesPlayFromWindowsAndMissingFilesPlayNothing) {
    TempRoot root("sound");
    const std::vector<uint8_t> bytes = tiny_wave();
    root.Write("Windows/question.wav", std::string(bytes.begin(), bytes.end()));
    root.Write("Windows/broken.wav", "RIFF....WAVEjunk");
    clear_played_sounds();
    EXPECT_TRUE(play_sound(u"question.wav", SND_FILENAME | SND_SYNC));
    EXPECT_FALSE(play_sound(u"critical.wav", SND_FILENAME | SND_SYNC));
    EXPECT_FALSE(play_sound(u"broken.wav", SND_FILENAME | SND_SYNC));
    EXPECT_FALSE(play_sound(u"", SND_FILENAME));
    EXPECT_TRUE(play_sound(u"\\Windows\\question.wav", SND_FILENAME | SND_ASYNC));
    const auto played = played_sounds();
    ASSERT_EQ(played.size(), 2u);
    EXPECT_EQ(played[0].source, u"\\Windows\\question.wav");
    EXPECT_TRUE(played[0].wait);
    EXPECT_FALSE(played[1].wait);
    EXPECT_EQ(played[0].wave.frame_count(), 4u);
}

struct CountingSink : ISoundSink {
    int plays = 0;
    void play(const PlayedSound&) override { ++plays; }
};

TEST(Sound, ASinkInFrontHearsEverySound) {
    auto sink = std::make_shared<CountingSink>();
    set_sound_sink(sink);
    play_wave(make_tone(440, 10), true);
    set_sound_sink(nullptr);
    play_wave(make_tone(440, 10), true);
    EXPECT_EQ(sink->plays, 1);
}

TEST(Sound, MessageBeepsAreShortTonesOfTheirOwn) {
    clear_played_sounds();
    const uint32_t types[] = {0x00, 0x10, 0x20, 0x30, 0x40};
    for (uint32_t type : types) message_beep(type);
    const auto played = played_sounds();
    ASSERT_EQ(played.size(), std::size(types));
    for (size_t i = 0; i < played.size(); ++i) {
        SCOPED_TRACE(types[i]);
        EXPECT_EQ(played[i].beep, types[i]);
        EXPECT_FALSE(played[i].wait) << "a beep does not hold its caller";
        EXPECT_GE(played[i].wave.duration_ms(), 30u);
        EXPECT_LE(played[i].wave.duration_ms(), 300u);
        for (size_t j = 0; j < i && types[i] != 0x40; ++j) {
            EXPECT_NE(played[i].wave.samples, played[j].wave.samples) << "like " << types[j];
        }
    }
    EXPECT_EQ(played[4].wave.samples, played[0].wave.samples) << "unknown types sound as 0";
}

TEST(Sound, DeviceImageTonesAreWavesPythonReads) {
    TempRoot root("tones");
    const std::string tool = (celvane_test::build_bin() / "celvane-tones").string();
    ASSERT_EQ(std::system(("'" + tool + "' '" + (root.path() / "Windows").string() + "'").c_str()),
              0);
    for (const char* name : {"critical.wav", "criticl.wav", "question.wav", "menusel.wav",
                             "startup.wav", "exclam.wav", "default.wav", "close.wav"}) {
        const std::string py =
            "python3 -c \"import wave,sys; w=wave.open(sys.argv[1]); "
            "print(w.getnchannels(), w.getframerate(), w.getsampwidth(), "
            "w.getnframes())\" '" +
            (root.path() / "Windows" / name).string() + "'";
        FILE* p = popen(py.c_str(), "r");
        ASSERT_NE(p, nullptr);
        char line[128] = {};
        ASSERT_NE(fgets(line, sizeof line, p), nullptr) << name;
        pclose(p);
        int ch = 0, rate = 0, width = 0, frames = 0;
        ASSERT_EQ(std::sscanf(line, "%d %d %d %d", &ch, &rate, &width, &frames), 4) << line;
        EXPECT_EQ(ch, 1);
        EXPECT_EQ(rate, 22050);
        EXPECT_EQ(width, 2);
        EXPECT_GT(frames, 22050 / 50) << name;  // at least 20 ms
        auto wave = read_wave_file(sound_path(std::u16string(name, name + std::strlen(name))));
        ASSERT_TRUE(wave) << name;
        EXPECT_EQ(static_cast<int>(wave->frame_count()), frames);
    }
}

}  // namespace
}  // namespace plat

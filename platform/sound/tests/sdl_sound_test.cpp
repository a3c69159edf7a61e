// SDL audio in front of the recording: with SDL's disk driver the device's
// output lands in a file, which must hold the stream in order at its volume;
// with no driver that opens, nothing is put in front and sounds are only
// recorded. Each test runs in a process of its own (SDL reads the
// environment once).
#include "platform/sound/sdl_sound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/fs/tests/test_support.h"
#include "platform/sound/tests/stream_checks.h"

namespace plat {
namespace {

constexpr uint32_t kWaitMs = 60000;
constexpr uint32_t kRate = 20000;

// A tone above zero throughout, so that the silence the device plays while
// it waits for data can be told from the stream.
std::vector<int16_t> tone(size_t n, double hz) {
    return celvane_test::sine_samples(0, n, hz, kRate, 6000, 8000);
}

TEST(SdlSound, NoDeviceLeavesTheRecordingAlone) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    std::string why;
    EXPECT_EQ(open_sdl_sound(&why), nullptr);
    EXPECT_FALSE(why.empty());
}

TEST(SdlSound, TheDeviceHearsTheStreamInOrderAtItsVolume) {
    celvane_test::TempRoot root("sdl-sound");
    const auto file = root.path() / "device-output.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    std::string why;
    auto sink = open_sdl_sound(&why);
    if (!sink && why.find("disk") != std::string::npos) GTEST_SKIP() << "SDL without disk: " << why;
    ASSERT_NE(sink, nullptr) << why;
    set_sound_sink(sink);

    const WaveFormat f{WAVE_FORMAT_PCM, 1, kRate, kRate * 2, 2, 16, 0};
    HWAVEOUT out = nullptr;
    ASSERT_EQ(wave_out_open(&out, WAVE_MAPPER, &f, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    const std::vector<int16_t> a = tone(3000, 440), b = tone(3000, 1000);
    // Silence behind the stream: once the device has taken most of it, it
    // has passed the stream on whole.
    const std::vector<int16_t> tail(6000, 0);
    WaveHeader h[3];
    auto write = [&](WaveHeader& hdr, const std::vector<int16_t>& samples) {
        wave_out_unprepare_header(out, &hdr, sizeof hdr);
        hdr.data = samples.data();
        hdr.buffer_length = static_cast<uint32_t>(samples.size() * 2);
        wave_out_prepare_header(out, &hdr, sizeof hdr);
        ASSERT_EQ(wave_out_write(out, &hdr, sizeof hdr), MMSYSERR_NOERROR);
    };
    write(h[0], a);
    write(h[1], b);
    ASSERT_TRUE(wave_out_wait_idle(kWaitMs));
    ASSERT_EQ(wave_out_set_volume(out, 0x40004000), MMSYSERR_NOERROR);
    write(h[0], a);
    write(h[2], tail);
    ASSERT_TRUE(wave_out_wait_idle(kWaitMs));
    for (auto& hdr : h) wave_out_unprepare_header(out, &hdr, sizeof hdr);
    ASSERT_EQ(wave_out_close(out), MMSYSERR_NOERROR);
    set_sound_sink(nullptr);
    sink.reset();

    const std::string bytes = celvane_test::slurp(file);
    std::vector<int16_t> heard(bytes.size() / 2);
    std::memcpy(heard.data(), bytes.data(), heard.size() * 2);
    std::erase(heard, int16_t{0});
    std::vector<int16_t> expected = a;
    expected.insert(expected.end(), b.begin(), b.end());
    for (int16_t s : a) expected.push_back(static_cast<int16_t>(s * 0x4000 / 0xFFFF));
    EXPECT_EQ(heard, expected);
}

}  // namespace
}  // namespace plat

// The tone player over the platform's wave output, with real threads:
// a stream of full buffers reaches the recording whole, in order and at the
// player's volume, and numpy finds its tone where it was put; headers are
// refused while queued and given back by the destructor.
#include "instrument/wave_player.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sound/sound.h"
#include "platform/sound/tests/gated_sink.h"
#include "platform/sound/tests/stream_checks.h"

namespace {

constexpr uint32_t kWaitMs = 60000;
constexpr size_t kBufferSamples = 40000;  // as the measurement screens fill them
constexpr uint32_t kBufferBytes = kBufferSamples * 2;

std::vector<int16_t> tone(size_t first, size_t n, double hz) {
    return celvane_test::sine_samples(first, n, hz, 20000, 9000);
}

class WavePlayer : public ::testing::Test {
  protected:
    void SetUp() override { plat::clear_played_sounds(); }
    void TearDown() override {
        plat::set_sound_sink(nullptr);
        plat::wave_out_set_volume(nullptr, 0xFFFFFFFF);
    }
};

TEST_F(WavePlayer, AStreamOfBuffersReachesTheRecordingWholeWithItsTone) {
    constexpr double kToneHz = 1237.0;
    constexpr int kBuffers = 3;
    plat::wave_out_set_volume(nullptr, 0xA000A000);
    CWavePlayer player;
    EXPECT_TRUE(player.IsDone());
    ASSERT_EQ(player.Open(), plat::MMSYSERR_NOERROR);
    EXPECT_EQ(player.SavedVolume(), 0xA000A000u);
    plat::wave_out_set_volume(nullptr, 0xFFFFFFFF);
    ASSERT_EQ(player.SetVolume(80), plat::MMSYSERR_NOERROR);

    std::vector<std::vector<int16_t>> buffers;
    for (int i = 0; i < kBuffers; ++i) {
        buffers.push_back(tone(static_cast<size_t>(i) * kBufferSamples, kBufferSamples, kToneHz));
        ASSERT_EQ(player.PlayBuffer(buffers.back().data(), kBufferBytes, i),
                  plat::MMSYSERR_NOERROR);
    }
    EXPECT_FALSE(player.IsDone());
    EXPECT_EQ(player.QueuedSamples(), kBuffers * kBufferSamples);
    ASSERT_TRUE(plat::wave_out_wait_idle(kWaitMs));
    for (int i = 0; i < kBuffers; ++i) {
        EXPECT_TRUE(player.IsHeaderDone(i));
        EXPECT_EQ(player.UnprepareBuffer(i), plat::MMSYSERR_NOERROR);
    }
    EXPECT_TRUE(player.IsDone());

    const auto streams = plat::played_streams();
    ASSERT_EQ(streams.size(), 1u);
    const auto& s = streams[0];
    EXPECT_EQ(s.format.samples_per_sec, 20000u);
    EXPECT_EQ(s.format.channels, 1);
    EXPECT_EQ(s.format.bits_per_sample, 16);
    EXPECT_EQ(s.format.avg_bytes_per_sec, 40000u);
    const auto samples = s.samples16();
    EXPECT_EQ(samples, tone(0, kBuffers * kBufferSamples, kToneHz)) << "in order, no gaps";
    ASSERT_EQ(s.buffers.size(), size_t{kBuffers});
    // 80 % of 65535, truncated, on both channels.
    EXPECT_EQ(s.buffers[0].volume, 52428u | (52428u << 16));

    const double expected_bin = kToneHz * double(samples.size()) / 20000.0;
    EXPECT_NEAR(double(celvane_test::numpy_peak_bin(samples)), expected_bin, 1.0);
}

TEST_F(WavePlayer, HeadersAreRefusedWhileQueuedAndGivenBackOnDestruction) {
    auto sink = std::make_shared<celvane_test::GatedSink>();
    plat::set_sound_sink(sink);
    const std::vector<int16_t> samples = tone(0, 200, 500);
    {
        CWavePlayer player;
        EXPECT_EQ(player.PlayBuffer(samples.data(), 400, 0), plat::MMSYSERR_INVALHANDLE);
        EXPECT_EQ(player.SetVolume(50), plat::MMSYSERR_INVALHANDLE);
        ASSERT_EQ(player.Open(), plat::MMSYSERR_NOERROR);
        EXPECT_EQ(player.SetVolume(250), plat::MMSYSERR_NOERROR);
        EXPECT_EQ(player.PlayBuffer(samples.data(), 400, 10), plat::MMSYSERR_INVALPARAM);
        EXPECT_EQ(player.PlayBuffer(samples.data(), 400, -1), plat::MMSYSERR_INVALPARAM);
        EXPECT_EQ(player.UnprepareBuffer(10), plat::MMSYSERR_INVALPARAM);
        EXPECT_EQ(player.QueuedSamples(), 0u);
        ASSERT_EQ(player.PlayBuffer(samples.data(), 400, 0), plat::MMSYSERR_NOERROR);
        ASSERT_EQ(player.PlayBuffer(samples.data(), 400, 1), plat::MMSYSERR_NOERROR);
        sink->wait_started(1);
        EXPECT_EQ(player.PlayBuffer(samples.data(), 400, 0), plat::WAVERR_STILLPLAYING);
        EXPECT_EQ(player.UnprepareBuffer(0), plat::WAVERR_STILLPLAYING);
        EXPECT_FALSE(player.IsDone());
        EXPECT_EQ(player.QueuedSamples(), 400u);
    }  // while the first buffer plays
    const auto streams = plat::played_streams();
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_TRUE(streams[0].closed);
    EXPECT_EQ(streams[0].buffers.at(0).volume, 0xFFFFFFFFu) << "above 100 % counts as 100 %";
    EXPECT_TRUE(sink->heard.empty());
}

}  // namespace

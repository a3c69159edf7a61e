// The demodulated audio stream of a measurement screen, through its wave
// player into the sound recording: records arrive on a worker thread while
// the user-interface thread pumps the ring, as the display refresh does.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "files/sa_meas_setup.h"
#include "instrument/wave_player.h"
#include "platform/sound/sound.h"
#include "platform/sound/tests/stream_checks.h"
#include "screens/measurement_base.h"

namespace {

constexpr uint32_t kWaitMs = 60000;
constexpr uint32_t kRate = 20000;
constexpr size_t kBufferSamples = 40000;
constexpr uint32_t kRecordSamples = 19999;  // the largest audio record
constexpr double kToneHz = 1237.0;

std::vector<int16_t> Tone(size_t n) {
    return celvane_test::sine_samples(0, n, kToneHz, kRate, 9000);
}

class AudioScreen : public CMeasurementBase {
  public:
    AudioScreen() {
        setup_ = &sa_;
        player_.Open();
        wavePlayer = &player_;
    }
    ~AudioScreen() override { wavePlayer = nullptr; }
    void InstrumentHook() override {}
    CSAMeasSetup sa_;
    CWavePlayer player_;
};

// Hands `samples` to the screen in records on a thread of its own; the
// test thread pumps after every record and a few times more at the end.
void Stream(AudioScreen& screen, const std::vector<int16_t>& samples) {
    std::mutex m;
    std::condition_variable cv;
    size_t delivered = 0, pumped = 0;
    const size_t records = (samples.size() + kRecordSamples - 1) / kRecordSamples;
    std::thread worker([&] {
        for (size_t r = 0; r < records; ++r) {
            const size_t at = r * kRecordSamples;
            const auto n =
                static_cast<uint32_t>(std::min<size_t>(kRecordSamples, samples.size() - at));
            screen.AppendAudioSamples(samples.data() + at, n);
            std::unique_lock lock(m);
            ++delivered;
            cv.notify_all();
            cv.wait(lock, [&] { return pumped == delivered; });
        }
    });
    for (size_t r = 0; r < records; ++r) {
        {
            std::unique_lock lock(m);
            cv.wait(lock, [&] { return delivered > r; });
        }
        screen.PumpAudio();
        std::lock_guard lock(m);
        ++pumped;
        cv.notify_all();
    }
    worker.join();
    for (int i = 0; i < CMeasurementBase::kAudioBuffers; ++i) screen.PumpAudio();
    ASSERT_TRUE(plat::wave_out_wait_idle(kWaitMs));
}

TEST(AudioStream, TheToneReachesTheSinkInOrderWithoutGaps) {
    plat::clear_played_sounds();
    AudioScreen screen;
    constexpr size_t kBuffers = 5;
    const std::vector<int16_t> tone = Tone(kBuffers * kBufferSamples);
    Stream(screen, tone);
    const auto streams = plat::played_streams();
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].format.samples_per_sec, kRate);
    const auto heard = streams[0].samples16();
    EXPECT_EQ(heard.size(), tone.size());
    EXPECT_TRUE(heard == tone) << "the stream arrives whole and in order";
    const double expected_bin = kToneHz * double(heard.size()) / kRate;
    EXPECT_NEAR(double(celvane_test::numpy_peak_bin(heard)), expected_bin, 1.0);
}

TEST(AudioStream, AStreamShorterThanTwoBuffersIsNeverPlayed) {
    plat::clear_played_sounds();
    AudioScreen screen;
    Stream(screen, Tone(2 * kBufferSamples - 1));
    const auto streams = plat::played_streams();
    EXPECT_TRUE(streams.empty() || streams[0].bytes.empty());
    EXPECT_EQ(screen.player_.QueuedSamples(), 0u);
}

}  // namespace

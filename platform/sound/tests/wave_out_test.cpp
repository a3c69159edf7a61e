// The wave output on its own thread: buffers play in order and are marked
// done only once played, a reset gives every queued buffer back, the
// recording keeps each stream whole, with or without a device in front.
#include "platform/sound/wave_out.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/sound/sound.h"
#include "platform/sound/tests/gated_sink.h"

namespace plat {
namespace {

using celvane_test::GatedSink;

constexpr uint32_t kWaitMs = 60000;

WaveFormat mono16(uint32_t rate) {
    return {WAVE_FORMAT_PCM, 1, rate, rate * 2, 2, 16, 0};
}

std::vector<int16_t> ramp(int16_t from, size_t n) {
    std::vector<int16_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<int16_t>(from + static_cast<int>(i));
    return v;
}

void fill(WaveHeader& h, const std::vector<int16_t>& samples) {
    h.data = samples.data();
    h.buffer_length = static_cast<uint32_t>(samples.size() * 2);
    h.flags = 0;
}

// What the callback heard, for the test thread to wait on.
struct Notifications {
    std::mutex m;
    std::condition_variable cv;
    std::vector<uint32_t> messages;
    std::vector<WaveHeader*> done;

    static void proc(HWAVEOUT, uint32_t msg, uintptr_t instance, uintptr_t p1, uintptr_t) {
        auto* self = reinterpret_cast<Notifications*>(instance);
        std::lock_guard lock(self->m);
        self->messages.push_back(msg);
        if (msg == WOM_DONE) self->done.push_back(reinterpret_cast<WaveHeader*>(p1));
        self->cv.notify_all();
    }
    void wait_done(size_t n) {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return done.size() >= n; });
    }
};

struct NoDeviceSink : ISoundSink {
    void play(const PlayedSound&) override {}
};

class WaveOut : public ::testing::Test {
  protected:
    void SetUp() override { clear_played_sounds(); }
    void TearDown() override {
        set_sound_sink(nullptr);
        wave_out_set_volume(nullptr, 0xFFFFFFFF);
    }
};

TEST_F(WaveOut, BuffersPlayInOrderAndADoneMarkComesOnlyAfterPlaying) {
    auto sink = std::make_shared<GatedSink>();
    set_sound_sink(sink);
    Notifications n;
    HWAVEOUT out = nullptr;
    const WaveFormat f = mono16(20000);
    ASSERT_EQ(
        wave_out_open(&out, WAVE_MAPPER, &f, reinterpret_cast<uintptr_t>(&Notifications::proc),
                      reinterpret_cast<uintptr_t>(&n), CALLBACK_FUNCTION),
        MMSYSERR_NOERROR);
    const std::vector<int16_t> b0 = ramp(0, 100), b1 = ramp(100, 100), b2 = ramp(200, 100);
    WaveHeader h[3];
    fill(h[0], b0);
    fill(h[1], b1);
    fill(h[2], b2);
    EXPECT_EQ(wave_out_write(out, &h[0], sizeof h[0]), WAVERR_UNPREPARED);
    for (auto& hdr : h) {
        ASSERT_EQ(wave_out_prepare_header(out, &hdr, sizeof hdr), MMSYSERR_NOERROR);
        ASSERT_EQ(wave_out_write(out, &hdr, sizeof hdr), MMSYSERR_NOERROR);
    }
    sink->wait_started(1);
    EXPECT_FALSE(h[0].flags & WHDR_DONE);
    EXPECT_TRUE(h[0].flags & WHDR_INQUEUE);
    EXPECT_EQ(wave_out_unprepare_header(out, &h[0], sizeof h[0]), WAVERR_STILLPLAYING);
    EXPECT_EQ(wave_out_write(out, &h[0], sizeof h[0]), WAVERR_STILLPLAYING);
    EXPECT_EQ(wave_out_close(out), WAVERR_STILLPLAYING);

    sink->release(1);
    n.wait_done(1);
    sink->wait_started(2);  // the second buffer plays, the third waits
    EXPECT_TRUE(h[0].flags & WHDR_DONE);
    EXPECT_FALSE(h[1].flags & WHDR_DONE);
    EXPECT_EQ(wave_out_unprepare_header(out, &h[0], sizeof h[0]), MMSYSERR_NOERROR);

    // A reset gives the playing and the waiting buffer back, marked done.
    ASSERT_EQ(wave_out_reset(out), MMSYSERR_NOERROR);
    n.wait_done(3);
    for (auto& hdr : h) EXPECT_EQ(hdr.flags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
    EXPECT_EQ(wave_out_unprepare_header(out, &h[1], sizeof h[1]), MMSYSERR_NOERROR);
    EXPECT_EQ(wave_out_unprepare_header(out, &h[2], sizeof h[2]), MMSYSERR_NOERROR);
    ASSERT_EQ(wave_out_close(out), MMSYSERR_NOERROR);
    EXPECT_EQ(wave_out_close(out), MMSYSERR_INVALHANDLE);

    EXPECT_EQ(sink->heard, std::vector<std::vector<int16_t>>{b0});
    EXPECT_EQ(n.done, (std::vector<WaveHeader*>{&h[0], &h[1], &h[2]}));
    EXPECT_EQ(n.messages.front(), WOM_OPEN);
    EXPECT_EQ(n.messages.back(), WOM_CLOSE);
    // The recording holds what began to play: the first buffer whole, then
    // the one the reset cut; never the one that waited.
    const auto streams = played_streams();
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_TRUE(streams[0].closed);
    std::vector<int16_t> expected = b0;
    expected.insert(expected.end(), b1.begin(), b1.end());
    EXPECT_EQ(streams[0].samples16(), expected);
}

TEST_F(WaveOut, WithoutADeviceEveryBufferIsRecordedWholeAtItsVolume) {
    for (bool with_sink : {false, true}) {
        SCOPED_TRACE(with_sink ? "a sink whose device does not open" : "no sink");
        clear_played_sounds();
        set_sound_sink(with_sink ? std::make_shared<NoDeviceSink>() : nullptr);
        const WaveFormat f = mono16(20000);
        HWAVEOUT out = nullptr;
        ASSERT_EQ(wave_out_open(&out, 0, &f, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
        wave_out_set_volume(nullptr, 0x8000FFFF);  // the system: left full, right half
        ASSERT_EQ(wave_out_set_volume(out, 0xFFFF4000), MMSYSERR_NOERROR);
        uint32_t v = 0;
        ASSERT_EQ(wave_out_get_volume(out, &v), MMSYSERR_NOERROR);
        EXPECT_EQ(v, 0xFFFF4000u);
        constexpr int kBuffers = 25;
        std::vector<std::vector<int16_t>> data;
        WaveHeader h[kBuffers];
        for (int i = 0; i < kBuffers; ++i) data.push_back(ramp(static_cast<int16_t>(i * 7), 7));
        for (int i = 0; i < kBuffers; ++i) {
            fill(h[i], data[i]);
            wave_out_prepare_header(out, &h[i], sizeof h[i]);
            ASSERT_EQ(wave_out_write(out, &h[i], sizeof h[i]), MMSYSERR_NOERROR);
        }
        ASSERT_TRUE(wave_out_wait_idle(kWaitMs));
        for (auto& hdr : h) EXPECT_TRUE(hdr.flags & WHDR_DONE);
        for (auto& hdr : h) wave_out_unprepare_header(out, &hdr, sizeof hdr);
        ASSERT_EQ(wave_out_close(out), MMSYSERR_NOERROR);

        const auto streams = played_streams();
        ASSERT_EQ(streams.size(), 1u);
        EXPECT_EQ(streams[0].samples16(), ramp(0, kBuffers * 7));
        ASSERT_EQ(streams[0].buffers.size(), size_t{kBuffers});
        EXPECT_EQ(streams[0].buffers[3].offset, 3u * 14);
        // 0x4000 of 0xFFFF under 0xFFFF on the left; 0xFFFF under 0x8000 on
        // the right.
        EXPECT_EQ(streams[0].buffers[3].volume, 0x80004000u);
        EXPECT_EQ(streams[0].format.samples_per_sec, 20000u);
        wave_out_set_volume(nullptr, 0xFFFFFFFF);
    }
}

TEST_F(WaveOut, RefusesWhatItCannotPlay) {
    HWAVEOUT out = nullptr;
    WaveFormat f = mono16(20000);
    EXPECT_EQ(wave_out_open(&out, 3, &f, 0, 0, CALLBACK_NULL), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(wave_out_open(&out, WAVE_MAPPER, &f, 0, 0, CALLBACK_FUNCTION), MMSYSERR_INVALPARAM);
    EXPECT_EQ(wave_out_open(&out, WAVE_MAPPER, &f, 0, 0, 0x50000), MMSYSERR_INVALFLAG);
    const struct {
        const char* what;
        WaveFormat format;
    } bad[] = {
        {"not PCM", {2, 1, 20000, 40000, 2, 16, 0}},
        {"three channels", {1, 3, 20000, 120000, 6, 16, 0}},
        {"24 bits", {1, 1, 20000, 60000, 3, 24, 0}},
        {"wrong alignment", {1, 1, 20000, 40000, 4, 16, 0}},
        {"wrong byte rate", {1, 1, 20000, 20000, 2, 16, 0}},
        {"rate below 1000", {1, 1, 500, 1000, 2, 16, 0}},
    };
    for (const auto& b : bad) {
        EXPECT_EQ(wave_out_open(&out, WAVE_MAPPER, &b.format, 0, 0, CALLBACK_NULL),
                  WAVERR_BADFORMAT)
            << b.what;
    }
    WaveHeader h;
    EXPECT_EQ(wave_out_prepare_header(nullptr, &h, sizeof h), MMSYSERR_INVALHANDLE);
    ASSERT_EQ(wave_out_open(&out, WAVE_MAPPER, &f, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    h.buffer_length = 8;  // no data
    EXPECT_EQ(wave_out_prepare_header(out, &h, sizeof h), MMSYSERR_INVALPARAM);
    EXPECT_EQ(wave_out_prepare_header(out, &h, 4), MMSYSERR_INVALPARAM);
    EXPECT_EQ(wave_out_close(out), MMSYSERR_NOERROR);
}

// Two outputs fed from two threads, each reusing its few headers as they come
// back done: each stream arrives whole and in order.
TEST_F(WaveOut, TwoThreadsStreamAtOnce) {
    constexpr int kHeaders = 4;
    constexpr int kBuffers = 200;
    constexpr size_t kSamples = 64;
    auto feed = [](int16_t base) {
        const WaveFormat f = mono16(8000);
        HWAVEOUT out = nullptr;
        Notifications n;
        ASSERT_EQ(
            wave_out_open(&out, WAVE_MAPPER, &f, reinterpret_cast<uintptr_t>(&Notifications::proc),
                          reinterpret_cast<uintptr_t>(&n), CALLBACK_FUNCTION),
            MMSYSERR_NOERROR);
        WaveHeader h[kHeaders];
        std::vector<int16_t> data[kHeaders];
        for (int i = 0; i < kBuffers; ++i) {
            const int k = i % kHeaders;
            if (i >= kHeaders) {
                n.wait_done(static_cast<size_t>(i - kHeaders + 1));
                ASSERT_TRUE(h[k].flags & WHDR_DONE);
                ASSERT_EQ(wave_out_unprepare_header(out, &h[k], sizeof h[k]), MMSYSERR_NOERROR);
            }
            data[k] = ramp(static_cast<int16_t>(base + i), kSamples);
            fill(h[k], data[k]);
            wave_out_prepare_header(out, &h[k], sizeof h[k]);
            ASSERT_EQ(wave_out_write(out, &h[k], sizeof h[k]), MMSYSERR_NOERROR);
        }
        n.wait_done(kBuffers);
        EXPECT_EQ(wave_out_close(out), MMSYSERR_NOERROR);
    };
    std::thread a(feed, int16_t{0});
    std::thread b(feed, int16_t{10000});
    a.join();
    b.join();
    const auto streams = played_streams();
    ASSERT_EQ(streams.size(), 2u);
    for (const auto& s : streams) {
        const auto samples = s.samples16();
        ASSERT_EQ(samples.size(), kBuffers * kSamples);
        const int16_t base = samples[0];
        for (int i = 0; i < kBuffers; ++i) {
            ASSERT_EQ(samples[i * kSamples], base + i) << "buffer " << i;
        }
    }
}

}  // namespace
}  // namespace plat

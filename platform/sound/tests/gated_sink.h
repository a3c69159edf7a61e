#pragma once
// A sound sink for tests whose wave output device holds each buffer until
// the test lets it go, so that a test sees buffers while they play.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/sound/sound.h"

namespace celvane_test {

// A device whose stream holds each buffer until the test lets it go.
struct GatedSink : plat::ISoundSink {
    std::mutex m;
    std::condition_variable cv;
    int allowed = 0;
    int started = 0;
    std::vector<std::vector<int16_t>> heard;

    struct Stream : plat::IWaveStream {
        GatedSink* sink;
        explicit Stream(GatedSink* s) : sink(s) {}
        void play(const uint8_t* data, size_t size, uint16_t, uint16_t,
                  const std::atomic<bool>& cancel) override {
            std::unique_lock lock(sink->m);
            ++sink->started;
            sink->cv.notify_all();
            sink->cv.wait(lock, [&] { return sink->allowed > 0 || cancel; });
            if (cancel) return;
            --sink->allowed;
            const auto* s = reinterpret_cast<const int16_t*>(data);
            sink->heard.emplace_back(s, s + size / 2);
        }
        void stop() override {
            std::lock_guard lock(sink->m);
            sink->cv.notify_all();
        }
    };

    void play(const plat::PlayedSound&) override {}
    std::unique_ptr<plat::IWaveStream> open_stream(const plat::WaveFormat&) override {
        return std::make_unique<Stream>(this);
    }
    void release(int n) {
        std::lock_guard lock(m);
        allowed += n;
        cv.notify_all();
    }
    void wait_started(int n) {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return started >= n; });
    }
};

}  // namespace celvane_test

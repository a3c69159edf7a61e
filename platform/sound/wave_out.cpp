#include "platform/sound/wave_out.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/sound/sound.h"
#include "platform/sound/sound_internal.h"

namespace plat {

namespace {

constexpr uint32_t kFullVolume = 0xFFFFFFFF;
constexpr uint32_t kMinRate = 1000;
constexpr uint32_t kMaxRate = 192000;

uint16_t left_of(uint32_t volume) {
    return static_cast<uint16_t>(volume & 0xFFFF);
}
uint16_t right_of(uint32_t volume) {
    return static_cast<uint16_t>(volume >> 16);
}
// One volume under another, channel by channel.
uint32_t scaled(uint32_t volume, uint32_t under) {
    const uint32_t l = left_of(volume) * uint32_t{left_of(under)} / 0xFFFF;
    const uint32_t r = right_of(volume) * uint32_t{right_of(under)} / 0xFFFF;
    return l | (r << 16);
}

bool valid_format(const WaveFormat& f) {
    if (f.format_tag != WAVE_FORMAT_PCM) return false;
    if (f.channels != 1 && f.channels != 2) return false;
    if (f.bits_per_sample != 8 && f.bits_per_sample != 16) return false;
    if (f.samples_per_sec < kMinRate || f.samples_per_sec > kMaxRate) return false;
    if (f.block_align != f.channels * f.bits_per_sample / 8) return false;
    return f.avg_bytes_per_sec == f.samples_per_sec * f.block_align;
}

// Buffers queued on every output, for wave_out_wait_idle.
struct Idle {
    std::mutex m;
    std::condition_variable cv;
    size_t queued = 0;  // guarded by m

    void add(size_t n) {
        std::lock_guard lock(m);
        queued += n;
    }
    void remove(size_t n) {
        std::lock_guard lock(m);
        queued -= n;
        if (queued == 0) cv.notify_all();
    }
};

Idle& idle() {
    static Idle i;
    return i;
}

// The system's volume, under which every output plays.
std::atomic<uint32_t>& system_volume() {
    static std::atomic<uint32_t> v{kFullVolume};
    return v;
}

}  // namespace

struct WaveOutDevice {
    struct Queued {
        WaveHeader* header = nullptr;
        std::vector<uint8_t> bytes;
    };

    uint32_t opening = 0;
    WaveFormat format;
    WaveOutProc callback = nullptr;
    uintptr_t instance = 0;

    std::mutex m;
    std::condition_variable cv;
    std::deque<Queued> queue;                 // guarded by m; the front one plays
    uint64_t generation = 0;                  // guarded by m: counts resets
    bool closing = false;                     // guarded by m
    uint32_t volume = kFullVolume;            // guarded by m
    std::unique_ptr<IWaveStream> stream;      // guarded by m
    std::shared_ptr<ISoundSink> stream_sink;  // guarded by m: the sink `stream` came from
    std::atomic<bool> cancel{false};          // makes a running stream play return
    std::thread worker;

    ~WaveOutDevice() { stop_worker(); }

    void notify(uint32_t msg, uintptr_t param1) {
        if (callback) callback(this, msg, instance, param1, 0);
    }

    void stop_worker() {
        {
            std::lock_guard lock(m);
            closing = true;
            cancel = true;
        }
        cv.notify_all();
        if (worker.joinable()) worker.join();
    }

    // Under m: a stream from the sink in front, when there is one and it
    // has not been asked yet.
    IWaveStream* stream_for_play() {
        auto sink = sound_sink();
        if (!stream && sink && sink != stream_sink) {
            stream_sink = sink;
            stream = sink->open_stream(format);
        }
        return stream.get();
    }

    void run();
    std::vector<WaveHeader*> take_queue();
};

void WaveOutDevice::run() {
    std::unique_lock lock(m);
    for (;;) {
        cv.wait(lock, [&] { return closing || !queue.empty(); });
        if (closing) return;
        Queued& front = queue.front();
        const std::vector<uint8_t> bytes = std::move(front.bytes);
        const uint64_t gen = generation;
        const uint32_t vol = scaled(volume, system_volume());
        IWaveStream* out = stream_for_play();
        cancel = false;
        lock.unlock();
        sound_detail::record_stream_buffer(opening, format, bytes.data(), bytes.size(), vol);
        if (out) out->play(bytes.data(), bytes.size(), left_of(vol), right_of(vol), cancel);
        lock.lock();
        if (gen != generation) continue;  // a reset gave the buffer back
        WaveHeader* h = queue.front().header;
        queue.pop_front();
        h->flags = (h->flags & ~WHDR_INQUEUE) | WHDR_DONE;
        lock.unlock();
        idle().remove(1);
        notify(WOM_DONE, reinterpret_cast<uintptr_t>(h));
        lock.lock();
    }
}

std::vector<WaveHeader*> WaveOutDevice::take_queue() {
    std::vector<WaveHeader*> given_back;
    std::lock_guard lock(m);
    for (auto& q : queue) {
        q.header->flags = (q.header->flags & ~WHDR_INQUEUE) | WHDR_DONE;
        given_back.push_back(q.header);
    }
    queue.clear();
    ++generation;
    cancel = true;
    if (stream) stream->stop();
    return given_back;
}

namespace {

struct Registry {
    std::mutex m;
    std::map<HWAVEOUT, std::shared_ptr<WaveOutDevice>> open;  // guarded by m
};

Registry& registry() {
    static Registry r;
    return r;
}

std::shared_ptr<WaveOutDevice> find(HWAVEOUT out) {
    std::lock_guard lock(registry().m);
    auto it = registry().open.find(out);
    return it == registry().open.end() ? nullptr : it->second;
}

bool valid_header(const WaveHeader* header, uint32_t size) {
    return header && size >= sizeof(WaveHeader) && (header->data || header->buffer_length == 0);
}

}  // namespace

uint32_t wave_out_open(HWAVEOUT* out, uint32_t device_id, const WaveFormat* format,
                       uintptr_t callback, uintptr_t instance, uint32_t flags) {
    if (device_id != WAVE_MAPPER && device_id != 0) return MMSYSERR_BADDEVICEID;
    if (flags != CALLBACK_NULL && flags != CALLBACK_FUNCTION) return MMSYSERR_INVALFLAG;
    if (!out || !format || (flags == CALLBACK_FUNCTION && callback == 0)) {
        return MMSYSERR_INVALPARAM;
    }
    if (!valid_format(*format)) return WAVERR_BADFORMAT;
    auto device = std::make_shared<WaveOutDevice>();
    device->opening = sound_detail::next_opening();
    device->format = *format;
    if (flags == CALLBACK_FUNCTION) device->callback = reinterpret_cast<WaveOutProc>(callback);
    device->instance = instance;
    device->worker = std::thread([d = device.get()] { d->run(); });
    {
        std::lock_guard lock(registry().m);
        registry().open[device.get()] = device;
    }
    *out = device.get();
    device->notify(WOM_OPEN, 0);
    return MMSYSERR_NOERROR;
}

uint32_t wave_out_close(HWAVEOUT out) {
    std::shared_ptr<WaveOutDevice> device;
    {
        std::lock_guard lock(registry().m);
        auto it = registry().open.find(out);
        if (it == registry().open.end()) return MMSYSERR_INVALHANDLE;
        {
            std::lock_guard dlock(it->second->m);
            if (!it->second->queue.empty()) return WAVERR_STILLPLAYING;
        }
        device = std::move(it->second);
        registry().open.erase(it);
    }
    device->stop_worker();
    {
        std::lock_guard lock(device->m);
        device->stream.reset();
    }
    sound_detail::record_stream_closed(device->opening);
    device->notify(WOM_CLOSE, 0);
    return MMSYSERR_NOERROR;
}

uint32_t wave_out_prepare_header(HWAVEOUT out, WaveHeader* header, uint32_t size) {
    if (!find(out)) return MMSYSERR_INVALHANDLE;
    if (!valid_header(header, size)) return MMSYSERR_INVALPARAM;
    header->flags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

uint32_t wave_out_unprepare_header(HWAVEOUT out, WaveHeader* header, uint32_t size) {
    if (!find(out)) return MMSYSERR_INVALHANDLE;
    if (!valid_header(header, size)) return MMSYSERR_INVALPARAM;
    if (header->flags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    header->flags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

uint32_t wave_out_write(HWAVEOUT out, WaveHeader* header, uint32_t size) {
    auto device = find(out);
    if (!device) return MMSYSERR_INVALHANDLE;
    if (!valid_header(header, size)) return MMSYSERR_INVALPARAM;
    if (!(header->flags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
    if (header->flags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    // Only whole frames play.
    const uint32_t length =
        header->buffer_length - header->buffer_length % device->format.block_align;
    const auto* data = static_cast<const uint8_t*>(header->data);
    {
        std::lock_guard lock(device->m);
        header->flags = (header->flags & ~WHDR_DONE) | WHDR_INQUEUE;
        device->queue.push_back({header, std::vector<uint8_t>(data, data + length)});
        idle().add(1);
    }
    device->cv.notify_all();
    return MMSYSERR_NOERROR;
}

uint32_t wave_out_reset(HWAVEOUT out) {
    auto device = find(out);
    if (!device) return MMSYSERR_INVALHANDLE;
    const auto given_back = device->take_queue();
    idle().remove(given_back.size());
    for (WaveHeader* h : given_back) device->notify(WOM_DONE, reinterpret_cast<uintptr_t>(h));
    return MMSYSERR_NOERROR;
}

uint32_t wave_out_get_volume(HWAVEOUT out, uint32_t* volume) {
    if (!volume) return MMSYSERR_INVALPARAM;
    if (!out) {
        *volume = system_volume();
        return MMSYSERR_NOERROR;
    }
    auto device = find(out);
    if (!device) return MMSYSERR_INVALHANDLE;
    std::lock_guard lock(device->m);
    *volume = device->volume;
    return MMSYSERR_NOERROR;
}

uint32_t wave_out_set_volume(HWAVEOUT out, uint32_t volume) {
    if (!out) {
        system_volume() = volume;
        return MMSYSERR_NOERROR;
    }
    auto device = find(out);
    if (!device) return MMSYSERR_INVALHANDLE;
    std::lock_guard lock(device->m);
    device->volume = volume;
    return MMSYSERR_NOERROR;
}

bool wave_out_wait_idle(uint32_t timeout_ms) {
    std::unique_lock lock(idle().m);
    return idle().cv.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                              [] { return idle().queued == 0; });
}

}  // namespace plat

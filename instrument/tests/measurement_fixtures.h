#pragma once
// Test stand-ins for the measurement families: a screen that owns a setup
// and keeps copies of the results it is handed, a link that records what a
// measurement queues, hand-built reply blocks, and the sweep record written
// out field by field from a setup.

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/data_block.h"
#include "core/frequency_range.h"
#include "core/params.h"
#include "files/meas_setup.h"
#include "files/trigger_settings.h"
#include "instrument/device_item.h"
#include "instrument/device_port.h"
#include "instrument/dsp_message.h"
#include "instrument/measurement_screen.h"
#include "platform/byte_order.h"

namespace measure_test {

using Bytes = std::vector<uint8_t>;

// Fields of a growing byte vector: 0 past the end; a write grows it.
template <typename T>
T Get(const Bytes& b, size_t offset) {
    return offset + sizeof(T) <= b.size() ? plat::get_le<T>(b.data(), offset) : T{};
}

template <typename T>
void Put(Bytes& b, size_t offset, T v) {
    if (b.size() < offset + sizeof(T)) b.resize(offset + sizeof(T));
    plat::put_le<T>(b.data(), offset, v);
}

// What a screen keeps of one result.
struct Result {
    uint32_t type = 0;
    uint32_t reply = 0;
    uint32_t first = 0;
    uint32_t count = 0;
    Bytes data;
    uint64_t bandwidth = 0;
    double power = 0, lower = 0, upper = 0;
    float lower_ratio = 0, upper_ratio = 0;
};

class Screen : public IMeasurementScreen {
  public:
    explicit Screen(CMeasSetup* setup) : setup_(setup) {}
    CMeasSetup* GetSetup() const override { return setup_; }
    void ProcessNewData(CDeviceItem* item, int) override {
        Result r;
        r.type = item->GetType();
        r.reply = item->GetId();
        r.first = item->GetFirstIndex();
        r.count = item->GetCount();
        if (item->GetData())
            r.data.assign(item->GetData(), item->GetData() + item->GetDataLength());
        if (auto* o = dynamic_cast<COccupiedBwItem*>(item)) r.bandwidth = o->bandwidth;
        if (auto* c = dynamic_cast<CChannelPowerItem*>(item)) r.power = c->channel_power;
        if (auto* a = dynamic_cast<CAcprItem*>(item)) {
            r.lower = a->lower;
            r.upper = a->upper;
            r.lower_ratio = a->lower_ratio;
            r.upper_ratio = a->upper_ratio;
        }
        {
            std::lock_guard lock(mutex_);
            results_.push_back(std::move(r));
        }
        changed_.notify_all();
    }

    // The last few results, for a failure's message.
    std::string Recent(size_t n = 6) {
        std::lock_guard lock(mutex_);
        std::string out = std::to_string(results_.size()) + " results";
        for (size_t i = results_.size() > n ? results_.size() - n : 0; i < results_.size(); ++i) {
            const Result& r = results_[i];
            out += "; type " + std::to_string(r.type) + " reply " + std::to_string(r.reply) +
                   " first " + std::to_string(r.first) + " count " + std::to_string(r.count);
        }
        return out;
    }

    // Waits up to `ms` for a result that satisfies `want`.
    bool WaitFor(const std::function<bool(const Result&)>& want, Result* out, int ms = 20000) {
        std::unique_lock lock(mutex_);
        size_t seen = 0;
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            for (; seen < results_.size(); ++seen) {
                if (want(results_[seen])) {
                    if (out) *out = results_[seen];
                    return true;
                }
            }
            if (changed_.wait_until(lock, until) == std::cv_status::timeout &&
                seen == results_.size())
                return false;
        }
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        results_.clear();
    }

  private:
    CMeasSetup* setup_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Result> results_;  // guarded by mutex_
};

// Records what a measurement queues instead of sending it.
class RecordingLink : public CDevicePort {
  public:
    struct Sent {
        uint16_t id = 0;
        uint16_t argument = 0;
        Bytes payload;
        bool table = false;
    };
    int SendMessage(uint16_t id, const void* payload, uint16_t argument) override {
        Sent s{id, argument, {}, false};
        const uint32_t size = dspmsg::PayloadSize(id);
        if (payload && size)
            s.payload.assign(static_cast<const uint8_t*>(payload),
                             static_cast<const uint8_t*>(payload) + size);
        sent.push_back(std::move(s));
        return 1;
    }
    int SendTable(uint16_t index, const void* data, size_t size, uint16_t count) override {
        Sent s{index, count, {}, true};
        s.payload.assign(static_cast<const uint8_t*>(data),
                         static_cast<const uint8_t*>(data) + size);
        sent.push_back(std::move(s));
        return 1;
    }
    std::vector<Sent> sent;
};

// A reply block as the link fetches it: header words, then the data.
inline std::unique_ptr<CDataBlock> MakeBlock(uint16_t id, uint16_t index, uint16_t count,
                                             const Bytes& data) {
    auto b = std::make_unique<CDataBlock>(nullptr, 8 + static_cast<uint32_t>(data.size()));
    b->SetLength(8 + static_cast<uint32_t>(data.size()));
    uint8_t* p = b->GetPointer(0);
    std::memcpy(p, &id, 2);
    const uint16_t length = static_cast<uint16_t>(4 + data.size());
    std::memcpy(p + 2, &length, 2);
    std::memcpy(p + 4, &index, 2);
    std::memcpy(p + 6, &count, 2);
    if (!data.empty()) std::memcpy(p + 8, data.data(), data.size());
    return b;
}

inline Bytes Floats(std::initializer_list<float> values) {
    Bytes b;
    for (float v : values) Put(b, b.size(), v);
    return b;
}

// A spectrum setup: the range centre +- span / 2, resolution bandwidth index
// `rbw` (30 kHz = 5), 705 points, the default positive-peak detection unless told.
inline void ConfigureSpectrum(CMeasSetup& s, uint64_t centre, uint64_t span, uint32_t rbw = 5,
                              int32_t detection = 3) {
    s.GetFrequencyRange()->Set(centre - span / 2, centre, centre + span / 2, span, 0);
    s.GetBandwidthSettings()->SetRbwIndex(rbw, false);
    s.GetBandwidthSettings()->SetVbwIndex(7, false);
    s.SetDetectionMode(detection);
    s.SetDataPoints(705);
    s.SetAttenuationLevel(10);
    s.SetPreampLevel(0);
}

// The 40 bytes every spectrum record starts with, written out field by field
// from the setup.
inline Bytes ExpectedSweepRecord(const CMeasSetup& s, size_t size) {
    Bytes r(size, 0);
    Put<uint64_t>(r, 0, s.GetFrequencyRange()->GetCentre());
    Put<uint64_t>(r, 8, s.GetFrequencyRange()->GetSpan());
    Put<uint16_t>(r, 16, static_cast<uint16_t>(10 - s.GetBandwidthSettings()->GetVbwIndex()));
    Put<uint16_t>(r, 18, static_cast<uint16_t>(8 - s.GetBandwidthSettings()->GetRbwIndex()));
    Put<uint16_t>(r, 20, static_cast<uint16_t>(s.GetDetectionMode()));
    Put<uint16_t>(r, 22, static_cast<uint16_t>(s.GetDataPoints()));
    r[24] = r[25] = static_cast<uint8_t>(s.GetAttenuationLevel());
    r[26] = static_cast<uint8_t>(s.GetPreampLevel());
    Put<uint16_t>(r, 32, static_cast<uint16_t>(s.GetTriggerMode()));
    Put<uint16_t>(r, 34, static_cast<uint16_t>(s.GetTriggerSettings()->GetCondition()));
    Put<uint16_t>(r, 36, static_cast<uint16_t>(s.GetTriggerSettings()->GetLevel()));
    Put<uint16_t>(r, 38, static_cast<uint16_t>(s.GetTriggerSettings()->GetDelay()));
    return r;
}

// The record a spectrum measurement sends for the setup, as the board gets
// it (the payload size of its message).
inline Bytes ExpectedRecord(CMeasSetup& s, uint32_t measurement_id, uint16_t message) {
    const size_t sizes[] = {40, 48, 48, 64, 64, 40, 48, 40};
    const uint32_t ids[] = {20, 21, 22, 23, 26, 27, 28, 29};
    size_t size = 40;
    for (size_t i = 0; i < 8; ++i)
        if (ids[i] == measurement_id) size = sizes[i];
    Bytes want = ExpectedSweepRecord(s, size);
    switch (measurement_id) {
        case 21:
            Put<uint16_t>(want, 40, static_cast<uint16_t>(s.GetThresholdMode()));
            Put<uint16_t>(want, 42,
                          static_cast<uint16_t>(s.GetThresholdMode() == 0 ? s.GetThresholdPercent()
                                                                          : -s.GetThreshold()));
            break;
        case 22:
            Put<uint64_t>(want, 40, s.GetChannelWidth());
            break;
        case 23:
            Put<uint64_t>(want, 40, s.GetChannelWidth());
            Put<uint64_t>(want, 48, s.GetAdjChannelWidth());
            Put<uint64_t>(want, 56, s.GetCenterDistance());
            break;
        case 26:
            Put<uint16_t>(want, 32, 0);
            Put<uint16_t>(want, 36, 0);
            Put<uint16_t>(want, 40, static_cast<uint16_t>(s.GetModulationType()));
            Put<uint16_t>(want, 56, static_cast<uint16_t>(s.GetPlayTime()));
            break;
        case 28:
            Put<uint64_t>(want, 8, 0);
            Put<uint32_t>(want, 40, static_cast<uint32_t>(s.GetZeroSpanTime()));
            break;
        case 29:
            Put<uint16_t>(want, 36, 0);
            break;
    }
    want.resize(dspmsg::PayloadSize(message));
    return want;
}

}  // namespace measure_test

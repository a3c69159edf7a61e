#pragma once
// Test stand-ins: a screen that records what its measurement tells it, and a
// spectrum measurement that turns sweep blocks into sweep items.
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "core/text.h"
#include "instrument/device_item.h"
#include "instrument/dsp_interface.h"
#include "instrument/measurement.h"
#include "instrument/measurement_screen.h"
#include "platform/kernel/thread.h"

namespace instrument_test {

struct SweepBlock {
    uint16_t next = 0, count = 0;  // next index of the newest packet, points held
    uint64_t peak_frequency = 0;
    double peak_level = 0;
    uint32_t thread = 0;
    int sent = 0;  // messages sent before the block came
};

class RecordingScreen : public IMeasurementScreen {
  public:
    void ShowStatusMessage(const std::u16string& text, int flag) override {
        std::lock_guard lock(mutex);
        statuses.push_back({core::LowBytes(text), flag});
    }
    void ProcessNewData(CDeviceItem* result, int) override {
        SweepBlock b;
        b.next = static_cast<uint16_t>(result->GetFirstIndex());
        b.count = static_cast<uint16_t>(result->GetCount());
        b.peak_frequency = result->GetTagAtMaximum();
        b.peak_level = result->GetMaximum();
        b.thread = plat::current_thread_id();
        b.sent = sent.load();
        std::lock_guard lock(mutex);
        blocks.push_back(b);
    }
    void MessageSentHook() override { ++sent; }
    void GpsTextHook(const char* text, int length, intptr_t status) override {
        std::lock_guard lock(mutex);
        gps_texts.push_back({std::string(text, size_t(length > 0 ? length : 0)), int(status)});
    }
    std::vector<std::pair<std::string, int>> GpsTexts() {
        std::lock_guard lock(mutex);
        return gps_texts;
    }
    void ReplyIdleHook() override { ++idle; }

    std::vector<SweepBlock> Blocks() {
        std::lock_guard lock(mutex);
        return blocks;
    }
    std::vector<std::pair<std::string, int>> gps_texts;  // guarded by mutex
    std::vector<std::pair<std::string, int>> Statuses() {
        std::lock_guard lock(mutex);
        return statuses;
    }
    bool HasStatus(const std::string& prefix) {
        std::lock_guard lock(mutex);
        for (auto& s : statuses)
            if (s.first.rfind(prefix, 0) == 0) return true;
        return false;
    }
    void Clear() {
        std::lock_guard lock(mutex);
        blocks.clear();
        statuses.clear();
    }

    std::mutex mutex;
    std::vector<SweepBlock> blocks;                     // guarded by mutex
    std::vector<std::pair<std::string, int>> statuses;  // guarded by mutex
    std::atomic<int> sent{0};
    std::atomic<int> idle{0};
};

// Sends a 0x3001 sweep and makes one sweep item of every sweep block, its
// points on the frequency axis of the sweep.
class SweepMeasurement : public CMeasurement {
  public:
    SweepMeasurement(CDspInterface* link, uint64_t centre, uint64_t span, uint16_t points = 705)
        : CMeasurement(link), centre_(centre), span_(span), points_(points) {
        family_ = kFamilySpectrum;
        reply_number_ = 1;
        dsp_ = link;
    }
    void Send() {
        uint8_t record[40] = {};
        std::memcpy(record, &centre_, 8);
        std::memcpy(record + 8, &span_, 8);
        const uint16_t rbw = 3, positive_peak = 3, points = points_;
        std::memcpy(record + 18, &rbw, 2);
        std::memcpy(record + 20, &positive_peak, 2);
        std::memcpy(record + 22, &points, 2);
        Start(0, 0);
        SetState(kIdle);
        dsp_->SendMessage(dsp::msg::kSweep, record, points_);
    }
    // A sweep block holds the trace from point 0 up to its count; its next
    // index tells where the newest packet ended.
    CDeviceItem* ParseReply(CDataBlock& block) override {
        const uint8_t* p = block.GetPointer(0);
        const dspmsg::ReplyHeader h = dspmsg::ReadHeader(p);
        if (h.id == dsp::msg::kCounterMarkers) ++query_replies;
        if (h.id != dsp::msg::kSweep) return nullptr;
        const uint32_t count = h.count;
        if (count < 1 || count > 705 || h.index > 705) return nullptr;
        if (block.GetLength() < 8 + 4 * count) return nullptr;
        auto* item = new CSweepItem;
        const uint64_t start = centre_ - span_ / 2;
        const double step = static_cast<double>(span_) / (points_ - 1);
        values_.resize(count);
        std::memcpy(values_.data(), p + 8, 4 * count);
        const uint64_t stop = start + static_cast<uint64_t>(count * step);
        item->SetRange(h.index, count, start, stop);
        item->SetArrays(values_.data(), nullptr, nullptr);
        for (uint32_t i = 0; i < count; ++i)
            item->UpdateMinMax(values_[i], start, stop,
                               start + static_cast<uint64_t>(i * step + 0.5));
        return item;
    }

    std::atomic<int> query_replies{0};  // counter-marker answers seen

  private:
    CDspInterface* dsp_;
    uint64_t centre_, span_;
    uint16_t points_;
    std::vector<float> values_;
};

}  // namespace instrument_test

// One 705-point sweep in 64-point blocks through a measurement screen's
// intake and commit (trace mode, peaks, column levels, display copy).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "files/sa_meas_setup.h"
#include "instrument/device_item.h"
#include "screens/measurement_base.h"

namespace {

constexpr int kPoints = 705;
constexpr int kBlock = 64;

class BenchScreen : public CMeasurementBase {
  public:
    BenchScreen() {
        setup_ = &sa_;
        sa_.SetDataPoints(kPoints);
        sa_.SetPeakHoldMode(1);
        AllocTraceBuffers(kPoints);
        TakeSweepSettings();
    }
    void InstrumentHook() override {}
    int GetBlockPointCount(CDeviceItem* r) override { return static_cast<int>(r->GetCount()); }
    int GetBlockEndIndex(CDeviceItem* r) override { return static_cast<int>(r->GetFirstIndex()); }
    double GetTracePoint(CDeviceItem* r, int i) override {
        float v;
        std::memcpy(&v, r->GetData() + static_cast<size_t>(i) * sizeof v, sizeof v);
        return v;
    }
    double ConvertLevel(double level) override { return level; }
    int LoadScaleRange() override {
        scaleTop = 0;
        scaleBottom = -100;
        return 1;
    }
    CSAMeasSetup sa_;
};

void BM_SweepIntakeAndCommit(benchmark::State& state) {
    BenchScreen screen;
    // The trace: a carrier over noise. As the board's records from the
    // second sweep on, each block holds the whole trace and the end index
    // of the points it brought.
    std::vector<float> trace(kPoints);
    for (int i = 0; i < kPoints; ++i)
        trace[static_cast<size_t>(i)] = static_cast<float>(
            -100.0 + 70.0 * std::exp(-std::pow((i - 352) / 6.0, 2)) + 2.0 * std::sin(i * 1.7));
    std::vector<std::unique_ptr<CSweepItem>> blocks;
    for (int end = kBlock;; end += kBlock) {
        end = std::min(end, kPoints);
        auto item = std::make_unique<CSweepItem>();
        item->SetData(reinterpret_cast<const uint8_t*>(trace.data()), kPoints * 4, 0, 0);
        item->SetRange(static_cast<uint32_t>(end), kPoints, 0, 0);
        blocks.push_back(std::move(item));
        if (end == kPoints) break;
    }
    for (auto _ : state)
        for (auto& b : blocks) screen.ProcessSweepBlock(b.get());
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_SweepIntakeAndCommit)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

}  // namespace

// A 705- and an 11,265-point sweep through a measurement screen's intake and
// commit (trace mode, peaks, column levels, display copy) in 64-point
// blocks, beside the same sweep taken in as one block.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "instrument/device_item.h"
#include "screens/tests/intake_screen.h"

namespace {

constexpr int kBlock = 64;

// A sweep of `points` (state.range(0)) through the intake and commit, in
// blocks of `block` points: as the spectrum analyzer's records, each block
// holds the sweep's points up to its end index, which is also its count.
// The trace: a carrier over noise.
void SweepIntake(benchmark::State& state, int block) {
    const int points = static_cast<int>(state.range(0));
    IntakeScreen screen(points);
    screen.sa_.SetPeakHoldMode(1);
    screen.Retake();
    std::vector<float> trace(static_cast<size_t>(points));
    for (int i = 0; i < points; ++i)
        trace[static_cast<size_t>(i)] =
            static_cast<float>(-100.0 + 70.0 * std::exp(-std::pow((i - points / 2) / 6.0, 2)) +
                               2.0 * std::sin(i * 1.7));
    std::vector<std::unique_ptr<CSweepItem>> blocks;
    for (int end = block;; end += block) {
        end = std::min(end, points);
        auto item = std::make_unique<CSweepItem>();
        item->SetData(reinterpret_cast<const uint8_t*>(trace.data()),
                      static_cast<uint32_t>(points) * 4, 0, 0);
        item->SetRange(static_cast<uint32_t>(end), static_cast<uint32_t>(end), 0, 0);
        blocks.push_back(std::move(item));
        if (end == points) break;
    }
    for (auto _ : state)
        for (auto& b : blocks) screen.ProcessSweepBlock(b.get());
    state.SetItemsProcessed(state.iterations() * points);
}

// The sweep in 64-point blocks, beside the same sweep as one block.
void BM_SweepIntakeInBlocks(benchmark::State& state) {
    SweepIntake(state, kBlock);
}
void BM_SweepIntakeInOneBlock(benchmark::State& state) {
    SweepIntake(state, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_SweepIntakeInBlocks)
    ->Arg(705)
    ->Arg(11265)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_SweepIntakeInOneBlock)
    ->Arg(705)
    ->Arg(11265)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

}  // namespace

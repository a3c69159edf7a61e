// The network analyzer screen: a 64-point block of a match sweep from its
// hand-over to the screen until its trace is drawn on the screen.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/vna_bench_screen.h"
#include "instrument/device_item.h"

namespace {

constexpr int kBlockPoints = 64;
constexpr int kSweepPoints = 705;

// A block as the measurement hands it over: reply code 1, its next index,
// two values a point (the level, then the phase) from the sweep's first
// point on.
void FillBlock(CVnaSweepItem& item, int next, const std::vector<uint8_t>& sweep) {
    item.SetId(1);
    item.SetData(sweep.data(), static_cast<uint32_t>(8 + 8 * next), 8, 0);
    item.SetRange(static_cast<uint32_t>(next), static_cast<uint32_t>(2 * next), 500000000u,
                  1500000000u);
}

void BM_BlockToDrawnTrace(benchmark::State& state) {
    bench_view::VnaBenchScreen bench("VnaBench", vna::kMatch);
    CVnaMode& screen = bench.screen();
    bench.setup()->SetDataPoints(kSweepPoints);
    screen.ReloadSweepSettings();
    // Eleven blocks make a sweep: a 20 dB match with one dip.
    std::vector<uint8_t> sweep(8 + 8 * kSweepPoints);
    for (int i = 0; i < kSweepPoints; ++i) {
        const float pair[2] = {i == 300 ? -45.0f : -20.0f, 0.0f};
        std::memcpy(sweep.data() + 8 + 8 * i, pair, sizeof pair);
    }
    const size_t blocks = (kSweepPoints + kBlockPoints - 1) / kBlockPoints;
    CVnaSweepItem item;
    size_t b = 0;
    const auto next_block = [&] {
        const int next = std::min(static_cast<int>(b + 1) * kBlockPoints, kSweepPoints);
        FillBlock(item, next, sweep);
        screen.ProcessNewData(&item, 1);
        screen.OnDisplayRefresh();
        b = (b + 1) % blocks;
    };
    for (auto _ : state) next_block();
    // The sweep run to its end stands on the screen whole.
    while (b != 0) next_block();
    if (static_cast<int>(screen.GetShownTrace().size()) != kSweepPoints)
        state.SkipWithError(
            ("the blocks made " + std::to_string(screen.GetShownTrace().size()) + " points")
                .c_str());
}
BENCHMARK(BM_BlockToDrawnTrace)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

}  // namespace

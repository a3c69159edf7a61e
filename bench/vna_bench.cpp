// The network analyzer screen: a 64-point block of a match sweep from its
// hand-over to the screen until its trace is drawn on the screen.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_view.h"
#include "files/vna_meas_setup.h"
#include "instrument/device_item.h"
#include "screens/screen_services.h"
#include "screens/specan/tests/screen_services_stub.h"
#include "screens/vna/vna_mode.h"
#include "widgets/color_scheme.h"
#include "widgets/graph_panel.h"

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
    bench_view::ScreenView view("VnaBench");
    auto scheme = CreateColorScheme(1);
    {
        CGraphPanel panel(1, 0);
        panel.Create(&view, 0, 30, 705, 455, 18, 90, scheme.get());
        StubScreenServices services(&panel);
        IScreenServices::set_current(&services);
        {
            CVnaMode screen(nullptr);
            screen.OnCreate(nullptr, nullptr, 0, scheme.get());
            screen.SetCurrentMeasurement(screen.MeasurementOfType(vna::kMatch),
                                         screen.GetVnaSetup());
            screen.GetVnaSetup()->SetDataPoints(kSweepPoints);
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
        IScreenServices::set_current(nullptr);
    }
}
BENCHMARK(BM_BlockToDrawnTrace)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

}  // namespace

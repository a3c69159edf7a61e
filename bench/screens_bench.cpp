// One marker step by an arrow key on a measurement screen: the key, the
// graph carrying out the move (trace stripe, flag and marker table) and the
// active marker's readout field.
#include <benchmark/benchmark.h>

#include "bench/bench_view.h"
#include "core/keys.h"
#include "screens/tests/marker_scene.h"
#include "widgets/color_scheme.h"

namespace {

void BM_MarkerStepByArrow(benchmark::State& state) {
    bench_view::ScreenView view("ScreensBench");
    auto scheme = CreateColorScheme(1);
    {
        marker_scene::Scene scene(view, scheme.get());
        scene.screen->MarkerToPeak();
        scene.panel->DrawTrace();
        uint32_t key = VK_RIGHT;
        for (auto _ : state) {
            key = key == VK_RIGHT ? VK_LEFT : VK_RIGHT;  // stays near the carrier
            scene.screen->OnKeyEvent(key, 1);
            scene.screen->OnKeyEvent(key, 0);
            scene.panel->DrawTrace();
            scene.screen->RefreshActiveMarker();
        }
    }
}
BENCHMARK(BM_MarkerStepByArrow)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

}  // namespace

// One marker step by an arrow key on a measurement screen: the key, the
// graph carrying out the move (trace stripe, flag and marker table) and the
// active marker's readout field.
#include <benchmark/benchmark.h>

#include "core/keys.h"
#include "platform/window/message_loop.h"
#include "platform/window/window.h"
#include "screens/tests/marker_scene.h"
#include "widgets/color_scheme.h"

namespace {

class View : public plat::Window {};

void Drain() {
    plat::Message m;
    while (plat::peek_ui_message(m, true)) plat::dispatch_message(m);
}

void BM_MarkerStepByArrow(benchmark::State& state) {
    plat::register_window_class({"ScreensBench", 0, std::nullopt});
    plat::CreateParams p;
    p.class_name = "ScreensBench";
    p.style = plat::WS_VISIBLE;
    p.rect = {0, 0, plat::kScreenWidth, plat::kScreenHeight};
    View view;
    view.create(p);
    Drain();
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
    view.destroy();
    Drain();
}
BENCHMARK(BM_MarkerStepByArrow)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

}  // namespace

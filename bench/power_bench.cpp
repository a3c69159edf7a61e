// One sensor reading on the power meter screen: handed to the screen's
// update until the readout is painted on the window's surface, beside a
// reading within the 0.1 % threshold that the update does not redraw.
#include <benchmark/benchmark.h>

#include "bench/bench_view.h"
#include "platform/framework/wnd.h"
#include "screens/power/power_meter_mode.h"
#include "widgets/color_scheme.h"

namespace {

constexpr int kK640 = 18;

// The screen on a visible full-screen view with a K640 attached.
struct PowerScene {
    PowerScene() : scheme(CreateColorScheme(1)), screen(nullptr, nullptr) {
        plat::register_window_class({"PowerBench", 0, std::nullopt});
        view.Create("PowerBench", u"", plat::WS_VISIBLE,
                    {0, 0, plat::kScreenWidth, plat::kScreenHeight}, nullptr, 0);
        bench_view::Drain();
        screen.OnCreate(&view, nullptr, 0, scheme.get());
        screen.AttachSensor(kK640);
        bench_view::Drain();
    }
    ~PowerScene() {
        screen.OnClose();
        view.DestroyWindow();
        bench_view::Drain();
    }
    plat::CWnd view;
    std::unique_ptr<CColorScheme> scheme;
    CPowerMeterMode screen;
};

PowerReading Reading(float watts) {
    PowerReading r{};
    r[3] = watts;
    r[4] = watts * 0.01f;
    r[6] = 10000.0f;
    r[8] = 1.5f;
    r[9] = 100.0f;
    return r;
}

// Every reading 1 % from the last: each one is drawn.
void BM_PowerReadingDrawn(benchmark::State& state) {
    {
        PowerScene scene;
        bool up = false;
        for (auto _ : state) {
            up = !up;
            scene.screen.UpdateMeasurement(Reading(up ? 0.0101f : 0.0100f));
        }
    }
}
BENCHMARK(BM_PowerReadingDrawn)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

// Readings within 0.1 % of the shown one: the update skips the drawing.
void BM_PowerReadingSkipped(benchmark::State& state) {
    {
        PowerScene scene;
        scene.screen.UpdateMeasurement(Reading(0.0100f));
        bool up = false;
        for (auto _ : state) {
            up = !up;
            scene.screen.UpdateMeasurement(Reading(up ? 0.010005f : 0.0100f));
        }
    }
}
BENCHMARK(BM_PowerReadingSkipped)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

}  // namespace

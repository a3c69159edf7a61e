// The spectrum analyzer's measurement functions on the screen: a result of
// occupied bandwidth, channel power or adjacent power from its hand-over to
// the screen until the result row is drawn; and a whole 705-point sweep
// through the intake with the field strength's antenna factors beside the
// same sweep of the general spectrum.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "bench/bench_view.h"
#include "files/lists/antenna.h"
#include "files/sa_meas_setup.h"
#include "instrument/device_item.h"
#include "platform/framework/wnd.h"
#include "screens/screen_services.h"
#include "screens/specan/specan_mode.h"
#include "screens/specan/tests/screen_services_stub.h"
#include "widgets/color_scheme.h"
#include "widgets/graph_panel.h"

namespace {

constexpr int kSweepPoints = 705;
constexpr int32_t kGeneral = 20, kOccupied = 21, kChannel = 22, kAdjacent = 23, kField = 29;

// The screen on its graph panel, 705 points, with measurement `id` as the
// setup's; one sweep taken in so that results are live.
struct FunctionScene {
    explicit FunctionScene(int32_t id) : scheme(CreateColorScheme(1)), panel(1, 0) {
        // A visible full-screen view: the rows are painted on its surface.
        plat::register_window_class({"SpecAnFunctionsBench", 0, std::nullopt});
        view.Create("SpecAnFunctionsBench", u"", plat::WS_VISIBLE,
                    {0, 0, plat::kScreenWidth, plat::kScreenHeight}, nullptr, 0);
        bench_view::Drain();
        panel.Create(&view, 0, 30, 705, 455, 18, 90, scheme.get());
        services = std::make_unique<StubScreenServices>(&panel);
        IScreenServices::set_current(services.get());
        screen = std::make_unique<CSpecAnMode>(nullptr);
        screen->OnCreate(&view, nullptr, 0, scheme.get());
        CSAMeasSetup* setup = screen->GetSASetup();
        setup->SetDataPoints(kSweepPoints);
        setup->SetMeasurementId(id);
        if (id == kField) {
            setup->SetAntenna(&antenna);
            screen->BuildAntennaFactors();
        }
        screen->ReloadSweepSettings();
        sweep.resize(8 + 4 * kSweepPoints);
        for (int i = 0; i < kSweepPoints; ++i) {
            const float level = i == 352 ? -30.0f : -90.0f;
            std::memcpy(sweep.data() + 8 + 4 * i, &level, 4);
        }
        TakeSweep();
    }
    ~FunctionScene() {
        screen->OnClose();
        screen.reset();
        IScreenServices::set_current(nullptr);
        view.DestroyWindow();
        bench_view::Drain();
    }
    // The whole sweep as one block, through the intake to the drawn trace.
    void TakeSweep() {
        item.SetData(sweep.data(), static_cast<uint32_t>(8 + 4 * kSweepPoints), 8, 0);
        item.SetRange(kSweepPoints, kSweepPoints, 0, 3600000000u);
        screen->ProcessNewData(&item, 1);
        screen->OnDisplayRefresh();
    }

    plat::CWnd view;
    std::unique_ptr<CColorScheme> scheme;
    CGraphPanel panel;
    std::unique_ptr<StubScreenServices> services;
    std::unique_ptr<CSpecAnMode> screen;
    CAntenna antenna{u"Yagi", 1, 800000000, 900000000, 600};
    std::vector<uint8_t> sweep;
    CSweepItem item;
};

template <class Item>
void ResultToRow(benchmark::State& state, int32_t id) {
    FunctionScene scene(id);
    Item result;
    for (auto _ : state) {
        scene.screen->ProcessNewData(&result, 1);
        scene.screen->OnDisplayRefresh();
    }
}

void BM_OccupiedBandwidthResultToRow(benchmark::State& state) {
    ResultToRow<COccupiedBwItem>(state, kOccupied);
}
void BM_ChannelPowerResultToRow(benchmark::State& state) {
    ResultToRow<CChannelPowerItem>(state, kChannel);
}
void BM_AdjacentPowerResultToRow(benchmark::State& state) {
    ResultToRow<CAcprItem>(state, kAdjacent);
}
BENCHMARK(BM_OccupiedBandwidthResultToRow)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();
BENCHMARK(BM_ChannelPowerResultToRow)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();
BENCHMARK(BM_AdjacentPowerResultToRow)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

void SweepThroughTheIntake(benchmark::State& state, int32_t id) {
    FunctionScene scene(id);
    for (auto _ : state) scene.TakeSweep();
}
void BM_GeneralSweepThroughTheIntake(benchmark::State& state) {
    SweepThroughTheIntake(state, kGeneral);
}
void BM_FieldStrengthSweepThroughTheIntake(benchmark::State& state) {
    SweepThroughTheIntake(state, kField);
}
BENCHMARK(BM_GeneralSweepThroughTheIntake)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();
BENCHMARK(BM_FieldStrengthSweepThroughTheIntake)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

}  // namespace

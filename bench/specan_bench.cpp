// The spectrum analyzer screen: a 64-point sweep block from its hand-over to
// the screen until its trace is drawn on the screen, as one segment and, with
// an upper limit line, in segments of 60 points with the graph's 5 ms pause
// between two (the CPU time column leaves the pauses out); and the program
// started headless until its first spectrum is drawn.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/tests/specan_screen.h"
#include "bench/bench_view.h"
#include "files/sa_meas_setup.h"
#include "instrument/device_item.h"
#include "screens/screen_services.h"
#include "screens/specan/specan_mode.h"
#include "screens/specan/tests/screen_services_stub.h"
#include "widgets/color_scheme.h"
#include "widgets/graph_panel.h"

namespace {

namespace fs = std::filesystem;

constexpr int kBlockPoints = 64;
constexpr int kSweepPoints = 705;

// A sweep block as the measurement hands it over: its next index and count,
// then one float a point of the sweep from its first point on.
void FillBlock(CSweepItem& item, int next, const std::vector<uint8_t>& sweep) {
    item.SetData(sweep.data(), static_cast<uint32_t>(8 + 4 * next), 8, 0);
    item.SetRange(static_cast<uint32_t>(next), static_cast<uint32_t>(next), 0, 3600000000u);
}

void BlockToDrawnTrace(benchmark::State& state, bool limit_line) {
    bench_view::ScreenView view("SpecAnBench");
    auto scheme = CreateColorScheme(1);
    {
        CGraphPanel panel(1, 0);
        panel.Create(&view, 0, 30, 705, 455, 18, 90, scheme.get());
        StubScreenServices services(&panel);
        IScreenServices::set_current(&services);
        {
            CSpecAnMode screen(nullptr);
            screen.OnCreate(nullptr, nullptr, 0, scheme.get());
            screen.GetSASetup()->SetDataPoints(kSweepPoints);
            // An upper limit line: the trace is drawn in segments of 60
            // points, with the graph's pause between two.
            screen.GetSASetup()->SetUpperLimitValue(0.0);
            screen.GetSASetup()->SetUpperLimitState(limit_line);
            screen.ReloadSweepSettings();
            // Twelve blocks make a sweep: a noise floor with one carrier.
            std::vector<uint8_t> sweep(8 + 4 * kSweepPoints);
            for (int i = 0; i < kSweepPoints; ++i) {
                const float level = i == 184 ? -30.0f : -90.0f;
                std::memcpy(sweep.data() + 8 + 4 * i, &level, 4);
            }
            const size_t blocks = (kSweepPoints + kBlockPoints - 1) / kBlockPoints;
            CSweepItem item;
            size_t b = 0;
            for (auto _ : state) {
                const int next = std::min(static_cast<int>(b + 1) * kBlockPoints, kSweepPoints);
                FillBlock(item, next, sweep);
                screen.ProcessNewData(&item, 1);
                screen.OnDisplayRefresh();
                b = (b + 1) % blocks;
            }
        }
        IScreenServices::set_current(nullptr);
    }
}

void BM_BlockToDrawnTrace(benchmark::State& state) {
    BlockToDrawnTrace(state, false);
}
void BM_BlockToDrawnTraceInSegments(benchmark::State& state) {
    BlockToDrawnTrace(state, true);
}
BENCHMARK(BM_BlockToDrawnTrace)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();
BENCHMARK(BM_BlockToDrawnTraceInSegments)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

// Start of the program (headless, real clock) until a screenshot shows the
// scene's carrier: the program writes a screenshot every 20 ms; the time is
// that of the first one that shows it.
void BM_StartToFirstSpectrum(benchmark::State& state) {
    using namespace specan_screen;
    const fs::path root = fs::temp_directory_path() / ("specan-bench-" + std::to_string(getpid()));
    fs::create_directories(root);
    Shell(Quote(CELVANE_MAKE_DEVICE_ROOT) + " " + Quote(CELVANE_BIN_DIR) + " " + Quote(root) +
          " >/dev/null 2>&1");
    std::ofstream(root / "scene.json") << R"({"receiver": {"noise_variation": false}})";
    std::ofstream(root / "FlashFX Disk" / "System" / "mode.txt") << "2";
    constexpr int kShots = 150;
    std::string script;
    for (int i = 1; i <= kShots; ++i)
        script += "wait 20\nshot " + (root / ("s" + std::to_string(i) + ".png")).string() + "\n";
    std::ofstream(root / "script.txt") << script << "quit\n";
    const Rgb trace = TraceColour();
    const int x = Column(kCarrierHz, 0, 3.6e9), y = Row(kCarrierDbm, 20.0, 10.0);
    for (auto _ : state) {
        for (int i = 1; i <= kShots; ++i) fs::remove(root / ("s" + std::to_string(i) + ".png"));
        const auto start = fs::file_time_type::clock::now();
        Shell(Quote(fs::path(CELVANE_BIN_DIR) / "celvane") + " --root " + Quote(root) +
              " --display headless --clock real --script " + Quote(root / "script.txt") +
              " >/dev/null 2>&1");
        double seconds = -1;
        for (int i = 1; i <= kShots && seconds < 0; ++i) {
            const fs::path png = root / ("s" + std::to_string(i) + ".png");
            if (TopOfTraceAt(ReadPng(png), trace, x, y))
                seconds = std::chrono::duration<double>(fs::last_write_time(png) - start).count();
        }
        if (seconds < 0) {
            state.SkipWithError("no screenshot showed the spectrum");
            break;
        }
        state.SetIterationTime(seconds);
    }
    fs::remove_all(root);
}
BENCHMARK(BM_StartToFirstSpectrum)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

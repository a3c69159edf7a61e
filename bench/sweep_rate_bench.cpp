// The default spectrum analyzer screen in the running program on the real
// clock: how many sweeps it completes a second beside the simulated board's
// own rate (one sweep of the default span every 20 ms), and the process's
// CPU time per sweep.
#include <benchmark/benchmark.h>
#include <time.h>

#include <chrono>
#include <thread>

#include "app/tests/product_run.h"

namespace {

// A scene without noise variation, so that every run measures alike.
constexpr const char* kScene = R"({"receiver": {"noise_variation": false}})";
constexpr double kBoardSweepsPerSecond = 1000.0 / 20.0;

double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void BM_DefaultSpectrumSweepRate(benchmark::State& state) {
    product_test::ProductRun run("sweep-rate-bench", kScene);
    if (!run.ImageOk() || !run.Start()) {
        state.SkipWithError("the program did not start sweeping");
        return;
    }
    auto completed = [&] {
        int n = 0;
        run.OnUi([&] { n = run.Spectrum()->GetCompletedSweeps(); });
        return n;
    };
    int sweeps = 0;
    double cpu = 0, seconds = 0;
    for (auto _ : state) {
        const int before = completed();
        const double cpu_before = ProcessCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(3));
        sweeps += completed() - before;
        cpu += ProcessCpuSeconds() - cpu_before;
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    state.counters["sweeps_per_s"] = sweeps / seconds;
    state.counters["board_sweeps_per_s"] = kBoardSweepsPerSecond;
    state.counters["share_of_board_rate"] = sweeps / seconds / kBoardSweepsPerSecond;
    state.counters["cpu_ms_per_sweep"] = sweeps ? 1000.0 * cpu / sweeps : 0.0;
}
BENCHMARK(BM_DefaultSpectrumSweepRate)->Unit(benchmark::kSecond)->Iterations(2);

}  // namespace

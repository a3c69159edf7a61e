// Throughput of the simulated acquisition board through the USB host: whole
// 705-point sweeps read the way the driver reads them.

#include <benchmark/benchmark.h>

#include "drivers/dsp/dsp_protocol.h"
#include "sim/spectrum_model.h"
#include "sim/tools/board_host.h"

namespace {

sim::Bytes sweep_record() {
    sim::Bytes r(40, 0);
    sim::put_le<std::uint64_t>(r, 0, 940000000);
    sim::put_le<std::uint64_t>(r, 8, 20000000);
    sim::put_le<std::uint16_t>(r, 18, 3);
    sim::put_le<std::uint16_t>(r, 20, 3);
    sim::put_le<std::uint16_t>(r, 22, 705);
    return r;
}

void BM_BoardSweeps(benchmark::State& state) {
    sim::Scene scene = sim::default_scene();
    scene.time_scale = 0;
    scene.receiver.noise_variation = state.range(0) != 0;
    sim::BoardHost host(std::make_shared<sim::AcquisitionBoard>(scene));
    host.send(dsp::msg::kSweep, sweep_record());
    for (auto _ : state) benchmark::DoNotOptimize(host.collect(dsp::msg::kSweep, 705, 4));
    host.stop();
    state.SetItemsProcessed(state.iterations());
}
// The work runs on the board's thread: items per second of real time.
BENCHMARK(BM_BoardSweeps)->Arg(0)->Arg(1)->UseRealTime();

// One distance-to-fault round at the board's point counts; the board's real
// sweep of that size takes 0.3 ms a point (goal: well inside it).
void BM_DistanceToFault(benchmark::State& state) {
    const int points = static_cast<int>(state.range(0));
    sim::NetworkModel m(sim::default_scene());
    const auto f = sim::sweep_frequencies(500e6, 1500e6, points);
    std::vector<sim::Complex> s11;
    for (double v : f) s11.push_back(m.dut_s11(v));
    sim::DtfSettings d;
    d.points = points;
    d.window = 2;
    for (auto _ : state) benchmark::DoNotOptimize(sim::NetworkModel::distance_to_fault(f, s11, d));
    state.counters["sweep_ms"] = 0.3 * points;
}
BENCHMARK(BM_DistanceToFault)->Arg(705)->Arg(11265)->Unit(benchmark::kMillisecond);

// One spectrum round with the receiver's noise at the board's point counts,
// the detector and the span changing each time (no cached signal grid), set
// beside the shortest sweep the board makes.
void BM_SpectrumRound(benchmark::State& state) {
    sim::Scene scene = sim::default_scene();
    sim::SpectrumModel m(scene);
    sim::SpectrumSettings s;
    s.points = static_cast<int>(state.range(0));
    s.span_hz = 3e9;
    s.centre_hz = 1.6e9;
    s.rbw_hz = 1e6;
    for (auto _ : state) {
        s.span_hz += 1;
        benchmark::DoNotOptimize(m.sweep(s));
    }
    state.counters["sweep_ms"] = m.sweep_time_s(s) * 1000;
}
BENCHMARK(BM_SpectrumRound)->Arg(705)->Arg(11265)->Unit(benchmark::kMillisecond);

}  // namespace

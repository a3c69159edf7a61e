// Limit masks: the projection of "IBOC AM" (21 points) onto a 705- and an
// 11,265-point sweep, and a 705-point sweep's intake with masks on both
// limits beside the same intake with the limits off.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "instrument/device_item.h"
#include "screens/limit_mask.h"
#include "screens/tests/intake_screen.h"

namespace {

constexpr uint64_t kCentre = 1000000000, kSpan = 200000;
constexpr int kBlock = 64;

void BM_ProjectIbocAm(benchmark::State& state) {
    const int points = static_cast<int>(state.range(0));
    EmissionMask mask = limit_mask::BuiltInUpperMasks().front();
    for (auto _ : state) {
        std::vector<double> limit =
            limit_mask::Project(mask, -10.0, kCentre, kCentre - kSpan / 2, kSpan, points);
        benchmark::DoNotOptimize(limit.data());
    }
}
BENCHMARK(BM_ProjectIbocAm)
    ->Arg(705)
    ->Arg(11265)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

// The intake screen with both limits on, each a mask shape.
class MaskedScreen : public IntakeScreen {
  public:
    explicit MaskedScreen(int points) : IntakeScreen(points) {}
    void Shape(bool upper, std::vector<double> limit) { SetLimitShape(upper, std::move(limit)); }
};

// Arg 0: limits off; 1: "IBOC AM" as the upper and "DTV Lower" as the
// lower limit, both on.
void BM_IntakeWithMasks(benchmark::State& state) {
    constexpr int kPoints = 705;
    MaskedScreen screen(kPoints);
    if (state.range(0) != 0) {
        screen.sa_.SetUpperLimitState(true);
        screen.sa_.SetLowerLimitState(true);
        EmissionMask upper = limit_mask::BuiltInUpperMasks().front();
        EmissionMask lower = limit_mask::BuiltInLowerMasks().front();
        screen.Shape(
            true, limit_mask::Project(upper, -30.0, kCentre, kCentre - kSpan / 2, kSpan, kPoints));
        screen.Shape(
            false, limit_mask::Project(lower, -90.0, kCentre, kCentre - kSpan / 2, kSpan, kPoints));
    }
    screen.Retake();
    std::vector<float> trace(kPoints);
    for (int i = 0; i < kPoints; ++i)
        trace[static_cast<size_t>(i)] =
            static_cast<float>(-100.0 + 70.0 * std::exp(-std::pow((i - kPoints / 2) / 6.0, 2)) +
                               2.0 * std::sin(i * 1.7));
    for (auto _ : state)
        for (int end = kBlock;; end += kBlock) {
            end = std::min(end, kPoints);
            screen.Feed(trace, end);
            if (end == kPoints) break;
        }
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_IntakeWithMasks)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

}  // namespace

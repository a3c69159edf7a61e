// Texts by id are fetched for every label a screen draws; value texts for
// every readout. These measure one call of each.
#include <benchmark/benchmark.h>

#include "core/res_string.h"
#include "core/units.h"

static void BM_LoadResStringOwnTable(benchmark::State& state) {
    uint32_t id = 61204;
    for (auto _ : state) benchmark::DoNotOptimize(LoadResString(id));
}
BENCHMARK(BM_LoadResStringOwnTable);

static void BM_FormatLevelDbm(benchmark::State& state) {
    double v = -12.34;
    for (auto _ : state)
        benchmark::DoNotOptimize(FormatLevel(v, UNIT_DBM, true, false, true, true));
}
BENCHMARK(BM_FormatLevelDbm);

static void BM_FormatValueMHz(benchmark::State& state) {
    uint64_t f = 1234567890;
    for (auto _ : state) benchmark::DoNotOptimize(FormatValue(f, 0, false, true, false, 0));
}
BENCHMARK(BM_FormatValueMHz);

// Costs of the settings store on the paths the program takes: the start-up
// load of a complete store and the save after a changed setting.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "core/settings/system_settings.h"
#include "platform/kernel/device_root.h"

namespace {

namespace fs = std::filesystem;

struct BenchRoot {
    fs::path path = fs::temp_directory_path() / ("settings-bench-" + std::to_string(::getpid()));
    BenchRoot() {
        fs::create_directories(path / "FlashFX Disk" / "System");
        plat::set_device_root(path);
        CSystemSettings first;
        first.Initialize();
    }
    ~BenchRoot() { fs::remove_all(path); }
};

void BM_SettingsLoad(benchmark::State& state) {
    BenchRoot root;
    for (auto _ : state) {
        CSystemSettings settings;
        benchmark::DoNotOptimize(settings.Load());
    }
}
BENCHMARK(BM_SettingsLoad);

void BM_SettingsSave(benchmark::State& state) {
    BenchRoot root;
    CSystemSettings settings;
    settings.Load();
    for (auto _ : state) {
        ++settings.Contrast;
        benchmark::DoNotOptimize(settings.Save(false));
    }
}
BENCHMARK(BM_SettingsSave)->Unit(benchmark::kMillisecond);

}  // namespace

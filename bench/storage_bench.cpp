// Costs of the storage services that the program calls often: path mapping,
// registry reads and writes, and atomic saves.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/fs/atomic_save.h"
#include "platform/fs/device_path.h"
#include "platform/kernel/device_root.h"
#include "platform/registry/registry.h"

namespace {

namespace fs = std::filesystem;

struct BenchRoot {
    fs::path path = fs::temp_directory_path() / ("storage-bench-" + std::to_string(::getpid()));
    BenchRoot() {
        fs::create_directories(path / "FlashFX Disk" / "My Setups");
        plat::set_device_root(path);
    }
    ~BenchRoot() { fs::remove_all(path); }
};

void BM_HostPathCaseInsensitive(benchmark::State& state) {
    BenchRoot root;
    for (auto _ : state)
        benchmark::DoNotOptimize(plat::host_path(u"\\flashfx disk\\my setups\\a.stp"));
}
BENCHMARK(BM_HostPathCaseInsensitive);

void BM_RegistryQueryDword(benchmark::State& state) {
    BenchRoot root;
    plat::RegKey key;
    plat::hkey_current_user().create(u"Vorn Electronic\\Tarnwick", key);
    for (int i = 0; i < 40; ++i) key.set_dword(u"Value" + std::u16string(1, char16_t(u'A' + i)), i);
    for (auto _ : state) benchmark::DoNotOptimize(key.get_dword(u"ValueZ"));
}
BENCHMARK(BM_RegistryQueryDword);

void BM_RegistrySetDword(benchmark::State& state) {
    BenchRoot root;
    plat::RegKey key;
    plat::hkey_current_user().create(u"Vorn Electronic\\Tarnwick", key);
    uint32_t n = 0;
    for (auto _ : state) key.set_dword(u"Contrast", ++n);
}
BENCHMARK(BM_RegistrySetDword)->Unit(benchmark::kMicrosecond);

void BM_AtomicSave4K(benchmark::State& state) {
    BenchRoot root;
    std::string data(4096, 'x');
    for (auto _ : state) plat::atomic_save(u"\\FlashFX Disk\\My Setups\\a.stp", data);
}
BENCHMARK(BM_AtomicSave4K)->Unit(benchmark::kMicrosecond);

}  // namespace

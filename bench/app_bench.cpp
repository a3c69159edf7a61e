// The main program's start-up and shutdown on a device root that already
// holds its settings (headless, virtual clock: the waits of the shutdown
// cost no real time).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/celvane_app.h"

namespace {

namespace fs = std::filesystem;

struct BenchRoot {
    fs::path path = fs::temp_directory_path() / ("app-bench-" + std::to_string(::getpid()));
    fs::path script = path / "script.txt";
    BenchRoot() { fs::create_directories(path / "FlashFX Disk" / "System"); }
    ~BenchRoot() { fs::remove_all(path); }
    int Run(CCelvaneApp& app, const std::string& text) const {
        std::ofstream(script) << text;
        const std::string s = script.string(), r = path.string();
        const char* argv[] = {"celvane", "--display", "headless", "--script",
                              s.c_str(), "--root",    r.c_str()};
        return plat::app_main(app, 7, argv);
    }
};

void BM_StartAndShutDown(benchmark::State& state) {
    BenchRoot root;
    for (auto _ : state) {
        CCelvaneApp app;
        benchmark::DoNotOptimize(root.Run(app, "quit\n"));
    }
}
BENCHMARK(BM_StartAndShutDown)->Unit(benchmark::kMillisecond);

}  // namespace

// Trace files of the spectrum analyzer screen on a device root of its own:
// the scan of a folder of 1,000 spectrum traces into the screen's trace
// list, beside a plain read of the same files' bytes (its time and the
// ratio are counters of the scan), and a quick save from the file menu's key
// until the file is written and closed.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/bench_view.h"
#include "files/sa_meas_setup.h"
#include "instrument/device_item.h"
#include "platform/kernel/device_root.h"
#include "screens/screen_services.h"
#include "screens/specan/specan_mode.h"
#include "screens/specan/tests/screen_services_stub.h"
#include "widgets/color_scheme.h"
#include "widgets/graph_panel.h"

namespace {

namespace fs = std::filesystem;

constexpr int kBlockPoints = 64;
constexpr int kSweepPoints = 705;
constexpr int kTraces = 1000;

// A spectrum screen on a fresh device root, with a graph to draw on.
class TraceBench {
  public:
    TraceBench()
        : root_(fs::temp_directory_path() / ("trace-bench-" + std::to_string(::getpid()))),
          view_("TraceFilesBench"),
          scheme_(CreateColorScheme(1)) {
        fs::remove_all(root_);
        fs::create_directories(Traces());
        fs::create_directories(root_ / "FlashFX Disk" / "System");
        plat::set_device_root(root_);
        panel_.Create(&view_, 0, 30, 705, 455, 18, 90, scheme_.get());
        IScreenServices::set_current(&services_);
        screen_.OnCreate(nullptr, nullptr, 0, scheme_.get());
        screen_.GetSASetup()->SetDataPoints(kSweepPoints);
        screen_.ReloadSweepSettings();
    }
    ~TraceBench() {
        IScreenServices::set_current(nullptr);
        fs::remove_all(root_);
    }
    TraceBench(const TraceBench&) = delete;
    TraceBench& operator=(const TraceBench&) = delete;

    CSpecAnMode& screen() { return screen_; }
    fs::path Traces() const { return root_ / "FlashFX Disk" / "My Traces"; }
    std::vector<fs::path> Files() const {
        std::vector<fs::path> out;
        for (const auto& e : fs::directory_iterator(Traces())) out.push_back(e.path());
        return out;
    }

    // One whole sweep, block by block as the measurement hands it over: a
    // noise floor with one carrier.
    void FeedSweep() {
        std::vector<uint8_t> sweep(8 + 4 * kSweepPoints);
        for (int i = 0; i < kSweepPoints; ++i) {
            const float level = i == 184 ? -30.0f : -90.0f;
            std::memcpy(sweep.data() + 8 + 4 * i, &level, 4);
        }
        CSweepItem item;
        for (int next = kBlockPoints;; next += kBlockPoints) {
            next = std::min(next, kSweepPoints);
            item.SetData(sweep.data(), static_cast<uint32_t>(8 + 4 * next), 8, 0);
            item.SetRange(static_cast<uint32_t>(next), static_cast<uint32_t>(next), 0, 3600000000u);
            screen_.ProcessNewData(&item, 1);
            screen_.OnDisplayRefresh();
            if (next == kSweepPoints) break;
        }
        bench_view::Drain();
    }

  private:
    fs::path root_;
    bench_view::ScreenView view_;
    std::unique_ptr<CColorScheme> scheme_;
    CGraphPanel panel_{1, 0};
    StubScreenServices services_{&panel_};
    CSpecAnMode screen_{nullptr};
};

std::string Bytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void BM_ScanOfTracesBesidePlainRead(benchmark::State& state) {
    TraceBench bench;
    bench.FeedSweep();
    if (!bench.screen().QuickSaveTrace() || bench.Files().size() != 1) {
        state.SkipWithError("no trace was saved");
        return;
    }
    const fs::path first = bench.Files()[0];
    for (int i = 0; i < kTraces; ++i)
        fs::copy_file(first, bench.Traces() / ("sa" + std::to_string(1000 + i) + ".twf"));
    fs::remove(first);

    double plain_seconds = 0, scan_seconds = 0;
    int64_t iterations = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        bench.screen().ReloadTraceList();
        scan_seconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.PauseTiming();
        int listed = 0;
        for (ISetupEntry* e = bench.screen().GetFirstFileEntry(); e; e = e->GetNextEntry())
            ++listed;
        if (listed != kTraces) {
            state.SkipWithError("the scan did not list every trace");
            break;
        }
        const auto plain_start = std::chrono::steady_clock::now();
        size_t bytes = 0;
        for (const fs::path& p : bench.Files()) bytes += Bytes(p).size();
        benchmark::DoNotOptimize(bytes);
        plain_seconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - plain_start).count();
        ++iterations;
        state.ResumeTiming();
    }
    if (iterations > 0 && plain_seconds > 0) {
        state.counters["plain_read_ms"] = plain_seconds * 1000 / static_cast<double>(iterations);
        state.counters["scan_to_plain"] = scan_seconds / plain_seconds;
    }
}
BENCHMARK(BM_ScanOfTracesBesidePlainRead)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

// Key 0 of the file menu after a whole sweep until the quick-saved file is
// closed; the file is removed between two saves.
void BM_QuickSaveKeyToClosedFile(benchmark::State& state) {
    TraceBench bench;
    for (auto _ : state) {
        state.PauseTiming();
        bench.FeedSweep();
        state.ResumeTiming();
        bench.screen().OnTraceFileMenuKey(0);
        state.PauseTiming();
        const std::vector<fs::path> files = bench.Files();
        if (files.size() != 1) {
            state.SkipWithError("the key saved no trace");
            break;
        }
        fs::remove(files[0]);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_QuickSaveKeyToClosedFile)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

}  // namespace

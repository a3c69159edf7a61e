// The system screens in the running program (headless, virtual clock, the
// simulated unit): the mode selection's list dialog built by ShowPage until
// it is drawn, and the tools screen's menu key 1 until the system box is
// drawn. The timed loops run on the user-interface thread between the steps
// of the program's script.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "app/tests/probe_app.h"
#include "bench/bench_view.h"
#include "dialogs/mode_select_dlg.h"
#include "screens/system/mode_select_mode.h"
#include "screens/system/tools_mode.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kProbeKey = plat::VK_F1 + 20;  // F21
constexpr uint32_t kMenuKey1 = plat::VK_F1 + 12;  // F13
constexpr int kIterations = 40;

// Runs `timed` on the user-interface thread once the program shows the
// screen the script's keys lead to.
void RunInProgram(benchmark::State& state, const std::string& keys,
                  const std::function<void(ProbeApp&)>& timed) {
    const fs::path root = fs::temp_directory_path() / ("system-bench-" + std::to_string(getpid()));
    fs::create_directories(root);
    const std::string make = std::string("'") + CELVANE_MAKE_DEVICE_ROOT + "' '" + CELVANE_BIN_DIR +
                             "' '" + root.string() + "' >/dev/null 2>&1";
    if (std::system(make.c_str()) != 0) {
        state.SkipWithError("no device root");
        return;
    }
    {
        ProbeApp app;
        app.probes[kProbeKey] = [&] { timed(app); };
        const fs::path script = root / "script.txt";
        std::ofstream(script) << "wait 1500\n" << keys << "key F21\nquit\n";
        const std::string s = script.string(), r = root.string();
        const char* argv[] = {"celvane", "--display", "headless", "--script",
                              s.c_str(), "--root",    r.c_str()};
        if (plat::app_main(app, 7, argv) != 0) state.SkipWithError("the program failed");
    }
    fs::remove_all(root);
}

void BM_ModeListShowPageToDrawn(benchmark::State& state) {
    RunInProgram(state, "", [&](ProbeApp& app) {
        auto* screen = dynamic_cast<CModeSelectMode*>(app.GetCurrentMode());
        if (!screen) {
            state.SkipWithError("not on the mode selection");
            return;
        }
        // The two templates in turn, so that every ShowPage builds the
        // dialog anew.
        int id = CModeSelectDlg::kTwoLists;
        for (auto _ : state) {
            screen->ShowPage(id);
            bench_view::Drain();
            id = id == CModeSelectDlg::kTwoLists ? CModeSelectDlg::kThreeLists
                                                 : CModeSelectDlg::kTwoLists;
        }
    });
}
// Each run starts the program once: a fixed count of iterations spares the
// runs that would only find the count.
BENCHMARK(BM_ModeListShowPageToDrawn)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(kIterations)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

void BM_ToolsMenuKey1ToSystemBoxDrawn(benchmark::State& state) {
    RunInProgram(state, "key F17\nwait 300\n", [&](ProbeApp& app) {
        auto* screen = dynamic_cast<CToolsMode*>(app.GetCurrentMode());
        if (!screen) {
            state.SkipWithError("not on the tools screen");
            return;
        }
        for (auto _ : state) {
            state.PauseTiming();
            screen->ShowPage(CToolsMode::kGpsBox);
            bench_view::Drain();
            state.ResumeTiming();
            screen->OnKeyEvent(kMenuKey1, 1);
            screen->OnKeyEvent(kMenuKey1, 0);
            bench_view::Drain();
        }
    });
}
BENCHMARK(BM_ToolsMenuKey1ToSystemBoxDrawn)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(kIterations)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

}  // namespace

// The main program as a user starts it: a separate process on a warm device
// root, headless, on the virtual clock. Beside it a bare process that loads
// the same shared libraries and exits.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Runs a program with its output thrown away; its exit status. `peak_kb`
// (when given) receives the process's peak resident memory.
int RunProgram(const std::vector<std::string>& args, long* peak_kb = nullptr) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (peak_kb) *peak_kb = usage.ru_maxrss;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A device root laid out by the device image builder and run once, so that
// every timed run finds its settings and registry in place.
class WarmRoot {
  public:
    WarmRoot() {
        fs::create_directories(path_);
        RunProgram({CELVANE_MAKE_DEVICE_ROOT, CELVANE_BIN_DIR, path_.string()});
        ok_ = Celvane("quit\n") == 0;
    }
    ~WarmRoot() { fs::remove_all(path_); }
    bool ok() const { return ok_; }

    int Celvane(const std::string& script_text, long* peak_kb = nullptr) const {
        const fs::path script = path_ / "bench-script.txt";
        std::ofstream(script) << script_text;
        return RunProgram({std::string(CELVANE_BIN_DIR) + "/celvane", "--root", path_.string(),
                           "--display", "headless", "--script", script.string()},
                          peak_kb);
    }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_ = fs::temp_directory_path() / ("program-bench-" + std::to_string(::getpid()));
    bool ok_ = false;
};

WarmRoot& Root() {
    static WarmRoot root;
    return root;
}

void RunScript(benchmark::State& state, const char* script) {
    if (!Root().ok()) {
        state.SkipWithError("the main program does not start on the bench root");
        return;
    }
    for (auto _ : state) {
        if (Root().Celvane(script) != 0) state.SkipWithError("the main program failed");
    }
}

// Ten minutes of virtual time: the goal is well under a second of real time.
void BM_HeadlessWaitTenMinutesThenQuit(benchmark::State& state) {
    RunScript(state, "wait 600000\nquit\n");
}
BENCHMARK(BM_HeadlessWaitTenMinutesThenQuit)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

double Least(const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
}
double Most(const std::vector<double>& v) {
    return *std::max_element(v.begin(), v.end());
}

// Start to quit, one run a repetition, 30 repetitions: the minimum, median
// and maximum are reported beside the bare process's (goal: no run above
// ten times the bare process's median).
void BM_HeadlessStartToQuit(benchmark::State& state) {
    RunScript(state, "quit\n");
}
BENCHMARK(BM_HeadlessStartToQuit)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(30)
    ->ComputeStatistics("min", Least)
    ->ComputeStatistics("max", Most);

void BM_BareProcessWithTheSameLibraries(benchmark::State& state) {
    for (auto _ : state) RunProgram({std::string(CELVANE_BIN_DIR) + "/bench_bare_process"});
}
BENCHMARK(BM_BareProcessWithTheSameLibraries)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(30)
    ->ComputeStatistics("min", Least)
    ->ComputeStatistics("max", Most);

// Peak resident memory of five minutes of sweeping on the spectrum
// analyzer with max hold and the waterfall on (goal: under 30 MB, no higher
// than a short run), beside a bare process's.
void BM_HeadlessSweepingPeakMemory(benchmark::State& state) {
    if (!Root().ok()) {
        state.SkipWithError("the main program does not start on the bench root");
        return;
    }
    const fs::path mode = Root().path() / "FlashFX Disk" / "System" / "mode.txt";
    const bool had_mode = fs::exists(mode);
    std::string saved_mode;
    std::getline(std::ifstream(mode), saved_mode);
    std::ofstream(mode) << "2\n";
    const std::string keys = "wait 3000\nkey shift+F3\nkey F8\nkey F2\nkey F7\nkey F1\n";
    long sweeping_kb = 0, short_kb = 0, bare_kb = 0;
    for (auto _ : state) {
        if (Root().Celvane(keys + "wait 300000\nquit\n", &sweeping_kb) != 0)
            state.SkipWithError("the main program failed");
    }
    Root().Celvane(keys + "wait 5000\nquit\n", &short_kb);
    RunProgram({std::string(CELVANE_BIN_DIR) + "/bench_bare_process"}, &bare_kb);
    if (had_mode)
        std::ofstream(mode) << saved_mode << "\n";
    else
        fs::remove(mode);
    state.counters["peak_MB"] = double(sweeping_kb) / 1024;
    state.counters["short_run_peak_MB"] = double(short_kb) / 1024;
    state.counters["bare_peak_MB"] = double(bare_kb) / 1024;
}
BENCHMARK(BM_HeadlessSweepingPeakMemory)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace

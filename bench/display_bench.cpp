// The SDL window's frame present: the changed areas of the screen (a soft
// key, the graph pane, the whole screen) put into the window, beside a plain
// memcpy of the same pixels, and a full repaint of the window as it was done
// for every change before. SDL's video driver comes from SDL_VIDEODRIVER
// ("dummy" when unset: our copy alone; "x11" adds the X server's part).
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/display/sdl_present.h"
#include "platform/gfx/dc.h"

namespace {

using namespace plat;

// The changed areas measured, by index.
constexpr Rect kAreas[] = {
    {705, 30, 800, 97},  // one soft key
    {0, 30, 705, 455},   // the graph pane
    {0, 0, 800, 600},    // everything
};
const char* const kAreaNames[] = {"soft key", "graph pane", "whole screen"};

// An SDL window of the screen's size for the present benchmarks.
class BenchWindow {
  public:
    BenchWindow() {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return;
        window_ = SDL_CreateWindow("bench", 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, 0);
    }
    ~BenchWindow() {
        if (window_) SDL_DestroyWindow(window_);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    BenchWindow(const BenchWindow&) = delete;
    BenchWindow& operator=(const BenchWindow&) = delete;
    SDL_Window* get() const { return window_; }

  private:
    SDL_Window* window_ = nullptr;
};

Bitmap PatternScreen() {
    Bitmap screen = Bitmap::create(SCREEN_WIDTH, SCREEN_HEIGHT);
    Dc dc(screen);
    for (int y = 0; y < SCREEN_HEIGHT; y += 8)
        dc.fill_rect({0, y, SCREEN_WIDTH, y + 8}, RGB(y % 256, (y * 3) % 256, 90));
    return screen;
}

void SetAreaLabel(benchmark::State& state, const Rect& r) {
    state.SetLabel(kAreaNames[state.range(0)]);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * r.width() * r.height() * 4);
}

// The changed area into the window and shown.
void BM_SdlPresentChanged(benchmark::State& state) {
    BenchWindow window;
    if (!window.get()) {
        state.SkipWithError("no SDL window");
        return;
    }
    SdlScreenPresenter presenter(window.get());
    const Bitmap screen = PatternScreen();
    presenter.present(screen, {}, true);
    const Rect area = kAreas[state.range(0)];
    const Rect changed[] = {area};
    for (auto _ : state) {
        presenter.present(screen, changed, false);
        benchmark::ClobberMemory();
    }
    SetAreaLabel(state, area);
}
BENCHMARK(BM_SdlPresentChanged)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

// The whole window repainted, whatever changed.
void BM_SdlPresentWholeWindow(benchmark::State& state) {
    BenchWindow window;
    if (!window.get()) {
        state.SkipWithError("no SDL window");
        return;
    }
    SdlScreenPresenter presenter(window.get());
    const Bitmap screen = PatternScreen();
    for (auto _ : state) {
        presenter.present(screen, {}, true);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SdlPresentWholeWindow)->Unit(benchmark::kMicrosecond);

// The same pixels copied row by row with memcpy: the floor of any present.
void BM_MemcpyChanged(benchmark::State& state) {
    const Bitmap screen = PatternScreen();
    std::vector<uint32_t> out(static_cast<size_t>(SCREEN_WIDTH) * SCREEN_HEIGHT);
    const Rect area = kAreas[state.range(0)];
    for (auto _ : state) {
        for (int y = area.top; y < area.bottom; ++y)
            std::memcpy(out.data() + static_cast<size_t>(y) * SCREEN_WIDTH + area.left,
                        screen.row(y) + area.left, static_cast<size_t>(area.width()) * 4);
        benchmark::ClobberMemory();
    }
    SetAreaLabel(state, area);
}
BENCHMARK(BM_MemcpyChanged)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

}  // namespace

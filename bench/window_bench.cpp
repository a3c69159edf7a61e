// Message throughput and window drawing cost.
#include <benchmark/benchmark.h>

#include "platform/window/message_loop.h"
#include "platform/window/paint.h"
#include "platform/window/window.h"

namespace {

using namespace plat;

class Sink : public Window {
  public:
    long count = 0;
    intptr_t window_proc(uint32_t msg, uintptr_t wp, intptr_t lp) override {
        if (msg == WM_USER) ++count;
        return default_proc(msg, wp, lp);
    }
};

CreateParams params(Rect r) {
    CreateParams p;
    p.class_name = "Bench";
    p.style = WS_VISIBLE;
    p.rect = r;
    return p;
}

// One posted message taken and dispatched on the same thread.
void BM_PostGetDispatch(benchmark::State& state) {
    Sink w;
    w.create(params({0, 0, 800, 600}));
    Message m;
    while (peek_ui_message(m, true)) dispatch_message(m);
    for (auto _ : state) {
        post_message(&w, WM_USER, 0, 0);
        get_ui_message(m);
        dispatch_message(m);
    }
    benchmark::DoNotOptimize(w.count);
}
BENCHMARK(BM_PostGetDispatch);

// A full-screen fill through a window context, with and without a dialog
// above it (the covered case draws on a scratch copy).
void BM_WindowFill(benchmark::State& state) {
    Window screen, dialog;
    screen.create(params({0, 0, 800, 600}));
    if (state.range(0)) dialog.create(params({200, 150, 600, 450}));
    for (auto _ : state) {
        WindowDc dc(&screen);
        dc->fill_rect({0, 0, 800, 600}, RGB(1, 2, 3));
    }
}
BENCHMARK(BM_WindowFill)->Arg(0)->Arg(1);

}  // namespace

// Drawing speed of the graphics service on the instrument's hot paths: the
// trace redraw of the graph area, full-frame copies and short text labels.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/gfx/dc.h"

namespace {

using namespace plat;

// Clears the 705 x 425 graph area of the screen and draws a 705-point trace.
void BM_GraphTraceRedraw(benchmark::State& state) {
    Bitmap screen = Bitmap::create(SCREEN_WIDTH, SCREEN_HEIGHT);
    Dc dc(screen, Rect{60, 40, 60 + 705, 40 + 425});
    dc.select_pen(Pen::solid(1, RGB(255, 255, 0)));
    std::vector<Point> trace(705);
    for (int i = 0; i < 705; ++i)
        trace[i] = {i, 212 + static_cast<int>(180 * std::sin(i * 0.05) * std::cos(i * 0.013))};
    const Rect area{0, 0, 705, 425};
    for (auto _ : state) {
        dc.fill_rect(area, RGB(0, 0, 0));
        dc.polyline(trace);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_GraphTraceRedraw)->Unit(benchmark::kMicrosecond);

// Copies a whole 800 x 600 frame between two surfaces.
void BM_FullFrameCopy(benchmark::State& state) {
    Bitmap screen = Bitmap::create(SCREEN_WIDTH, SCREEN_HEIGHT);
    Bitmap back = Bitmap::create(SCREEN_WIDTH, SCREEN_HEIGHT, RGB(20, 40, 60));
    Dc dc(screen);
    for (auto _ : state) {
        dc.bit_blt(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, back, 0, 0);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FullFrameCopy)->Unit(benchmark::kMicrosecond);

// The waterfall's one-row shift within one image.
void BM_WaterfallShift(benchmark::State& state) {
    Bitmap image = Bitmap::create(706, 426);
    Dc dc(image);
    for (auto _ : state) {
        dc.bit_blt(0, 1, 705, 425, dc, 0, 0);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_WaterfallShift)->Unit(benchmark::kMicrosecond);

// Short labels drawn centred in readout cells, glyphs from the cache.
void BM_TextLabels(benchmark::State& state) {
    Bitmap screen = Bitmap::create(SCREEN_WIDTH, SCREEN_HEIGHT);
    Dc dc(screen);
    dc.select_font(Font::create_point(100, u"Tahoma"));
    dc.set_bk_mode(TRANSPARENT);
    const std::u16string labels[] = {u"-10.0 dBm", u"1.000 GHz", u"RBW 3 MHz", u"Mkr 1",
                                     u"Span 10 MHz"};
    int i = 0;
    for (auto _ : state) {
        Rect r{(i * 97) % 700, (i * 31) % 560, 0, 0};
        r.right = r.left + 100;
        r.bottom = r.top + 20;
        dc.draw_text(labels[i % 5], r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TextLabels);

}  // namespace

namespace {

// Making a font, as widgets do when they are created.
void BM_CreatePointFont(benchmark::State& state) {
    int i = 0;
    for (auto _ : state) {
        plat::Font f = plat::Font::create_point(90 + 10 * (i++ % 8), u"Tahoma");
        benchmark::DoNotOptimize(f);
    }
}
BENCHMARK(BM_CreatePointFont)->Unit(benchmark::kMicrosecond);

}  // namespace

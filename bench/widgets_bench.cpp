// The cost of drawing the screen chrome: a full redraw through the main
// view, and one soft-key caption change (the key's Update repaints only its
// label).
#include <benchmark/benchmark.h>

#include "platform/window/message_loop.h"
#include "platform/window/window.h"
#include "widgets/gallery/chrome.h"
#include "widgets/gallery/gallery.h"
#include "widgets/gallery/graph_scene.h"

namespace {

class View : public plat::Window {};

void Drain() {
    plat::Message m;
    while (plat::peek_ui_message(m, true)) plat::dispatch_message(m);
}

struct Screen {
    Screen() : scheme(CreateColorScheme(1)) {
        plat::register_window_class({"WidgetsBench", 0, std::nullopt});
        plat::CreateParams p;
        p.class_name = "WidgetsBench";
        p.style = plat::WS_VISIBLE;
        p.rect = {0, 0, plat::kScreenWidth, plat::kScreenHeight};
        view.create(p);
        Drain();
        chrome = std::make_unique<gallery::Chrome>(&view, scheme.get());
        chrome->title.GetClock()->SetFixedTime(gallery::GalleryTime());
        chrome->RedrawAll();
    }
    ~Screen() {
        chrome.reset();
        view.destroy();
        Drain();
    }
    View view;
    std::unique_ptr<CColorScheme> scheme;
    std::unique_ptr<gallery::Chrome> chrome;
};

// Every pane of the chrome repainted through the view.
void BM_FullChromeRedraw(benchmark::State& state) {
    Screen s;
    for (auto _ : state) s.chrome->RedrawAll();
}
BENCHMARK(BM_FullChromeRedraw)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

// One soft key's caption changed and repainted by Update.
void BM_SoftKeyCaptionUpdate(benchmark::State& state) {
    Screen s;
    const core::Text captions[2] = {u"Centre", u"Span"};
    int i = 0;
    for (auto _ : state) {
        s.chrome->softKeys.SetKeyTitle(captions[i ^= 1], 0);
        s.chrome->softKeys.Update();
    }
}
BENCHMARK(BM_SoftKeyCaptionUpdate)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

// The graph panel over the view with the sample sweep and six markers.
struct Graph {
    explicit Graph(int waterfall_mode) {
        panel.Create(&s.view, 0, 30, 705, 455, 18, 90, s.scheme.get());
        panel.SetWaterfallMode(waterfall_mode);
        gallery::FillSweep(*panel.GetGraph());
        {
            auto d = panel.GetGraph()->LockData();
            d->referenceShown = true;
        }
        panel.SetMarkerRecords(records.ptrs, double(gallery::kStartHz), double(gallery::kStepHz));
        panel.PlaceAllMarkers(true);
        panel.DrawGraph(nullptr, false);
        panel.DrawTrace();
    }
    Screen s;
    gallery::MarkerRecords records;
    CGraphPanel panel{1, 0};
};

// One sweep of 705 points as one segment with the live and reference
// traces, six markers with their table, and one waterfall row in split mode.
void BM_GraphSweepWithWaterfallRow(benchmark::State& state) {
    Graph g(2);
    for (auto _ : state) {
        g.panel.DrawTrace();
        g.panel.AddWaterfallLine();
    }
}
BENCHMARK(BM_GraphSweepWithWaterfallRow)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

// The graticule with its labels composed off screen and shown.
void BM_GraphGraticuleRedraw(benchmark::State& state) {
    Graph g(0);
    for (auto _ : state) g.panel.DrawGraph(nullptr, true);
}
BENCHMARK(BM_GraphGraticuleRedraw)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

}  // namespace

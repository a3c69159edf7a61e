// The cost of drawing the screen chrome: a full redraw through the main
// view, and one soft-key caption change (the key's Update repaints only its
// label).
#include <benchmark/benchmark.h>

#include "platform/window/message_loop.h"
#include "platform/window/window.h"
#include "widgets/gallery/chrome.h"
#include "widgets/gallery/gallery.h"

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

}  // namespace

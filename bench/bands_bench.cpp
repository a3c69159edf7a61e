// The "Select Signal Band" dialog from its creation until its list is drawn
// on the screen (then closed): over the 114 built-in bands alone, and with
// 1,000 custom bands of a band list file behind them.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "dialogs/band_select_dlg.h"
#include "files/lists/signal_band.h"
#include "platform/framework/message_box.h"

namespace {

void Drain() {
    plat::Message m;
    while (plat::peek_ui_message(m, true)) plat::dispatch_message(m);
}

void BM_BandDialogDrawn(benchmark::State& state) {
    std::unique_ptr<CSignalBand> list = BuildDefaultBandList();
    for (int i = 0; i < state.range(0); ++i) {
        const std::string name = "Site " + std::to_string(i);
        const uint64_t start = 100000000 + static_cast<uint64_t>(i) * 1000000;
        list->Append(std::make_unique<CSignalBand>(std::u16string(name.begin(), name.end()), start,
                                                   start + 500000, start + 1000000, 1000000));
    }
    CSignalBand* current = list->FindByIndex(34);
    current->CountUse(true);
    int rows = 0;
    for (auto _ : state) {
        CSignalBand* chosen = current;
        CBandSelectDlg dlg(nullptr, &chosen, list.get());
        dlg.Create(CBandSelectDlg::IDD, nullptr);
        dlg.ShowWindow(plat::SW_SHOW);
        Drain();
        rows = dlg.GetList().GetCount();
        dlg.DestroyWindow();
        Drain();
    }
    state.counters["rows"] = rows;
}
BENCHMARK(BM_BandDialogDrawn)
    ->Arg(0)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

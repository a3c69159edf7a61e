// The network analyzer's cable list with 1,000 cables, from construction
// until drawn on the screen (then closed); and one held-arrow step of the
// distance-to-fault stop on page 27, from the key until the setup, the key's
// label, the readouts and the measurement's board record follow it.
#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <string>

#include "bench/vna_bench_screen.h"
#include "core/keys.h"
#include "dialogs/cable_list_dlg.h"
#include "files/lists/cable_type.h"
#include "instrument/vna_measurements.h"

namespace {

std::unique_ptr<CCableType> ThousandCables() {
    CCableType::Losses none{};
    auto head = std::make_unique<CCableType>(0, u"None", 0.0f, none, true);
    for (int i = 1; i <= 1000; ++i) {
        CCableType::Losses l{};
        for (int c = 0; c < CCableType::kColumns; ++c)
            l[static_cast<size_t>(c)] = 0.01f * (c + i % 7);
        const std::string name = "Cable " + std::to_string(i);
        head->Append(std::make_unique<CCableType>(i, std::u16string(name.begin(), name.end()),
                                                  0.66f + 0.0002f * i, l, true));
    }
    return head;
}

void BM_ThousandCableListDrawn(benchmark::State& state) {
    const auto list = ThousandCables();
    for (auto _ : state) {
        CCableType* choice = nullptr;
        CCableListDlg dlg(nullptr, &choice, true);
        dlg.SetCableList(list.get());
        dlg.Create(CCableListDlg::IDD, nullptr);
        dlg.ShowWindow(plat::SW_SHOW);
        bench_view::Drain();
        if (dlg.GetList().GetCount() != 1001) state.SkipWithError("the list is not whole");
        dlg.DestroyWindow();
        bench_view::Drain();
    }
}
BENCHMARK(BM_ThousandCableListDrawn)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_DtfStopArrowStep(benchmark::State& state) {
    bench_view::VnaBenchScreen bench("VnaCableBench", vna::kDistanceToFault);
    CVnaMode& screen = bench.screen();
    auto* dtf = dynamic_cast<CDtfMeasurement*>(screen.MeasurementOfType(vna::kDistanceToFault));
    CVNAMeasSetup& s = *bench.setup();
    s.SetDtfStop(15.0f);
    screen.OnKeyEvent(VK_F13 + 3, 0);  // page 27
    screen.OnKeyEvent(VK_F1 + 2, 0);   // the stop
    std::array<uint8_t, vna::kDtfRecordSize> record{};
    bool up = true;
    int moves = 0;
    for (auto _ : state) {
        // Between 10 and 20 m (the sweep reaches 28.7 m), a step of 0.1 m each.
        const float stop = s.GetDtfStopRaw();
        if (stop > 20.0f) up = false;
        if (stop < 10.0f) up = true;
        screen.OnArrowKey(up ? VK_UP : VK_DOWN, 1);
        screen.OnArrowKey(up ? VK_UP : VK_DOWN, 0);
        moves += s.GetDtfStopRaw() != stop;
        dtf->BuildDtfRecord(record.data());
        benchmark::DoNotOptimize(record);
    }
    if (moves != static_cast<int>(state.iterations()))
        state.SkipWithError("an arrow left the stop where it was");
}
BENCHMARK(BM_DtfStopArrowStep)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

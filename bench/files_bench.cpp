// A full spectrum setup formatted as its file text, and the text read back
// into a setup, both in memory: the cost of every save and recall apart
// from the disk.
#include <benchmark/benchmark.h>

#include <memory>

#include "files/formats/sa_setup_file.h"
#include "files/sa_meas_setup.h"

namespace {

// Every optional line of a spectrum setup is present.
CSAMeasSetup& FullSetup() {
    static const std::unique_ptr<CSAMeasSetup> setup = [] {
        auto s = std::make_unique<CSAMeasSetup>();
        s->SetSetupLabel(u"General SA(12-08 07-55-30)");
        s->SetTitle(u"Site survey");
        s->SetNotes(u"North mast, sector 2");
        s->SetStartMe(true);
        s->SetFavorite(true);
        for (int i = 0; i < CMeasSetup::kMarkerCount; ++i) s->GetMarker(i)->SetLabel(u"Marker");
        return s;
    }();
    return *setup;
}

}  // namespace

static void BM_FormatSpectrumSetup(benchmark::State& state) {
    CSAMeasSetup& setup = FullSetup();
    for (auto _ : state) {
        CSASetupFile file(&setup);
        benchmark::DoNotOptimize(file.FormatInMemory());
    }
}
BENCHMARK(BM_FormatSpectrumSetup)->Unit(benchmark::kMicrosecond);

static void BM_ParseSpectrumSetup(benchmark::State& state) {
    CSASetupFile writer(&FullSetup());
    const std::string text = writer.FormatInMemory();
    CSAMeasSetup target;
    for (auto _ : state) {
        CSASetupFile file(&target);
        benchmark::DoNotOptimize(file.ReadBytes(text, u"bench", false));
    }
}
BENCHMARK(BM_ParseSpectrumSetup)->Unit(benchmark::kMicrosecond);

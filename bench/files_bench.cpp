// A full spectrum setup formatted as its file text, and the text read back
// into a setup, both in memory: the cost of every save and recall apart
// from the disk.
#include <benchmark/benchmark.h>

#include <memory>

#include "files/formats/analyzer_trace_file.h"
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

// An 11,265-point distance-to-fault trace (two blocks of two values a
// point) formatted and read back in memory.
namespace {

class DtfTrace : public ITraceSource {
  public:
    DtfTrace() {
        for (uint32_t i = 0; i < kTraceBufferPoints; ++i)
            points_[i] = {-0.001f * static_cast<float>(i), 0.5f + 0.0001f * static_cast<float>(i)};
    }
    core::Text GetTracePath() const override { return u"bench.twf"; }
    const TracePoint* GetPoint(uint32_t i) const override { return &points_[i]; }
    const TracePoint* GetDtfPoint(uint32_t i) const override { return &points_[i]; }

  private:
    std::vector<TracePoint> points_ = std::vector<TracePoint>(kTraceBufferPoints);
};

CVNAMeasSetup& DtfSetup() {
    static const std::unique_ptr<CVNAMeasSetup> setup = [] {
        auto s = std::make_unique<CVNAMeasSetup>();
        s->SetMeasurementId(2);
        s->SetDataPoints(static_cast<int32_t>(kTraceBufferPoints));
        return s;
    }();
    return *setup;
}

}  // namespace

static void BM_FormatDtfTrace(benchmark::State& state) {
    DtfTrace trace;
    for (auto _ : state) {
        CVNATraceFile file(&DtfSetup(), &trace);
        benchmark::DoNotOptimize(file.FormatInMemory());
    }
}
BENCHMARK(BM_FormatDtfTrace)->Unit(benchmark::kMillisecond)->Repetitions(5);

static void BM_ParseDtfTrace(benchmark::State& state) {
    DtfTrace trace;
    const std::string text = CVNATraceFile(&DtfSetup(), &trace).FormatInMemory();
    std::vector<TracePoint> buffer(kTraceBufferPoints);
    for (auto _ : state) {
        CVNAMeasSetup setup;
        CVNATraceFile file(&setup, nullptr);
        if (!file.ReadTraceBytes(text, u"bench.twf", buffer.data())) state.SkipWithError("refused");
    }
}
BENCHMARK(BM_ParseDtfTrace)->Unit(benchmark::kMillisecond)->Repetitions(5);

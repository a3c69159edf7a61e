// The measurement road's last leg: a 705-point sweep block waiting in the
// driver's shared memory is fetched by the DSP link (as the driver copies it
// out under its mutex), its header checked, parsed by the measurement into a
// sweep item and handed to the screen.
#include <benchmark/benchmark.h>

#include <vector>

#include "drivers/dsp/dsp_protocol.h"
#include "drivers/dsp/shared_block.h"
#include "instrument/dsp_interface.h"
#include "instrument/tests/recording_screen.h"
#include "platform/kernel/debug_out.h"
#include "platform/kernel/file_mapping.h"
#include "platform/kernel/sync.h"

namespace {

// The driver's side of 0xDEAD0010 over a shared block in memory.
class MappedLink : public CDspInterface {
  public:
    MappedLink()
        : mapping_(plat::FileMapping::create("BenchInstrumentMapping", dsp::kSharedBlockSize)),
          mutex_(plat::Mutex::create("BenchInstrumentMutex", false)),
          block_(mapping_.data()) {
        block_.clear_head();
        block_.reset();
        assembly_.expected = 705;
        assembly_.last_message_id = dsp::msg::kSweep;
        assembly_.reply_class = dsp::CLASS_SPECTRUM;
    }
    ~MappedLink() override { Stop(); }
    void Store(const std::vector<uint8_t>& packet) {
        std::lock_guard lock(mutex_);
        block_.store_packet(packet.data(), packet.size(), assembly_);
    }

  protected:
    bool RawControlOut2(uint32_t, void* out, uint32_t size, uint32_t* returned) override {
        uint32_t error = 0;
        std::lock_guard lock(mutex_);
        return block_.fetch(static_cast<uint8_t*>(out), size, returned, &error);
    }

  private:
    plat::FileMapping mapping_;
    plat::Mutex mutex_;
    dsp::SharedBlock block_;
    dsp::AssemblyState assembly_;
};

class CountingScreen : public instrument_test::RecordingScreen {
  public:
    void ProcessNewData(CDeviceItem* result, int) override { points += result->GetCount(); }
    uint64_t points = 0;
};

void BM_SweepBlockToResultItem(benchmark::State& state) {
    plat::set_debug_to_stderr(false);
    MappedLink link;
    link.Start();
    CountingScreen screen;
    instrument_test::SweepMeasurement m(&link, 940000000, 20000000);
    m.Init(&screen);
    m.Start(0, 0);
    link.SetListener(&m);
    link.AcceptReplies();
    std::vector<uint8_t> packet(8 + 705 * 4);
    plat::put_le<uint16_t>(packet.data(), dsp::msg::kSweep);
    plat::put_le<uint16_t>(packet.data() + 2, 4 + 705 * 4);
    plat::put_le<uint16_t>(packet.data() + 6, 705);
    for (uint32_t i = 0; i < 705; ++i) {
        const float v = -90.0f + (i == 352 ? 60.0f : 0.0f);
        std::memcpy(packet.data() + 8 + 4 * i, &v, 4);
    }
    for (auto _ : state) {
        state.PauseTiming();
        link.Store(packet);
        state.ResumeTiming();
        if (link.DeliverReply() != 1) state.SkipWithError("block not delivered");
    }
    if (screen.points != 705u * static_cast<uint64_t>(state.iterations()))
        state.SkipWithError("wrong item");
    link.SetListener(nullptr);
}
BENCHMARK(BM_SweepBlockToResultItem)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

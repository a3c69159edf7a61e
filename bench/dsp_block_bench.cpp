// Assembly and hand-over of 705-point spectrum blocks: the store of one
// board packet into the reply block and the client's fetch of it, each under
// "DSPMemoryMutex" with "DSPDriverEvent" signalled, as the driver does them.
#include <benchmark/benchmark.h>

#include <vector>

#include "drivers/dsp/dsp_protocol.h"
#include "drivers/dsp/shared_block.h"
#include "platform/kernel/file_mapping.h"
#include "platform/kernel/sync.h"

namespace {

std::vector<uint8_t> spectrum_packet(uint16_t points) {
    std::vector<uint8_t> p(8 + points * 4u);
    plat::put_le<uint16_t>(p.data(), dsp::msg::kSweep);
    plat::put_le<uint16_t>(p.data() + 2, static_cast<uint16_t>(4 + points * 4));
    plat::put_le<uint16_t>(p.data() + 4, 0);
    plat::put_le<uint16_t>(p.data() + 6, points);
    for (uint16_t i = 0; i < points; ++i) plat::put_le<uint32_t>(p.data() + 8 + 4 * i, i * 1000u);
    return p;
}

void BM_SpectrumBlockStoreAndFetch(benchmark::State& state) {
    auto mapping = plat::FileMapping::create("BenchDSPFileMapping", dsp::kSharedBlockSize);
    auto mutex = plat::Mutex::create("BenchDSPMemoryMutex", false);
    auto event = plat::Event::create("BenchDSPDriverEvent", true, false);
    dsp::SharedBlock block(mapping.data());
    block.clear_head();
    block.reset();
    dsp::AssemblyState assembly;
    assembly.expected = 705;
    assembly.last_message_id = dsp::msg::kSweep;
    assembly.reply_class = dsp::CLASS_SPECTRUM;
    const auto packet = spectrum_packet(705);
    std::vector<uint8_t> out(dsp::kFetchBufferSize);
    for (auto _ : state) {
        {
            std::lock_guard lock(mutex);
            block.store_packet(packet.data(), packet.size(), assembly);
        }
        event.set();

        event.reset();
        uint32_t returned = 0, error = 0;
        {
            std::lock_guard lock(mutex);
            block.fetch(out.data(), static_cast<uint32_t>(out.size()), &returned, &error);
        }
        if (returned != 8 + 2820) state.SkipWithError("wrong block");
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["blocks/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SpectrumBlockStoreAndFetch);

}  // namespace

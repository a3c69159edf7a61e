// NMEA decoding speed: the receiver's framer, checksum, parser and store
// over a real log, beside a plain memchr scan of the same bytes for line
// ends (the floor any decoder pays).
#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "instrument/sensors/gps_receiver.h"

namespace {

// The log as a receiver sends it: comments dropped, CR LF line ends.
std::string Stream(size_t* sentences) {
    std::ifstream in(NMEA_LOG);
    std::string out, line;
    *sentences = 0;
    while (std::getline(in, line)) {
        while (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        out += line + "\r\n";
        ++*sentences;
    }
    return out;
}

void BM_NmeaDecode(benchmark::State& state) {
    size_t n = 0;
    const std::string bytes = Stream(&n);
    CGpsReceiver gps(nullptr);
    for (auto _ : state) {
        gps.OnBytes(static_cast<uint32_t>(bytes.size()),
                    reinterpret_cast<const uint8_t*>(bytes.data()));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations() * n));
    state.SetBytesProcessed(int64_t(state.iterations() * bytes.size()));
    state.SetLabel("sentences");
}
BENCHMARK(BM_NmeaDecode);

void BM_LineEndScan(benchmark::State& state) {
    size_t n = 0;
    const std::string bytes = Stream(&n);
    for (auto _ : state) {
        size_t lines = 0;
        const char* p = bytes.data();
        const char* end = p + bytes.size();
        while ((p = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p))))) {
            ++lines;
            ++p;
        }
        benchmark::DoNotOptimize(lines);
    }
    state.SetItemsProcessed(int64_t(state.iterations() * n));
    state.SetBytesProcessed(int64_t(state.iterations() * bytes.size()));
    state.SetLabel("lines");
}
BENCHMARK(BM_LineEndScan);

}  // namespace

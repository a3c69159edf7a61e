// Latency of the kernel's hand-offs between threads.
#include <benchmark/benchmark.h>

#include <atomic>

#include "platform/kernel/kernel.h"

namespace {

// One thread sets an event, a second wakes and answers on another event:
// half of each round trip is one signal-to-wake latency.
void BM_EventSignalToWake(benchmark::State& state) {
    plat::Event ping(false, false), pong(false, false);
    std::atomic<bool> stop{false};
    plat::Thread peer = plat::Thread::start([&] {
        while (true) {
            ping.wait();
            if (stop.load()) return 0u;
            pong.set();
        }
    });
    for (auto _ : state) {
        ping.set();
        pong.wait();
    }
    stop = true;
    ping.set();
    peer.join();
    state.counters["one_way_us"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * 2,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_EventSignalToWake)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);

// A message posted to another thread's queue and answered on ours.
void BM_MessagePostToGetRoundTrip(benchmark::State& state) {
    plat::ensure_message_queue();
    const uint32_t me = plat::current_thread_id();
    plat::Event ready(true, false);
    plat::Thread peer = plat::Thread::start([&] {
        plat::ensure_message_queue();
        ready.set();
        plat::Message m;
        while (plat::get_message(m)) plat::post_thread_message(me, m.message + 1, m.wparam, 0);
        return 0u;
    });
    ready.wait();
    plat::Message reply;
    for (auto _ : state) {
        plat::post_thread_message(peer.id(), 0x8000, 1, 0);
        plat::get_message(reply);
    }
    plat::post_thread_message(peer.id(), plat::WM_QUIT, 0, 0);
    peer.join();
}
BENCHMARK(BM_MessagePostToGetRoundTrip)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

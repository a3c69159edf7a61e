// Latency of the kernel's hand-offs between threads.
#include <benchmark/benchmark.h>

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "platform/kernel/kernel.h"

namespace {

constexpr int kRoundTrips = 1000;

// The floor: two threads hand a turn back and forth through bare futexes
// (each sleeps in the kernel until the other wakes it).
struct FutexTurn {
    std::atomic<uint32_t> turn{0};
    void wait_for(uint32_t mine) {
        uint32_t v;
        while ((v = turn.load(std::memory_order_acquire)) != mine) {
            ::syscall(SYS_futex, reinterpret_cast<uint32_t*>(&turn), FUTEX_WAIT_PRIVATE, v, nullptr,
                      nullptr, 0);
        }
    }
    void give(uint32_t to) {
        turn.store(to, std::memory_order_release);
        ::syscall(SYS_futex, reinterpret_cast<uint32_t*>(&turn), FUTEX_WAKE_PRIVATE, 1, nullptr,
                  nullptr, 0);
    }
};

// `range(0)` pairs of threads at once, each on its own turn word; the
// counter is the time of one hand-off of one pair.
void BM_BareFutexPingPong(benchmark::State& state) {
    struct alignas(64) Pair {
        FutexTurn t;
        std::thread peer;
    };
    const auto pairs = static_cast<size_t>(state.range(0));
    std::atomic<bool> stop{false};
    std::vector<std::unique_ptr<Pair>> all;
    std::vector<std::thread> pingers;
    for (size_t i = 0; i < pairs; ++i) {
        all.push_back(std::make_unique<Pair>());
        Pair* p = all.back().get();
        p->peer = std::thread([p, &stop] {
            for (;;) {
                p->t.wait_for(1);
                if (stop.load()) return;
                p->t.give(0);
            }
        });
    }
    for (auto _ : state) {
        for (auto& p : all) {
            Pair* raw = p.get();
            pingers.emplace_back([raw] {
                for (int i = 0; i < kRoundTrips; ++i) {
                    raw->t.give(1);
                    raw->t.wait_for(0);
                }
            });
        }
        for (auto& t : pingers) t.join();
        pingers.clear();
    }
    stop = true;
    for (auto& p : all) {
        p->t.give(1);
        p->peer.join();
    }
    state.counters["one_way_us"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kRoundTrips * 2,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_BareFutexPingPong)
    ->Arg(1)
    ->Arg(3)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// `range(0)` independent pairs of threads play event ping-pong at once; the
// counter is the time of one hand-off of one pair. Pairs share nothing, so
// three should cost no more per hand-off than one.
void BM_EventHandOffPairs(benchmark::State& state) {
    struct Pair {
        plat::Event ping{false, false}, pong{false, false}, go{false, false}, done{false, false};
        plat::Thread pinger, ponger;
    };
    const auto pairs = static_cast<size_t>(state.range(0));
    std::atomic<bool> stop{false};
    std::vector<std::unique_ptr<Pair>> all;
    for (size_t i = 0; i < pairs; ++i) {
        auto p = std::make_unique<Pair>();
        Pair* raw = p.get();
        raw->ponger = plat::Thread::start([raw, &stop] {
            for (;;) {
                raw->ping.wait();
                if (stop.load()) return 0u;
                raw->pong.set();
            }
        });
        raw->pinger = plat::Thread::start([raw, &stop] {
            for (;;) {
                raw->go.wait();
                if (stop.load()) return 0u;
                for (int k = 0; k < kRoundTrips; ++k) {
                    raw->ping.set();
                    raw->pong.wait();
                }
                raw->done.set();
            }
        });
        all.push_back(std::move(p));
    }
    for (auto _ : state) {
        for (auto& p : all) p->go.set();
        for (auto& p : all) p->done.wait();
    }
    stop = true;
    for (auto& p : all) {
        p->go.set();
        p->ping.set();
        p->pinger.join();
        p->ponger.join();
    }
    state.counters["one_way_us"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kRoundTrips * 2,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_EventHandOffPairs)
    ->Arg(1)
    ->Arg(3)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

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

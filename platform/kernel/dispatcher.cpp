#include "platform/kernel/dispatcher.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/kernel/clock_state.h"
#include "platform/kernel/errors.h"

namespace plat::detail {

namespace {
// Every blocked waiter: a virtual clock wakes the timed ones (deadline set)
// when it moves, and a driver of virtual time asks whether a thread is
// asleep. Never destroyed: threads may still wait while the process exits.
std::vector<Waiter*>& blocked_waiters() {
    static auto* list = new std::vector<Waiter*>;
    return *list;
}
bool is_timed(const Waiter* w) {
    return w->deadline != 0;
}
}  // namespace

std::mutex& dispatcher_lock() {
    static std::mutex lock;
    return lock;
}

namespace {
// Counts signals, so that a briefly spinning waiter notices one without the lock.
std::atomic<uint64_t> g_signals{0};

inline void cpu_relax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#else
    std::this_thread::yield();
#endif
}

// Before a thread sleeps it watches for a signal for a few microseconds: a
// hand-off between two running threads then costs no scheduler round trip.
void spin_for_signal(std::unique_lock<std::mutex>& lock) {
    constexpr auto kSpin = std::chrono::microseconds(40);
    const uint64_t seen = g_signals.load(std::memory_order_acquire);
    lock.unlock();
    const auto end = std::chrono::steady_clock::now() + kSpin;
    while (g_signals.load(std::memory_order_acquire) == seen &&
           std::chrono::steady_clock::now() < end) {
        for (int i = 0; i < 16; ++i) cpu_relax();
    }
    lock.lock();
}
}  // namespace

void KObject::wake_waiters() {
    g_signals.fetch_add(1, std::memory_order_release);
    for (Waiter* w : waiters) w->cv.notify_one();
}

uint64_t clock_now_ms() {
    return clock_state().now();
}

uint32_t wait_for_any(std::span<KObject* const> objects, uint32_t timeout_ms) {
    const uint32_t tid = current_tid();
    std::unique_lock lock(dispatcher_lock());
    for (size_t i = 0; i < objects.size(); ++i) {
        if (objects[i]->ready(tid)) {
            objects[i]->consume(tid);
            return static_cast<uint32_t>(i);
        }
    }
    if (timeout_ms == 0) return WAIT_TIMEOUT;

    const uint64_t start = clock_now_ms();
    if (!objects.empty()) {
        spin_for_signal(lock);
        for (size_t i = 0; i < objects.size(); ++i) {
            if (objects[i]->ready(tid)) {
                objects[i]->consume(tid);
                return static_cast<uint32_t>(i);
            }
        }
    }

    Waiter self;
    self.tid = tid;
    self.objects = objects;
    const bool timed = timeout_ms != INFINITE;
    if (timed) self.deadline = start + timeout_ms;
    for (KObject* o : objects) o->waiters.push_back(&self);
    blocked_waiters().push_back(&self);

    uint32_t result = WAIT_TIMEOUT;
    for (;;) {
        bool found = false;
        for (size_t i = 0; i < objects.size(); ++i) {
            if (objects[i]->ready(tid)) {
                objects[i]->consume(tid);
                result = static_cast<uint32_t>(i);
                found = true;
                break;
            }
        }
        if (found) break;
        if (!timed) {
            self.cv.wait(lock);
            continue;
        }
        const uint64_t now = clock_now_ms();
        if (now >= self.deadline) break;
        if (clock_state().is_virtual()) {
            self.cv.wait(lock);
        } else {
            self.cv.wait_for(lock, std::chrono::milliseconds(self.deadline - now));
        }
    }

    for (KObject* o : objects) std::erase(o->waiters, &self);
    std::erase(blocked_waiters(), &self);
    return result;
}

void wake_due_waiters(std::unique_lock<std::mutex>& /*held*/) {
    const uint64_t now = clock_now_ms();
    for (Waiter* w : blocked_waiters()) {
        if (is_timed(w) && w->deadline <= now) w->cv.notify_one();
    }
}

void wake_all_timed_waiters(std::unique_lock<std::mutex>& /*held*/) {
    for (Waiter* w : blocked_waiters()) {
        if (is_timed(w)) w->cv.notify_one();
    }
}

size_t timed_waiter_count(std::unique_lock<std::mutex>& /*held*/) {
    return static_cast<size_t>(
        std::count_if(blocked_waiters().begin(), blocked_waiters().end(), is_timed));
}

uint64_t earliest_deadline(std::unique_lock<std::mutex>& /*held*/) {
    uint64_t best = 0;
    for (Waiter* w : blocked_waiters()) {
        if (is_timed(w) && (best == 0 || w->deadline < best)) best = w->deadline;
    }
    return best;
}

namespace {
// A waiter whose wait has ended (an object is ready or its deadline came)
// but which has not run yet to take it.
bool is_waking(const Waiter* w, uint64_t now) {
    if (is_timed(w) && w->deadline <= now) return true;
    return std::any_of(w->objects.begin(), w->objects.end(),
                       [&](const KObject* o) { return o->ready(w->tid); });
}
}  // namespace

bool thread_is_asleep(uint32_t tid, std::unique_lock<std::mutex>& /*held*/) {
    const uint64_t now = clock_now_ms();
    for (const Waiter* w : blocked_waiters()) {
        if (w->tid == tid) return !is_waking(w, now);
    }
    return false;
}

bool any_waiter_waking(std::unique_lock<std::mutex>& /*held*/) {
    const uint64_t now = clock_now_ms();
    return std::any_of(blocked_waiters().begin(), blocked_waiters().end(),
                       [&](const Waiter* w) { return is_waking(w, now); });
}

}  // namespace plat::detail

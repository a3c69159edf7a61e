#include "platform/kernel/dispatcher.h"

#include <fcntl.h>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/kernel/clock_state.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"

namespace plat::detail {

// One per thread, reused by later threads once its thread has ended (never
// freed: a signaller may still wake its word just after the wait ended).
//
// `word` is the futex the thread sleeps on:
//   bits 0-1  state of the current wait (waiting, granted, given up)
//   bit  2    the thread sleeps (or is about to) in the futex
//   bits 3-8  index of the object handed to it
//   bits 9-   kicks: the clock changed, look at the deadline again
// Each on a cache line of its own: threads of independent waits never
// write to a line another one reads.
struct alignas(64) Waiter {
    std::atomic<uint32_t> word{0};
    std::atomic<uint64_t> deadline{0};  // platform-clock ms of a timed wait; 0 untimed
    std::atomic<bool> blocked{false};   // inside a wait, past the first look
    // Woke from a platform-clock wait on a virtual clock and has not entered
    // a kernel wait since: the thread may still be at work on what woke it.
    std::atomic<bool> woken{false};
    std::atomic<uint32_t> tid{0};
    // How long this thread spins before it sleeps; shrinks while spinning
    // does not pay.
    uint32_t spin_ns = 0;
};

namespace {

constexpr uint32_t kStateMask = 3;
constexpr uint32_t kWaiting = 0;
constexpr uint32_t kGranted = 1;
constexpr uint32_t kGivenUp = 2;
constexpr uint32_t kSleeping = 4;
constexpr uint32_t kIndexShift = 3;
constexpr uint32_t kIndexMask = 63u << kIndexShift;
constexpr uint32_t kKick = 1u << 9;
constexpr uint32_t kWaitBits = kStateMask | kSleeping | kIndexMask;
static_assert(kMaxWaitObjects == 64);

// A hand-off between two running threads takes well under this; a futex
// sleep and wake costs tens of microseconds on a virtual machine.
constexpr uint32_t kMaxSpinNs = 40'000;
constexpr uint32_t kMinSpinNs = 1'000;

long futex(std::atomic<uint32_t>* word, int op, uint32_t value, const timespec* timeout) {
    return ::syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), op, value, timeout, nullptr, 0);
}

void futex_wake(std::atomic<uint32_t>* word) {
    futex(word, FUTEX_WAKE_PRIVATE, 1, nullptr);
}

// Ends the waiter's current wait with `state` (and the index of the object
// handed to it) unless something ended it first. Wakes it if it sleeps.
bool try_end_wait(Waiter& w, uint32_t state, uint32_t index) {
    uint32_t v = w.word.load(std::memory_order_relaxed);
    do {
        if ((v & kStateMask) != kWaiting) return false;
    } while (!w.word.compare_exchange_weak(v, (v & ~kIndexMask) | state | (index << kIndexShift),
                                           std::memory_order_acq_rel, std::memory_order_relaxed));
    if (v & kSleeping) futex_wake(&w.word);
    return true;
}

void kick(Waiter& w) {
    const uint32_t v = w.word.fetch_add(kKick, std::memory_order_acq_rel);
    if (v & kSleeping) futex_wake(&w.word);
}

// Every thread's wait record. Never destroyed: threads may still wait while
// the process exits.
struct Registry {
    std::mutex lock;
    std::vector<Waiter*> all;
    std::vector<Waiter*> free;
};
Registry& registry() {
    static auto* r = new Registry;
    return *r;
}

class WaiterSlot {
  public:
    WaiterSlot() {
        Registry& r = registry();
        std::lock_guard lock(r.lock);
        if (r.free.empty()) {
            w_ = new Waiter;
            r.all.push_back(w_);
        } else {
            w_ = r.free.back();
            r.free.pop_back();
        }
        w_->tid.store(current_tid());
        w_->spin_ns = kMaxSpinNs;
    }
    ~WaiterSlot() {
        Registry& r = registry();
        std::lock_guard lock(r.lock);
        w_->tid.store(0);
        w_->woken.store(false);
        r.free.push_back(w_);
    }
    Waiter& get() { return *w_; }

  private:
    Waiter* w_;
};

Waiter& this_thread_waiter() {
    thread_local WaiterSlot slot;
    return slot.get();
}

template <class F>
void for_each_blocked(F&& f) {
    Registry& r = registry();
    std::lock_guard lock(r.lock);
    for (Waiter* w : r.all) {
        if (w->blocked.load(std::memory_order_seq_cst)) f(*w);
    }
}

bool spinning_pays() {
    static const bool several_cpus = std::thread::hardware_concurrency() > 1;
    return several_cpus;
}

inline void cpu_relax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#else
    std::this_thread::yield();
#endif
}

// Watches the word for a while before sleeping: a hand-off between two
// running threads then costs no scheduler round trip. The time adapts to
// what it achieves: a thread whose waits are ended by sleeping spins less.
void spin(Waiter& self, uint32_t seen) {
    if (!spinning_pays() || self.spin_ns == 0) return;
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::nanoseconds(self.spin_ns);
    do {
        for (int i = 0; i < 16; ++i) cpu_relax();
        if (self.word.load(std::memory_order_acquire) != seen) {
            self.spin_ns = kMaxSpinNs;
            return;
        }
    } while (Clock::now() < end);
    self.spin_ns = self.spin_ns / 2 < kMinSpinNs ? kMinSpinNs : self.spin_ns / 2;
}

// Sleeps until the word leaves `seen` (or `real_ms` pass, if given).
void sleep_on(Waiter& self, uint32_t seen, const uint64_t* real_ms) {
    uint32_t v = seen;
    if (!(v & kSleeping)) {
        if (!self.word.compare_exchange_strong(v, v | kSleeping, std::memory_order_acq_rel)) return;
        v |= kSleeping;
    }
    timespec ts{};
    if (real_ms) {
        ts.tv_sec = static_cast<time_t>(*real_ms / 1000);
        ts.tv_nsec = static_cast<long>(*real_ms % 1000) * 1'000'000;
    }
    futex(&self.word, FUTEX_WAIT_PRIVATE, v, real_ms ? &ts : nullptr);
}

uint64_t host_now_ms() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

// Blocks the registered waiter until its wait has ended one way or another.
void block(Waiter& self, uint64_t deadline, bool host_clock, bool timed, bool may_spin) {
    bool spun = !may_spin;
    for (;;) {
        const uint32_t v = self.word.load(std::memory_order_acquire);
        if ((v & kStateMask) != kWaiting) return;
        uint64_t remaining = 0;
        if (timed) {
            const uint64_t now = host_clock ? host_now_ms() : clock_now_ms();
            if (now >= deadline) {
                if (try_end_wait(self, kGivenUp, 0)) return;
                continue;
            }
            remaining = deadline - now;
        }
        if (!spun) {
            spun = true;
            spin(self, v);
            continue;
        }
        const bool real = timed && (host_clock || !clock_state().is_virtual());
        sleep_on(self, v, real ? &remaining : nullptr);
    }
}

uint32_t take_first_ready(std::span<KObject* const> objects, uint32_t tid) {
    for (size_t i = 0; i < objects.size(); ++i) {
        std::lock_guard lock(objects[i]->lock());
        if (objects[i]->ready(tid)) {
            objects[i]->consume(tid);
            return static_cast<uint32_t>(i);
        }
    }
    return WAIT_TIMEOUT;
}

}  // namespace

void KObject::grant_waiters() {
    for (auto it = waiters_.begin(); it != waiters_.end();) {
        Waiter& w = *it->first;
        if (!ready(w.tid.load(std::memory_order_relaxed))) {
            ++it;
            continue;
        }
        // Consumed for the waiter only if its wait was still open; either
        // way the entry is done with (the waiter drops the rest itself).
        const uint32_t tid = w.tid.load(std::memory_order_relaxed);
        if (try_end_wait(w, kGranted, it->second)) consume(tid);
        it = waiters_.erase(it);
    }
}

uint64_t clock_now_ms() {
    return clock_state().now();
}

namespace {
// The calling thread's hold on virtual time; released when it waits or ends.
// Each thread owns its own.
struct ThreadHold {
    bool held = false;
    ~ThreadHold() {
        if (held) clock_state().release();
    }
};
thread_local ThreadHold t_hold;
}  // namespace

namespace {
struct HostDeadlines {
    std::mutex mutex;
    std::vector<std::pair<const void*, uint64_t>> by_owner;  // guarded by `mutex`
};
HostDeadlines& host_deadlines() {
    static HostDeadlines* d = new HostDeadlines;  // lives to the end of the process
    return *d;
}
// The earliest host deadline, 0 for none.
uint64_t earliest_host_deadline() {
    HostDeadlines& d = host_deadlines();
    std::lock_guard lock(d.mutex);
    uint64_t best = 0;
    for (const auto& [owner, ms] : d.by_owner)
        if (best == 0 || ms < best) best = ms;
    return best;
}
}  // namespace

void set_host_deadline(const void* owner, uint64_t ms) {
    HostDeadlines& d = host_deadlines();
    std::lock_guard lock(d.mutex);
    std::erase_if(d.by_owner, [owner](const auto& e) { return e.first == owner; });
    if (ms != 0) d.by_owner.emplace_back(owner, ms);
    // A deadline that came may have moved on: time may move again.
    announce_state_change();
}

bool virtual_time_held() {
    if (clock_state().held()) return true;
    const uint64_t host = earliest_host_deadline();
    return host != 0 && clock_state().is_virtual() && host <= clock_state().virtual_now();
}

void hold_until_next_wait() {
    if (t_hold.held) return;
    t_hold.held = true;
    clock_state().hold();
}

void end_thread_hold() {
    if (!t_hold.held) return;
    t_hold.held = false;
    clock_state().release();
}

uint32_t wait_for_any(std::span<KObject* const> objects, uint32_t timeout_ms, bool host_clock) {
    if (objects.size() > kMaxWaitObjects) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    const uint32_t tid = current_tid();
    const uint32_t first = take_first_ready(objects, tid);
    if (first != WAIT_TIMEOUT || timeout_ms == 0) return first;
    // The thread is about to sleep: what it held time for is handed on.
    end_thread_hold();

    Waiter& self = this_thread_waiter();
    const bool timed = timeout_ms != INFINITE;
    const uint64_t deadline =
        timed ? (host_clock ? host_now_ms() : clock_now_ms()) + timeout_ms : 0;
    self.word.fetch_and(~kWaitBits, std::memory_order_relaxed);
    // A host-clock deadline is none of the virtual clock's business.
    self.deadline.store(host_clock ? 0 : deadline, std::memory_order_seq_cst);

    // Joins each object's waiters; an object ready by now is taken at once.
    size_t joined = 0;
    for (; joined < objects.size(); ++joined) {
        KObject* o = objects[joined];
        std::lock_guard lock(o->lock());
        if (o->ready(tid)) {
            if (try_end_wait(self, kGranted, static_cast<uint32_t>(joined))) o->consume(tid);
            break;
        }
        o->waiters_.emplace_back(&self, static_cast<uint32_t>(joined));
    }

    if (joined == objects.size()) {
        self.woken.store(false, std::memory_order_seq_cst);
        self.blocked.store(true, std::memory_order_seq_cst);
        if (!host_clock && clock_state().is_virtual()) announce_sleep(objects);
        // A wait on nothing ends only by the clock: on the host clock
        // nothing can end it early, so watching for that is no use.
        const bool may_spin = !objects.empty() || (!host_clock && clock_state().is_virtual());
        block(self, deadline, host_clock, timed, may_spin);
        if (!host_clock && clock_state().is_virtual())
            self.woken.store(true, std::memory_order_seq_cst);
        self.blocked.store(false, std::memory_order_seq_cst);
        // The last woken thread to run again may leave every thread waiting
        // (this one may end or block outside the kernel next): whoever moves
        // virtual time looks again now.
        if (!host_clock && clock_state().is_virtual() && !any_waiter_waking())
            announce_state_change();
    }

    const uint32_t v = self.word.load(std::memory_order_acquire);
    const bool granted = (v & kStateMask) == kGranted;
    const size_t index = (v & kIndexMask) >> kIndexShift;
    for (size_t i = 0; i < joined; ++i) {
        // The object that granted the wait has already dropped us.
        if (granted && i == index) continue;
        KObject* o = objects[i];
        std::lock_guard lock(o->lock());
        std::erase_if(o->waiters_, [&](const auto& e) { return e.first == &self; });
    }
    return granted ? static_cast<uint32_t>(index) : WAIT_TIMEOUT;
}

void wake_due_waiters(bool all) {
    const uint64_t now = clock_now_ms();
    for_each_blocked([&](Waiter& w) {
        const uint64_t d = w.deadline.load(std::memory_order_seq_cst);
        if (d != 0 && (all || d <= now)) kick(w);
    });
}

size_t timed_waiter_count() {
    size_t n = 0;
    for_each_blocked([&](Waiter& w) {
        if (w.deadline.load() != 0) ++n;
    });
    return n;
}

uint64_t earliest_deadline() {
    uint64_t best = earliest_host_deadline();
    for_each_blocked([&](Waiter& w) {
        const uint64_t d = w.deadline.load();
        if (d != 0 && (best == 0 || d < best)) best = d;
    });
    return best;
}

namespace {
// A waiter whose wait has ended (an object was handed to it or its deadline
// came) but which has not run yet to return from it.
bool is_waking(const Waiter& w, uint64_t now) {
    if ((w.word.load() & kStateMask) != kWaiting) return true;
    const uint64_t d = w.deadline.load();
    return d != 0 && d <= now;
}
}  // namespace

bool thread_is_asleep(uint32_t tid) {
    const uint64_t now = clock_now_ms();
    bool asleep = false;
    for_each_blocked([&](Waiter& w) {
        if (w.tid.load() == tid) asleep = !is_waking(w, now);
    });
    return asleep;
}

namespace {
// Whether the thread is on a processor or waiting for one (or for the disk),
// as the host's scheduler sees it; false once it sleeps outside the kernel's
// waits or has ended.
bool thread_at_work(uint32_t tid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/task/%u/stat", tid);
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buf[512];
    const ssize_t n = ::read(fd, buf, sizeof buf - 1);
    ::close(fd);
    if (n <= 0) return false;
    buf[n] = 0;
    // The state follows the name, which is in parentheses and may hold any
    // character: look after the last ')'.
    const char* end = std::strrchr(buf, ')');
    if (!end || end[1] != ' ') return false;
    return end[2] == 'R' || end[2] == 'D';
}
}  // namespace

bool woken_thread_at_work(uint32_t tid) {
    bool woken = false;
    {
        Registry& r = registry();
        std::lock_guard lock(r.lock);
        for (Waiter* w : r.all) {
            if (w->tid.load() == tid) woken = w->woken.load() && !w->blocked.load();
        }
    }
    return woken && thread_at_work(tid);
}

bool any_waiter_waking() {
    const uint64_t now = clock_now_ms();
    bool waking = false;
    for_each_blocked([&](Waiter& w) { waking = waking || is_waking(w, now); });
    return waking;
}

}  // namespace plat::detail

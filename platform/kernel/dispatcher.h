#pragma once
// The kernel's dispatcher. Every waitable object keeps its state under its
// own lock, with the list of threads waiting on it; a waiting thread sleeps
// on a futex word of its own. Signalling an object hands it to the waiters it
// can satisfy right there, under the object's lock, so independent objects
// never meet on a shared lock and a wait on several objects takes exactly
// one of them. Deadlines are measured on the platform clock, which tests
// replace with a virtual clock.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <span>
#include <utility>
#include <vector>

namespace plat::detail {

struct Waiter;

enum class Kind { Event, Mutex, Semaphore, Thread, Queue, Mapping };

// Each on a cache line of its own, like the waiters.
class alignas(64) KObject {
  public:
    explicit KObject(Kind kind) : kind_(kind) {}
    virtual ~KObject() = default;
    KObject(const KObject&) = delete;
    KObject& operator=(const KObject&) = delete;

    Kind kind() const { return kind_; }

    // The lock that guards the object's state and its waiters.
    std::mutex& lock() const { return lock_; }

    // Both run with the object's lock held.
    virtual bool ready(uint32_t tid) const = 0;
    virtual void consume(uint32_t /*tid*/) {}

    // Hands the object to each waiter it can satisfy now (consuming it for
    // that waiter), in the order they began to wait; object lock held.
    void grant_waiters();

  private:
    friend uint32_t wait_for_any(std::span<KObject* const>, uint32_t, bool);
    Kind kind_;
    mutable std::mutex lock_;
    std::vector<std::pair<Waiter*, uint32_t>> waiters_;  // waiter, its index for us
};

// At most this many objects in one wait.
inline constexpr size_t kMaxWaitObjects = 64;

// Waits until one of `objects` is ready (consuming it) and returns its index,
// or returns WAIT_TIMEOUT once `timeout_ms` have passed on the platform
// clock, or on the host clock with `host_clock` (such a wait is never one a
// virtual clock moves time for).
uint32_t wait_for_any(std::span<KObject* const> objects, uint32_t timeout_ms,
                      bool host_clock = false);

// Current time on the platform clock.
uint64_t clock_now_ms();

// For the virtual clock and whoever drives it. Each looks at every thread's
// wait record under the registry's own lock.
// Wakes the timed waiters whose deadline has come (all of them with `all`).
void wake_due_waiters(bool all = false);
// The earliest deadline a blocked thread waits for; 0 for none.
uint64_t earliest_deadline();
size_t timed_waiter_count();
// True while thread `tid` sleeps in a kernel wait that nothing has ended yet
// (no object handed to it, deadline not reached).
bool thread_is_asleep(uint32_t tid);
// True while some thread's wait has ended but the thread has not run yet.
bool any_waiter_waking();
// True while thread `tid`, woken from a platform-clock wait on a virtual
// clock, still runs (or waits for a processor) without having entered a
// kernel wait again. Once it sleeps outside the kernel's waits it no longer
// counts: it may be waiting for something that itself waits for virtual time.
bool woken_thread_at_work(uint32_t tid);

// The deadline of work outside the kernel's waits, by its owner (a simulated
// device's next output; 0 clears it): virtual time stops there as at a
// waiter's deadline, and stands still once it has come until the owner has
// moved it on.
void set_host_deadline(const void* owner, uint64_t ms);
// True while virtual time must stand still: host work on its way (the clock
// state's holds) or a host deadline that has come.
bool virtual_time_held();

// Holds virtual time until the calling thread next enters a kernel wait or
// ends: a thread that took input from outside the kernel's objects (a serial
// line) hands it on through them before time may move. One hold per thread.
void hold_until_next_wait();
// Ends the calling thread's hold, if it has one.
void end_thread_hold();

// On a virtual clock, a thread that begins to sleep in a platform-clock wait
// sets the auto-reset event `sleep_notice()` (sync.h), so that whoever drives
// virtual time learns without polling when to look again. Defined with the
// events; the dispatcher calls it.
void announce_sleep(std::span<KObject* const> objects);
// Sets `sleep_notice()` on a virtual clock: a thread ended, or the last
// thread woken from a wait runs again, so that every thread may now wait.
void announce_state_change();

}  // namespace plat::detail

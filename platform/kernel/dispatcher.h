#pragma once
// The kernel's dispatcher: every waitable object keeps its state under one
// process-wide lock, and a waiting thread sleeps on its own condition
// variable until one of its objects is signalled or its deadline passes.
// Deadlines are measured on the platform clock, which tests replace with a
// virtual clock.
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace plat::detail {

class KObject;

struct Waiter {
    std::condition_variable cv;
    uint64_t deadline = 0;  // platform-clock milliseconds; 0 when untimed
    uint32_t tid = 0;
    std::span<KObject* const> objects;
};

enum class Kind { Event, Mutex, Semaphore, Thread, Queue, Mapping };

class KObject {
  public:
    explicit KObject(Kind kind) : kind_(kind) {}
    virtual ~KObject() = default;
    KObject(const KObject&) = delete;
    KObject& operator=(const KObject&) = delete;

    Kind kind() const { return kind_; }

    // Both run with the dispatcher lock held.
    virtual bool ready(uint32_t tid) const = 0;
    virtual void consume(uint32_t /*tid*/) {}

    // Wakes every thread waiting on this object; dispatcher lock held.
    void wake_waiters();

    std::vector<Waiter*> waiters;

  private:
    Kind kind_;
};

std::mutex& dispatcher_lock();

// Waits until one of `objects` is ready (consuming it) and returns its index,
// or returns WAIT_TIMEOUT once `timeout_ms` have passed on the platform clock.
uint32_t wait_for_any(std::span<KObject* const> objects, uint32_t timeout_ms);

// Current time on the platform clock; callable with or without the lock.
uint64_t clock_now_ms();

// Used by the virtual clock: wakes waiters whose deadline has come.
void wake_due_waiters(std::unique_lock<std::mutex>& held);
uint64_t earliest_deadline(std::unique_lock<std::mutex>& held);
void wake_all_timed_waiters(std::unique_lock<std::mutex>& held);
size_t timed_waiter_count(std::unique_lock<std::mutex>& held);
// True while thread `tid` sleeps in a kernel wait that nothing has ended yet
// (no object ready, deadline not reached).
bool thread_is_asleep(uint32_t tid, std::unique_lock<std::mutex>& held);
// True while some thread's wait has ended but the thread has not run yet.
bool any_waiter_waking(std::unique_lock<std::mutex>& held);

}  // namespace plat::detail

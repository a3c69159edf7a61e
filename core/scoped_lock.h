#pragma once
// A scoped guard for the classes that have their own Lock and Unlock
// (lists, screens, device ports): locks on construction (or takes over a lock
// already held), unlocks when the scope ends however it ends.
#include <mutex>

template <class Lockable>
class ScopedLock {
  public:
    explicit ScopedLock(Lockable& lockable) : lockable_(lockable) { lockable_.Lock(); }
    ScopedLock(Lockable& lockable, std::adopt_lock_t) : lockable_(lockable) {}
    ~ScopedLock() { lockable_.Unlock(); }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

  private:
    Lockable& lockable_;
};

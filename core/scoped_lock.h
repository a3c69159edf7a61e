#pragma once
// A scoped guard for the classes that have their own Lock and Unlock (the
// device links, the locked lists, the screens' mode lock): locks at
// construction (or takes over a lock already held), unlocks when the scope
// ends.
#include <mutex>

namespace core {

template <typename T>
class ScopedLock {
  public:
    explicit ScopedLock(T& object) : object_(object) { object_.Lock(); }
    ScopedLock(T& object, std::adopt_lock_t) : object_(object) {}
    ~ScopedLock() { object_.Unlock(); }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

  private:
    T& object_;
};

}  // namespace core

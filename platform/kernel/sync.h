#pragma once
// Kernel synchronisation objects. Each class is a handle: copies refer to the
// same object, which lives while any handle to it is open. Named objects are
// shared by every handle of that name in the process.
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "platform/kernel/errors.h"

namespace plat {

namespace detail {
class KObject;
}

// Anything a thread can wait on.
class Waitable {
  public:
    Waitable() = default;
    explicit operator bool() const { return obj_ != nullptr; }
    // Waits until signalled; true when it was, false on time-out.
    bool wait(uint32_t timeout_ms = INFINITE) const;
    detail::KObject* object() const { return obj_.get(); }
    bool same_object(const Waitable& other) const { return obj_ == other.obj_; }

  protected:
    explicit Waitable(std::shared_ptr<detail::KObject> obj) : obj_(std::move(obj)) {}
    std::shared_ptr<detail::KObject> obj_;
};

// Waits until any of `objects` is signalled: returns its index (the first
// one in order when several are), or WAIT_TIMEOUT.
uint32_t wait_any(std::span<const Waitable* const> objects, uint32_t timeout_ms);
uint32_t wait_any(std::initializer_list<const Waitable*> objects, uint32_t timeout_ms);

// How a create-or-open call went.
struct Created {
    bool already_existed = false;
};

class Event : public Waitable {
  public:
    Event() = default;
    // An unnamed event. An auto-reset event releases exactly one waiter per set.
    Event(bool manual_reset, bool initially_set);
    // Creates the named event or opens the existing one (then the last error
    // is ERROR_ALREADY_EXISTS and `created->already_existed` is true).
    static Event create(std::string_view name, bool manual_reset, bool initially_set,
                        Created* created = nullptr);
    // Opens an existing named event; empty when there is none.
    static Event open(std::string_view name);

    void set() const;
    void reset() const;
    bool is_set() const;

  private:
    using Waitable::Waitable;
};

// A recursive mutex: the owning thread may lock it again and must unlock it as
// often. A named mutex also holds an advisory lock file in the device root so
// that "already exists" holds across the system's processes.
class Mutex : public Waitable {
  public:
    Mutex() = default;
    explicit Mutex(bool initially_owned);
    static Mutex create(std::string_view name, bool initially_owned, Created* created = nullptr);
    static Mutex open(std::string_view name);

    void lock() const { wait(INFINITE); }
    bool try_lock() const { return wait(0); }
    // False (ERROR_NOT_OWNER semantics) when the caller does not own it.
    bool unlock() const;

  private:
    using Waitable::Waitable;
};

class Semaphore : public Waitable {
  public:
    Semaphore() = default;
    Semaphore(int32_t initial, int32_t maximum);
    static Semaphore create(std::string_view name, int32_t initial, int32_t maximum,
                            Created* created = nullptr);
    static Semaphore open(std::string_view name);
    // Adds `count`; false when that would pass the maximum.
    bool release(int32_t count = 1, int32_t* previous = nullptr) const;

  private:
    using Waitable::Waitable;
};

// A lightweight recursive lock for one process, never named.
class CriticalSection {
  public:
    CriticalSection() : mutex_(false) {}
    void lock() const { mutex_.lock(); }
    bool try_lock() const { return mutex_.try_lock(); }
    void unlock() const { mutex_.unlock(); }

  private:
    Mutex mutex_;
};

namespace detail {
// Set (auto-reset) whenever a thread begins to sleep in a wait on a virtual
// clock: whoever drives virtual time waits for it instead of polling.
const Event& sleep_notice();
}  // namespace detail

}  // namespace plat

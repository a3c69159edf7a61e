#include "platform/kernel/sync.h"

#include <algorithm>
#include <vector>

#include "platform/kernel/clock_state.h"
#include "platform/kernel/dispatcher.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/named_objects.h"
#include "platform/kernel/process_lock.h"

namespace plat {

namespace detail {
namespace {

class EventObject : public KObject {
  public:
    EventObject(bool manual, bool set) : KObject(Kind::Event), manual_(manual), set_(set) {}
    bool ready(uint32_t) const override { return set_; }
    void consume(uint32_t) override {
        if (!manual_) set_ = false;
    }
    bool manual_;
    bool set_;
};

class MutexObject : public KObject {
  public:
    explicit MutexObject(std::string_view name) : KObject(Kind::Mutex) {
        if (!name.empty()) process_lock_ = std::make_unique<ProcessLock>(name);
    }
    bool ready(uint32_t tid) const override { return count_ == 0 || owner_ == tid; }
    void consume(uint32_t tid) override {
        owner_ = tid;
        ++count_;
    }
    bool held_elsewhere() const { return process_lock_ && process_lock_->busy(); }
    uint32_t owner_ = 0;
    uint32_t count_ = 0;
    std::unique_ptr<ProcessLock> process_lock_;
};

class SemaphoreObject : public KObject {
  public:
    SemaphoreObject(int32_t count, int32_t max)
        : KObject(Kind::Semaphore), count_(count), max_(max) {}
    bool ready(uint32_t) const override { return count_ > 0; }
    void consume(uint32_t) override { --count_; }
    int32_t count_;
    int32_t max_;
};

template <class T>
T* as(KObject* o) {
    return static_cast<T*>(o);
}

}  // namespace
}  // namespace detail

bool Waitable::wait(uint32_t timeout_ms) const {
    if (!obj_) {
        set_last_error(ERROR_INVALID_HANDLE);
        return false;
    }
    detail::KObject* o = obj_.get();
    return detail::wait_for_any(std::span<detail::KObject* const>(&o, 1), timeout_ms) == 0;
}

uint32_t wait_any(std::span<const Waitable* const> objects, uint32_t timeout_ms) {
    std::vector<detail::KObject*> raw;
    raw.reserve(objects.size());
    for (const Waitable* w : objects) {
        if (!w || !w->object()) {
            set_last_error(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        raw.push_back(w->object());
    }
    return detail::wait_for_any(raw, timeout_ms);
}

uint32_t wait_any(std::initializer_list<const Waitable*> objects, uint32_t timeout_ms) {
    return wait_any(std::span<const Waitable* const>(objects.begin(), objects.size()), timeout_ms);
}

// --- Event -------------------------------------------------------------------

Event::Event(bool manual_reset, bool initially_set)
    : Waitable(std::make_shared<detail::EventObject>(manual_reset, initially_set)) {}

Event Event::create(std::string_view name, bool manual_reset, bool initially_set,
                    Created* created) {
    if (name.empty()) return Event(manual_reset, initially_set);
    bool existed = false;
    auto obj = detail::create_named(
        name, detail::Kind::Event,
        [&] { return std::make_shared<detail::EventObject>(manual_reset, initially_set); },
        &existed);
    if (created) created->already_existed = existed;
    return Event(std::move(obj));
}

Event Event::open(std::string_view name) {
    return Event(detail::open_named(name, detail::Kind::Event));
}

void Event::set() const {
    if (!obj_) return;
    std::lock_guard lock(obj_->lock());
    detail::as<detail::EventObject>(obj_.get())->set_ = true;
    obj_->grant_waiters();
}

void Event::reset() const {
    if (!obj_) return;
    std::lock_guard lock(obj_->lock());
    detail::as<detail::EventObject>(obj_.get())->set_ = false;
}

bool Event::is_set() const {
    if (!obj_) return false;
    std::lock_guard lock(obj_->lock());
    return detail::as<detail::EventObject>(obj_.get())->set_;
}

// --- Mutex -------------------------------------------------------------------

Mutex::Mutex(bool initially_owned) : Waitable(std::make_shared<detail::MutexObject>("")) {
    if (initially_owned) lock();
}

Mutex Mutex::create(std::string_view name, bool initially_owned, Created* created) {
    if (name.empty()) return Mutex(initially_owned);
    bool existed = false;
    auto obj = detail::create_named(
        name, detail::Kind::Mutex, [&] { return std::make_shared<detail::MutexObject>(name); },
        &existed);
    if (!obj) return Mutex();
    if (detail::as<detail::MutexObject>(obj.get())->held_elsewhere()) {
        existed = true;
        set_last_error(ERROR_ALREADY_EXISTS);
    }
    if (created) created->already_existed = existed;
    Mutex m(std::move(obj));
    if (initially_owned && !existed) m.lock();
    if (existed) set_last_error(ERROR_ALREADY_EXISTS);
    return m;
}

Mutex Mutex::open(std::string_view name) {
    return Mutex(detail::open_named(name, detail::Kind::Mutex));
}

bool Mutex::unlock() const {
    if (!obj_) return false;
    std::lock_guard lock(obj_->lock());
    auto* m = detail::as<detail::MutexObject>(obj_.get());
    if (m->count_ == 0 || m->owner_ != detail::current_tid()) {
        set_last_error(ERROR_ACCESS_DENIED);
        return false;
    }
    if (--m->count_ == 0) {
        m->owner_ = 0;
        obj_->grant_waiters();
    }
    return true;
}

// --- Semaphore ---------------------------------------------------------------

Semaphore::Semaphore(int32_t initial, int32_t maximum)
    : Waitable(std::make_shared<detail::SemaphoreObject>(initial, maximum)) {}

Semaphore Semaphore::create(std::string_view name, int32_t initial, int32_t maximum,
                            Created* created) {
    if (name.empty()) return Semaphore(initial, maximum);
    bool existed = false;
    auto obj = detail::create_named(
        name, detail::Kind::Semaphore,
        [&] { return std::make_shared<detail::SemaphoreObject>(initial, maximum); }, &existed);
    if (created) created->already_existed = existed;
    return Semaphore(std::move(obj));
}

Semaphore Semaphore::open(std::string_view name) {
    return Semaphore(detail::open_named(name, detail::Kind::Semaphore));
}

bool Semaphore::release(int32_t count, int32_t* previous) const {
    if (!obj_ || count <= 0) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::lock_guard lock(obj_->lock());
    auto* s = detail::as<detail::SemaphoreObject>(obj_.get());
    if (s->count_ > s->max_ - count) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (previous) *previous = s->count_;
    s->count_ += count;
    obj_->grant_waiters();
    return true;
}

namespace detail {

const Event& sleep_notice() {
    static const auto* notice = new Event(false, false);
    return *notice;
}

void announce_state_change() {
    if (clock_state().is_virtual()) sleep_notice().set();
}

void announce_sleep(std::span<KObject* const> objects) {
    KObject* notice = sleep_notice().object();
    // Whoever waits for the notice does not announce its own sleep.
    if (std::find(objects.begin(), objects.end(), notice) == objects.end()) sleep_notice().set();
}

}  // namespace detail

}  // namespace plat

#include "platform/kernel/message_queue.h"

#include <deque>
#include <map>
#include <memory>
#include <mutex>

#include "platform/kernel/clock.h"
#include "platform/kernel/clock_state.h"
#include "platform/kernel/dispatcher.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/message_queue_internal.h"

namespace plat {

namespace detail {
namespace {

class QueueObject : public KObject {
  public:
    QueueObject() : KObject(Kind::Queue) {}
    bool ready(uint32_t) const override { return !messages_.empty(); }
    std::deque<Message> messages_;
};

// Thread id to queue; guarded by the dispatcher lock. Never destroyed: a
// thread that ends while the process exits still drops its queue here.
std::map<uint32_t, std::shared_ptr<QueueObject>>& queues() {
    static auto* map = new std::map<uint32_t, std::shared_ptr<QueueObject>>;
    return *map;
}

std::shared_ptr<QueueObject> own_queue() {
    const uint32_t tid = current_tid();
    std::lock_guard lock(dispatcher_lock());
    auto& slot = queues()[tid];
    if (!slot) slot = std::make_shared<QueueObject>();
    return slot;
}

}  // namespace

void drop_thread_queue(uint32_t tid) {
    std::lock_guard lock(dispatcher_lock());
    queues().erase(tid);
}

}  // namespace detail

namespace {
// A Waitable over the calling thread's queue.
class QueueHandle : public Waitable {
  public:
    explicit QueueHandle(std::shared_ptr<detail::KObject> q) : Waitable(std::move(q)) {}
};
}  // namespace

void ensure_message_queue() {
    detail::own_queue();
}

bool post_thread_message(uint32_t tid, const Message& msg) {
    std::lock_guard lock(detail::dispatcher_lock());
    auto it = detail::queues().find(tid);
    if (it == detail::queues().end()) {
        set_last_error(ERROR_INVALID_THREAD_ID);
        return false;
    }
    Message m = msg;
    m.time = static_cast<uint32_t>(detail::clock_now_ms());
    it->second->messages_.push_back(m);
    it->second->wake_waiters();
    return true;
}

bool post_thread_message(uint32_t tid, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    Message m;
    m.message = message;
    m.wparam = wparam;
    m.lparam = lparam;
    return post_thread_message(tid, m);
}

bool get_message(Message& out, uint32_t timeout_ms) {
    auto q = detail::own_queue();
    detail::KObject* raw = q.get();
    if (detail::wait_for_any(std::span<detail::KObject* const>(&raw, 1), timeout_ms) != 0) {
        out = Message{};
        return false;
    }
    std::lock_guard lock(detail::dispatcher_lock());
    out = q->messages_.front();
    q->messages_.pop_front();
    return out.message != WM_QUIT;
}

bool get_message(Message& out) {
    return get_message(out, INFINITE);
}

bool peek_message(Message& out, bool remove) {
    auto q = detail::own_queue();
    std::lock_guard lock(detail::dispatcher_lock());
    if (q->messages_.empty()) return false;
    out = q->messages_.front();
    if (remove) q->messages_.pop_front();
    return true;
}

void post_quit_message(int exit_code) {
    ensure_message_queue();
    post_thread_message(detail::current_tid(), WM_QUIT, static_cast<uintptr_t>(exit_code), 0);
}

Waitable message_queue_waitable() {
    return QueueHandle(detail::own_queue());
}

}  // namespace plat

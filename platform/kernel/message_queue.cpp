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

// Thread id to queue, under a lock of its own (each queue's messages are
// under the queue's lock). Never destroyed: a thread that ends while the
// process exits still drops its queue here.
struct QueueTable {
    std::mutex lock;
    std::map<uint32_t, std::shared_ptr<QueueObject>> queues;
};
QueueTable& table() {
    static auto* t = new QueueTable;
    return *t;
}

std::shared_ptr<QueueObject> find_queue(uint32_t tid) {
    QueueTable& t = table();
    std::lock_guard lock(t.lock);
    auto it = t.queues.find(tid);
    return it == t.queues.end() ? nullptr : it->second;
}

std::shared_ptr<QueueObject> own_queue() {
    // The thread's own queue, kept at hand after the first look.
    thread_local std::weak_ptr<QueueObject> mine;
    if (auto q = mine.lock()) return q;
    QueueTable& t = table();
    std::lock_guard lock(t.lock);
    auto& slot = t.queues[current_tid()];
    if (!slot) slot = std::make_shared<QueueObject>();
    mine = slot;
    return slot;
}

}  // namespace

void drop_thread_queue(uint32_t tid) {
    QueueTable& t = table();
    std::lock_guard lock(t.lock);
    t.queues.erase(tid);
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
    const auto q = detail::find_queue(tid);
    if (!q) {
        set_last_error(ERROR_INVALID_THREAD_ID);
        return false;
    }
    Message m = msg;
    m.time = static_cast<uint32_t>(detail::clock_now_ms());
    std::lock_guard lock(q->lock());
    q->messages_.push_back(m);
    q->grant_waiters();
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
    std::lock_guard lock(q->lock());
    out = q->messages_.front();
    q->messages_.pop_front();
    return out.message != WM_QUIT;
}

bool get_message(Message& out) {
    return get_message(out, INFINITE);
}

bool peek_message(Message& out, bool remove) {
    auto q = detail::own_queue();
    std::lock_guard lock(q->lock());
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

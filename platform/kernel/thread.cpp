#include "platform/kernel/thread.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>

#include "platform/kernel/clock_state.h"
#include "platform/kernel/dispatcher.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/message_queue_internal.h"

namespace plat {

namespace detail {

uint32_t current_tid() {
    thread_local const uint32_t tid = static_cast<uint32_t>(::syscall(SYS_gettid));
    return tid;
}

namespace {

class ThreadObject : public KObject {
  public:
    ThreadObject() : KObject(Kind::Thread) {}
    bool ready(uint32_t) const override { return finished_; }

    std::function<uint32_t()> body_;
    bool started_ = false;  // resumed
    bool finished_ = false;
    uint32_t tid_ = 0;
    uint32_t exit_code_ = STILL_ACTIVE;
    int priority_ = 0;
    std::condition_variable start_cv_;
    std::shared_ptr<ThreadObject> self_;  // keeps the object alive while running
};

void* thread_main(void* arg) {
    auto* raw = static_cast<ThreadObject*>(arg);
    std::shared_ptr<ThreadObject> obj;
    {
        std::unique_lock lock(raw->lock());
        obj = std::move(raw->self_);
        obj->tid_ = current_tid();
        obj->start_cv_.notify_all();  // the creator waits for the id
        obj->start_cv_.wait(lock, [&] { return obj->started_; });
    }
    const uint32_t code = obj->body_();
    obj->body_ = nullptr;
    drop_thread_queue(current_tid());
    {
        std::lock_guard lock(obj->lock());
        obj->exit_code_ = code;
        obj->finished_ = true;
        obj->grant_waiters();
    }
    // An ended thread waits for nothing: virtual time may move on.
    announce_state_change();
    return nullptr;
}

}  // namespace
}  // namespace detail

uint32_t current_thread_id() {
    return detail::current_tid();
}

namespace {
detail::ThreadObject* thread_object(detail::KObject* o) {
    return static_cast<detail::ThreadObject*>(o);
}
}  // namespace

Thread Thread::start(std::function<uint32_t()> body, const ThreadOptions& options) {
    auto obj = std::make_shared<detail::ThreadObject>();
    obj->body_ = std::move(body);
    obj->priority_ = options.priority;
    obj->started_ = !options.suspended;
    obj->self_ = obj;

    pthread_attr_t attr;
    pthread_attr_init(&attr);
    // Stack sizes are minimums: the host's own needs (and sanitizers) come first.
    constexpr size_t kMinimumStack = 1u << 20;
    pthread_attr_setstacksize(&attr, std::max(options.stack_size, kMinimumStack));
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    pthread_t handle;
    const int rc = pthread_create(&handle, &attr, detail::thread_main, obj.get());
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        obj->self_.reset();
        set_last_error(ERROR_NOT_ENOUGH_MEMORY);
        return Thread();
    }
    std::unique_lock lock(obj->lock());
    obj->start_cv_.wait(lock, [&] { return obj->tid_ != 0; });
    return Thread(std::move(obj));
}

void Thread::resume() const {
    if (!obj_) return;
    std::lock_guard lock(obj_->lock());
    auto* t = thread_object(obj_.get());
    t->started_ = true;
    t->start_cv_.notify_all();
}

uint32_t Thread::id() const {
    if (!obj_) return 0;
    std::lock_guard lock(obj_->lock());
    return thread_object(obj_.get())->tid_;
}

uint32_t Thread::exit_code() const {
    if (!obj_) return 0;
    std::lock_guard lock(obj_->lock());
    return thread_object(obj_.get())->exit_code_;
}

int Thread::priority() const {
    if (!obj_) return 0;
    std::lock_guard lock(obj_->lock());
    return thread_object(obj_.get())->priority_;
}

void Thread::set_priority(int priority) const {
    if (!obj_) return;
    std::lock_guard lock(obj_->lock());
    thread_object(obj_.get())->priority_ = priority;
}

}  // namespace plat

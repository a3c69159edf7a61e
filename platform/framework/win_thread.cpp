#include "platform/framework/win_thread.h"

#include "platform/framework/app.h"
#include "platform/kernel/message_queue.h"
#include "platform/window/message_loop.h"

namespace plat {

void run_idle_loop(const std::function<bool(long)>& on_idle, const std::function<bool()>& pump) {
    bool idle = true;
    long count = 0;
    for (;;) {
        Message m;
        while (idle && !peek_ui_message(m, false)) {
            if (!on_idle(count++)) idle = false;
        }
        Message taken;
        if (!peek_ui_message(taken, false)) taken = Message{};
        if (!pump()) return;
        if (is_idle_message(taken)) {
            idle = true;
            count = 0;
        }
    }
}

CWinThread::~CWinThread() {
    Quit();
}

bool CWinThread::CreateThread(bool suspended) {
    if (thread_ && !thread_.wait(0)) return false;
    queue_ready_.reset();
    thread_ = Thread::start([this] { return Main(); }, {.suspended = suspended});
    thread_id_ = thread_.id();
    return bool(thread_);
}

void CWinThread::ResumeThread() {
    if (thread_) thread_.resume();
}

bool CWinThread::PostThreadMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) {
    if (!thread_ || thread_.wait(0) || !queue_ready_.is_set()) return false;
    return post_thread_message(thread_id_, message, wparam, lparam);
}

bool CWinThread::Quit(uint32_t timeout_ms) {
    if (!thread_) return true;
    if (!thread_.wait(0)) {
        thread_.resume();
        // The thread makes its queue first thing; it may be ending already.
        const Waitable* ready[] = {&queue_ready_, &thread_};
        if (wait_any(ready, INFINITE) == WAIT_OBJECT_0)
            post_thread_message(thread_id_, WM_QUIT, 0, 0);
    }
    return thread_.join(timeout_ms);
}

uint32_t CWinThread::Main() {
    ensure_message_queue();
    set_message_filter([this](const Message& m) { return PreTranslateMessage(m); });
    queue_ready_.set();
    int code = InitInstance() ? Run() : ExitInstance();
    set_message_filter(nullptr);
    return static_cast<uint32_t>(code);
}

bool CWinThread::OnIdle(long) {
    return false;
}

bool pre_translate_to_ancestors(const Message& msg, Window** top) {
    for (Window* w = static_cast<Window*>(msg.window); w && is_window(w); w = w->parent()) {
        if (CWnd* c = CWnd::FromHandle(w); c && c->PreTranslateMessage(msg)) return true;
        if (top) *top = w;
    }
    return false;
}

bool pump_one_message(const std::function<bool(const Message&)>& pre_translate, int& quit_code) {
    Message m;
    if (!get_ui_message(m)) {
        quit_code = static_cast<int>(m.wparam);
        return false;
    }
    if (!pre_translate(m)) {
        translate_message(m);
        dispatch_message(m);
    }
    return true;
}

bool CWinThread::PreTranslateMessage(const Message& msg) {
    return pre_translate_to_ancestors(msg);
}

bool CWinThread::PumpMessage() {
    return pump_one_message([this](const Message& m) { return PreTranslateMessage(m); },
                            quit_code_);
}

int CWinThread::Run() {
    run_idle_loop([this](long count) { return OnIdle(count); }, [this] { return PumpMessage(); });
    return ExitInstance();
}

}  // namespace plat

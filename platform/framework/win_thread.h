#pragma once
// CWinThread: a user-interface thread of the application framework, with its
// own message queue and message loop (idle processing, pre-translation of
// every message, thread messages included). Created suspended or running;
// posting WM_QUIT to it ends its loop, then ExitInstance runs on it.
#include <cstdint>
#include <functional>

#include "platform/framework/wnd.h"
#include "platform/kernel/sync.h"
#include "platform/kernel/thread.h"

namespace plat {

class CWinThread {
  public:
    CWinThread() = default;
    // The thread must have ended (Quit) before its object goes.
    virtual ~CWinThread();
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    // Starts the thread; a suspended one runs nothing until ResumeThread.
    // False when it runs already.
    bool CreateThread(bool suspended = false);
    void ResumeThread();
    // Posts a thread message (once the thread has its queue); false when
    // the thread does not run.
    bool PostThreadMessage(uint32_t message, uintptr_t wparam, intptr_t lparam);
    // Ends the thread: resumes it when suspended, posts WM_QUIT and waits up
    // to `timeout_ms` for its end. True when it has ended (or never ran).
    bool Quit(uint32_t timeout_ms = INFINITE);

    // On the thread: false ends it at once (ExitInstance still runs).
    virtual bool InitInstance() { return true; }
    // On the thread after its loop: answers its exit code.
    virtual int ExitInstance() { return quit_code_; }
    // The message loop: idle processing while the queue is empty, then one
    // message at a time until WM_QUIT; then ExitInstance.
    virtual int Run();
    // Idle work; true asks for another call. The default asks for none.
    virtual bool OnIdle(long count);
    // Offers a message to its window and that window's ancestors; thread
    // messages reach only this operation.
    virtual bool PreTranslateMessage(const Message& msg);

    uint32_t thread_id() const { return thread_id_; }
    const Thread& thread() const { return thread_; }

  private:
    uint32_t Main();
    bool PumpMessage();

    Thread thread_;
    Event queue_ready_{true, false};
    uint32_t thread_id_ = 0;
    int quit_code_ = 0;
};

// The framework's loop of CWinApp and CWinThread: calls `on_idle` with a
// rising count while no message waits (until it answers false; an input or
// posted message starts idle processing again), and `pump` for each
// message; ends when `pump` answers false.
void run_idle_loop(const std::function<bool(long)>& on_idle, const std::function<bool()>& pump);
// Takes one message and, unless `pre_translate` consumes it, translates and
// dispatches it; false on WM_QUIT, whose code goes to `quit_code`.
bool pump_one_message(const std::function<bool(const Message&)>& pre_translate, int& quit_code);
// Offers a message to its window and that window's ancestors, each
// CWnd::PreTranslateMessage in turn; `top` takes the last one offered.
bool pre_translate_to_ancestors(const Message& msg, Window** top = nullptr);

}  // namespace plat

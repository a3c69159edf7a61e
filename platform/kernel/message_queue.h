#pragma once
// Per-thread message queues. A thread gets its queue the first time it asks
// for a message (or calls ensure_message_queue); any thread may post to it.
#include <cstdint>

#include "platform/kernel/sync.h"

namespace plat {

inline constexpr uint32_t WM_QUIT = 0x0012;

struct Message {
    void* window = nullptr;  // target window, null for a thread message
    uint32_t message = 0;
    uintptr_t wparam = 0;
    intptr_t lparam = 0;
    uint32_t time = 0;  // tick count when posted
};

// Makes sure the calling thread has a queue.
void ensure_message_queue();

// Appends to the queue of thread `tid`; false (ERROR_INVALID_THREAD_ID) when
// that thread has no queue.
bool post_thread_message(uint32_t tid, const Message& msg);
bool post_thread_message(uint32_t tid, uint32_t message, uintptr_t wparam, intptr_t lparam);

// Blocks until a message arrives; false when it is WM_QUIT.
bool get_message(Message& out);
// Like get_message but gives up after `timeout_ms` (then false and
// out.message == 0).
bool get_message(Message& out, uint32_t timeout_ms);
// Takes (or with remove = false, copies) the first message if there is one.
bool peek_message(Message& out, bool remove = true);
// Posts WM_QUIT with the exit code to the calling thread.
void post_quit_message(int exit_code);

// The calling thread's queue as a waitable object: signalled while it holds
// messages.
Waitable message_queue_waitable();

}  // namespace plat

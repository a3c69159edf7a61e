#pragma once
// Window messages on top of the kernel's per-thread queues: post (from any
// thread, in order), send, get, peek and dispatch; window timers on the
// platform clock; generated WM_TIMER and WM_PAINT; input routed to the focus
// window when it is taken from the queue; a per-thread pre-translate filter
// and nested (modal) loops.
//
// Taking messages: posted and sent messages first, in the order posted; then
// a due timer (one WM_TIMER per pass, the timer then restarts its period);
// then WM_PAINT for a visible window with a pending update, parents before
// children.
#include <cstdint>
#include <functional>

#include "platform/gfx/geometry.h"
#include "platform/kernel/message_queue.h"
#include "platform/kernel/sync.h"
#include "platform/window/messages.h"

namespace plat {

class Window;

// Posts to the window's thread; with a null window, a thread message to the
// calling thread. False when the window does not exist.
bool post_message(Window* w, uint32_t msg, uintptr_t wparam, intptr_t lparam);
// Calls the window procedure directly on its own thread; from another thread
// the message is queued to the owner and the caller waits for the answer.
// 0 when the window does not exist.
intptr_t send_message(Window* w, uint32_t msg, uintptr_t wparam, intptr_t lparam);
// Sends the message to every top-level window, in z-order from the bottom,
// each answered before the next is sent (as sending to HWND_BROADCAST).
// Answers 1 (TRUE) once all were sent.
intptr_t broadcast_message(uint32_t msg, uintptr_t wparam, intptr_t lparam);

// Blocks for the next message; false for WM_QUIT (its code in wparam).
bool get_ui_message(Message& out);
// Like get_ui_message without waiting; with remove = false only looks.
bool peek_ui_message(Message& out, bool remove = true);
// Hands the message to its window (or a timer's callback); answers the result.
intptr_t dispatch_message(const Message& msg);

// Makes a WM_CHAR, posted to the same window, for a WM_KEYDOWN of a key that
// types a character on the instrument: digits and keypad digits, '+' (the
// keypad's add key), '-' (subtract and the minus key), '.' (decimal and the
// point key) and backspace. Other keys and messages make none; answers
// whether a character was posted.
bool translate_message(const Message& msg);
// The character a key types, 0 for none.
char16_t key_char(uint32_t vk);

// The calling thread's pre-translate filter: sees every message a pump takes
// before dispatch; true consumes it.
using MessageFilter = std::function<bool(const Message&)>;
void set_message_filter(MessageFilter filter);
// Takes one message, offers it to the filter, translates and dispatches it; false on
// WM_QUIT (the message's wparam then holds the exit code).
bool pump_message(Message* taken = nullptr);
// Pumps until `done` answers true (checked after each message). False when
// WM_QUIT ended the loop first; the quit is posted again so that the outer
// loop ends too.
bool run_modal_loop(const std::function<bool()>& done);

// Window timers. A timer with a callback calls it instead of the window's
// procedure (WM_TIMER's lParam holds the callback). Setting an existing id
// restarts it. Without a window the timer belongs to the calling thread and
// gets a fresh id, which is returned.
using TimerProc = void (*)(Window* w, uint32_t msg, uintptr_t id, uint32_t tick);
uintptr_t set_timer(Window* w, uintptr_t id, uint32_t period_ms, TimerProc proc = nullptr);
bool kill_timer(Window* w, uintptr_t id);
// The platform-clock time the next timer of thread `tid` is due, 0 for none.
uint64_t next_timer_due(uint32_t tid);

// Input. The display back ends queue raw input to the input thread; each
// event finds its window when the thread takes it: keys and the wheel go to
// the focus window (else the thread's topmost enabled window); a focus window
// of another thread gets them through that thread's queue. Buttons go to the
// capture window or the window under the point.
void set_input_thread(uint32_t tid);
uint32_t input_thread();
// Modifier keys (Shift, Control) only change the key state.
void post_key_input(uint32_t vk, bool down, uint16_t repeat = 1);
// `button_msg` is WM_LBUTTONDOWN/UP or WM_RBUTTONDOWN/UP; the point is in
// screen coordinates.
void post_mouse_input(uint32_t button_msg, Point screen);
void post_wheel_input(int delta, Point screen = {});
// One WHEEL_DELTA step per notch (negative notches turn the other way).
void post_wheel_notches(int notches);
// Where the pointer last touched the screen (screen coordinates).
Point get_cursor_pos();
// Negative while the key is down (the state as of the message being handled).
int16_t get_key_state(uint32_t vk);

// An event that thread `tid` sets once it has taken everything queued before
// this call and has nothing due now (no queued message, due timer or pending
// paint). Empty when the thread has no queue. For drivers of scripted
// sessions.
Event request_idle_signal(uint32_t tid);
bool wait_ui_idle(uint32_t tid, uint32_t timeout_ms);

// Runs `fn` on thread `tid` from its message loop and waits for it.
bool run_on_ui_thread(uint32_t tid, const std::function<void()>& fn, uint32_t timeout_ms);
// Queues `fn` to run on thread `tid`; the event is set once it has run
// (empty when the thread has no queue).
Event queue_on_ui_thread(uint32_t tid, std::function<void()> fn);

}  // namespace plat

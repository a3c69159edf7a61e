#include "platform/window/message_loop.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/kernel/clock.h"
#include "platform/kernel/sync.h"
#include "platform/kernel/thread.h"
#include "platform/window/window.h"
#include "platform/window/window_internal.h"

namespace plat {

namespace {

// Messages the layer queues for itself carry this target.
struct InternalTag {};
InternalTag internal_tag;
InternalTag input_tag;
void* const kInternal = &internal_tag;
void* const kInput = &input_tag;

enum InternalKind : uint32_t { kWake = 1, kSent, kIdleProbe, kRun };

struct SentRecord {
    Window* w = nullptr;
    uint32_t msg = 0;
    uintptr_t wparam = 0;
    intptr_t lparam = 0;
    intptr_t result = 0;
    Event done{true, false};
};

struct RunRecord {
    std::function<void()> fn;
    Event done{true, false};
};

struct Timer {
    Window* w = nullptr;
    uintptr_t id = 0;
    uint32_t period = 0;
    uint64_t due = 0;
    TimerProc proc = nullptr;
};

struct ThreadState {
    std::mutex m;  // guards timers and probes (other threads set timers)
    std::vector<Timer> timers;
    std::vector<Event> probes;
    MessageFilter filter;  // touched only by the owner
};

std::mutex& states_lock() {
    static std::mutex m;
    return m;
}
// Never destroyed, like the kernel's queues: threads may still leave while
// the process exits.
std::map<uint32_t, std::shared_ptr<ThreadState>>& states() {
    static auto* s = new std::map<uint32_t, std::shared_ptr<ThreadState>>;
    return *s;
}

std::shared_ptr<ThreadState> state_of(uint32_t tid) {
    std::lock_guard lock(states_lock());
    auto& slot = states()[tid];
    if (!slot) slot = std::make_shared<ThreadState>();
    return slot;
}

ThreadState& own_state() {
    thread_local std::shared_ptr<ThreadState> mine = state_of(current_thread_id());
    return *mine;
}

std::atomic<uint32_t> g_input_thread{0};
std::array<std::atomic<uint8_t>, 256> g_keys{};  // bit 0x80 down, bit 1 toggled
std::atomic<uintptr_t> g_next_thread_timer{0x10000};
std::atomic<intptr_t> g_cursor{0};  // packed like a mouse lParam
// The modifier bits of the key message this thread is handling (0 while it
// handles none); owned by that thread.
thread_local uint32_t t_handled_key_state = 0;

// The last left press, for double clicks; touched only by the input thread.
struct LastPress {
    const Window* window = nullptr;
    Point at;
    uint64_t time = 0;
};
LastPress g_last_press;
constexpr uint64_t kDoubleClickMs = 500;
constexpr int kDoubleClickSlop = 4;

// A second left press on a CS_DBLCLKS window soon after the first and close
// to it becomes WM_LBUTTONDBLCLK.
uint32_t classify_press(const Window* target, Point screen) {
    const uint64_t now = now_ms();
    const WindowClass* cls = find_window_class(target->class_name());
    const LastPress last = g_last_press;
    const bool twice = cls && (cls->style & CS_DBLCLKS) && last.window == target &&
                       now - last.time <= kDoubleClickMs &&
                       std::abs(screen.x - last.at.x) <= kDoubleClickSlop &&
                       std::abs(screen.y - last.at.y) <= kDoubleClickSlop;
    g_last_press = twice ? LastPress{} : LastPress{target, screen, now};
    return twice ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN;
}

bool post_internal(uint32_t tid, uint32_t kind, intptr_t lparam) {
    Message m;
    m.window = kInternal;
    m.message = kind;
    m.lparam = lparam;
    return post_thread_message(tid, m);
}

bool owned_here(Window* w) {
    return is_window(w) && w->thread_id() == current_thread_id();
}

Window* topmost_enabled_here() {
    auto tops = top_level_windows();
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
        if ((*it)->thread_id() == current_thread_id() && (*it)->is_visible() &&
            (*it)->is_enabled()) {
            return *it;
        }
    }
    return nullptr;
}

uintptr_t mouse_flags() {
    uintptr_t f = 0;
    if (get_key_state(VK_LBUTTON) < 0) f |= MK_LBUTTON;
    if (get_key_state(VK_RBUTTON) < 0) f |= MK_RBUTTON;
    if (get_key_state(VK_SHIFT) < 0) f |= MK_SHIFT;
    if (get_key_state(VK_CONTROL) < 0) f |= MK_CONTROL;
    return f;
}

// The modifier bits of the keys as they stand now.
uint32_t live_key_state() {
    uint32_t bits = kKeyStateRecorded;
    if (g_keys[VK_SHIFT].load() & 0x80) bits |= kKeyStateShift;
    if (g_keys[VK_CONTROL].load() & 0x80) bits |= kKeyStateControl;
    return bits;
}
// The modifier bits a key message posted now carries: those of the key
// message being handled on this thread, else the keys as they stand.
uint32_t current_key_state() {
    if (t_handled_key_state & kKeyStateRecorded) return t_handled_key_state;
    return live_key_state();
}

intptr_t with_key_state(uint32_t msg, intptr_t lparam) {
    if (!is_key_message(msg) || (static_cast<uint32_t>(lparam) & kKeyStateRecorded)) return lparam;
    return lparam | static_cast<intptr_t>(current_key_state());
}

// Calls the window's procedure; while it handles a key message the key state
// reads as it stood when that message was posted.
intptr_t call_window_proc(Window* w, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    const uint32_t recorded = static_cast<uint32_t>(lparam);
    if (!is_key_message(msg) || !(recorded & kKeyStateRecorded))
        return w->window_proc(msg, wparam, lparam);
    struct Restore {
        uint32_t before = t_handled_key_state;
        ~Restore() { t_handled_key_state = before; }
    } restore;
    t_handled_key_state = recorded & (kKeyStateRecorded | kKeyStateShift | kKeyStateControl);
    return w->window_proc(msg, wparam, lparam);
}

void set_key(uint32_t vk, bool down) {
    auto& k = g_keys[vk & 0xFF];
    uint8_t v = k.load();
    if (down && !(v & 0x80)) v ^= 1;  // toggled on each press
    v = down ? (v | 0x80) : (v & ~0x80);
    k.store(v);
}

// Turns raw input into a window message; false when nobody takes it.
bool route_input(Message& m) {
    const uint32_t kind = m.message;
    if (kind == WM_KEYDOWN || kind == WM_KEYUP) {
        const uint32_t vk = static_cast<uint32_t>(m.wparam);
        const bool down = kind == WM_KEYDOWN;
        const bool was_down = get_key_state(vk) < 0;
        set_key(vk, down);
        if (vk == VK_SHIFT || vk == VK_CONTROL) return false;
        Window* target = focus_window();
        const intptr_t lp = key_lparam(static_cast<uint16_t>(m.lparam), was_down, !down) |
                            static_cast<intptr_t>(live_key_state());
        // The focus may lie with a window of another user-interface thread
        // (an alert): the key goes to that thread.
        if (target && !owned_here(target)) {
            if (post_message(target, kind, m.wparam, lp)) return false;
            target = nullptr;
        }
        if (!owned_here(target)) target = topmost_enabled_here();
        if (!target) return false;
        m.window = target;
        m.lparam = lp;
        return true;
    }
    const Point screen{get_x_lparam(m.lparam), get_y_lparam(m.lparam)};
    if (kind == WM_MOUSEWHEEL) {
        Window* target = focus_window();
        const uintptr_t wp = make_wparam(static_cast<int>(mouse_flags()),
                                         static_cast<int>(static_cast<intptr_t>(m.wparam)));
        if (target && !owned_here(target)) {
            if (post_message(target, kind, wp, m.lparam)) return false;
            target = nullptr;
        }
        if (!owned_here(target)) target = topmost_enabled_here();
        if (!target) return false;
        m.window = target;
        m.wparam = wp;
        return true;
    }
    // Buttons.
    g_cursor.store(m.lparam);
    if (kind == WM_LBUTTONDOWN || kind == WM_LBUTTONUP) set_key(VK_LBUTTON, kind == WM_LBUTTONDOWN);
    if (kind == WM_RBUTTONDOWN || kind == WM_RBUTTONUP) set_key(VK_RBUTTON, kind == WM_RBUTTONDOWN);
    Window* target = capture_window();
    if (!owned_here(target)) {
        target = window_from_point(screen);
        if (!owned_here(target) || !target->is_enabled()) return false;
    }
    const Point p = target->screen_to_client(screen);
    if (kind == WM_LBUTTONDOWN) m.message = classify_press(target, screen);
    m.window = target;
    m.wparam = mouse_flags();
    m.lparam = make_lparam(p.x, p.y);
    return true;
}

// Handles a message the layer queued for itself.
void handle_internal(const Message& m) {
    switch (m.message) {
        case kSent: {
            auto* holder = reinterpret_cast<std::shared_ptr<SentRecord>*>(m.lparam);
            std::shared_ptr<SentRecord> rec = std::move(*holder);
            delete holder;
            if (is_window(rec->w))
                rec->result = call_window_proc(rec->w, rec->msg, rec->wparam, rec->lparam);
            rec->done.set();
            break;
        }
        case kIdleProbe: {
            auto* probe = reinterpret_cast<Event*>(m.lparam);
            std::lock_guard lock(own_state().m);
            own_state().probes.push_back(std::move(*probe));
            delete probe;
            break;
        }
        case kRun: {
            auto* holder = reinterpret_cast<std::shared_ptr<RunRecord>*>(m.lparam);
            std::shared_ptr<RunRecord> rec = std::move(*holder);
            delete holder;
            rec->fn();
            rec->done.set();
            break;
        }
        default:
            break;
    }
}

// The earliest due timer of this thread, if it is due at `now`.
bool take_due_timer(uint64_t now, Message& out, bool remove) {
    ThreadState& st = own_state();
    std::lock_guard lock(st.m);
    Timer* best = nullptr;
    for (Timer& t : st.timers) {
        if (t.due <= now && (!best || t.due < best->due)) best = &t;
    }
    if (!best) return false;
    if (remove) best->due = now + best->period;
    out = Message{};
    out.window = best->w;
    out.message = WM_TIMER;
    out.wparam = best->id;
    out.lparam = reinterpret_cast<intptr_t>(best->proc);
    out.time = static_cast<uint32_t>(now);
    return true;
}

// Under the tree lock: a window of another thread may go meanwhile.
Window* find_paint(const std::vector<Window*>& list) {
    for (Window* w : list) {
        if (w->thread_id() != current_thread_id() || !w->is_visible()) continue;
        if (w->needs_paint()) return w;
        if (Window* c = find_paint(w->children())) return c;
    }
    return nullptr;
}

// When the thread's next timer is due; 0 for none.
uint64_t earliest_due(ThreadState& st) {
    std::lock_guard lock(st.m);
    uint64_t best = 0;
    for (const Timer& t : st.timers) {
        if (best == 0 || t.due < best) best = t.due;
    }
    return best;
}

// One attempt at a message; `wait` blocks until there is one.
bool next_message(Message& out, bool remove, bool wait) {
    for (;;) {
        Message m;
        if (peek_message(m, false)) {
            if (m.window == kInternal) {
                peek_message(m, true);
                handle_internal(m);
                continue;
            }
            if (m.window == kInput) {
                // Input finds its window only when it is taken.
                if (!remove) {
                    out = m;
                    return true;
                }
                peek_message(m, true);
                if (!route_input(m)) continue;
                out = m;
                return true;
            }
            if (remove) peek_message(m, true);
            out = m;
            return true;
        }
        const uint64_t now = now_ms();
        if (take_due_timer(now, out, remove)) return true;
        Window* to_paint = nullptr;
        {
            std::lock_guard tree(detail::tree_lock());
            to_paint = find_paint(top_level_windows());
        }
        if (Window* w = to_paint) {
            out = Message{};
            out.window = w;
            out.message = WM_PAINT;
            out.time = static_cast<uint32_t>(now);
            return true;
        }
        // Nothing to do now: whoever waits for this thread to settle may go on.
        {
            ThreadState& st = own_state();
            std::lock_guard lock(st.m);
            for (const Event& p : st.probes) p.set();
            st.probes.clear();
        }
        if (!wait) return false;
        const uint64_t due = earliest_due(own_state());
        const uint32_t timeout =
            due == 0 ? INFINITE : static_cast<uint32_t>(due > now ? due - now : 0);
        if (timeout == 0) continue;
        message_queue_waitable().wait(timeout);
    }
}

}  // namespace

namespace detail {

void wake_ui_thread(uint32_t tid) {
    if (tid != 0 && tid != current_thread_id()) post_internal(tid, kWake, 0);
}

void forget_window_timers(Window* w) {
    std::lock_guard lock(states_lock());
    for (auto& [tid, st] : states()) {
        std::lock_guard l2(st->m);
        std::erase_if(st->timers, [w](const Timer& t) { return t.w == w; });
    }
}

}  // namespace detail

bool post_message(Window* w, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    Message m;
    m.message = msg;
    m.wparam = wparam;
    m.lparam = with_key_state(msg, lparam);
    if (!w) {
        ensure_message_queue();
        return post_thread_message(current_thread_id(), m);
    }
    uint32_t tid;
    {
        std::lock_guard lock(detail::tree_lock());
        if (!is_window(w)) return false;
        tid = w->thread_id();
    }
    m.window = w;
    return post_thread_message(tid, m);
}

intptr_t send_message(Window* w, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    if (!is_window(w)) return 0;
    lparam = with_key_state(msg, lparam);
    if (w->thread_id() == current_thread_id()) return call_window_proc(w, msg, wparam, lparam);
    auto rec = std::make_shared<SentRecord>();
    rec->w = w;
    rec->msg = msg;
    rec->wparam = wparam;
    rec->lparam = lparam;
    auto* holder = new std::shared_ptr<SentRecord>(rec);
    if (!post_internal(w->thread_id(), kSent, reinterpret_cast<intptr_t>(holder))) {
        delete holder;
        return 0;
    }
    // The owner may go away without answering; stop waiting then.
    while (!rec->done.wait(50)) {
        if (!is_window(w)) return 0;
    }
    return rec->result;
}

intptr_t broadcast_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    for (Window* w : top_level_windows()) send_message(w, msg, wparam, lparam);
    return 1;
}

bool get_ui_message(Message& out) {
    ensure_message_queue();
    next_message(out, true, true);
    return out.message != WM_QUIT || out.window != nullptr;
}

bool peek_ui_message(Message& out, bool remove) {
    ensure_message_queue();
    return next_message(out, remove, false);
}

intptr_t dispatch_message(const Message& msg) {
    auto* w = static_cast<Window*>(msg.window);
    if (msg.message == WM_TIMER && msg.lparam != 0) {
        auto proc = reinterpret_cast<TimerProc>(msg.lparam);
        proc(w, WM_TIMER, msg.wparam, tick_count());
        return 0;
    }
    if (!w || !is_window(w)) return 0;
    return call_window_proc(w, msg.message, msg.wparam, msg.lparam);
}

void set_message_filter(MessageFilter filter) {
    own_state().filter = std::move(filter);
}

bool pump_message(Message* taken) {
    Message m;
    const bool more = get_ui_message(m);
    if (taken) *taken = m;
    if (!more) return false;
    const MessageFilter& f = own_state().filter;
    if (!f || !f(m)) {
        translate_message(m);
        dispatch_message(m);
    }
    return true;
}

char16_t key_char(uint32_t vk) {
    if (vk >= '0' && vk <= '9') return static_cast<char16_t>(vk);
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9)
        return static_cast<char16_t>(u'0' + vk - VK_NUMPAD0);
    switch (vk) {
        case VK_ADD:
            return u'+';
        case VK_SUBTRACT:
        case VK_OEM_MINUS:
            return u'-';
        case VK_DECIMAL:
        case VK_OEM_PERIOD:
            return u'.';
        case VK_BACK:
            return u'\b';
        default:
            return 0;
    }
}

bool translate_message(const Message& msg) {
    if (msg.message != WM_KEYDOWN) return false;
    const char16_t ch = key_char(static_cast<uint32_t>(msg.wparam));
    if (!ch) return false;
    auto* w = static_cast<Window*>(msg.window);
    if (!w || !is_window(w)) return false;
    return post_message(w, WM_CHAR, ch, msg.lparam);
}

bool run_modal_loop(const std::function<bool()>& done) {
    while (!done()) {
        Message m;
        if (!pump_message(&m)) {
            post_quit_message(static_cast<int>(m.wparam));
            return false;
        }
    }
    return true;
}

uintptr_t set_timer(Window* w, uintptr_t id, uint32_t period_ms, TimerProc proc) {
    uint32_t tid = current_thread_id();
    if (w) {
        if (!is_window(w)) return 0;
        tid = w->thread_id();
    } else {
        id = g_next_thread_timer.fetch_add(1);
    }
    auto st = state_of(tid);
    {
        std::lock_guard lock(st->m);
        const uint64_t due = now_ms() + period_ms;
        auto it = std::find_if(st->timers.begin(), st->timers.end(),
                               [&](const Timer& t) { return t.w == w && t.id == id; });
        if (it != st->timers.end()) {
            it->period = period_ms;
            it->due = due;
            it->proc = proc;
        } else {
            st->timers.push_back({w, id, period_ms, due, proc});
        }
    }
    detail::wake_ui_thread(tid);
    return id == 0 ? 1 : id;
}

bool kill_timer(Window* w, uintptr_t id) {
    const uint32_t tid = w ? w->thread_id() : current_thread_id();
    if (w && !is_window(w)) return false;
    auto st = state_of(tid);
    std::lock_guard lock(st->m);
    const auto n =
        std::erase_if(st->timers, [&](const Timer& t) { return t.w == w && t.id == id; });
    return n != 0;
}

uint64_t next_timer_due(uint32_t tid) {
    return earliest_due(*state_of(tid));
}

void set_input_thread(uint32_t tid) {
    g_input_thread.store(tid);
}

uint32_t input_thread() {
    return g_input_thread.load();
}

namespace {
void post_input(uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    Message m;
    m.window = kInput;
    m.message = msg;
    m.wparam = wparam;
    m.lparam = lparam;
    post_thread_message(input_thread(), m);
}
}  // namespace

void post_key_input(uint32_t vk, bool down, uint16_t repeat) {
    post_input(down ? WM_KEYDOWN : WM_KEYUP, vk, repeat);
}

void post_mouse_input(uint32_t button_msg, Point screen) {
    post_input(button_msg, 0, make_lparam(screen.x, screen.y));
}

void post_wheel_input(int delta, Point screen) {
    post_input(WM_MOUSEWHEEL, static_cast<uintptr_t>(static_cast<intptr_t>(delta)),
               make_lparam(screen.x, screen.y));
}

void post_wheel_notches(int notches) {
    const int step = notches < 0 ? -WHEEL_DELTA : WHEEL_DELTA;
    for (int i = 0; i < std::abs(notches); ++i) post_wheel_input(step);
}

Point get_cursor_pos() {
    const intptr_t lp = g_cursor.load();
    return {get_x_lparam(lp), get_y_lparam(lp)};
}

int16_t get_key_state(uint32_t vk) {
    uint8_t v = g_keys[vk & 0xFF].load();
    const uint32_t handled = t_handled_key_state;
    if ((handled & kKeyStateRecorded) && (vk == VK_SHIFT || vk == VK_CONTROL)) {
        const uint32_t bit = vk == VK_SHIFT ? kKeyStateShift : kKeyStateControl;
        v = static_cast<uint8_t>((v & 1) | ((handled & bit) ? 0x80 : 0));
    }
    return static_cast<int16_t>(((v & 0x80) ? 0x8000 : 0) | (v & 1));
}

Event request_idle_signal(uint32_t tid) {
    const Event ev(true, false);
    auto* probe = new Event(ev);  // a second handle, for the thread to set
    if (!post_internal(tid, kIdleProbe, reinterpret_cast<intptr_t>(probe))) {
        delete probe;
        return Event();
    }
    return ev;
}

bool wait_ui_idle(uint32_t tid, uint32_t timeout_ms) {
    const Event ev = request_idle_signal(tid);
    return ev && ev.wait(timeout_ms);
}

Event queue_on_ui_thread(uint32_t tid, std::function<void()> fn) {
    auto rec = std::make_shared<RunRecord>();
    rec->fn = std::move(fn);
    auto* holder = new std::shared_ptr<RunRecord>(rec);
    if (!post_internal(tid, kRun, reinterpret_cast<intptr_t>(holder))) {
        delete holder;
        return Event();
    }
    return rec->done;
}

bool run_on_ui_thread(uint32_t tid, const std::function<void()>& fn, uint32_t timeout_ms) {
    if (tid == current_thread_id()) {
        fn();
        return true;
    }
    const Event done = queue_on_ui_thread(tid, fn);
    return done && done.wait(timeout_ms);
}

}  // namespace plat

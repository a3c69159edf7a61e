// Posting, sending, timers, generated paints, input routing and modal loops.
#include "platform/window/message_loop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <vector>

#include "platform/kernel/clock.h"
#include "platform/kernel/thread.h"
#include "platform/window/window.h"

namespace plat {
namespace {

struct Seen {
    uint32_t msg;
    uintptr_t wparam;
    intptr_t lparam;
};

class Recorder : public Window {
  public:
    std::vector<Seen> seen;
    intptr_t window_proc(uint32_t msg, uintptr_t wp, intptr_t lp) override {
        if (msg != WM_PAINT || wp != 1) seen.push_back({msg, wp, lp});
        return default_proc(msg, wp, lp);
    }
    int count(uint32_t msg) const {
        int n = 0;
        for (const auto& s : seen) n += s.msg == msg;
        return n;
    }
};

CreateParams top(Rect r = {0, 0, 800, 600}) {
    CreateParams p;
    p.class_name = "Test";
    p.style = WS_VISIBLE;
    p.rect = r;
    return p;
}

// Dispatches everything that is ready now.
int drain() {
    int n = 0;
    Message m;
    while (peek_ui_message(m, true)) {
        dispatch_message(m);
        ++n;
    }
    return n;
}

TEST(MessageLoop, PostedCommandsFromAnotherThreadArriveInOrder) {
    Recorder w;
    ASSERT_TRUE(w.create(top()));
    drain();
    w.seen.clear();
    static int payload[3];
    Thread t = Thread::start([&] {
        for (int i = 0; i < 3; ++i) {
            post_message(&w, WM_COMMAND, 32810, reinterpret_cast<intptr_t>(&payload[i]));
        }
        return 0u;
    });
    t.join();
    drain();
    ASSERT_EQ(w.count(WM_COMMAND), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(w.seen[i].wparam, 32810u);
        EXPECT_EQ(w.seen[i].lparam, reinterpret_cast<intptr_t>(&payload[i]));
    }
}

TEST(MessageLoop, SendFromAnotherThreadRunsOnTheOwner) {
    struct Answer : Window {
        uint32_t ran_on = 0;
        intptr_t window_proc(uint32_t msg, uintptr_t wp, intptr_t lp) override {
            if (msg == WM_USER) {
                ran_on = current_thread_id();
                return static_cast<intptr_t>(wp) * 2;
            }
            return default_proc(msg, wp, lp);
        }
    } w;
    ASSERT_TRUE(w.create(top()));
    std::atomic<intptr_t> result{0};
    Thread t = Thread::start([&] {
        result = send_message(&w, WM_USER, 21, 0);
        return 0u;
    });
    Message m;
    while (!t.join(0)) {
        if (peek_ui_message(m, true)) dispatch_message(m);
    }
    EXPECT_EQ(result.load(), 42);
    EXPECT_EQ(w.ran_on, current_thread_id());
}

TEST(MessageLoop, TimersFollowTheVirtualClockAndRestartWhenSetAgain) {
    VirtualClock clock;
    Recorder w;
    ASSERT_TRUE(w.create(top()));
    drain();
    set_timer(&w, 2, 1000);
    clock.advance(999);
    drain();
    EXPECT_EQ(w.count(WM_TIMER), 0);
    clock.advance(1);
    drain();
    ASSERT_EQ(w.count(WM_TIMER), 1);
    EXPECT_EQ(w.seen.back().wparam, 2u);
    // A late timer fires once, not once per missed period.
    clock.advance(5000);
    drain();
    EXPECT_EQ(w.count(WM_TIMER), 2);
    // Setting the id again restarts its period.
    clock.advance(600);
    set_timer(&w, 2, 1000);
    clock.advance(600);
    drain();
    EXPECT_EQ(w.count(WM_TIMER), 2);
    clock.advance(400);
    drain();
    EXPECT_EQ(w.count(WM_TIMER), 3);
    EXPECT_TRUE(kill_timer(&w, 2));
    EXPECT_FALSE(kill_timer(&w, 2));
    clock.advance(5000);
    drain();
    EXPECT_EQ(w.count(WM_TIMER), 3);
}

TEST(MessageLoop, TimerCallbackAndTimersOfDestroyedWindows) {
    VirtualClock clock;
    static int calls = 0;
    calls = 0;
    auto* w = new Recorder;
    ASSERT_TRUE(w->create(top()));
    set_timer(w, 3, 100, [](Window*, uint32_t msg, uintptr_t id, uint32_t) {
        if (msg == WM_TIMER && id == 3) ++calls;
    });
    set_timer(w, 4, 100);
    clock.advance(100);
    drain();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(w->count(WM_TIMER), 1) << "only the timer without a callback reaches the window";
    w->destroy();
    delete w;
    clock.advance(1000);
    EXPECT_EQ(drain(), 0);
}

TEST(MessageLoop, OnePaintFollowsManyInvalidations) {
    Recorder w;
    ASSERT_TRUE(w.create(top()));
    drain();
    w.seen.clear();
    Rect a{0, 0, 10, 10}, b{20, 20, 30, 30};
    w.invalidate(&a);
    w.invalidate(&b);
    post_message(&w, WM_USER, 0, 0);
    drain();
    ASSERT_EQ(w.seen.size(), 2u);
    EXPECT_EQ(w.seen[0].msg, WM_USER) << "posted messages come before the paint";
    EXPECT_EQ(w.seen[1].msg, WM_PAINT);
    EXPECT_FALSE(w.needs_paint());
}

TEST(MessageLoop, InputReachesTheFocusWindowWithRepeatAndShift) {
    Recorder a, b;
    ASSERT_TRUE(a.create(top()));
    ASSERT_TRUE(b.create(top({0, 0, 100, 100})));
    set_input_thread(current_thread_id());
    set_focus(&a);
    drain();
    a.seen.clear();
    b.seen.clear();

    post_key_input(VK_SHIFT, true);
    post_key_input(VK_F1, true, 3);
    post_key_input(VK_F1, false);
    post_key_input(VK_SHIFT, false);
    post_wheel_input(-2 * WHEEL_DELTA, {5, 5});
    post_mouse_input(WM_LBUTTONDOWN, {50, 60});
    post_mouse_input(WM_LBUTTONUP, {500, 400});

    std::vector<int16_t> shift_at;
    Message m;
    while (peek_ui_message(m, true)) {
        if (m.message == WM_KEYDOWN || m.message == WM_KEYUP)
            shift_at.push_back(get_key_state(VK_SHIFT));
        dispatch_message(m);
    }
    ASSERT_EQ(a.count(WM_KEYDOWN), 1) << "modifier keys only change the key state";
    ASSERT_EQ(a.count(WM_KEYUP), 1);
    EXPECT_EQ(a.seen[0].wparam, VK_F1);
    EXPECT_EQ(key_repeat(a.seen[0].lparam), 3);
    EXPECT_EQ(shift_at,
              (std::vector<int16_t>{static_cast<int16_t>(0x8001), static_cast<int16_t>(0x8001)}));
    EXPECT_EQ(static_cast<uint32_t>(a.seen[1].lparam) >> 30, 3u) << "a release was down before";
    EXPECT_GE(get_key_state(VK_SHIFT), 0);
    ASSERT_EQ(a.count(WM_MOUSEWHEEL), 1);
    EXPECT_EQ(get_wheel_delta(a.seen[2].wparam), -240);
    // Buttons go to the window under the point: b over a at (50, 60), a at (500, 400).
    ASSERT_EQ(b.count(WM_LBUTTONDOWN), 1);
    EXPECT_EQ(get_x_lparam(b.seen[0].lparam), 50);
    EXPECT_EQ(get_y_lparam(b.seen[0].lparam), 60);
    EXPECT_EQ(a.count(WM_LBUTTONUP), 1);
    EXPECT_EQ(get_cursor_pos(), (Point{500, 400}));
    // With the capture, a button anywhere goes to the capture window.
    set_capture(&b);
    post_mouse_input(WM_LBUTTONDOWN, {700, 500});
    drain();
    EXPECT_EQ(b.count(WM_LBUTTONDOWN), 2);
    EXPECT_EQ(get_x_lparam(b.seen.back().lparam), 700);
    release_capture();
    set_focus(nullptr);
}

// A window that hands its keys on to another (a list dialog to its screen)
// posts them; by the time they are handled the modifiers may have been
// released. Each handler sees the modifiers as they stood when its key was
// posted: a shifted press stays shifted, a plain one plain, also for a key
// a handler posts itself.
TEST(MessageLoop, AKeyPassedOnKeepsTheModifiersOfItsPress) {
    constexpr uint32_t VK_F2 = VK_F1 + 1, VK_F3 = VK_F1 + 2, VK_F4 = VK_F1 + 3, VK_F5 = VK_F1 + 4;
    struct Receiver : Window {
        std::vector<std::pair<uintptr_t, bool>> keys;  // key, shift down
        intptr_t window_proc(uint32_t msg, uintptr_t wp, intptr_t lp) override {
            if (msg == WM_KEYDOWN || msg == WM_KEYUP)
                keys.push_back({wp, get_key_state(VK_SHIFT) < 0});
            if (msg == WM_KEYDOWN && wp == VK_F3) post_message(this, WM_KEYDOWN, VK_F4, 0);
            return default_proc(msg, wp, lp);
        }
    };
    struct Forwarder : Window {
        Window* to = nullptr;
        intptr_t window_proc(uint32_t msg, uintptr_t wp, intptr_t lp) override {
            if (msg == WM_KEYDOWN || msg == WM_KEYUP) {
                post_message(to, msg, wp, lp);
                return 0;
            }
            return default_proc(msg, wp, lp);
        }
    };
    Receiver screen;
    Forwarder list;
    ASSERT_TRUE(screen.create(top()));
    ASSERT_TRUE(list.create(top({0, 0, 100, 100})));
    list.to = &screen;
    set_input_thread(current_thread_id());
    set_focus(&list);
    drain();

    post_key_input(VK_SHIFT, true);
    post_key_input(VK_F5, true);
    post_key_input(VK_F5, false);
    post_key_input(VK_SHIFT, false);
    post_key_input(VK_F2, true);
    post_key_input(VK_F2, false);
    post_key_input(VK_SHIFT, true);
    post_key_input(VK_F3, true);
    post_key_input(VK_SHIFT, false);
    drain();
    const std::vector<std::pair<uintptr_t, bool>> want = {
        {VK_F5, true}, {VK_F5, true}, {VK_F2, false}, {VK_F2, false}, {VK_F3, true}, {VK_F4, true}};
    EXPECT_EQ(screen.keys, want);
    EXPECT_GE(get_key_state(VK_SHIFT), 0) << "outside a key's handling the keys as they stand";
    set_focus(nullptr);
}

TEST(MessageLoop, NestedLoopsEndOnTheirConditionOrOnQuit) {
    Recorder w;
    ASSERT_TRUE(w.create(top()));
    bool done = false;
    struct Ender : Window {
        bool* flag = nullptr;
        intptr_t window_proc(uint32_t msg, uintptr_t wp, intptr_t lp) override {
            if (msg == WM_USER + 1) *flag = true;
            return default_proc(msg, wp, lp);
        }
    } ender;
    ender.flag = &done;
    ASSERT_TRUE(ender.create(top()));
    post_message(&ender, WM_USER + 1, 0, 0);
    EXPECT_TRUE(run_modal_loop([&] { return done; }));

    // WM_QUIT inside a nested loop ends it and stays for the outer loop.
    post_quit_message(7);
    EXPECT_FALSE(run_modal_loop([] { return false; }));
    Message m;
    EXPECT_FALSE(get_ui_message(m));
    EXPECT_EQ(m.wparam, 7u);
}

TEST(MessageLoop, FilterConsumesMessagesBeforeDispatch) {
    Recorder w;
    ASSERT_TRUE(w.create(top()));
    drain();
    w.seen.clear();
    set_message_filter([](const Message& m) { return m.message == WM_USER; });
    post_message(&w, WM_USER, 0, 0);
    post_message(&w, WM_USER + 1, 0, 0);
    Message m;
    while (peek_ui_message(m, false)) pump_message();
    set_message_filter(nullptr);
    ASSERT_EQ(w.seen.size(), 1u);
    EXPECT_EQ(w.seen[0].msg, WM_USER + 1);
}

TEST(MessageLoop, ManyThreadsPostingLoseNothingAndKeepOrder) {
    Recorder w;
    ASSERT_TRUE(w.create(top()));
    drain();
    constexpr int kThreads = 4;
    constexpr int kEach = 25000;
    std::vector<Thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.push_back(Thread::start([&w, t] {
            for (int i = 0; i < kEach; ++i) post_message(&w, WM_USER, static_cast<uintptr_t>(t), i);
            return 0u;
        }));
    }
    std::map<uintptr_t, intptr_t> next;
    int got = 0;
    bool ordered = true;
    Message m;
    while (got < kThreads * kEach) {
        ASSERT_TRUE(get_ui_message(m));
        if (m.message != WM_USER) continue;
        ordered = ordered && next[m.wparam] == m.lparam;
        next[m.wparam] = m.lparam + 1;
        ++got;
    }
    for (auto& t : threads) t.join();
    EXPECT_TRUE(ordered);
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(next[static_cast<uintptr_t>(t)], kEach);
}

}  // namespace
}  // namespace plat

// The headless back end on its own: exact virtual timing of "wait", key
// handlers that sleep on the platform clock, bad lines and the end of input.
#include "platform/display/headless.h"

#include <gtest/gtest.h>

#include <sstream>

#include "platform/kernel/clock.h"
#include "platform/kernel/thread.h"
#include "platform/window/message_loop.h"
#include "platform/window/window.h"

namespace plat {
namespace {

class Counter : public Window {
  public:
    int ticks = 0;
    std::vector<uint64_t> key_times;
    intptr_t window_proc(uint32_t msg, uintptr_t wp, intptr_t lp) override {
        if (msg == WM_TIMER) ++ticks;
        if (msg == WM_KEYDOWN) {
            key_times.push_back(now_ms());
            sleep_ms(500);  // a handler that takes platform time
        }
        return default_proc(msg, wp, lp);
    }
};

TEST(HeadlessDisplay, WaitsAreExactAndSleepingHandlersSettle) {
    std::istringstream script(
        "wait 1000\n"
        "bogus line\n"
        "key F2\n"
        "wait 250\n");
    HeadlessDisplay display(&script, true);
    Counter w;
    CreateParams p;
    p.class_name = "Counter";
    p.style = WS_VISIBLE;
    p.rect = {0, 0, 10, 10};
    ASSERT_TRUE(w.create(p));
    set_focus(&w);
    set_input_thread(current_thread_id());
    const uint64_t start = now_ms();
    set_timer(&w, 1, 100);
    ASSERT_TRUE(display.start(current_thread_id()));
    Message m;
    while (get_ui_message(m)) dispatch_message(m);  // the script's end quits
    EXPECT_EQ(display.script_errors(), 1);
    ASSERT_EQ(w.key_times.size(), 1u);
    EXPECT_EQ(w.key_times[0] - start, 1000u);
    // 10 ticks in the first second, none while the handler slept (a late
    // timer fires once), then more in the last 250 ms.
    EXPECT_GE(w.ticks, 12);
    EXPECT_LE(w.ticks, 14);
    EXPECT_EQ(now_ms() - start, 1750u);
    display.stop();
    set_focus(nullptr);
}

// The end of the script runs the quit handler on the UI thread; a handler
// that sleeps on the platform clock there (a drawing that pauses between its
// segments, threads that end at their next tick) needs time to move on.
TEST(HeadlessDisplay, AQuitHandlerThatSleepsOnThePlatformClockEnds) {
    std::istringstream script("wait 100\n");
    HeadlessDisplay display(&script, true);
    const uint32_t ui = current_thread_id();
    uint64_t quit_at = 0;
    display.set_quit_handler([&] {
        for (int i = 0; i < 3; ++i) sleep_ms(5);
        quit_at = now_ms();
        post_thread_message(ui, WM_QUIT, 0, 0);
    });
    set_input_thread(ui);
    const uint64_t start = now_ms();
    ASSERT_TRUE(display.start(ui));
    Message m;
    while (get_ui_message(m)) dispatch_message(m);
    EXPECT_EQ(quit_at - start, 115u);
    display.stop();
}

}  // namespace
}  // namespace plat

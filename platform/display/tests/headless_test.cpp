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

}  // namespace
}  // namespace plat

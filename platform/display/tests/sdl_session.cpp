// A small program on the SDL back end for the SDL test: fills the screen with
// one colour, says "ready" on standard output once the window shows it, then
// waits for a key and exits 0 when it was F5 (1 on time-out, 2 when the
// display could not start).
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "platform/display/sdl_display.h"
#include "platform/kernel/thread.h"
#include "platform/window/message_loop.h"
#include "platform/window/paint.h"

namespace {

using namespace plat;

class KeyWindow : public Window {
  public:
    std::vector<uint32_t> keys;
    intptr_t window_proc(uint32_t msg, uintptr_t wp, intptr_t lp) override {
        if (msg == WM_KEYDOWN) keys.push_back(static_cast<uint32_t>(wp));
        if (msg == WM_PAINT) {
            PaintDc dc(this);
            dc->fill_rect(client_rect(), RGB(0x20, 0x80, 0xE0));
            return 0;
        }
        return default_proc(msg, wp, lp);
    }
};

template <class F>
bool pump_until(F done, int limit_ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
    while (std::chrono::steady_clock::now() < end) {
        Message m;
        while (peek_ui_message(m, true)) dispatch_message(m);
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

}  // namespace

int main() {
    KeyWindow w;
    CreateParams p;
    p.class_name = "SdlSession";
    p.style = WS_VISIBLE;
    p.rect = {0, 0, kScreenWidth, kScreenHeight};
    if (!w.create(p)) return 2;
    set_focus(&w);
    set_input_thread(current_thread_id());
    SdlDisplay display;
    if (!display.start(current_thread_id())) return 2;
    if (!pump_until([] { return screen_serial() > 0; }, 5000)) return 2;
    pump_until([] { return false; }, 300);  // a present or two
    std::printf("ready\n");
    std::fflush(stdout);
    const bool got = pump_until([&] { return !w.keys.empty(); }, 10000);
    if (got) std::printf("key %u\n", w.keys.front());
    std::fflush(stdout);
    if (got) {
        // A small change: only its rectangle goes to the window.
        {
            WindowDc dc(&w);
            dc->fill_rect({100, 100, 120, 120}, RGB(0xE0, 0x20, 0x20));
        }
        pump_until([] { return false; }, 300);
        std::printf("painted\n");
        std::fflush(stdout);
        pump_until([&] { return w.keys.size() > 1; }, 10000);
    }
    display.stop();
    return got && w.keys.front() == vk_function(5) ? 0 : 1;
}

#include "platform/framework/system_services.h"

#include <mutex>

#include "platform/sound/sound.h"

namespace plat {

namespace {
std::mutex& calls_lock() {
    static std::mutex m;
    return m;
}
SystemServiceCalls& calls() {
    static SystemServiceCalls c;
    return c;
}
}  // namespace

SystemServiceCalls system_service_calls() {
    std::lock_guard lock(calls_lock());
    return calls();
}

void reset_system_service_calls() {
    std::lock_guard lock(calls_lock());
    calls() = SystemServiceCalls{};
}

std::vector<uint32_t> get_keyboard_layout_list(int max_count) {
    if (max_count <= 0) return {};
    return {0x04090409};
}

uint32_t activate_keyboard_layout(uint32_t layout) {
    std::lock_guard lock(calls_lock());
    ++calls().layout_activations;
    if (layout != 0x04090409) return 0;
    const uint32_t previous = calls().active_layout;
    calls().active_layout = layout;
    return previous;
}

void system_idle_timer_reset() {
    std::lock_guard lock(calls_lock());
    ++calls().idle_timer_resets;
}

int ext_escape_query(int escape) {
    std::lock_guard lock(calls_lock());
    calls().escape_queries.push_back(escape);
    return escape == kEscapeContrast ? 1 : 0;
}

void message_beep(uint32_t type) {
    {
        std::lock_guard lock(calls_lock());
        calls().beeps.push_back(type);
    }
    play_beep(type);
}

TaskBarWindow::~TaskBarWindow() {
    if (exists()) destroy();
}

bool TaskBarWindow::create_bar() {
    CreateParams p;
    p.class_name = "HHTaskBar";
    p.style = WS_VISIBLE | WS_POPUP;
    p.rect = {0, kScreenHeight, kScreenWidth, kScreenHeight + 26};
    return create(p);
}

intptr_t TaskBarWindow::window_proc(uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    if (msg == WM_SHOWWINDOW) {
        (wparam ? shows_ : hides_)++;
        return 0;
    }
    if (msg == WM_PAINT) {
        validate();
        return 0;
    }
    return default_proc(msg, wparam, lparam);
}

}  // namespace plat

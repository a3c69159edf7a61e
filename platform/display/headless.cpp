#include "platform/display/headless.h"

#include <cstdio>
#include <fstream>
#include <iostream>

#include "platform/display/script.h"
#include "platform/gfx/image_file.h"
#include "platform/kernel/dispatcher.h"
#include "platform/window/message_loop.h"
#include "platform/window/paint.h"

namespace plat {

namespace {
// The earliest deadline any thread waits for on the platform clock; 0: none.
uint64_t earliest_wait_time() {
    std::unique_lock lock(detail::dispatcher_lock());
    return detail::earliest_deadline(lock);
}

bool thread_is_asleep(uint32_t tid) {
    std::unique_lock lock(detail::dispatcher_lock());
    return detail::thread_is_asleep(tid, lock);
}

// Real time after which virtual time moves on even though the UI thread is
// not asleep in a kernel wait (it may be blocked on something outside the
// kernel that waits for virtual time).
constexpr int kStallMs = 250;
}  // namespace

HeadlessDisplay::HeadlessDisplay(std::string script, bool virtual_clock)
    : script_path_(std::move(script)) {
    if (virtual_clock) clock_ = std::make_unique<VirtualClock>(false);
}

HeadlessDisplay::HeadlessDisplay(std::istream* script, bool virtual_clock)
    : script_stream_(script) {
    if (virtual_clock) clock_ = std::make_unique<VirtualClock>(false);
}

HeadlessDisplay::~HeadlessDisplay() {
    stop();
}

bool HeadlessDisplay::start(uint32_t ui_tid) {
    ui_tid_ = ui_tid;
    std::shared_ptr<std::istream> owned;
    std::istream* in = script_stream_;
    if (!in && !script_path_.empty()) {
        if (script_path_ == "-") {
            in = &std::cin;
        } else {
            owned = std::make_shared<std::ifstream>(script_path_);
            if (!*owned) {
                std::fprintf(stderr, "cannot read the script %s\n", script_path_.c_str());
                return false;
            }
            in = owned.get();
        }
    }
    thread_ = std::thread([this, in, owned] {
        if (in) {
            run_script(*in);
            if (!stopping()) request_quit(ui_tid_, stop_);
        }
        run_on_after_script();
    });
    return true;
}

void HeadlessDisplay::stop() {
    stop_.set();
    if (thread_.joinable()) thread_.join();
    clock_.reset();
}

void HeadlessDisplay::let_time_pass(int& stalled_ms, const Event& done) {
    if (!clock_) return;
    // A thread that merely runs slowly (a loaded machine, a sanitizer) gets
    // the real time it needs: virtual time stands still while it works.
    if (!thread_is_asleep(ui_tid_) && ++stalled_ms < kStallMs) return;
    stalled_ms = 0;
    // The thread may have finished and gone back to sleep since `done` was
    // last looked at; then its wait is none of ours.
    if (done.wait(0)) return;
    const uint64_t next = earliest_wait_time();
    const uint64_t now = clock_->now();
    if (next > now) clock_->advance(next - now);
}

bool HeadlessDisplay::settle() {
    const Event idle = request_idle_signal(ui_tid_);
    if (!idle) return false;
    // A handler that sleeps or waits with a time-out on the virtual clock
    // would never settle unless time moves on while it sleeps.
    int stalled_ms = 0;
    for (;;) {
        if (idle.wait(0)) return true;
        if (stopping()) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        let_time_pass(stalled_ms, idle);
    }
}

void HeadlessDisplay::wait_ms(uint32_t ms) {
    if (!clock_) {
        sleep_ms(ms);
        return;
    }
    const uint64_t target = clock_->now() + ms;
    while (!stopping()) {
        if (!settle()) return;
        const uint64_t now = clock_->now();
        uint64_t next = next_timer_due(ui_tid_);
        const uint64_t w = earliest_wait_time();
        if (w != 0 && (next == 0 || w < next)) next = w;
        if (next == 0 || next > target) break;
        if (next > now) {
            clock_->advance(next - now);
        } else {
            clock_->advance(0);  // wakes a waiter whose time has come
            std::this_thread::yield();
        }
    }
    const uint64_t now = clock_->now();
    if (target > now) clock_->advance(target - now);
    settle();
}

void HeadlessDisplay::run_script(std::istream& in) {
    std::string line;
    int number = 0;
    while (!stopping() && std::getline(in, line)) {
        ++number;
        std::string error;
        const auto cmd = parse_script_line(line, &error);
        if (!cmd) {
            if (!error.empty()) {
                std::fprintf(stderr, "script line %d: %s\n", number, error.c_str());
                ++errors_;
            }
            continue;
        }
        using K = ScriptCommand::Kind;
        switch (cmd->kind) {
            case K::Key:
            case K::Down:
            case K::Up:
                if (cmd->shift) post_key_input(VK_SHIFT, true);
                if (cmd->kind != K::Up) post_key_input(cmd->vk, true);
                if (cmd->kind != K::Down) post_key_input(cmd->vk, false);
                if (cmd->shift) post_key_input(VK_SHIFT, false);
                settle();
                break;
            case K::Wheel:
                post_wheel_notches(cmd->x);
                settle();
                break;
            case K::Click:
                post_mouse_input(WM_LBUTTONDOWN, {cmd->x, cmd->y});
                post_mouse_input(WM_LBUTTONUP, {cmd->x, cmd->y});
                settle();
                break;
            case K::Wait:
                wait_ms(cmd->ms);
                break;
            case K::Shot:
                settle();
                if (!write_png_file(cmd->file, screen_snapshot())) {
                    std::fprintf(stderr, "script line %d: cannot write %s\n", number,
                                 cmd->file.c_str());
                    ++errors_;
                }
                break;
            case K::Quit:
                settle();
                return;
        }
    }
}

void HeadlessDisplay::run_on_after_script() {
    // Lets time run so that the program's own waits end.
    int stalled_ms = 0;
    while (!stopping()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        let_time_pass(stalled_ms, stop_);
    }
}

}  // namespace plat

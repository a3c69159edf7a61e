#include "platform/display/headless.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

#include "platform/devices/power_service.h"
#include "platform/display/script.h"
#include "platform/gfx/image_file.h"
#include "platform/kernel/clock_state.h"
#include "platform/kernel/dispatcher.h"
#include "platform/window/message_loop.h"
#include "platform/window/paint.h"

namespace plat {

namespace {
// Real time after which virtual time moves on even though the UI thread is
// not asleep in a kernel wait (it may be blocked on something outside the
// kernel that waits for virtual time).
constexpr uint32_t kStallMs = 250;

// Waits for any of `objects` on the host clock: the back end's own waits
// never hold virtual time back nor count as a deadline to move it to.
uint32_t wait_real(std::initializer_list<const Waitable*> objects, uint32_t real_ms) {
    std::vector<detail::KObject*> raw;
    for (const Waitable* w : objects) raw.push_back(w->object());
    return detail::wait_for_any(raw, real_ms, /*host_clock=*/true);
}

// A thread of a window other than the UI thread's (an alert box, say) that
// woke at this time and still works on what woke it, such as closing its
// window at the end of its time.
bool window_thread_at_work(uint32_t ui_tid) {
    const std::vector<uint32_t> threads = screen_window_threads();
    return std::any_of(threads.begin(), threads.end(), [ui_tid](uint32_t tid) {
        return tid != ui_tid && detail::woken_thread_at_work(tid);
    });
}

// Nothing moves by itself any more: every woken thread has run and the UI
// thread sleeps in a kernel wait.
bool ui_waits_for_time(uint32_t ui_tid) {
    return detail::thread_is_asleep(ui_tid) && !detail::any_waiter_waking() &&
           !window_thread_at_work(ui_tid);
}

using Steady = std::chrono::steady_clock;
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
    std::function<bool(std::string&)> next_line;
    if (script_stream_) {
        next_line = [in = script_stream_](std::string& line) {
            return static_cast<bool>(std::getline(*in, line));
        };
    } else if (!script_path_.empty()) {
        if (script_path_ == "-") {
            reader_ = std::make_unique<LineReader>(STDIN_FILENO, false);
        } else {
            const int fd = ::open(script_path_.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) {
                std::fprintf(stderr, "cannot read the script %s\n", script_path_.c_str());
                return false;
            }
            reader_ = std::make_unique<LineReader>(fd, true);
        }
        next_line = [reader = reader_.get()](std::string& line) { return reader->next(line); };
    }
    thread_ = std::thread([this, next_line] {
        if (next_line) {
            run_script(next_line);
            // The quit handler may itself wait for time (a drawing that
            // pauses, threads that end at their next tick): time moves on
            // while it runs.
            if (!stopping()) {
                const Event done = queue_quit(ui_tid_);
                if (done) wait_for_time(done);
            }
        }
        run_on_after_script();
    });
    return true;
}

void HeadlessDisplay::stop() {
    stop_.set();
    if (reader_) reader_->interrupt();
    if (thread_.joinable()) thread_.join();
    reader_.reset();
    clock_.reset();
}

void HeadlessDisplay::end_input() {
    input_end_.set();
    if (reader_) reader_->interrupt();
}

bool HeadlessDisplay::let_time_pass(const Event& done, Steady::time_point& stall_end) {
    if (!clock_) return false;
    // A thread that merely runs slowly (a loaded machine, a sanitizer) gets
    // the real time it needs: virtual time stands still while it works.
    if ((!ui_waits_for_time(ui_tid_) || detail::virtual_time_held()) && Steady::now() < stall_end)
        return false;
    stall_end = Steady::now() + std::chrono::milliseconds(kStallMs);
    // The thread may have finished and gone back to sleep since `done` was
    // last looked at; then its wait is none of ours.
    if (done.wait(0)) return false;
    const uint64_t next = detail::earliest_deadline();
    const uint64_t now = clock_->now();
    if (next > now) clock_->advance(next - now);
    return true;
}

void HeadlessDisplay::wait_for_time(const Event& done) {
    // Wakes when a thread goes to sleep (time may have to move on), when
    // `done` is set, or when the UI thread has stalled for long.
    auto stall_end = Steady::now() + std::chrono::milliseconds(kStallMs);
    const Event& notice = detail::sleep_notice();
    while (!stopping() && !done.wait(0)) {
        if (!clock_) {
            wait_real({&done, &stop_}, INFINITE);
            continue;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(stall_end - Steady::now());
        wait_real({&done, &stop_, &notice},
                  static_cast<uint32_t>(std::max<int64_t>(left.count(), 0)));
        let_time_pass(done, stall_end);
    }
}

bool HeadlessDisplay::settle() {
    const Event idle = request_idle_signal(ui_tid_);
    if (!idle) return false;
    // A handler that sleeps or waits with a time-out on the virtual clock
    // would never settle unless time moves on while it sleeps.
    wait_for_time(idle);
    return idle.wait(0);
}

void HeadlessDisplay::settle_screen() {
    settle();
    // What the screen shows once every window's thread has painted.
    for (uint32_t tid : screen_window_threads()) {
        if (tid == ui_tid_) continue;
        const Event idle = request_idle_signal(tid);
        if (idle) wait_for_time(idle);
    }
}

void HeadlessDisplay::wait_ms(uint32_t ms) {
    if (!clock_) {
        wait_real({&stop_, &input_end_}, ms);
        return;
    }
    const uint64_t target = clock_->now() + ms;
    const Event& notice = detail::sleep_notice();
    while (!stopping() && !input_ended()) {
        // A UI thread asleep in a wait with no timer due has handled all it
        // was given (or waits for time itself): no need to ask it.
        uint64_t next = next_timer_due(ui_tid_);
        const bool timer_due = next != 0 && next <= clock_->now();
        if ((timer_due || !detail::thread_is_asleep(ui_tid_)) && !settle()) return;
        next = next_timer_due(ui_tid_);
        const uint64_t now = clock_->now();
        const uint64_t w = detail::earliest_deadline();
        if (w != 0 && (next == 0 || w < next)) next = w;
        if (next == 0 || next > target) break;
        if (next > now) {
            let_woken_threads_work();
            clock_->advance(next - now);
        } else {
            // Someone's time has come but it has not run yet: wake it and
            // wait until it sleeps again (or ends, or stalls).
            clock_->advance(0);
            wait_real({&stop_, &notice}, 1);
        }
    }
    if (input_ended()) return;
    const uint64_t now = clock_->now();
    if (target > now) {
        let_woken_threads_work();
        clock_->advance(target - now);
    }
    settle();
}

void HeadlessDisplay::let_woken_threads_work() {
    // A window's thread woken at this time may still work on what woke it (a
    // loaded machine may not have run it yet), and bytes may be on their way
    // to a simulated device and back: time moves on once they are done, or
    // once they have stalled for long.
    const auto stall_end = Steady::now() + std::chrono::milliseconds(kStallMs);
    const Event& notice = detail::sleep_notice();
    while (!stopping() && (window_thread_at_work(ui_tid_) || detail::virtual_time_held()) &&
           Steady::now() < stall_end)
        wait_real({&stop_, &notice}, 1);
}

void HeadlessDisplay::run_script(const std::function<bool(std::string&)>& next_line) {
    std::string line;
    int number = 0;
    while (!stopping() && !input_ended() && next_line(line)) {
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
                settle_screen();
                if (!write_png_file(cmd->file, screen_snapshot())) {
                    std::fprintf(stderr, "script line %d: cannot write %s\n", number,
                                 quote_script_text(cmd->file).c_str());
                    ++errors_;
                }
                break;
            case K::Power: {
                // The transition sleeps on the platform clock, which this
                // thread moves: it runs on its own thread meanwhile.
                const Event done(true, false);
                std::thread transition([&done, state = cmd->file] {
                    if (state == "sleep")
                        power::sleep();
                    else if (state == "wake")
                        power::wake();
                    else
                        power::off();
                    done.set();
                });
                wait_for_time(done);
                transition.join();
                settle();
                break;
            }
            case K::Quit:
                settle();
                return;
        }
    }
}

void HeadlessDisplay::run_on_after_script() {
    // Lets time run so that the program's own waits end.
    wait_for_time(stop_);
}

}  // namespace plat

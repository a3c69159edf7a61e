#pragma once
// The headless back end: the screen stays off screen; input comes from a
// script (see script.h) read by a thread of its own. Each input command
// waits until the user-interface thread has handled it, so a script's
// effects follow its order. On the virtual clock (the default) "wait"
// advances time from one due timer to the next, which makes timing exact and
// costs no real time; after the script has ended time runs on by itself so
// that the program can finish. The end of the script counts as "quit"; so
// does end_input (an interrupt or termination signal), which cuts a wait
// short and does not wait for the next line.
#include <atomic>
#include <chrono>
#include <functional>
#include <istream>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/display/backend.h"
#include "platform/display/line_reader.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/sync.h"

namespace plat {

class HeadlessDisplay : public DisplayBackend {
  public:
    // `script` empty: no input (the program runs until it quits by itself).
    HeadlessDisplay(std::string script, bool virtual_clock);
    // Reads the script from a stream the caller keeps alive.
    HeadlessDisplay(std::istream* script, bool virtual_clock);
    ~HeadlessDisplay() override;

    bool start(uint32_t ui_tid) override;
    void stop() override;
    void end_input() override;

    // Lines the script had wrong (reported on standard error and skipped).
    int script_errors() const { return errors_.load(); }
    int input_errors() const override { return script_errors(); }

  private:
    // Carries out the lines `next_line` gives until it gives none.
    void run_script(const std::function<bool(std::string&)>& next_line);
    bool stopping() const { return stop_.is_set(); }
    bool input_ended() const { return input_end_.is_set(); }
    bool settle();
    // Settles the input thread and every other thread with a window shown.
    void settle_screen();  // waits until the UI thread is idle; false when stopping
    void wait_ms(uint32_t ms);
    void run_on_after_script();
    // Until `done` is set (or the back end stops), lets virtual time pass
    // whenever the program waits for it.
    void wait_for_time(const Event& done);
    // Moves virtual time on to the earliest deadline anyone waits for, once
    // every woken thread has run and the UI thread sleeps in a wait, or once
    // `stall_end` has passed (then sets the next one); not when `done` is
    // set by then. True when it moved time.
    bool let_time_pass(const Event& done, std::chrono::steady_clock::time_point& stall_end);
    // Returns once no window's thread woken from a platform-clock wait is
    // still at work, or after the stall time.
    void let_woken_threads_work();

    std::string script_path_;
    std::istream* script_stream_ = nullptr;
    std::unique_ptr<VirtualClock> clock_;
    uint32_t ui_tid_ = 0;
    Event stop_{true, false};
    Event input_end_{true, false};
    std::unique_ptr<LineReader> reader_;  // set before the thread starts
    std::atomic<int> errors_{0};
    std::thread thread_;
};

}  // namespace plat

#pragma once
// Display back ends: where the screen is shown and where input comes from.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/display/options.h"
#include "platform/kernel/sync.h"

namespace plat {

class DisplayBackend {
  public:
    virtual ~DisplayBackend() = default;
    // What "quit" (closing the SDL window, the script's quit or its end)
    // does; it runs on the user-interface thread. The default posts WM_QUIT.
    void set_quit_handler(std::function<void()> handler) { quit_ = std::move(handler); }
    // Starts showing the screen and feeding input to thread `ui_tid`.
    virtual bool start(uint32_t ui_tid) = 0;
    // Why start failed; empty when it did not.
    virtual std::string start_failure() const { return {}; }
    // Stops the back end (joins its threads).
    virtual void stop() = 0;
    // The user's input ends now (an interrupt or termination signal): the
    // back end stops taking input and asks the program to quit, as the end
    // of a script or a closed window does. Any thread.
    virtual void end_input() {}
    // Input lines the back end could not carry out (script errors).
    virtual int input_errors() const { return 0; }

  protected:
    // Runs the quit handler on the user-interface thread; gives up waiting
    // for it when `cancel` is set (the back end is stopping). A real-clock
    // wait: a back end on a virtual clock waits for queue_quit's event while
    // it moves time.
    void request_quit(uint32_t ui_tid, const Event& cancel);
    // Queues the quit handler on the user-interface thread; answers the
    // event set once it has run, or none when WM_QUIT was posted instead.
    Event queue_quit(uint32_t ui_tid);

  private:
    std::function<void()> quit_;
};

std::unique_ptr<DisplayBackend> make_display(const DisplayOptions& options);

}  // namespace plat

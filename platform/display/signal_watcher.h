#pragma once
// Turns an interrupt or termination signal (SIGINT, SIGTERM) into a call on
// a thread of its own, so that a program closes as the user would close it.
// The thread sleeps until a signal comes or the watcher ends: it costs
// nothing while the program runs and does not hold up its exit.
#include <signal.h>

#include <functional>
#include <thread>

namespace plat {

class SignalWatcher {
  public:
    // Blocks the two signals for the calling thread and every thread it
    // starts later: construct it before the program starts its threads. The
    // destructor gives the calling thread its former signal mask back.
    explicit SignalWatcher(std::function<void()> on_signal);
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

  private:
    void run();

    std::function<void()> on_signal_;
    int signal_fd_ = -1;
    int stop_fd_ = -1;
    sigset_t previous_mask_;
    std::thread thread_;
};

}  // namespace plat

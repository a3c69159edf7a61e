#include "platform/display/signal_watcher.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

namespace plat {

SignalWatcher::SignalWatcher(std::function<void()> on_signal) : on_signal_(std::move(on_signal)) {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, &previous_mask_);
    signal_fd_ = ::signalfd(-1, &signals, SFD_CLOEXEC);
    stop_fd_ = ::eventfd(0, EFD_CLOEXEC);
    if (signal_fd_ < 0 || stop_fd_ < 0) {
        std::perror("cannot watch for interrupt and termination signals");
        return;
    }
    thread_ = std::thread([this] { run(); });
}

SignalWatcher::~SignalWatcher() {
    if (thread_.joinable()) {
        const uint64_t one = 1;
        while (::write(stop_fd_, &one, sizeof one) < 0 && errno == EINTR) {
        }
        thread_.join();
    }
    if (signal_fd_ >= 0) ::close(signal_fd_);
    if (stop_fd_ >= 0) ::close(stop_fd_);
    pthread_sigmask(SIG_SETMASK, &previous_mask_, nullptr);
}

void SignalWatcher::run() {
    pollfd fds[2] = {{signal_fd_, POLLIN, 0}, {stop_fd_, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            std::perror("signal watcher");
            return;
        }
        if (fds[1].revents) return;
        if (fds[0].revents) {
            signalfd_siginfo info;
            if (::read(signal_fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
                on_signal_();
            }
        }
    }
}

}  // namespace plat

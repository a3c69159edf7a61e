#include "sim/sensors/line_peer.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>

#include "platform/kernel/clock.h"

namespace sim {

namespace {
constexpr int kPollSliceMs = 5;
}

LinePeer::LinePeer(int master_fd, std::unique_ptr<ILineDevice> device)
    : fd_(master_fd),
      device_(std::move(device)),
      wake_fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      thread_([this] { Run(); }) {}

LinePeer::~LinePeer() {
    stop_.store(true);
    const uint64_t one = 1;
    if (wake_fd_ >= 0) (void)!::write(wake_fd_, &one, sizeof one);
    thread_.join();
    if (wake_fd_ >= 0) ::close(wake_fd_);
}

void LinePeer::Send(const std::string& bytes) {
    plat::serial::peer_sent(fd_, bytes.size());
    size_t put = 0;
    // A line nobody reads fills up; what does not fit is lost, as on a wire.
    for (int tries = 0; put < bytes.size() && tries < 100 && !stop_.load(); ++tries) {
        const ssize_t n = ::write(fd_, bytes.data() + put, bytes.size() - put);
        if (n > 0) {
            put += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) break;
        pollfd p{fd_, POLLOUT, 0};
        ::poll(&p, 1, kPollSliceMs);
    }
    if (put < bytes.size()) plat::serial::peer_withdrawn(fd_, bytes.size() - put);
}

void LinePeer::Run() {
    char buffer[512];
    while (!stop_.load()) {
        pollfd p[2] = {{fd_, POLLIN, 0}, {wake_fd_, POLLIN, 0}};
        const size_t count = wake_fd_ >= 0 ? 2 : 1;
        // Without a wake descriptor the wait stays short, so a stop is seen.
        uint64_t due = device_->NextDue(plat::now_ms());
        // A virtual clock stops at the device's next output until it is sent.
        plat::serial::peer_due(fd_, due);
        if (count == 1 && (due == 0 || due > plat::now_ms() + kPollSliceMs))
            due = plat::now_ms() + kPollSliceMs;
        const int ready = plat::serial::wait_for_fds({p, count}, due);
        if (ready > 0 && (p[0].revents & (POLLHUP | POLLERR)) && !(p[0].revents & POLLIN))
            ::usleep(kPollSliceMs * 1000);  // nobody on the line yet: no spinning
        if (ready > 0 && (p[0].revents & POLLIN)) {
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n > 0) {
                const std::string reply =
                    device_->OnBytes(std::string_view(buffer, size_t(n)), plat::now_ms());
                if (!reply.empty()) Send(reply);
                plat::serial::peer_answered(fd_, size_t(n));
            }
        }
        const std::string out = device_->OnTime(plat::now_ms());
        if (!out.empty()) Send(out);
    }
    plat::serial::peer_due(fd_, 0);
}

}  // namespace sim

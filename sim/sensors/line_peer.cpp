#include "sim/sensors/line_peer.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "platform/kernel/clock.h"

namespace sim {

namespace {
constexpr int kPollSliceMs = 5;
}

LinePeer::LinePeer(int master_fd, std::unique_ptr<ILineDevice> device)
    : fd_(master_fd), device_(std::move(device)), thread_([this] { Run(); }) {}

LinePeer::~LinePeer() {
    stop_.store(true);
    thread_.join();
}

void LinePeer::Send(const std::string& bytes) {
    size_t put = 0;
    // A line nobody reads fills up; what does not fit is lost, as on a wire.
    for (int tries = 0; put < bytes.size() && tries < 100 && !stop_.load(); ++tries) {
        const ssize_t n = ::write(fd_, bytes.data() + put, bytes.size() - put);
        if (n > 0) {
            put += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return;
        pollfd p{fd_, POLLOUT, 0};
        ::poll(&p, 1, kPollSliceMs);
    }
}

void LinePeer::Run() {
    char buffer[512];
    while (!stop_.load()) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, kPollSliceMs) > 0 && (p.revents & POLLIN)) {
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n > 0) {
                const std::string reply =
                    device_->OnBytes(std::string_view(buffer, size_t(n)), plat::now_ms());
                if (!reply.empty()) Send(reply);
            }
        }
        const std::string out = device_->OnTime(plat::now_ms());
        if (!out.empty()) Send(out);
    }
}

}  // namespace sim

#include "platform/display/line_reader.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace plat {

LineReader::LineReader(int fd, bool owned)
    : fd_(fd), owned_(owned), wake_fd_(::eventfd(0, EFD_CLOEXEC)) {}

LineReader::~LineReader() {
    if (wake_fd_ >= 0) ::close(wake_fd_);
    if (owned_ && fd_ >= 0) ::close(fd_);
}

void LineReader::interrupt() {
    interrupted_.store(true);
    const uint64_t one = 1;
    if (wake_fd_ < 0) return;
    while (::write(wake_fd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

bool LineReader::wait_readable() {
    pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_fd_, POLLIN, 0}};
    const nfds_t count = wake_fd_ >= 0 ? 2 : 1;
    for (;;) {
        if (::poll(fds, count, -1) >= 0) break;
        if (errno != EINTR) return false;
    }
    if (count == 2 && fds[1].revents) return false;
    return true;
}

bool LineReader::next(std::string& line) {
    for (;;) {
        if (interrupted_.load()) return false;
        if (const size_t end = buffer_.find('\n'); end != std::string::npos) {
            line.assign(buffer_, 0, end);
            buffer_.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return true;
        }
        if (at_end_) {
            if (buffer_.empty()) return false;
            line = std::move(buffer_);
            buffer_.clear();
            return true;
        }
        if (!wait_readable()) return false;
        char chunk[4096];
        const ssize_t n = ::read(fd_, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            at_end_ = true;
            continue;
        }
        buffer_.append(chunk, static_cast<size_t>(n));
    }
}

}  // namespace plat

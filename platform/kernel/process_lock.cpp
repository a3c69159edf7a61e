#include "platform/kernel/process_lock.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/kernel/device_root.h"

namespace plat::detail {

namespace {
// Keeps the lock file's name to characters every host file system takes.
std::string file_name_for(std::string_view name) {
    std::string out;
    for (char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        out += plain ? c : '_';
    }
    return out + ".lock";
}
}  // namespace

ProcessLock::ProcessLock(std::string_view name) {
    const auto dir = device_root() / "run";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    const auto path = dir / file_name_for(name);
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return;  // no root to lock in: the name is only process-wide
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        busy_ = errno == EWOULDBLOCK;
        ::close(fd);
        return;
    }
    fd_ = fd;
}

ProcessLock::~ProcessLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace plat::detail

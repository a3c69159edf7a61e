#include "platform/fs/host_io.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"

namespace plat::detail {

uint32_t error_from_errno(int err) {
    switch (err) {
        case 0:
            return ERROR_SUCCESS;
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return ERROR_ACCESS_DENIED;
        case EEXIST:
            return ERROR_ALREADY_EXISTS;
        case ENOTEMPTY:
            return ERROR_DIR_NOT_EMPTY;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:  // beyond the size a process may write
            return ERROR_DISK_FULL;
        case EMFILE:
        case ENFILE:
            return ERROR_TOO_MANY_OPEN_FILES;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case EBADF:
            return ERROR_INVALID_HANDLE;
        case EINVAL:
            return ERROR_INVALID_PARAMETER;
        case ENAMETOOLONG:
            return ERROR_INVALID_NAME;
        case EBUSY:
            return ERROR_BUSY;
        case ENOEXEC:
            return ERROR_BAD_EXE_FORMAT;
        default:
            return ERROR_GEN_FAILURE;
    }
}

bool fail_errno() {
    return fail(error_from_errno(errno));
}

bool fail(uint32_t code) {
    set_last_error(code);
    return false;
}

uint32_t missing_entry_error(const std::filesystem::path& host) {
    std::error_code ec;
    return std::filesystem::is_directory(host.parent_path(), ec) ? ERROR_FILE_NOT_FOUND
                                                                 : ERROR_PATH_NOT_FOUND;
}

namespace {

// Blocks the signals a failed write raises (a reader that left, SIGPIPE; a
// file-size limit, SIGXFSZ) on this thread while it lives, so that the
// write fails with its error instead; takes the ones the writes raised.
class WriteSignalGuard {
  public:
    WriteSignalGuard() {
        sigemptyset(&mask_);
        for (int sig : kSignals) sigaddset(&mask_, sig);
        pthread_sigmask(SIG_BLOCK, &mask_, &old_);
        sigpending(&before_);
    }
    ~WriteSignalGuard() {
        const int saved = errno;
        sigset_t now;
        sigpending(&now);
        for (int sig : kSignals) {
            // One already waiting for someone else stays.
            if (!sigismember(&now, sig) || sigismember(&before_, sig)) continue;
            sigset_t one;
            sigemptyset(&one);
            sigaddset(&one, sig);
            const timespec zero{0, 0};
            (void)sigtimedwait(&one, nullptr, &zero);
        }
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
        errno = saved;
    }
    WriteSignalGuard(const WriteSignalGuard&) = delete;
    WriteSignalGuard& operator=(const WriteSignalGuard&) = delete;

  private:
    static constexpr int kSignals[] = {SIGPIPE, SIGXFSZ};
    sigset_t mask_{}, old_{}, before_{};
};

}  // namespace

bool write_all(int fd, std::span<const std::byte> data) {
    int err = 0;
    {
        const WriteSignalGuard guard;
        size_t done = 0;
        while (done < data.size()) {
            const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
            if (n < 0) {
                if (errno == EINTR) continue;
                err = errno;
                break;
            }
            done += static_cast<size_t>(n);
        }
    }
    if (err == 0) return true;
    errno = err;
    return fail_errno();
}

}  // namespace plat::detail

#include "platform/fs/host_io.h"

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

bool write_all(int fd, std::span<const std::byte> data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail_errno();
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace plat::detail

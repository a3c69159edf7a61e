#include "platform/fs/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/fs/device_path.h"
#include "platform/fs/host_io.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"
#include "platform/text/utf.h"

namespace plat {

File::~File() {
    close();
}

File::File(File&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

File File::open(std::u16string_view path, FileAccess access, FileOpen how) {
    auto host = host_path(path);
    if (!host) return File();
    int flags = O_CLOEXEC;
    switch (access) {
        case FileAccess::Read:
            flags |= O_RDONLY;
            break;
        case FileAccess::Write:
            flags |= O_WRONLY;
            break;
        case FileAccess::ReadWrite:
            flags |= O_RDWR;
            break;
    }
    switch (how) {
        case FileOpen::Existing:
            break;
        case FileOpen::CreateAlways:
            flags |= O_CREAT | O_TRUNC;
            break;
        case FileOpen::CreateNew:
            flags |= O_CREAT | O_EXCL;
            break;
        case FileOpen::OpenAlways:
            flags |= O_CREAT;
            break;
        case FileOpen::TruncateExisting:
            flags |= O_TRUNC;
            break;
        case FileOpen::Append:
            flags |= O_CREAT | O_APPEND;
            break;
    }
    // Truncating needs write access on the host; the instrument allows it
    // with any access, so a read-only truncate still opens for writing.
    if ((flags & O_TRUNC) && access == FileAccess::Read) flags = (flags & ~O_ACCMODE) | O_RDWR;
    int fd = ::open(host->c_str(), flags, 0644);
    if (fd < 0) {
        int err = errno;
        uint32_t code = detail::error_from_errno(err);
        if (err == EEXIST) code = ERROR_FILE_EXISTS;
        if (err == ENOENT) code = detail::missing_entry_error(*host);
        set_last_error(code);
        return File();
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        set_last_error(ERROR_ACCESS_DENIED);
        return File();
    }
    return File(fd);
}

File File::open(std::string_view path_utf8, FileAccess access, FileOpen how) {
    return open(from_utf8(path_utf8), access, how);
}

int64_t File::read(std::span<std::byte> buffer) {
    if (fd_ < 0) return detail::fail(ERROR_INVALID_HANDLE), -1;
    size_t done = 0;
    while (done < buffer.size()) {
        ssize_t n = ::read(fd_, buffer.data() + done, buffer.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            detail::fail_errno();
            return -1;
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
}

int64_t File::write(std::span<const std::byte> data) {
    if (fd_ < 0) return detail::fail(ERROR_INVALID_HANDLE), -1;
    return detail::write_all(fd_, data) ? static_cast<int64_t>(data.size()) : -1;
}

int64_t File::write(std::string_view text) {
    return write(std::as_bytes(std::span(text.data(), text.size())));
}

int64_t File::seek(int64_t offset, SeekFrom from) {
    if (fd_ < 0) return detail::fail(ERROR_INVALID_HANDLE), -1;
    int whence = from == SeekFrom::Begin     ? SEEK_SET
                 : from == SeekFrom::Current ? SEEK_CUR
                                             : SEEK_END;
    off_t pos = ::lseek(fd_, offset, whence);
    if (pos < 0) return detail::fail(ERROR_INVALID_PARAMETER), -1;
    return pos;
}

int64_t File::size() const {
    if (fd_ < 0) return detail::fail(ERROR_INVALID_HANDLE), -1;
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return detail::fail_errno(), -1;
    return st.st_size;
}

bool File::truncate_here() {
    if (fd_ < 0) return detail::fail(ERROR_INVALID_HANDLE);
    off_t pos = ::lseek(fd_, 0, SEEK_CUR);
    if (pos < 0 || ::ftruncate(fd_, pos) != 0) return detail::fail_errno();
    return true;
}

bool File::flush() {
    if (fd_ < 0) return detail::fail(ERROR_INVALID_HANDLE);
    if (::fsync(fd_) != 0 && errno != EINVAL) return detail::fail_errno();
    return true;
}

void File::close() {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
}

}  // namespace plat

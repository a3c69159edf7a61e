#include "platform/fs/atomic_save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

#include "platform/fs/device_path.h"
#include "platform/fs/host_io.h"
#include "platform/kernel/errors.h"

namespace plat {

namespace fs = std::filesystem;

namespace {

// A hidden name beside the target keeps the rename on one file system.
std::string TemporaryPrefix(const fs::path& target) {
    return "." + target.filename().string() + ".tmp-";
}

}  // namespace

AtomicFile::AtomicFile(const fs::path& host_target) : target_(host_target) {
    std::string pattern = (target_.parent_path() / (TemporaryPrefix(target_) + "XXXXXX")).string();
    fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ < 0) {
        uint32_t code = detail::error_from_errno(errno);
        detail::fail(code == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : code);
        return;
    }
    ::fchmod(fd_, 0644);
    temp_ = pattern;
}

AtomicFile AtomicFile::for_instrument_path(std::u16string_view path) {
    auto host = host_path(path);
    if (!host) return AtomicFile();
    return AtomicFile(*host);
}

AtomicFile::AtomicFile(AtomicFile&& other) noexcept
    : target_(std::move(other.target_)),
      temp_(std::move(other.temp_)),
      fd_(std::exchange(other.fd_, -1)),
      failed_(other.failed_) {}

AtomicFile::~AtomicFile() {
    discard();
}

void AtomicFile::discard() {
    if (fd_ >= 0) {
        ::close(std::exchange(fd_, -1));
        ::unlink(temp_.c_str());
    }
}

bool AtomicFile::write(std::span<const std::byte> data) {
    if (fd_ < 0 || failed_) return detail::fail(ERROR_INVALID_HANDLE);
    if (!detail::write_all(fd_, data)) failed_ = true;
    return !failed_;
}

bool AtomicFile::write(std::string_view text) {
    return write(std::as_bytes(std::span(text.data(), text.size())));
}

bool AtomicFile::commit() {
    if (fd_ < 0 || failed_) {
        discard();
        return detail::fail(ERROR_WRITE_FAULT);
    }
    if (::fdatasync(fd_) != 0) {
        int err = errno;
        discard();
        return detail::fail(detail::error_from_errno(err));
    }
    ::close(std::exchange(fd_, -1));
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        int err = errno;
        ::unlink(temp_.c_str());
        return detail::fail(detail::error_from_errno(err));
    }
    // The folder is not flushed: after a power loss the rename may be lost,
    // which leaves the old file, whole; the data was flushed before the
    // rename, so the new name never shows a file without its contents.
    return true;
}

void remove_stale_temporaries(const fs::path& host_target) {
    const std::string prefix = TemporaryPrefix(host_target);
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(host_target.parent_path(), ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0)
            fs::remove(entry.path(), ec);
    }
}

bool atomic_save(const fs::path& host_target, std::span<const std::byte> data) {
    AtomicFile file(host_target);
    return file && file.write(data) && file.commit();
}

bool atomic_save(std::u16string_view instrument_path, std::span<const std::byte> data) {
    auto host = host_path(instrument_path);
    return host && atomic_save(*host, data);
}

bool atomic_save(std::u16string_view instrument_path, std::string_view text) {
    return atomic_save(instrument_path, std::as_bytes(std::span(text.data(), text.size())));
}

}  // namespace plat

#include "platform/fs/atomic_save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <string>
#include <utility>

#include "platform/fs/device_path.h"
#include "platform/fs/host_io.h"
#include "platform/kernel/errors.h"

namespace plat {

namespace fs = std::filesystem;

namespace {

// A hidden name beside the target keeps the rename on one file system. The
// name carries the saving process's id, "<prefix><pid>-XXXXXX", so that a
// later save can tell a killed save's leftover from one still being written.
std::string TemporaryPrefix(const fs::path& target) {
    return "." + target.filename().string() + ".tmp-";
}

constexpr size_t kUniqueChars = 6;

bool ProcessAlive(pid_t pid) {
    return pid == ::getpid() || ::kill(pid, 0) == 0 || errno == EPERM;
}

// Whether the rest of a temporary's name after its prefix names a save that
// can no longer finish: one of a process that ended, or one without a
// process id (as older builds named them).
bool IsLeftOver(std::string_view rest) {
    if (rest.size() == kUniqueChars) return true;
    const size_t dash = rest.find('-');
    if (dash == std::string_view::npos || rest.size() != dash + 1 + kUniqueChars) return false;
    pid_t pid = 0;
    const auto [end, ec] = std::from_chars(rest.data(), rest.data() + dash, pid);
    if (ec != std::errc() || end != rest.data() + dash || pid <= 0) return false;
    return !ProcessAlive(pid);
}

// Makes the data of a rename durable: the folder holding the new name is
// flushed. File systems that cannot flush a folder say EINVAL.
bool SyncFolder(const fs::path& folder) {
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return detail::fail(detail::error_from_errno(errno));
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
    const int err = errno;
    ::close(fd);
    return ok || detail::fail(detail::error_from_errno(err));
}

}  // namespace

AtomicFile::AtomicFile(const fs::path& host_target) : target_(host_target) {
    remove_stale_temporaries(target_);
    std::string pattern = (target_.parent_path() /
                           (TemporaryPrefix(target_) + std::to_string(::getpid()) + "-XXXXXX"))
                              .string();
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
    // The data was flushed before the rename, so the new name never shows a
    // file without its contents; flushing the folder keeps the rename itself
    // across a power loss, so a save reported done stays done.
    return SyncFolder(target_.parent_path());
}

void remove_stale_temporaries(const fs::path& host_target) {
    const std::string prefix = TemporaryPrefix(host_target);
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(host_target.parent_path(), ec)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(prefix) && IsLeftOver(std::string_view(name).substr(prefix.size())))
            fs::remove(entry.path(), ec);
    }
}

void remove_stale_temporaries_below(const fs::path& host_folder) {
    constexpr std::string_view kMarker = ".tmp-";
    std::error_code ec;
    fs::recursive_directory_iterator it(host_folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const size_t marker = name.rfind(kMarker);
        if (name.size() < 2 || name[0] != '.' || marker == std::string::npos || marker == 0)
            continue;
        std::error_code type_ec;
        if (!it->is_regular_file(type_ec)) continue;
        if (!IsLeftOver(std::string_view(name).substr(marker + kMarker.size()))) continue;
        std::error_code remove_ec;
        fs::remove(it->path(), remove_ec);
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

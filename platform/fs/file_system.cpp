#include "platform/fs/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/fs/atomic_save.h"
#include "platform/fs/device_path.h"
#include "platform/fs/host_io.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"
#include "platform/text/utf.h"

namespace plat {

namespace fs = std::filesystem;
using detail::fail;
using detail::fail_errno;

namespace {

// Seconds between 1601-01-01 and 1970-01-01.
constexpr uint64_t kEpochDelta = 11644473600ULL;

FileTime to_file_time(const struct timespec& ts) {
    return (static_cast<uint64_t>(ts.tv_sec) + kEpochDelta) * 10000000ULL +
           static_cast<uint64_t>(ts.tv_nsec) / 100;
}

uint32_t attributes_of(const fs::path& host, const struct stat& st) {
    uint32_t attributes = 0;
    if (S_ISDIR(st.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (!(st.st_mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
    if (host.filename().string().starts_with('.')) attributes |= FILE_ATTRIBUTE_HIDDEN;
    if (attributes == 0)
        attributes = S_ISREG(st.st_mode) ? FILE_ATTRIBUTE_ARCHIVE : FILE_ATTRIBUTE_NORMAL;
    return attributes;
}

// Maps a path and stats it; ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND
// when it does not exist.
std::optional<fs::path> existing(std::u16string_view path, struct stat* st) {
    auto host = host_path(path);
    if (!host) return std::nullopt;
    if (::stat(host->c_str(), st) != 0) {
        fail(detail::missing_entry_error(*host));
        return std::nullopt;
    }
    return host;
}

// The target of a create, copy or move: its folder must exist.
std::optional<fs::path> creatable(std::u16string_view path) {
    auto host = host_path(path);
    if (!host) return std::nullopt;
    std::error_code ec;
    if (!fs::is_directory(host->parent_path(), ec)) {
        fail(ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    return host;
}

bool same_entry(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

uint32_t file_attributes(std::u16string_view path) {
    struct stat st {};
    auto host = existing(path, &st);
    return host ? attributes_of(*host, st) : INVALID_FILE_ATTRIBUTES;
}

bool set_file_attributes(std::u16string_view path, uint32_t attributes) {
    struct stat st {};
    auto host = existing(path, &st);
    if (!host) return false;
    mode_t mode = st.st_mode & 07777;
    mode = (attributes & FILE_ATTRIBUTE_READONLY) ? (mode & ~0222) : (mode | S_IWUSR);
    if (::chmod(host->c_str(), mode) != 0) return fail_errno();
    return true;
}

bool file_exists(std::u16string_view path) {
    return file_attributes(path) != INVALID_FILE_ATTRIBUTES;
}

std::optional<FileTime> last_write_time(std::u16string_view path) {
    struct stat st {};
    if (!existing(path, &st)) return std::nullopt;
    return to_file_time(st.st_mtim);
}

bool set_last_write_time(std::u16string_view path, FileTime time) {
    struct stat st {};
    auto host = existing(path, &st);
    if (!host) return false;
    if (time < kEpochDelta * 10000000ULL) return fail(ERROR_INVALID_PARAMETER);
    uint64_t unix_ticks = time - kEpochDelta * 10000000ULL;
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(unix_ticks / 10000000ULL);
    times[1].tv_nsec = static_cast<long>(unix_ticks % 10000000ULL) * 100;
    if (::utimensat(AT_FDCWD, host->c_str(), times, 0) != 0) return fail_errno();
    return true;
}

bool create_directory(std::u16string_view path) {
    auto host = creatable(path);
    if (!host) return false;
    if (::mkdir(host->c_str(), 0755) != 0) return fail_errno();
    return true;
}

bool remove_directory(std::u16string_view path) {
    struct stat st {};
    auto host = existing(path, &st);
    if (!host) return false;
    if (!S_ISDIR(st.st_mode)) return fail(ERROR_DIRECTORY);
    if (host->lexically_normal() == host_path(u"\\")->lexically_normal())
        return fail(ERROR_ACCESS_DENIED);
    if (::rmdir(host->c_str()) != 0) return fail_errno();
    return true;
}

bool delete_file(std::u16string_view path) {
    struct stat st {};
    auto host = existing(path, &st);
    if (!host) return false;
    if (S_ISDIR(st.st_mode)) return fail(ERROR_ACCESS_DENIED);
    if (!(st.st_mode & S_IWUSR)) return fail(ERROR_ACCESS_DENIED);  // read-only
    if (::unlink(host->c_str()) != 0) return fail_errno();
    return true;
}

bool copy_file(std::u16string_view from, std::u16string_view to, bool fail_if_exists) {
    struct stat st {};
    auto source = existing(from, &st);
    if (!source) return false;
    if (S_ISDIR(st.st_mode)) return fail(ERROR_ACCESS_DENIED);
    auto target = creatable(to);
    if (!target) return false;
    struct stat tst {};
    bool target_exists = ::stat(target->c_str(), &tst) == 0;
    if (target_exists && fail_if_exists) return fail(ERROR_FILE_EXISTS);
    if (target_exists && (S_ISDIR(tst.st_mode) || !(tst.st_mode & S_IWUSR)))
        return fail(ERROR_ACCESS_DENIED);
    if (target_exists && same_entry(st, tst)) return fail(ERROR_SHARING_VIOLATION);

    int in = ::open(source->c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return fail_errno();
    AtomicFile out(*target);
    bool ok = static_cast<bool>(out);
    std::vector<std::byte> buffer(1 << 16);
    while (ok) {
        ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ok = fail_errno();
            break;
        }
        if (n == 0) break;
        ok = out.write(std::span(buffer.data(), static_cast<size_t>(n)));
    }
    ::close(in);
    if (!ok) return false;
    if (fail_if_exists && ::access(target->c_str(), F_OK) == 0) return fail(ERROR_FILE_EXISTS);
    if (!out.commit()) return false;
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::utimensat(AT_FDCWD, target->c_str(), times, 0);
    return true;
}

bool move_file(std::u16string_view from, std::u16string_view to) {
    struct stat st {};
    auto source = existing(from, &st);
    if (!source) return false;
    auto target = creatable(to);
    if (!target) return false;
    // A move that only changes the case of the name is a rename of one entry.
    struct stat tst {};
    if (::stat(target->c_str(), &tst) == 0 && !same_entry(st, tst))
        return fail(ERROR_ALREADY_EXISTS);
    if (S_ISDIR(st.st_mode)) {
        auto rel = target->lexically_relative(*source);
        if (!rel.empty() && *rel.begin() != "..") return fail(ERROR_ACCESS_DENIED);  // into itself
    }
    // renameat2 with RENAME_NOREPLACE would close the check-then-rename
    // window, but it is not on every file system; the window is harmless
    // for the single user of the instrument.
    if (::rename(source->c_str(), target->c_str()) == 0) return true;
    if (errno != EXDEV || S_ISDIR(st.st_mode)) return fail_errno();
    return copy_file(from, to, true) && delete_file(from);
}

bool wildcard_match(std::u16string_view pattern, std::u16string_view name) {
    if (pattern == u"*.*" || pattern == u"*") return true;
    size_t p = 0, n = 0, star = std::u16string_view::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() &&
            (pattern[p] == u'?' || fold_case(pattern[p]) == fold_case(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            mark = n;
        } else if (star != std::u16string_view::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    // "name.*" also matches "name", as on the instrument.
    if (p + 2 == pattern.size() && pattern[p] == u'.' && pattern[p + 1] == u'*') return true;
    return p == pattern.size();
}

struct FindFile::State {
    std::vector<FindData> entries;
    size_t next = 0;
};

FindFile::~FindFile() = default;
FindFile::FindFile(FindFile&&) noexcept = default;
FindFile& FindFile::operator=(FindFile&&) noexcept = default;

FindFile FindFile::first(std::u16string_view pattern, FindData& first) {
    size_t cut = pattern.find_last_of(u"\\/");
    std::u16string_view folder =
        cut == std::u16string_view::npos ? u"" : pattern.substr(0, cut + 1);
    std::u16string_view mask = cut == std::u16string_view::npos ? pattern : pattern.substr(cut + 1);
    if (mask.empty()) mask = u"*";
    FindFile result;
    auto host = host_path(folder.empty() ? std::u16string_view(u"\\") : folder);
    if (!host) return result;
    std::error_code ec;
    if (!fs::is_directory(*host, ec)) {
        fail(ERROR_PATH_NOT_FOUND);
        return result;
    }
    auto state = std::make_unique<State>();
    for (fs::directory_iterator it(*host, ec), end; !ec && it != end; it.increment(ec)) {
        std::u16string name = from_utf8(it->path().filename().string());
        if (!wildcard_match(mask, name)) continue;
        struct stat st {};
        if (::stat(it->path().c_str(), &st) != 0) continue;
        FindData data;
        data.name = std::move(name);
        data.attributes = attributes_of(it->path(), st);
        data.size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
        data.last_write = to_file_time(st.st_mtim);
        state->entries.push_back(std::move(data));
    }
    if (state->entries.empty()) {
        fail(ERROR_FILE_NOT_FOUND);
        return result;
    }
    std::sort(state->entries.begin(), state->entries.end(),
              [](const FindData& a, const FindData& b) { return a.name < b.name; });
    result.state_ = std::move(state);
    result.next(first);
    return result;
}

bool FindFile::next(FindData& out) {
    if (!state_) return fail(ERROR_INVALID_HANDLE);
    if (state_->next >= state_->entries.size()) return fail(ERROR_NO_MORE_FILES);
    out = state_->entries[state_->next++];
    return true;
}

bool disk_free_space(std::u16string_view path, DiskSpace& out) {
    auto host = host_path(path);
    if (!host) return false;
    std::error_code ec;
    if (!fs::exists(*host, ec)) return fail(ERROR_PATH_NOT_FOUND);
    struct statvfs sv {};
    if (::statvfs(host->c_str(), &sv) != 0) return fail_errno();
    out.total = static_cast<uint64_t>(sv.f_blocks) * sv.f_frsize;
    out.total_free = static_cast<uint64_t>(sv.f_bfree) * sv.f_frsize;
    out.free_to_caller = static_cast<uint64_t>(sv.f_bavail) * sv.f_frsize;
    return true;
}

namespace {

uint32_t clamp32(uint64_t v) {
    return v > 0xFFFFFFFFULL ? 0xFFFFFFFFU : static_cast<uint32_t>(v);
}

// "Key:   12345 kB" lines of /proc files, in bytes.
uint64_t proc_kb(const char* file, std::string_view key) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.starts_with(key) && line.size() > key.size() && line[key.size()] == ':') {
            std::istringstream fields(line.substr(key.size() + 1));
            uint64_t kb = 0;
            fields >> kb;
            return kb * 1024;
        }
    }
    return 0;
}

}  // namespace

MemoryStatus global_memory_status() {
    MemoryStatus status;
    uint64_t total = proc_kb("/proc/meminfo", "MemTotal");
    uint64_t avail = proc_kb("/proc/meminfo", "MemAvailable");
    uint64_t swap_total = proc_kb("/proc/meminfo", "SwapTotal");
    uint64_t swap_free = proc_kb("/proc/meminfo", "SwapFree");
    if (total > 0)
        status.memory_load = static_cast<uint32_t>(100 - std::min(avail, total) * 100 / total);
    status.total_phys = clamp32(total);
    status.avail_phys = clamp32(avail);
    status.total_page_file = clamp32(total + swap_total);
    status.avail_page_file = clamp32(avail + swap_free);
    // A 32-bit process's address space: 2 GB, less what this process maps.
    constexpr uint64_t kVirtual = 0x7FFE0000ULL;
    uint64_t used = proc_kb("/proc/self/status", "VmRSS");
    status.total_virtual = static_cast<uint32_t>(kVirtual);
    status.avail_virtual = static_cast<uint32_t>(kVirtual - std::min(used, kVirtual));
    return status;
}

}  // namespace plat

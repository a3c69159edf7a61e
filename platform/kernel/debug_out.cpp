#include "platform/kernel/debug_out.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>

#include "platform/kernel/clock.h"
#include "platform/kernel/thread.h"

namespace plat {

namespace {
struct Sinks {
    std::mutex lock;
    int next_id = 0;
    std::map<int, std::vector<std::string>> captures;
};
Sinks& sinks() {
    static Sinks s;
    return s;
}
std::atomic<bool> g_to_stderr{true};

// Where the debug lines go: the file CELVANE_DEBUG_LOG names, opened once
// for appending, else stderr. Each line is one write, so that the lines of
// the system's programs in one file do not mix.
int debug_fd() {
    static const int fd = [] {
        const char* file = std::getenv(kDebugLogVariable);
        if (!file || !*file) return STDERR_FILENO;
        const int f = ::open(file, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        return f >= 0 ? f : STDERR_FILENO;
    }();
    return fd;
}
}  // namespace

std::string debug_prefix() {
    const SystemTime t = local_time();
    char buf[64];
    std::snprintf(buf, sizeof buf, "<%02d/%02d %02d:%02d:%02d> %08x ", t.month, t.day, t.hour,
                  t.minute, t.second, current_thread_id());
    return buf;
}

void debug_output(std::string_view text) {
    std::string line = debug_prefix();
    line.append(text);
    if (g_to_stderr.load(std::memory_order_relaxed)) {
        std::string out = line;
        if (out.empty() || out.back() != '\n') out.push_back('\n');
        const int fd = debug_fd();
        if (fd == STDERR_FILENO) std::fflush(stderr);
        (void)!::write(fd, out.data(), out.size());
    }
    Sinks& s = sinks();
    std::lock_guard lock(s.lock);
    for (auto& [id, lines] : s.captures) lines.push_back(line);
}

void debug_printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    debug_output(text);
}

void set_debug_to_stderr(bool enabled) {
    g_to_stderr.store(enabled);
}

DebugCapture::DebugCapture() {
    Sinks& s = sinks();
    std::lock_guard lock(s.lock);
    id_ = s.next_id++;
    s.captures[id_];
}

DebugCapture::~DebugCapture() {
    Sinks& s = sinks();
    std::lock_guard lock(s.lock);
    s.captures.erase(id_);
}

std::vector<std::string> DebugCapture::lines() const {
    Sinks& s = sinks();
    std::lock_guard lock(s.lock);
    return s.captures.at(id_);
}

}  // namespace plat

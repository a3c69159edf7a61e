#include "platform/process/process.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

#include "platform/fs/device_path.h"
#include "platform/fs/host_io.h"
#include "platform/kernel/device_root.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"
#include "platform/text/utf.h"

extern char** environ;

namespace plat {

namespace fs = std::filesystem;

struct Process::State {
    pid_t pid = 0;
    int pidfd = -1;  // -1 where the kernel has no process descriptors
    bool child = false;
    std::mutex lock;
    bool ended = false;
    uint32_t code = 0;
    bool terminated = false;
    uint32_t terminate_code = 0;

    ~State() {
        if (pidfd >= 0) ::close(pidfd);
    }

    // Under `lock`: notices the end of the process without blocking.
    void poll_end() {
        if (ended) return;
        if (child) {
            int status = 0;
            pid_t r = ::waitpid(pid, &status, WNOHANG);
            if (r == pid) {
                ended = true;
                if (terminated)
                    code = terminate_code;
                else if (WIFEXITED(status))
                    code = static_cast<uint32_t>(WEXITSTATUS(status));
                else
                    code = 128 + static_cast<uint32_t>(WTERMSIG(status));
            } else if (r < 0 && errno == ECHILD) {
                ended = true;  // reaped elsewhere
            }
            return;
        }
        if (pidfd >= 0) {
            struct pollfd p {
                pidfd, POLLIN, 0
            };
            if (::poll(&p, 1, 0) > 0) ended = true;
        } else if (::kill(pid, 0) != 0 && errno == ESRCH) {
            ended = true;
        }
        if (ended) code = terminated ? terminate_code : 0;
    }
};

namespace {

// Children started by this process, so that every handle to one of them
// shares the state that reaping it produced.
std::mutex g_children_lock;
std::map<pid_t, std::shared_ptr<Process::State>> g_children;

int open_pidfd(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

std::vector<std::string> environment_for(std::u16string_view instrument_path) {
    const std::string path_prefix = std::string(kProgramPathVariable) + "=";
    const std::string root_prefix = std::string(kDeviceRootVariable) + "=";
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string_view entry(*e);
        if (entry.starts_with(path_prefix) || entry.starts_with(root_prefix)) continue;
        env.emplace_back(entry);
    }
    env.push_back(path_prefix + to_utf8(instrument_path));
    env.push_back(root_prefix + device_root().string());
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (auto& s : strings) out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

}  // namespace

Process Process::start(std::u16string_view instrument_path,
                       const std::vector<std::u16string>& arguments) {
    auto host = host_path(instrument_path);
    if (!host) return Process();
    std::error_code ec;
    if (!fs::exists(*host, ec)) {
        set_last_error(detail::missing_entry_error(*host));
        return Process();
    }
    if (fs::is_directory(*host, ec) || ::access(host->c_str(), X_OK) != 0) {
        set_last_error(ERROR_ACCESS_DENIED);
        return Process();
    }
    std::vector<std::string> args{host->string(), "--root", device_root().string()};
    for (const auto& a : arguments) args.push_back(to_utf8(a));
    std::vector<std::string> env = environment_for(instrument_path);
    auto argv = pointers(args);
    auto envp = pointers(env);

    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    int err = ::posix_spawn(&pid, host->c_str(), nullptr, &attr, argv.data(), envp.data());
    posix_spawnattr_destroy(&attr);
    if (err != 0) {
        set_last_error(err == ENOEXEC ? ERROR_BAD_EXE_FORMAT : detail::error_from_errno(err));
        return Process();
    }
    auto state = std::make_shared<State>();
    state->pid = pid;
    state->child = true;
    state->pidfd = open_pidfd(pid);
    {
        std::lock_guard guard(g_children_lock);
        g_children[pid] = state;
    }
    Process process;
    process.state_ = std::move(state);
    return process;
}

Process Process::open(uint32_t id) {
    Process process;
    {
        std::lock_guard guard(g_children_lock);
        auto it = g_children.find(static_cast<pid_t>(id));
        if (it != g_children.end()) {
            std::lock_guard state_guard(it->second->lock);
            it->second->poll_end();
            if (!it->second->ended) process.state_ = it->second;
        }
    }
    if (process.state_) return process;
    if (id == 0 || ::kill(static_cast<pid_t>(id), 0) != 0) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return Process();
    }
    auto state = std::make_shared<State>();
    state->pid = static_cast<pid_t>(id);
    state->pidfd = open_pidfd(state->pid);
    process.state_ = std::move(state);
    return process;
}

uint32_t Process::id() const {
    return state_ ? static_cast<uint32_t>(state_->pid) : 0;
}

bool Process::exit_code(uint32_t& code) const {
    if (!state_) {
        set_last_error(ERROR_INVALID_HANDLE);
        return false;
    }
    std::lock_guard guard(state_->lock);
    state_->poll_end();
    code = state_->ended ? state_->code : STILL_ACTIVE;
    return true;
}

bool Process::running() const {
    uint32_t code = 0;
    return exit_code(code) && code == STILL_ACTIVE;
}

bool Process::wait(uint32_t timeout_ms) const {
    if (!state_) return false;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        {
            std::lock_guard guard(state_->lock);
            state_->poll_end();
            if (state_->ended) return true;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (timeout_ms != INFINITE && left.count() <= 0) return false;
        int slice =
            timeout_ms == INFINITE ? 100 : static_cast<int>(std::min<int64_t>(left.count(), 100));
        if (state_->pidfd >= 0) {
            struct pollfd p {
                state_->pidfd, POLLIN, 0
            };
            ::poll(&p, 1, slice);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(slice, 5)));
        }
    }
}

bool Process::terminate(uint32_t code) {
    if (!state_) {
        set_last_error(ERROR_INVALID_HANDLE);
        return false;
    }
    {
        std::lock_guard guard(state_->lock);
        state_->poll_end();
        if (state_->ended) {
            set_last_error(ERROR_ACCESS_DENIED);
            return false;
        }
        state_->terminated = true;
        state_->terminate_code = code;
        if (::kill(state_->pid, SIGKILL) != 0 && errno != ESRCH) {
            set_last_error(ERROR_ACCESS_DENIED);
            return false;
        }
    }
    // Like the platform's terminate, the process is gone when this returns.
    wait(5000);
    return true;
}

std::u16string program_path() {
    if (const char* given = std::getenv(kProgramPathVariable); given && *given)
        return from_utf8(given);
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    fs::path rel = exe.lexically_relative(fs::weakly_canonical(device_root(), ec));
    if (!exe.empty() && !rel.empty() && *rel.begin() != "..") {
        std::u16string path;
        for (const auto& part : rel) path += u"\\" + from_utf8(part.string());
        return path;
    }
    return u"\\Windows\\" + from_utf8(exe.filename().string());
}

}  // namespace plat

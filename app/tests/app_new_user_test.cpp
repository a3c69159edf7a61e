// What a new user gets wrong, tried on the built programs as processes: each
// run's exit status and the first line it prints.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "app/tests/app_test_support.h"

using namespace app_test;

namespace {

namespace fs = std::filesystem;

std::string Quote(const fs::path& p) {
    return "'" + p.string() + "'";
}

struct ProcessRun {
    int status = -1;
    std::string first_line;
    int user_lines = 0;         // lines printed beside the debug trace
    bool debug_logged = false;  // the debug log file holds lines
};

// Runs a shell command with standard input from `input`; the first line of
// the message it printed (standard error and output together).
ProcessRun RunCommand(const std::string& cmd, const fs::path& out, const std::string& input) {
    const fs::path in = out.string() + ".in";
    std::ofstream(in) << input;
    // The programs' debug output goes to its own file, as `make run` has it.
    const int raw = std::system(("CELVANE_DEBUG_LOG=" + Quote(out.string() + ".debug") + " " + cmd +
                                 " <" + Quote(in) + " >" + Quote(out) + " 2>&1")
                                    .c_str());
    ProcessRun r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128;
    // The program's own lines ("program: ...", "usage: ...", "script line
    // N: ..."), not the debug trace that runs beside them.
    static const std::regex message(R"(^(usage: |script line [0-9]+: |[A-Za-z_-]+: ))");
    std::error_code ec;
    r.debug_logged = fs::file_size(out.string() + ".debug", ec) > 0;
    static const std::regex debug(R"(^<[0-9]{2}/[0-9]{2} )");
    std::ifstream f(out);
    for (std::string line; std::getline(f, line);) {
        if (!std::regex_search(line, debug)) ++r.user_lines;
        if (!r.first_line.empty() || !std::regex_search(line, message)) continue;
        r.first_line = line;
    }
    return r;
}

class NewUser : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(MakeDeviceImage(root_.path()), 0); }
    std::string Program(const std::string& name) const { return Quote(BinDir() / name); }
    std::string Celvane(const std::string& args) const {
        return "env -u DISPLAY -u WAYLAND_DISPLAY " + Program("celvane") + " --root " +
               Quote(root_.path()) + " " + args;
    }
    DeviceRoot root_{"celvane-newuser"};
};

TEST_F(NewUser, EveryMistakeIsAnsweredInOneLine) {
    const fs::path missing = root_.path() / "no-such-root";
    const fs::path locked = root_.path() / "run" / "SpectrumAnalyzer.lock";
    const std::string long_key(200, 'x');
    const std::string cut_key = "\"" + long_key.substr(0, 80) + "...\"";
    int lock_fd = -1;
    const struct Case {
        const char* what;
        std::string command;
        std::string input;
        int status;
        std::string first_line;  // the start of the first line
        int user_lines = 0;      // when not 0: all the user is shown
        std::function<void()> before = {};
        std::function<void()> after = {};
    } cases[] = {
        {"help", Program("celvane") + " --help", "", 0, "usage: celvane [options]"},
        {"unknown option", Program("celvane") + " --frobnicate", "", 2,
         "celvane: unknown option \"--frobnicate\" (--help lists the options)"},
        {"bad option value", Program("celvane") + " --display tv", "", 2,
         "celvane: --display takes sdl or headless, not \"tv\""},
        {"missing root", Program("celvane") + " --display headless --root " + Quote(missing), "", 1,
         "celvane: the device root \"" + missing.string() + "\" does not exist", 1},
        {"missing script file", Celvane("--display headless --script " + Quote(missing)), "", 2,
         "celvane: cannot read the script \"" + missing.string() + "\"", 1},
        {"second instance", Celvane("--display headless --script -"), "quit\n", 1,
         "celvane: the instrument is already running on this device root", 0,
         [&] {
             fs::create_directories(locked.parent_path());
             lock_fd = ::open(locked.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
             ASSERT_EQ(::flock(lock_fd, LOCK_EX | LOCK_NB), 0);
         },
         [&] { ::close(lock_fd); }},
        {"sdl without a display", Celvane("--display sdl"), "quit\n", 0,
         "celvane: --display sdl: no display is reachable", 1},
        // A display that is named but not there: one line, then the script
        // on standard input runs to its quit.
        {"sdl on an unreachable display",
         "env -u WAYLAND_DISPLAY DISPLAY=:1999 " + Program("celvane") + " --root " +
             Quote(root_.path()) + " --display sdl",
         "quit\n", 0, "celvane: --display sdl: no window opens", 1},
        {"headless without a script", Celvane("--display headless"), "quit\n", 0,
         "celvane: headless: reading the script from standard input", 1},
        {"unknown script key", Celvane("--display headless --script -"),
         "key " + long_key + "\nquit\n", 3, "script line 1: unknown key " + cut_key},
        {"failed shot", Celvane("--display headless --script -"),
         "shot /nonexistent-folder/x.png\nquit\n", 3,
         "script line 1: cannot write \"/nonexistent-folder/x.png\""},
        {"registry tool help", Program("celvane-registry") + " --help", "", 0,
         "usage: celvane-registry"},
        {"registry tool unknown option", Program("celvane-registry") + " --force", "", 2,
         "celvane-registry: unknown option \"--force\""},
        {"factory setups help", Program("celvane-factory-setups") + " -h", "", 0,
         "usage: celvane-factory-setups"},
        {"factory setups unknown option", Program("celvane-factory-setups") + " --all", "", 2,
         "celvane-factory-setups: unknown option \"--all\""},
        {"gallery help", Program("widget_gallery") + " --help", "", 0, "usage: widget_gallery"},
        {"gallery unknown option", Program("widget_gallery") + " --big out", "", 2,
         "widget_gallery: unknown option \"--big\""},
    };
    int n = 0;
    for (const Case& c : cases) {
        if (c.before) c.before();
        const ProcessRun r =
            RunCommand(c.command, root_.path() / ("out" + std::to_string(n++)), c.input);
        if (c.after) c.after();
        EXPECT_EQ(r.status, c.status) << c.what << ": " << r.first_line;
        EXPECT_EQ(r.first_line.substr(0, c.first_line.size()), c.first_line) << c.what;
        if (c.user_lines) {
            EXPECT_EQ(r.user_lines, c.user_lines) << c.what;
            // A run that went on logs its debug trace to its file.
            if (c.status == 0) EXPECT_TRUE(r.debug_logged) << c.what;
        }
    }
}

// A device root the user cannot write is said to be so, not taken for a
// running instrument.
TEST_F(NewUser, AnUnwritableDeviceRootIsNamed) {
    // The superuser writes anywhere: it runs the program as nobody instead.
    std::string as_user;
    if (::geteuid() == 0) {
        if (std::system("command -v setpriv >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "running as the superuser without setpriv";
        as_user = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    }
    fs::permissions(root_.path(), fs::perms::owner_write, fs::perm_options::remove);
    const fs::path out = fs::temp_directory_path() / ("celvane-ro-" + std::to_string(getpid()));
    const ProcessRun r =
        RunCommand(as_user + Celvane("--display headless --script -"), out, "quit\n");
    fs::permissions(root_.path(), fs::perms::owner_write, fs::perm_options::add);
    fs::remove(out);
    fs::remove(out.string() + ".in");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.first_line,
              "celvane: the device root \"" + root_.path().string() + "\" cannot be written");
}

// `make run ARGS='--display headless'` reads its script from standard input.
TEST_F(NewUser, HeadlessRunReadsTheScriptFromStandardInput) {
    const fs::path shot = root_.path() / "shot.png";
    const ProcessRun r = RunCommand(
        Quote(fs::path(CELVANE_SOURCE_DIR) / "scripts" / "run-instrument") + " " + Quote(BinDir()) +
            " " + Quote(root_.path()) + " --display headless --clock virtual",
        root_.path() / "run-out", "shot " + shot.string() + "\nquit\n");
    EXPECT_EQ(r.status, 0) << r.first_line;
    EXPECT_TRUE(fs::exists(shot));
}

// Without --root the program runs on the device root `make run` lays out
// (laying it out when it is missing), names it in one line, and finds the
// simulated board there. A `make run` of the same tree holding that root
// makes this check fail with "already running".
TEST_F(NewUser, WithoutARootTheProgramNamesTheRootItUsesAndFindsTheBoard) {
    // The default build's root is the one `make run` lays out; a sanitizer
    // build (build/asan, build/tsan) keeps its own beside its programs.
    const fs::path build = BinDir().parent_path();
    const fs::path used = build.filename() == "default"
                              ? fs::path(CELVANE_SOURCE_DIR) / "build" / "device"
                              : build / "device";
    const fs::path out = root_.path() / "no-root-out";
    const ProcessRun r = RunCommand("env -C " + Quote(root_.path()) +
                                        " -u CELVANE_ROOT -u DISPLAY " + "-u WAYLAND_DISPLAY " +
                                        Program("celvane") + " --display headless --script -",
                                    out, "wait 500\nquit\n");
    EXPECT_EQ(r.status, 0) << r.first_line;
    EXPECT_EQ(r.user_lines, 1);
    const std::regex named("^celvane: device root " + used.string() +
                           "(, laid out now)? \\(no --root given\\)$");
    EXPECT_TRUE(std::regex_match(r.first_line, named)) << r.first_line;
    // The board answered: the simulated hardware plugged its device in and
    // the DSP's configuration was read from it.
    std::ifstream debug(out.string() + ".debug");
    const std::string trace((std::istreambuf_iterator<char>(debug)),
                            std::istreambuf_iterator<char>());
    EXPECT_NE(trace.find("1 device(s) plugged in"), std::string::npos);
    EXPECT_NE(trace.find("DSP Config Date"), std::string::npos);
    EXPECT_FALSE(fs::exists(root_.path() / "build")) << "a root was made in the working folder";
}

}  // namespace

namespace {

// The program as a child process; its standard input a pipe the test keeps
// open, so that it never ends by itself.
class Child {
  public:
    explicit Child(const std::vector<std::string>& args) {
        int in[2];
        if (::pipe(in) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], STDIN_FILENO);
            ::close(in[0]);
            ::close(in[1]);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
            std::vector<char*> argv;
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::unsetenv("DISPLAY");
            ::unsetenv("WAYLAND_DISPLAY");
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        input_ = in[1];
    }
    ~Child() {
        if (input_ >= 0) ::close(input_);
        if (pid_ > 0 && !waited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    void Send(const std::string& text) const {
        ASSERT_EQ(::write(input_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    void Signal(int sig) const { ::kill(pid_, sig); }
    // The exit status; -1 when it ended by a signal.
    int Wait() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        waited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    bool Started() const { return pid_ > 0 && input_ >= 0; }

  private:
    pid_t pid_ = -1;
    int input_ = -1;
    bool waited_ = false;
};

// An interrupt or termination signal during a long wait ends the program at
// once through its normal exit: status 0, mode.txt written; with the script
// in a file and on standard input, on the real clock and on the virtual
// clock (where time must move on while the program quits).
TEST_F(NewUser, ASignalEndsALongWaitThroughTheNormalExit) {
    const fs::path mode = root_.system() / "mode.txt";
    const fs::path script = root_.path() / "long-wait.txt";
    const fs::path shot = root_.path() / "waiting.png";
    const std::string lines = "shot " + shot.string() + "\nwait 6000000\nquit\n";
    std::ofstream(script) << lines;
    const struct Case {
        const char* what;
        std::string script;
        int signal;
        const char* clock;
    } cases[] = {
        {"script file, SIGTERM", script.string(), SIGTERM, "real"},
        {"standard input, SIGTERM", "-", SIGTERM, "real"},
        {"standard input, SIGINT", "-", SIGINT, "real"},
        {"script file, virtual clock, SIGTERM", script.string(), SIGTERM, "virtual"},
    };
    for (const Case& c : cases) {
        fs::remove(shot);
        fs::remove(mode);
        Child child({(BinDir() / "celvane").string(), "--root", root_.path().string(), "--display",
                     "headless", "--clock", c.clock, "--script", c.script});
        ASSERT_TRUE(child.Started()) << c.what;
        if (c.script == "-") child.Send(lines.substr(0, lines.find("quit")));
        // The shot before the wait is written: the program waits now.
        for (int i = 0; i < 6000 && !fs::exists(shot); ++i) ::usleep(10000);
        ASSERT_TRUE(fs::exists(shot)) << c.what;
        const auto sent = std::chrono::steady_clock::now();
        child.Signal(c.signal);
        const int status = child.Wait();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
        EXPECT_EQ(status, 0) << c.what;
        EXPECT_TRUE(fs::exists(mode)) << c.what;
        // Far inside the wait the script asked for.
        EXPECT_LT(seconds, 30.0) << c.what;
        std::printf("%s: ended %.3f s after the signal\n", c.what, seconds);
    }
}

}  // namespace

// The SDL back end on a virtual X server: the window opens, a key pressed
// through the X server's test extension reaches the focus window, and a
// screenshot of the X display shows the rendered screen. Skips when Xvfb
// (or the X test extension) is not installed.
#include "platform/display/sdl_display.h"

#include <SDL2/SDL_keycode.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/kernel/thread.h"
#include "platform/window/message_loop.h"
#include "platform/window/paint.h"

extern char** environ;

namespace plat {
namespace {

constexpr COLORREF kFill = RGB(0x20, 0x80, 0xE0);

std::string find_program(const char* name) {
    const char* path = std::getenv("PATH");
    std::string p = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= p.size()) {
        const size_t end = p.find(':', start);
        const std::string dir =
            p.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const std::string full = dir + "/" + name;
        if (!dir.empty() && access(full.c_str(), X_OK) == 0) return full;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return {};
}

// An Xvfb server on a free display, ended with the object.
class VirtualX {
  public:
    bool start() {
        const std::string xvfb = find_program("Xvfb");
        if (xvfb.empty()) return false;
        int fds[2];
        if (pipe(fds) != 0) return false;
        const std::string fd = std::to_string(fds[1]);
        const char* argv[] = {xvfb.c_str(), "-displayfd", fd.c_str(), "-screen", "0",
                              "800x600x24", "-nolisten",  "tcp",      nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const int rc =
            posix_spawn(&pid_, xvfb.c_str(), &actions, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        if (rc != 0) {
            close(fds[0]);
            pid_ = 0;
            return false;
        }
        std::string number;
        pollfd pfd{fds[0], POLLIN, 0};
        while (poll(&pfd, 1, 10000) > 0) {
            char c;
            if (read(fds[0], &c, 1) != 1 || c == '\n') break;
            number += c;
        }
        close(fds[0]);
        if (number.empty()) return false;
        display_ = ":" + number;
        return true;
    }
    ~VirtualX() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& display() const { return display_; }

  private:
    pid_t pid_ = 0;
    std::string display_;
};

// Presses and releases a key through the X test extension, loaded by name.
bool press_x_key(const std::string& display, unsigned long keysym) {
    void* x11 = dlopen("libX11.so.6", RTLD_NOW);
    void* xtst = dlopen("libXtst.so.6", RTLD_NOW);
    if (!x11 || !xtst) return false;
    using Open = void* (*)(const char*);
    using Close = int (*)(void*);
    using Flush = int (*)(void*);
    using ToCode = unsigned char (*)(void*, unsigned long);
    using FakeKey = int (*)(void*, unsigned int, int, unsigned long);
    using FakeMotion = int (*)(void*, int, int, int, unsigned long);
    auto open = reinterpret_cast<Open>(dlsym(x11, "XOpenDisplay"));
    auto close_display = reinterpret_cast<Close>(dlsym(x11, "XCloseDisplay"));
    auto flush = reinterpret_cast<Flush>(dlsym(x11, "XFlush"));
    auto to_code = reinterpret_cast<ToCode>(dlsym(x11, "XKeysymToKeycode"));
    auto fake_key = reinterpret_cast<FakeKey>(dlsym(xtst, "XTestFakeKeyEvent"));
    auto fake_motion = reinterpret_cast<FakeMotion>(dlsym(xtst, "XTestFakeMotionEvent"));
    if (!open || !close_display || !flush || !to_code || !fake_key || !fake_motion) return false;
    void* d = open(display.c_str());
    if (!d) return false;
    fake_motion(d, -1, 400, 300, 0);  // the pointer over the window: it gets the keys
    const unsigned int code = to_code(d, keysym);
    fake_key(d, code, 1, 0);
    fake_key(d, code, 0, 0);
    flush(d);
    close_display(d);
    return code != 0;
}

std::string screen_pixel(const std::string& display, const std::filesystem::path& shot, int x,
                         int y) {
    const std::string grab =
        "import -display " + display + " -window root '" + shot.string() + "' 2>/dev/null";
    if (std::system(grab.c_str()) != 0) return "no shot";
    const std::string cmd = "convert '" + shot.string() + "' -crop 1x1+" + std::to_string(x) + "+" +
                            std::to_string(y) +
                            " -depth 8 -format '%[hex:p{0,0}]' info:- 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return {};
    char buf[64] = {};
    const size_t n = fread(buf, 1, sizeof buf - 1, p);
    pclose(p);
    return "#" + std::string(buf, n).substr(0, 6);
}

class KeyWindow : public Window {
  public:
    std::vector<uint32_t> keys;
    intptr_t window_proc(uint32_t msg, uintptr_t wp, intptr_t lp) override {
        if (msg == WM_KEYDOWN) keys.push_back(static_cast<uint32_t>(wp));
        if (msg == WM_PAINT) {
            PaintDc dc(this);
            dc->fill_rect(client_rect(), kFill);
            return 0;
        }
        return default_proc(msg, wp, lp);
    }
};

// Pumps messages until `done` or the real-time limit.
template <class F>
bool pump_until(F done, int limit_ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
    while (std::chrono::steady_clock::now() < end) {
        Message m;
        while (peek_ui_message(m, true)) dispatch_message(m);
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

TEST(SdlDisplay, KeysMapToTheInstrument) {
    EXPECT_EQ(key_for_sdl(SDLK_F1), VK_F1);
    EXPECT_EQ(key_for_sdl(SDLK_F8), vk_function(8));
    EXPECT_EQ(key_for_sdl(SDLK_KP_PERIOD), VK_DECIMAL);
    EXPECT_EQ(key_for_sdl(SDLK_MINUS), VK_SUBTRACT);
    EXPECT_EQ(key_for_sdl(SDLK_KP_PLUS), VK_ADD);
    EXPECT_EQ(key_for_sdl(SDLK_7), uint32_t{'7'});
    EXPECT_EQ(key_for_sdl(SDLK_RETURN), VK_RETURN);
    EXPECT_EQ(key_for_sdl(SDLK_a), std::nullopt);
    // 4:3 kept: a wide window gets bars left and right.
    EXPECT_EQ(fit_screen(1600, 600), (Rect{400, 0, 1200, 600}));
    EXPECT_EQ(fit_screen(400, 600), (Rect{0, 150, 400, 450}));
}

// The session itself runs in a child process of this test program: the X,
// D-Bus and SDL libraries keep allocations for the life of a process, which
// the leak checker of sanitizer builds would count against the tests.
TEST(SdlDisplay, RunsOnAVirtualXServer) {
    VirtualX x;
    if (!x.start()) GTEST_SKIP() << "Xvfb is not available";
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string display = "CELVANE_SDL_TEST_DISPLAY=" + x.display();
    std::vector<std::string> env = {display, "ASAN_OPTIONS=detect_leaks=0", "SDL_VIDEODRIVER=x11"};
    for (char** e = environ; *e; ++e) {
        if (!std::string_view(*e).starts_with("ASAN_OPTIONS=")) env.emplace_back(*e);
    }
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const char* argv[] = {self.c_str(), "--gtest_filter=SdlDisplay.SessionInChild", nullptr};
    pid_t pid = 0;
    ASSERT_EQ(
        posix_spawn(&pid, self.c_str(), nullptr, nullptr, const_cast<char**>(argv), envp.data()),
        0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the session in the child process failed";
}

TEST(SdlDisplay, SessionInChild) {
    const char* display_name = std::getenv("CELVANE_SDL_TEST_DISPLAY");
    if (!display_name) GTEST_SKIP() << "runs as the child of RunsOnAVirtualXServer";
    const std::string xdisplay = display_name;
    setenv("DISPLAY", xdisplay.c_str(), 1);

    KeyWindow w;
    CreateParams p;
    p.class_name = "SdlTest";
    p.style = WS_VISIBLE;
    p.rect = {0, 0, kScreenWidth, kScreenHeight};
    ASSERT_TRUE(w.create(p));
    set_focus(&w);
    set_input_thread(current_thread_id());
    SdlDisplay display;
    ASSERT_TRUE(display.start(current_thread_id()));
    ASSERT_TRUE(pump_until([] { return screen_serial() > 0; }, 5000));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // a present or two

    constexpr unsigned long kXkF5 = 0xFFC2;
    if (!press_x_key(xdisplay, kXkF5)) GTEST_SKIP() << "the X test extension is not available";
    EXPECT_TRUE(pump_until([&] { return !w.keys.empty(); }, 5000));
    ASSERT_FALSE(w.keys.empty());
    EXPECT_EQ(w.keys.front(), vk_function(5));

    const auto shot = std::filesystem::temp_directory_path() /
                      ("celvane-sdl-" + std::to_string(getpid()) + ".png");
    char want[8];
    std::snprintf(want, sizeof want, "#%02X%02X%02X", GetRValue(kFill), GetGValue(kFill),
                  GetBValue(kFill));
    EXPECT_EQ(screen_pixel(xdisplay, shot, 400, 300), want);
    std::filesystem::remove(shot);
    display.stop();
    unsetenv("DISPLAY");
}

}  // namespace
}  // namespace plat

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

#include "platform/gfx/color.h"
#include "platform/gfx/tests/magick_pixel.h"
#include "platform/window/messages.h"

extern char** environ;

namespace plat {
namespace {

// The colour the session program fills its screen with.
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
    return magick_pixel(shot, x, y);
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

// The program under test runs as its own process on the virtual X server;
// the test presses a key through the X server and photographs the display.
TEST(SdlDisplay, RunsOnAVirtualXServer) {
    VirtualX x;
    if (!x.start()) GTEST_SKIP() << "Xvfb is not available";
    // The program lies beside this test program.
    const auto program =
        (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "display_sdl_session")
            .string();
    // The X, D-Bus and SDL libraries keep allocations for the life of the
    // process, which the leak checker of sanitizer builds would report.
    std::vector<std::string> env = {"DISPLAY=" + x.display(), "SDL_VIDEODRIVER=x11",
                                    "ASAN_OPTIONS=detect_leaks=0"};
    for (char** e = environ; *e; ++e) {
        const std::string_view v(*e);
        if (!v.starts_with("DISPLAY=") && !v.starts_with("SDL_VIDEODRIVER=") &&
            !v.starts_with("ASAN_OPTIONS=")) {
            env.emplace_back(*e);
        }
    }
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const char* argv[] = {program.c_str(), nullptr};
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, const_cast<char**>(argv),
                               envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    ASSERT_EQ(rc, 0) << program;
    FILE* from = fdopen(out[0], "r");
    char line[64] = {};
    const bool ready = fgets(line, sizeof line, from) && std::string(line) == "ready\n";
    bool pressed = false;
    std::string pixel;
    char want[8];
    std::snprintf(want, sizeof want, "#%02X%02X%02X", GetRValue(kFill), GetGValue(kFill),
                  GetBValue(kFill));
    if (ready) {
        const auto shot = std::filesystem::temp_directory_path() /
                          ("celvane-sdl-" + std::to_string(getpid()) + ".png");
        // The X server shows the window once it has mapped it and the
        // display thread has presented a frame: a loaded machine takes a while.
        for (int i = 0; i < 50 && pixel != want; ++i) {
            if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(200));
            pixel = screen_pixel(x.display(), shot, 400, 300);
        }
        std::filesystem::remove(shot);
        constexpr unsigned long kXkF5 = 0xFFC2;
        pressed = press_x_key(x.display(), kXkF5);
    }
    if (!pressed) kill(pid, SIGTERM);
    std::string rest;
    // After the key the program paints a small red square and says so; the
    // display then shows the square, and the rest of the screen as it was.
    std::string square, beside;
    if (fgets(line, sizeof line, from)) rest += line;
    if (pressed && fgets(line, sizeof line, from) && std::string(line) == "painted\n") {
        const auto shot = std::filesystem::temp_directory_path() /
                          ("celvane-sdl-" + std::to_string(getpid()) + "-square.png");
        for (int i = 0; i < 50 && square != "#E02020"; ++i) {
            if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(200));
            square = screen_pixel(x.display(), shot, 110, 110);
        }
        beside = screen_pixel(x.display(), shot, 125, 110);
        std::filesystem::remove(shot);
        constexpr unsigned long kXkF6 = 0xFFC3;
        if (!press_x_key(x.display(), kXkF6)) kill(pid, SIGTERM);
    }
    while (fgets(line, sizeof line, from)) {
    }
    fclose(from);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(ready) << "the program's window did not show";
    EXPECT_EQ(pixel, want) << "the X display shows the rendered screen";
    if (!pressed) GTEST_SKIP() << "the X test extension is not available";
    EXPECT_EQ(rest, "key " + std::to_string(vk_function(5)) + "\n");
    EXPECT_EQ(square, "#E02020") << "the changed rectangle reaches the display";
    EXPECT_EQ(beside, want) << "and nothing beside it changes";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace plat

#include "platform/display/sdl_display.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/display/sdl_present.h"
#include "platform/sound/sdl_sound.h"
#include "platform/window/message_loop.h"
#include "platform/window/paint.h"

namespace plat {

namespace {

// Puts SDL audio in front of the sound recording while the window is up;
// without an audio device sounds are recorded only, and that is said once.
class SdlSoundOn {
  public:
    SdlSoundOn() {
        std::string why;
        sink_ = open_sdl_sound(&why);
        if (sink_) {
            set_sound_sink(sink_);
        } else {
            std::fprintf(stderr, "SDL: no audio device opens (%s); sounds are not heard\n",
                         why.c_str());
        }
    }
    ~SdlSoundOn() {
        if (sink_) set_sound_sink(nullptr);
    }
    SdlSoundOn(const SdlSoundOn&) = delete;
    SdlSoundOn& operator=(const SdlSoundOn&) = delete;

  private:
    std::shared_ptr<ISoundSink> sink_;
};

}  // namespace

std::optional<uint32_t> key_for_sdl(int32_t k) {
    if (k >= SDLK_F1 && k <= SDLK_F12) return VK_F1 + static_cast<uint32_t>(k - SDLK_F1);
    if (k >= SDLK_F13 && k <= SDLK_F24) return VK_F13 + static_cast<uint32_t>(k - SDLK_F13);
    if (k >= SDLK_0 && k <= SDLK_9) return static_cast<uint32_t>('0' + (k - SDLK_0));
    if (k >= SDLK_KP_1 && k <= SDLK_KP_9)
        return VK_NUMPAD0 + 1 + static_cast<uint32_t>(k - SDLK_KP_1);
    switch (k) {
        case SDLK_KP_0:
            return VK_NUMPAD0;
        case SDLK_LEFT:
            return VK_LEFT;
        case SDLK_RIGHT:
            return VK_RIGHT;
        case SDLK_UP:
            return VK_UP;
        case SDLK_DOWN:
            return VK_DOWN;
        case SDLK_ESCAPE:
            return VK_ESCAPE;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return VK_RETURN;
        case SDLK_PERIOD:
            return VK_OEM_PERIOD;
        case SDLK_KP_PERIOD:
            return VK_DECIMAL;
        case SDLK_MINUS:
        case SDLK_KP_MINUS:
            return VK_SUBTRACT;
        case SDLK_PLUS:
        case SDLK_EQUALS:
        case SDLK_KP_PLUS:
            return VK_ADD;
        case SDLK_BACKSPACE:
            return VK_BACK;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT:
            return VK_SHIFT;
        default:
            return std::nullopt;
    }
}

Rect fit_screen(int w, int h) {
    if (w <= 0 || h <= 0) return {};
    // The largest 4:3 area that fits, centred.
    int sw = w, sh = w * kScreenHeight / kScreenWidth;
    if (sh > h) {
        sh = h;
        sw = h * kScreenWidth / kScreenHeight;
    }
    const int x = (w - sw) / 2, y = (h - sh) / 2;
    return {x, y, x + sw, y + sh};
}

SdlDisplay::~SdlDisplay() {
    stop();
}

bool SdlDisplay::start(uint32_t ui_tid) {
    ui_tid_ = ui_tid;
    std::atomic<int> started{0};
    thread_ = std::thread([this, &started] { run(&started); });
    while (started.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (started.load() < 0) {
        thread_.join();
        return false;
    }
    return true;
}

void SdlDisplay::stop() {
    stopping_ = true;
    stop_event_.set();
    if (thread_.joinable()) thread_.join();
}

// SDL's video drivers that show nothing on a screen: a window there would
// run unseen.
bool is_unseen_video_driver(std::string_view name) {
    return name == "offscreen" || name == "dummy" || name == "evdev";
}

// X11 and Wayland are tried only where the environment names their display
// (a Wayland client without one complains on the terminal).
static bool display_named_for(std::string_view driver) {
    auto named = [](const char* variable) {
        const char* v = std::getenv(variable);
        return v && *v;
    };
    if (driver == "x11") return named("DISPLAY");
    if (driver == "wayland") return named("WAYLAND_DISPLAY");
    return true;
}

bool SdlDisplay::init_real_video() {
    // A driver the user names is taken as named.
    const char* chosen = std::getenv("SDL_VIDEODRIVER");
    if (chosen && *chosen) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
        failure_ = SDL_GetError();
        return false;
    }
    std::string tried;
    for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
        const char* name = SDL_GetVideoDriver(i);
        if (!name || is_unseen_video_driver(name) || !display_named_for(name)) continue;
        SDL_SetHint(SDL_HINT_VIDEODRIVER, name);
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
        tried += std::string(tried.empty() ? "" : "; ") + name + ": " + SDL_GetError();
    }
    SDL_SetHint(SDL_HINT_VIDEODRIVER, nullptr);
    failure_ = tried.empty() ? std::string("SDL has no video driver for a screen") : tried;
    return false;
}

void SdlDisplay::run(std::atomic<int>* started) {
    // Sound joins once the window stands: a run that falls back to headless
    // says one thing only.
    std::optional<SdlSoundOn> sound;
    // The screen is drawn in memory: the window's surface goes to the X
    // server as it is, without an OpenGL context (and the GL driver's own
    // threads) behind it.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (!init_real_video()) {
        // Nothing of SDL runs yet (sound starts with the window): its hints
        // and the session bus it tried go with it.
        if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
        started->store(-1);
        return;
    }
    SDL_Window* window =
        SDL_CreateWindow("Tarnwick", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, kScreenWidth,
                         kScreenHeight, SDL_WINDOW_RESIZABLE | SDL_WINDOW_SHOWN);
    if (!window || !SDL_GetWindowSurface(window)) {
        failure_ = SDL_GetError();
        if (window) SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        started->store(-1);
        return;
    }
    sound.emplace();
    started->store(1);
    SdlScreenPresenter presenter(window);

    auto to_screen = [&](int wx, int wy) -> std::optional<Point> {
        int w = 0, h = 0;
        SDL_GetWindowSize(window, &w, &h);
        const Rect area = fit_screen(w, h);
        if (!area.contains({wx, wy})) return std::nullopt;
        return Point{(wx - area.left) * kScreenWidth / area.width(),
                     (wy - area.top) * kScreenHeight / area.height()};
    };

    uint64_t shown = ~0ull;
    bool dirty = true;
    while (!stopping_) {
        if (end_input_.exchange(false)) request_quit(ui_tid_, stop_event_);
        SDL_Event e;
        while (SDL_WaitEventTimeout(&e, 15)) {
            switch (e.type) {
                case SDL_QUIT:
                    request_quit(ui_tid_, stop_event_);
                    break;
                case SDL_KEYDOWN:
                case SDL_KEYUP:
                    if (const auto vk = key_for_sdl(e.key.keysym.sym)) {
                        post_key_input(*vk, e.type == SDL_KEYDOWN, 1);
                    }
                    break;
                case SDL_MOUSEBUTTONDOWN:
                case SDL_MOUSEBUTTONUP:
                    if (const auto p = to_screen(e.button.x, e.button.y)) {
                        const bool down = e.type == SDL_MOUSEBUTTONDOWN;
                        if (e.button.button == SDL_BUTTON_LEFT) {
                            post_mouse_input(down ? WM_LBUTTONDOWN : WM_LBUTTONUP, *p);
                        } else if (e.button.button == SDL_BUTTON_RIGHT) {
                            post_mouse_input(down ? WM_RBUTTONDOWN : WM_RBUTTONUP, *p);
                        }
                    }
                    break;
                case SDL_MOUSEWHEEL:
                    post_wheel_notches(e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y
                                                                                   : e.wheel.y);
                    break;
                case SDL_WINDOWEVENT:
                    dirty = true;
                    break;
                default:
                    break;
            }
            if (stopping_) break;
        }
        if (dirty || screen_serial() != shown) {
            shown = screen_serial();
            // Only what changed goes to the window, unless the window itself
            // asks for a full repaint.
            const std::vector<Rect> changed = take_screen_damage();
            presenter.present(screen_surface(), changed, dirty);
            dirty = false;
        }
    }
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

}  // namespace plat

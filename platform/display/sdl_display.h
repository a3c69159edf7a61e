#pragma once
// The SDL back end: an SDL2 window showing the 800 x 600 screen, scaled to
// fit with its aspect kept, on a thread of its own. PC keys map to the
// instrument's keys (key_for_sdl); the wheel turns the scroll wheel; mouse
// clicks are touches. Closing the window asks the program to quit.
#include <atomic>
#include <cstdint>
#include <optional>
#include <thread>

#include "platform/display/backend.h"
#include "platform/gfx/geometry.h"
#include "platform/kernel/sync.h"

namespace plat {

// The instrument's virtual key for an SDL key code; nullopt for keys the
// instrument does not have. Shift travels as VK_SHIFT, so Shift+F1..F12
// reach the view as shifted function keys.
std::optional<uint32_t> key_for_sdl(int32_t sdl_keycode);
// Where the screen lies in a window of the given size (centred, aspect kept).
Rect fit_screen(int window_w, int window_h);

class SdlDisplay : public DisplayBackend {
  public:
    SdlDisplay() = default;
    ~SdlDisplay() override;
    bool start(uint32_t ui_tid) override;
    void stop() override;

  private:
    void run(std::atomic<int>* started);
    uint32_t ui_tid_ = 0;
    std::atomic<bool> stopping_{false};
    Event stop_event_{true, false};
    std::thread thread_;
};

}  // namespace plat

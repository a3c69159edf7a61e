#pragma once
// The SDL back end: an SDL2 window showing the 800 x 600 screen, scaled to
// fit with its aspect kept, on a thread of its own. PC keys map to the
// instrument's keys (key_for_sdl); the wheel turns the scroll wheel; mouse
// clicks are touches. Closing the window asks the program to quit.
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
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
// Whether an SDL video driver shows nothing on a screen (offscreen, dummy).
bool is_unseen_video_driver(std::string_view name);

class SdlDisplay : public DisplayBackend {
  public:
    SdlDisplay() = default;
    ~SdlDisplay() override;
    bool start(uint32_t ui_tid) override;
    void stop() override;
    void end_input() override { end_input_ = true; }
    std::string start_failure() const override { return failure_; }

  private:
    void run(std::atomic<int>* started);
    // Starts SDL video on a driver that shows a window on a screen; false
    // with failure_ set when none does.
    bool init_real_video();
    uint32_t ui_tid_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> end_input_{false};  // set by any thread, taken by the SDL thread
    Event stop_event_{true, false};
    std::thread thread_;
    std::string failure_;  // written by the SDL thread before start() returns
};

}  // namespace plat

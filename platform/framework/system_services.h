#pragma once
// Services of the instrument's system that have no Linux counterpart. Each
// answers plausibly and records its calls so that tests can see them.
#include <cstdint>
#include <vector>

#include "platform/window/window.h"

namespace plat {

struct SystemServiceCalls {
    int layout_activations = 0;
    uint32_t active_layout = 0x04090409;
    int idle_timer_resets = 0;
    std::vector<int> escape_queries;
    std::vector<uint32_t> beeps;
};

// A snapshot of what the services were asked so far.
SystemServiceCalls system_service_calls();
void reset_system_service_calls();

// Keyboard layouts: one layout (US English) is installed.
std::vector<uint32_t> get_keyboard_layout_list(int max_count);
// Makes `layout` active; answers the previous one (0 when it is unknown).
uint32_t activate_keyboard_layout(uint32_t layout);

// Keeps the system from going idle (the screen saver, suspend).
void system_idle_timer_reset();

// QUERYESCSUPPORT on the display: 1 for a supported escape, else 0. The
// display supports its contrast escape (the contrast itself goes to the
// board's I/O controller); no other escape.
inline constexpr int QUERYESCSUPPORT = 8;
inline constexpr int kEscapeContrast = 6149;
int ext_escape_query(int escape);

inline constexpr uint32_t MB_ICONEXCLAMATION = 0x30;
// Sounds the beep's tone (sound.h) without waiting for it.
void message_beep(uint32_t type);

// The soft input panel (sip_panel.h): show or hide it, read or set its
// rectangle and its input-method data.
inline constexpr uint32_t SIP_STATUS_UNAVAILABLE = 0;
inline constexpr uint32_t SIP_STATUS_AVAILABLE = 1;
struct SipInfo {
    uint32_t flags = 0;
    Rect visible_desktop;
    Rect input_panel;
    uint32_t im_data_size = 0;
    void* im_data = nullptr;
};
uint32_t sip_status();
bool sip_show_im(uint32_t flags);
bool sip_get_info(SipInfo* info);
bool sip_set_info(const SipInfo* info);

// The system's task bar: a window of class "HHTaskBar" that counts how often
// it is hidden and shown. It lies below the screen and draws nothing.
class TaskBarWindow : public Window {
  public:
    ~TaskBarWindow() override;
    bool create_bar();
    intptr_t window_proc(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;
    int hides() const { return hides_; }
    int shows() const { return shows_; }

  private:
    int hides_ = 0;
    int shows_ = 0;
};

}  // namespace plat

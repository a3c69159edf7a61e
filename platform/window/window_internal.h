#pragma once
// Internal links between the window tree and the message loop.
#include <cstdint>
#include <mutex>

namespace plat {
class Window;
namespace detail {

// Guards the window tree, focus and capture.
std::recursive_mutex& tree_lock();
// Makes thread `tid` look at its windows again (a paint or timer is due).
void wake_ui_thread(uint32_t tid);
// Drops the timers of a window that is going away.
void forget_window_timers(Window* w);

}  // namespace detail
}  // namespace plat

#pragma once
// Internal links between the window tree and the message loop.
#include <cstdint>
#include <mutex>

#include "platform/gfx/geometry.h"

namespace plat {
class Window;
namespace detail {

// Guards the window tree, focus and capture.
std::recursive_mutex& tree_lock();
// Makes thread `tid` look at its windows again (a paint or timer is due).
void wake_ui_thread(uint32_t tid);
// Drops the timers of a window that is going away.
void forget_window_timers(Window* w);

// Save-under of CS_SAVEBITS windows. The tree lock is held for each call.
// Keeps the screen under a top-level window that has just been shown.
void save_under(Window* w);
// A window that hides, goes or moves: puts back what it covered when the
// copy is still true and answers true; otherwise answers false (the caller
// exposes the area). Either way the copy is dropped.
bool restore_under(Window* w);
// A window is about to paint `screen_area` (WM_PAINT): copies that a window
// above it keeps of that area are no longer true. Drawing outside WM_PAINT
// (live updates) is not followed: it shows again at its next update.
void note_drawing(const Window* w, const Rect& screen_area);

}  // namespace detail
}  // namespace plat

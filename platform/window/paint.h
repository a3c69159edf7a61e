#pragma once
// Drawing windows on the screen. Every window draws straight onto the one
// screen surface through a device context clipped to the part of the window
// that no window above it covers. Where that part is not one rectangle the
// context draws on a scratch copy, and only the visible rectangles go back to
// the screen when the context is released.
#include <cstdint>
#include <vector>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/dc.h"
#include "platform/window/window.h"

namespace plat {

// The 800 x 600 screen every window draws on.
Bitmap screen_surface();
// Counts changes of the screen: a back end presents when it changes.
uint64_t screen_serial();
// Says that the pixels of `area` (screen coordinates) may have changed.
void note_screen_changed(const Rect& area);
// The screen areas changed since the last call, in a few rectangles (areas
// that touch are merged; past a handful, everything is one rectangle).
std::vector<Rect> take_screen_damage();
// A copy of the screen as it is now.
Bitmap screen_snapshot();

// A context over a window's client area (or whole window, caption included).
class WindowDc {
  public:
    explicit WindowDc(Window* w, bool whole_window = false);
    ~WindowDc();
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    Dc& dc() { return dc_; }
    Dc* operator->() { return &dc_; }
    // Puts what was drawn so far on the screen (the destructor does too).
    void flush();

  protected:
    // Narrows drawing to a client rectangle.
    void limit_to(const Rect& client_rect);

  private:
    Dc dc_;
    Bitmap screen_;
    std::vector<Rect> visible_;  // screen coordinates
    Rect scratch_area_;          // screen area the scratch copy mirrors; empty: direct
    Bitmap scratch_;
};

// The context of WM_PAINT: clipped to the update rectangle, which it
// validates. When the paint asked for erasing and the window's class has a
// background colour, the update rectangle is filled with it first; without a
// background the pixels are left alone.
class PaintDc : public WindowDc {
  public:
    explicit PaintDc(Window* w);
    const Rect& paint_rect() const { return paint_; }
    bool erased() const { return erased_; }

  private:
    Rect paint_;
    bool erased_ = false;
};

// Paints the window now when it has a pending update (sends WM_PAINT).
void update_window(Window* w);

}  // namespace plat

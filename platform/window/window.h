#pragma once
// The window tree: rectangles, visibility, z-order, enabling, focus and
// pointer capture. A window belongs to the thread that created it; messages
// for it go through that thread's queue (see message_loop.h).
//
// Coordinates: a child's rectangle is in its parent's client coordinates, a
// top-level window's in screen coordinates. The client area is the window
// rectangle less a caption strip for windows with WS_CAPTION.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx/color.h"
#include "platform/gfx/geometry.h"
#include "platform/window/messages.h"

namespace plat {

// Window styles.
inline constexpr uint32_t WS_POPUP = 0x80000000u;
inline constexpr uint32_t WS_CHILD = 0x40000000u;
inline constexpr uint32_t WS_VISIBLE = 0x10000000u;
inline constexpr uint32_t WS_DISABLED = 0x08000000u;
inline constexpr uint32_t WS_CAPTION = 0x00C00000u;
inline constexpr uint32_t WS_BORDER = 0x00800000u;
inline constexpr uint32_t WS_GROUP = 0x00020000u;
inline constexpr uint32_t WS_TABSTOP = 0x00010000u;

// Class styles.
inline constexpr uint32_t CS_VREDRAW = 0x0001;
inline constexpr uint32_t CS_HREDRAW = 0x0002;
inline constexpr uint32_t CS_DBLCLKS = 0x0008;
// A top-level window of the class keeps the screen it covers while it is
// shown and puts it back when it hides or goes (see save_under.cpp).
inline constexpr uint32_t CS_SAVEBITS = 0x0800;
// Top-level windows of the class stay above all others (the input panel).
inline constexpr uint32_t CS_TOPMOST = 0x00100000;

// show() commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOW = 5;

// Height of the caption strip of a WS_CAPTION window.
inline constexpr int kCaptionHeight = 30;

// The screen of the instrument.
inline constexpr int kScreenWidth = 800;
inline constexpr int kScreenHeight = 600;

struct WindowClass {
    std::string name;
    uint32_t style = 0;
    // The colour that erasing paints; none means erasing leaves the pixels.
    std::optional<COLORREF> background;
};

// Registers (or replaces) a class; windows name their class on creation.
void register_window_class(const WindowClass& cls);
// The registered class, or nullptr.
const WindowClass* find_window_class(std::string_view name);

struct CreateParams {
    std::string class_name;
    std::u16string text;
    uint32_t style = 0;
    Rect rect;  // parent client coordinates (screen for top-level windows)
    class Window* parent = nullptr;
    int id = 0;
};

class Window {
  public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Creates the window on the calling thread and sends WM_CREATE (a result
    // of -1 fails the creation). A child of a hidden parent stays hidden.
    bool create(const CreateParams& params);
    // Sends WM_DESTROY, destroys the children, leaves the tree, then sends
    // WM_NCDESTROY (after which the object may delete itself).
    void destroy();
    bool exists() const { return alive_; }

    // The window's own message handling; the default handles what every
    // window needs (painting validates, WM_CLOSE destroys, texts).
    virtual intptr_t window_proc(uint32_t msg, uintptr_t wparam, intptr_t lparam);
    intptr_t default_proc(uint32_t msg, uintptr_t wparam, intptr_t lparam);

    // Tree.
    Window* parent() const { return parent_; }
    Window* top_level();
    // Children from the bottom of the z-order to the top.
    std::vector<Window*> children() const;
    Window* child_by_id(int id) const;
    bool is_descendant_of(const Window* ancestor) const;
    void bring_to_top();

    // Geometry.
    Rect rect() const;            // in parent client (or screen) coordinates
    Rect screen_rect() const;     // the window in screen coordinates
    Rect client_rect() const;     // {0, 0, width, height} of the client area
    Point client_origin() const;  // the client area's top-left in screen coordinates
    Point screen_to_client(Point p) const;
    Point client_to_screen(Point p) const;
    void move(const Rect& r, bool repaint = true);

    // State.
    bool show(int cmd);       // answers whether it was visible before
    bool is_visible() const;  // this window and all ancestors are shown
    bool enable(bool on);     // answers whether it was disabled before
    bool is_enabled() const;
    uint32_t style() const;
    void set_style(uint32_t style);
    int id() const;
    std::u16string text() const;
    void set_text(std::u16string_view text);
    const std::string& class_name() const { return class_name_; }
    uint32_t thread_id() const { return thread_id_; }

    // Painting: the update region kept as its bounding rectangle.
    void invalidate(const Rect* r = nullptr, bool erase = true);
    void validate();
    bool needs_paint() const;
    Rect update_rect() const;
    bool take_erase();  // whether the pending paint asked for erasing; clears it

  private:
    friend class WindowTree;
    bool alive_ = false;
    Window* parent_ = nullptr;
    std::vector<Window*> children_;  // bottom to top
    Rect rect_;
    uint32_t style_ = 0;
    int id_ = 0;
    std::u16string text_;
    std::string class_name_;
    uint32_t thread_id_ = 0;
    Rect update_;
    bool erase_ = false;
};

// Invalidates (with erase) every visible window's part of a screen area:
// what a window that went away, hid or moved had covered.
void expose(const Rect& screen_area);

// Whether `w` is a live window (messages to dead windows are dropped).
bool is_window(const Window* w);

// The first visible-or-hidden top-level window of that class (and title,
// when given).
Window* find_window(std::string_view class_name, std::optional<std::u16string_view> title = {});
// Top-level windows from the bottom of the z-order to the top.
std::vector<Window*> top_level_windows();
// The threads that own a shown top-level window, each once.
std::vector<uint32_t> screen_window_threads();
// The topmost visible, enabled window under a screen point (deepest child).
Window* window_from_point(Point screen);

// Focus: WM_KILLFOCUS to the old window, WM_SETFOCUS to the new one (each
// with the other as wParam). Answers the previous focus window.
Window* set_focus(Window* w);
Window* focus_window();

// Pointer capture: mouse input goes to the capture window wherever it is.
Window* set_capture(Window* w);
void release_capture();
Window* capture_window();

// The rectangles (screen coordinates) of the window's visible area: its
// client area (or whole window) cut by its ancestors, less every window
// above it in the z-order and less its own visible child windows (children
// clip their parent).
std::vector<Rect> visible_rects(const Window* w, bool whole_window = false);

}  // namespace plat

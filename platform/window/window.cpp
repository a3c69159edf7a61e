#include "platform/window/window.h"

#include <algorithm>
#include <map>
#include <set>

#include "platform/kernel/thread.h"
#include "platform/window/message_loop.h"
#include "platform/window/paint.h"
#include "platform/window/window_internal.h"

namespace plat {

namespace detail {
std::recursive_mutex& tree_lock() {
    static std::recursive_mutex m;
    return m;
}
}  // namespace detail

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

void expose_from(const Window* w, const Rect& screen_area);

struct TreeState {
    std::map<std::string, WindowClass, std::less<>> classes;
    std::set<const Window*> live;
    std::vector<Window*> top_levels;  // bottom to top
    Window* focus = nullptr;
    Window* capture = nullptr;
};

TreeState& tree() {
    static TreeState t;
    return t;
}

// Clears the focus when it lies in `w` or below it. The tree lock is held.
void drop_focus_within(const Window* w) {
    Window*& focus = tree().focus;
    if (focus && (focus == w || focus->is_descendant_of(w))) focus = nullptr;
}

void subtract_one(const Rect& a, const Rect& cut, std::vector<Rect>& out) {
    const Rect c = a.intersect(cut);
    if (c.empty()) {
        out.push_back(a);
        return;
    }
    if (c.top > a.top) out.push_back({a.left, a.top, a.right, c.top});
    if (c.bottom < a.bottom) out.push_back({a.left, c.bottom, a.right, a.bottom});
    if (c.left > a.left) out.push_back({a.left, c.top, c.left, c.bottom});
    if (c.right < a.right) out.push_back({c.right, c.top, a.right, c.bottom});
}

void subtract(std::vector<Rect>& rects, const Rect& cut) {
    std::vector<Rect> out;
    for (const Rect& r : rects) subtract_one(r, cut, out);
    rects.swap(out);
}

}  // namespace

// Friend access for the tree helpers.
class WindowTree {
  public:
    static std::vector<Window*>& siblings(Window* w) {
        return w->parent_ ? w->parent_->children_ : tree().top_levels;
    }
    // Puts a window on top of its siblings; a top-level window that is not
    // topmost goes below the topmost ones.
    static void place_on_top(Window* w) {
        auto& s = siblings(w);
        if (w->parent_ || is_topmost(w)) {
            s.push_back(w);
            return;
        }
        auto it = std::find_if(s.begin(), s.end(), [](const Window* o) { return is_topmost(o); });
        s.insert(it, w);
    }
    static bool is_topmost(const Window* w) {
        const WindowClass* cls = find_window_class(w->class_name_);
        return cls && (cls->style & CS_TOPMOST);
    }
    static void unlink(Window* w) {
        auto& s = siblings(w);
        s.erase(std::remove(s.begin(), s.end(), w), s.end());
    }
    static Rect rect(const Window* w) { return w->rect_; }
    static uint32_t style(const Window* w) { return w->style_; }
    static const std::vector<Window*>& children(const Window* w) { return w->children_; }
};

void register_window_class(const WindowClass& cls) {
    Lock lock(detail::tree_lock());
    tree().classes[cls.name] = cls;
}

const WindowClass* find_window_class(std::string_view name) {
    Lock lock(detail::tree_lock());
    auto it = tree().classes.find(name);
    return it == tree().classes.end() ? nullptr : &it->second;
}

bool is_window(const Window* w) {
    if (!w) return false;
    Lock lock(detail::tree_lock());
    return tree().live.count(w) != 0;
}

Window::~Window() {
    if (alive_) destroy();
}

bool Window::create(const CreateParams& p) {
    if (alive_) return false;
    {
        Lock lock(detail::tree_lock());
        if (p.parent && !is_window(p.parent)) return false;
        class_name_ = p.class_name;
        text_ = p.text;
        style_ = p.style;
        rect_ = p.rect;
        id_ = p.id;
        parent_ = (p.style & WS_CHILD) ? p.parent : nullptr;
        thread_id_ = current_thread_id();
        alive_ = true;
        tree().live.insert(this);
        WindowTree::place_on_top(this);
    }
    ensure_message_queue();
    if (send_message(this, WM_CREATE, 0, reinterpret_cast<intptr_t>(&p)) == -1) {
        destroy();
        return false;
    }
    if (style() & WS_VISIBLE) {
        Lock lock(detail::tree_lock());
        if (is_visible()) detail::save_under(this);
        invalidate(nullptr, true);
    }
    return true;
}

void Window::destroy() {
    if (!alive_) return;
    const Rect was = screen_rect();
    bool was_visible = is_visible();
    send_message(this, WM_DESTROY, 0, 0);
    if (was_visible && !parent_) {
        // A top-level window leaves the screen before its children go, so
        // that they expose nothing and a save-under can put the screen back.
        Lock lock(detail::tree_lock());
        style_ &= ~WS_VISIBLE;
        if (detail::restore_under(this)) was_visible = false;
    }
    for (Window* c : children()) c->destroy();
    {
        Lock lock(detail::tree_lock());
        drop_focus_within(this);
        if (tree().capture == this) tree().capture = nullptr;
        WindowTree::unlink(this);
        tree().live.erase(this);
        alive_ = false;
    }
    detail::forget_window_timers(this);
    if (was_visible) expose_from(this, was);
    window_proc(WM_NCDESTROY, 0, 0);  // the object may be gone after this
}

intptr_t Window::window_proc(uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    return default_proc(msg, wparam, lparam);
}

intptr_t Window::default_proc(uint32_t msg, uintptr_t /*wparam*/, intptr_t lparam) {
    switch (msg) {
        case WM_PAINT: {
            PaintDc dc(this);  // erases with the class background, if any
            return 0;
        }
        case WM_CLOSE:
            destroy();
            return 0;
        case WM_SETTEXT:
            set_text(lparam ? std::u16string_view(reinterpret_cast<const char16_t*>(lparam))
                            : std::u16string_view());
            return 1;
        case WM_GETTEXTLENGTH:
            return static_cast<intptr_t>(text().size());
        default:
            return 0;
    }
}

Window* Window::top_level() {
    Lock lock(detail::tree_lock());
    Window* w = this;
    while (w->parent_) w = w->parent_;
    return w;
}

std::vector<Window*> Window::children() const {
    Lock lock(detail::tree_lock());
    return children_;
}

Window* Window::child_by_id(int id) const {
    Lock lock(detail::tree_lock());
    for (Window* c : children_) {
        if (c->id_ == id) return c;
    }
    return nullptr;
}

bool Window::is_descendant_of(const Window* ancestor) const {
    Lock lock(detail::tree_lock());
    for (const Window* w = parent_; w; w = w->parent_) {
        if (w == ancestor) return true;
    }
    return false;
}

void Window::bring_to_top() {
    {
        Lock lock(detail::tree_lock());
        if (!alive_) return;
        WindowTree::unlink(this);
        WindowTree::place_on_top(this);
    }
    invalidate(nullptr, true);
}

Rect Window::rect() const {
    Lock lock(detail::tree_lock());
    return rect_;
}

Point Window::client_origin() const {
    Lock lock(detail::tree_lock());
    Point p{rect_.left, rect_.top + ((style_ & WS_CAPTION) == WS_CAPTION ? kCaptionHeight : 0)};
    if (parent_) {
        const Point o = parent_->client_origin();
        p.x += o.x;
        p.y += o.y;
    }
    return p;
}

Rect Window::screen_rect() const {
    Lock lock(detail::tree_lock());
    if (!parent_) return rect_;
    const Point o = parent_->client_origin();
    return rect_.offset(o.x, o.y);
}

Rect Window::client_rect() const {
    Lock lock(detail::tree_lock());
    const int caption = (style_ & WS_CAPTION) == WS_CAPTION ? kCaptionHeight : 0;
    return {0, 0, rect_.width(), std::max(0, rect_.height() - caption)};
}

Point Window::screen_to_client(Point p) const {
    const Point o = client_origin();
    return {p.x - o.x, p.y - o.y};
}

Point Window::client_to_screen(Point p) const {
    const Point o = client_origin();
    return {p.x + o.x, p.y + o.y};
}

void Window::move(const Rect& r, bool repaint) {
    Rect old_screen;
    bool vis = false;
    {
        Lock lock(detail::tree_lock());
        if (!alive_) return;
        old_screen = screen_rect();
        vis = is_visible();
        rect_ = r;
    }
    send_message(this, WM_SIZE, 0, make_lparam(client_rect().width(), client_rect().height()));
    if (vis && repaint) {
        // Expose what the window left and redraw it in its new place.
        {
            Lock lock(detail::tree_lock());
            if (!detail::restore_under(this)) expose_from(this, old_screen);
            detail::save_under(this);
        }
        invalidate(nullptr, true);
    }
}

bool Window::show(int cmd) {
    bool was;
    {
        Lock lock(detail::tree_lock());
        if (!alive_) return false;
        was = (style_ & WS_VISIBLE) != 0;
        if (cmd == SW_HIDE) {
            style_ &= ~WS_VISIBLE;
        } else {
            style_ |= WS_VISIBLE;
        }
    }
    const bool now = cmd != SW_HIDE;
    if (was != now) {
        send_message(this, WM_SHOWWINDOW, now ? 1 : 0, 0);
        if (now) {
            Lock lock(detail::tree_lock());
            if (is_visible()) detail::save_under(this);
            invalidate(nullptr, true);
        } else {
            Lock lock(detail::tree_lock());
            drop_focus_within(this);
            if (!detail::restore_under(this)) expose_from(this, screen_rect());
        }
    }
    return was;
}

bool Window::is_visible() const {
    Lock lock(detail::tree_lock());
    for (const Window* w = this; w; w = w->parent_) {
        if (!(w->style_ & WS_VISIBLE) || !w->alive_) return false;
    }
    return true;
}

bool Window::enable(bool on) {
    bool was_disabled;
    {
        Lock lock(detail::tree_lock());
        was_disabled = (style_ & WS_DISABLED) != 0;
        if (on) {
            style_ &= ~WS_DISABLED;
        } else {
            style_ |= WS_DISABLED;
        }
    }
    if (was_disabled == on) send_message(this, WM_ENABLE, on ? 1 : 0, 0);
    return was_disabled;
}

bool Window::is_enabled() const {
    Lock lock(detail::tree_lock());
    return (style_ & WS_DISABLED) == 0;
}

uint32_t Window::style() const {
    Lock lock(detail::tree_lock());
    return style_;
}

void Window::set_style(uint32_t style) {
    Lock lock(detail::tree_lock());
    style_ = style;
}

int Window::id() const {
    Lock lock(detail::tree_lock());
    return id_;
}

std::u16string Window::text() const {
    Lock lock(detail::tree_lock());
    return text_;
}

void Window::set_text(std::u16string_view text) {
    {
        Lock lock(detail::tree_lock());
        text_ = std::u16string(text);
    }
    invalidate(nullptr, true);
}

void Window::invalidate(const Rect* r, bool erase) {
    uint32_t tid;
    {
        Lock lock(detail::tree_lock());
        if (!alive_) return;
        const Rect client = client_rect();
        const Rect add = r ? r->intersect(client) : client;
        if (add.empty()) return;
        update_ = update_.unite(add);
        erase_ = erase_ || erase;
        tid = thread_id_;
    }
    detail::wake_ui_thread(tid);
}

void Window::validate() {
    Lock lock(detail::tree_lock());
    update_ = Rect{};
    erase_ = false;
}

bool Window::needs_paint() const {
    Lock lock(detail::tree_lock());
    return !update_.empty();
}

Rect Window::update_rect() const {
    Lock lock(detail::tree_lock());
    return update_;
}

bool Window::take_erase() {
    Lock lock(detail::tree_lock());
    const bool e = erase_;
    erase_ = false;
    return e;
}

namespace {
// Invalidates the visible windows of the trees in `stack` within a screen
// area.
void expose_trees(std::vector<Window*> stack, const Rect& screen_area);
// What a child window showed lies inside its parent: only the parent's tree
// repaints it.
void expose_from(const Window* w, const Rect& screen_area) {
    if (Window* parent = w->parent()) {
        expose_trees({parent}, screen_area);
    } else {
        expose(screen_area);
    }
}
}  // namespace

void expose(const Rect& screen_area) {
    expose_trees(top_level_windows(), screen_area);
}

namespace {
void expose_trees(std::vector<Window*> stack, const Rect& screen_area) {
    while (!stack.empty()) {
        Window* w = stack.back();
        stack.pop_back();
        if (!w->is_visible()) continue;
        const Rect sr = w->screen_rect().intersect(screen_area);
        if (sr.empty()) continue;
        const Point o = w->client_origin();
        const Rect local = sr.offset(-o.x, -o.y);
        w->invalidate(&local, true);
        for (Window* c : w->children()) stack.push_back(c);
    }
}
}  // namespace

Window* find_window(std::string_view class_name, std::optional<std::u16string_view> title) {
    Lock lock(detail::tree_lock());
    for (Window* w : tree().top_levels) {
        if (w->class_name() == class_name && (!title || w->text() == *title)) return w;
    }
    return nullptr;
}

std::vector<Window*> top_level_windows() {
    Lock lock(detail::tree_lock());
    return tree().top_levels;
}

std::vector<uint32_t> screen_window_threads() {
    Lock lock(detail::tree_lock());
    std::vector<uint32_t> threads;
    for (Window* w : tree().top_levels) {
        if (!(WindowTree::style(w) & WS_VISIBLE)) continue;
        if (std::find(threads.begin(), threads.end(), w->thread_id()) == threads.end())
            threads.push_back(w->thread_id());
    }
    return threads;
}

namespace {
Window* hit_in(const std::vector<Window*>& list, Point p) {
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        Window* w = *it;
        if (!(WindowTree::style(w) & WS_VISIBLE)) continue;
        if (!w->screen_rect().contains(p)) continue;
        if (WindowTree::style(w) & WS_DISABLED) return w;
        Window* deeper = hit_in(WindowTree::children(w), p);
        return deeper ? deeper : w;
    }
    return nullptr;
}
}  // namespace

Window* window_from_point(Point screen) {
    Lock lock(detail::tree_lock());
    return hit_in(tree().top_levels, screen);
}

Window* set_focus(Window* w) {
    Window* old;
    {
        Lock lock(detail::tree_lock());
        if (w && !is_window(w)) return nullptr;
        old = tree().focus;
        if (old == w) return old;
        tree().focus = w;
    }
    if (old && is_window(old)) send_message(old, WM_KILLFOCUS, reinterpret_cast<uintptr_t>(w), 0);
    if (w && is_window(w)) send_message(w, WM_SETFOCUS, reinterpret_cast<uintptr_t>(old), 0);
    return old;
}

Window* focus_window() {
    Lock lock(detail::tree_lock());
    return tree().focus;
}

Window* set_capture(Window* w) {
    Window* old;
    {
        Lock lock(detail::tree_lock());
        old = tree().capture;
        tree().capture = is_window(w) ? w : nullptr;
    }
    if (old && old != w && is_window(old)) {
        send_message(old, WM_CAPTURECHANGED, 0, reinterpret_cast<intptr_t>(w));
    }
    return old;
}

void release_capture() {
    set_capture(nullptr);
}

Window* capture_window() {
    Lock lock(detail::tree_lock());
    return tree().capture;
}

std::vector<Rect> visible_rects(const Window* w, bool whole_window) {
    Lock lock(detail::tree_lock());
    if (!is_window(w) || !w->is_visible()) return {};
    Rect area = whole_window ? w->screen_rect()
                             : Rect::from_size(w->client_origin(), w->client_rect().size());
    // Ancestors clip to their client areas.
    for (const Window* a = w->parent(); a; a = a->parent()) {
        area = area.intersect(Rect::from_size(a->client_origin(), a->client_rect().size()));
    }
    area = area.intersect({0, 0, kScreenWidth, kScreenHeight});
    std::vector<Rect> rects;
    if (!area.empty()) rects.push_back(area);
    // Its own children cut it.
    for (const Window* child : WindowTree::children(w))
        if (child->is_visible()) subtract(rects, child->screen_rect());
    // Windows above this one and above each ancestor cut it.
    for (const Window* cur = w; cur && !rects.empty(); cur = cur->parent()) {
        const auto& sibs = cur->parent() ? WindowTree::children(cur->parent()) : tree().top_levels;
        auto it = std::find(sibs.begin(), sibs.end(), cur);
        if (it == sibs.end()) continue;
        for (++it; it != sibs.end(); ++it) {
            if ((*it)->is_visible()) subtract(rects, (*it)->screen_rect());
        }
    }
    return rects;
}

}  // namespace plat

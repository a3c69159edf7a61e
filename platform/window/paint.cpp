#include "platform/window/paint.h"

#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/window/message_loop.h"
#include "platform/window/window_internal.h"

namespace plat {

namespace {

std::atomic<uint64_t> g_serial{0};

// The changed areas no back end has taken yet.
class ScreenDamage {
  public:
    void add(const Rect& area) {
        Rect r = area.intersect({0, 0, kScreenWidth, kScreenHeight});
        if (r.empty()) return;
        std::lock_guard lock(mutex_);
        // A rectangle that meets or touches another grows it; the grown one
        // may then meet others.
        for (size_t i = 0; i < rects_.size();) {
            if (r.inflate(1, 1).intersect(rects_[i]).empty()) {
                ++i;
                continue;
            }
            r = r.unite(rects_[i]);
            rects_.erase(rects_.begin() + static_cast<ptrdiff_t>(i));
            i = 0;
        }
        rects_.push_back(r);
        if (rects_.size() > kMaxRects) {
            Rect all;
            for (const Rect& x : rects_) all = all.unite(x);
            rects_.assign(1, all);
        }
    }
    std::vector<Rect> take() {
        std::lock_guard lock(mutex_);
        return std::exchange(rects_, {});
    }

  private:
    static constexpr size_t kMaxRects = 16;
    std::mutex mutex_;
    std::vector<Rect> rects_;  // guarded by mutex_
};

ScreenDamage& damage() {
    static ScreenDamage d;
    return d;
}

}  // namespace

Bitmap screen_surface() {
    static const Bitmap screen = Bitmap::create(kScreenWidth, kScreenHeight, RGB(0, 0, 0));
    return screen;
}

uint64_t screen_serial() {
    return g_serial.load();
}

void note_screen_changed(const Rect& area) {
    if (area.empty()) return;
    damage().add(area);
    g_serial.fetch_add(1);
}

std::vector<Rect> take_screen_damage() {
    return damage().take();
}

Bitmap screen_snapshot() {
    const Bitmap s = screen_surface();
    auto lock = s.lock();
    return s.clone();
}

WindowDc::WindowDc(Window* w, bool whole_window) : screen_(screen_surface()) {
    if (!is_window(w)) return;
    visible_ = visible_rects(w, whole_window);
    const Rect area = whole_window ? w->screen_rect()
                                   : Rect::from_size(w->client_origin(), w->client_rect().size());
    if (visible_.empty()) {
        dc_ = Dc(screen_, area);
        dc_.set_clip({});
        return;
    }
    if (visible_.size() == 1) {
        dc_ = Dc(screen_, area);
        dc_.set_clip(visible_.front());
        return;
    }
    // Several pieces: draw on a copy of the window's area, put back the pieces.
    scratch_area_ = area.intersect(screen_.bounds());
    scratch_ = Bitmap::create(scratch_area_.width(), scratch_area_.height());
    {
        Dc copy(scratch_);
        copy.bit_blt(0, 0, scratch_area_.width(), scratch_area_.height(), screen_,
                     scratch_area_.left, scratch_area_.top);
    }
    dc_ = Dc(scratch_);
    dc_.set_origin({area.left - scratch_area_.left, area.top - scratch_area_.top});
}

WindowDc::~WindowDc() {
    flush();
}

void WindowDc::limit_to(const Rect& client_rect) {
    dc_.intersect_clip(client_rect);
}

void WindowDc::flush() {
    const Rect drawn = dc_.changed_area();
    dc_.forget_changed_area();
    if (scratch_) {
        // Drawn on the copy: its coordinates start at the copied area.
        const Rect changed = drawn.offset(scratch_area_.left, scratch_area_.top);
        Dc out(screen_);
        for (const Rect& r : visible_) {
            const Rect part = r.intersect(scratch_area_);
            if (part.empty()) continue;
            out.bit_blt(part.left, part.top, part.width(), part.height(), scratch_,
                        part.left - scratch_area_.left, part.top - scratch_area_.top);
            note_screen_changed(part.intersect(changed));
        }
    } else if (!visible_.empty()) {
        note_screen_changed(drawn);
    }
}

PaintDc::PaintDc(Window* w) : WindowDc(w) {
    if (!is_window(w)) return;
    paint_ = w->update_rect();
    const Point origin = w->client_origin();
    detail::note_drawing(w, paint_.offset(origin.x, origin.y));
    const bool erase = w->take_erase();
    w->validate();
    limit_to(paint_);
    if (erase) {
        const WindowClass* cls = find_window_class(w->class_name());
        if (cls && cls->background) {
            dc().fill_rect(paint_, *cls->background);
            erased_ = true;
        }
    }
}

void update_window(Window* w) {
    if (is_window(w) && w->needs_paint() && w->is_visible()) send_message(w, WM_PAINT, 0, 0);
}

}  // namespace plat

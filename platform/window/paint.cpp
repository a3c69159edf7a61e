#include "platform/window/paint.h"

#include <atomic>

#include "platform/window/message_loop.h"
#include "platform/window/window_internal.h"

namespace plat {

namespace {
std::atomic<uint64_t> g_serial{0};
}

Bitmap screen_surface() {
    static const Bitmap screen = Bitmap::create(kScreenWidth, kScreenHeight, RGB(0, 0, 0));
    return screen;
}

uint64_t screen_serial() {
    return g_serial.load();
}

void note_screen_changed() {
    g_serial.fetch_add(1);
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
    if (scratch_) {
        Dc out(screen_);
        for (const Rect& r : visible_) {
            const Rect part = r.intersect(scratch_area_);
            if (part.empty()) continue;
            out.bit_blt(part.left, part.top, part.width(), part.height(), scratch_,
                        part.left - scratch_area_.left, part.top - scratch_area_.top);
        }
    }
    if (!visible_.empty()) note_screen_changed();
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

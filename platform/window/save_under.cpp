// Save-under: a top-level window whose class asks for it (CS_SAVEBITS) keeps
// a copy of the screen it covers from the moment it is shown, and puts it
// back when it hides, moves or goes, so the windows below need not repaint.
//
// A copy stays true only while nothing below the window paints into its
// area: a window below that has a paint pending there when the copy is
// taken, or that paints there later (clipped away by the window above, so
// the screen would keep the old picture), makes the copy stale, and a stale
// copy is dropped in favour of repainting what lies below. Drawing outside
// WM_PAINT (live updates of a clock or a trace) is not followed: what it
// drew under the window shows again at its next update.
#include <algorithm>
#include <vector>

#include "platform/gfx/dc.h"
#include "platform/window/paint.h"
#include "platform/window/window.h"
#include "platform/window/window_internal.h"

namespace plat::detail {

namespace {

struct SavedArea {
    const Window* window = nullptr;
    Rect area;  // screen coordinates, inside the screen
    Bitmap bits;
    bool stale = false;
};

// Guarded by the tree lock.
std::vector<SavedArea>& saved_areas() {
    static std::vector<SavedArea> saved;
    return saved;
}

const Rect kScreen{0, 0, kScreenWidth, kScreenHeight};

// The place of a top-level window in the z-order (bottom 0), -1 when gone.
long z_order(const Window* top) {
    const std::vector<Window*> tops = top_level_windows();
    auto it = std::find(tops.begin(), tops.end(), top);
    return it == tops.end() ? -1 : it - tops.begin();
}

bool keeps_bits(const Window* w) {
    if (w->parent()) return false;
    const WindowClass* cls = find_window_class(w->class_name());
    return cls && (cls->style & CS_SAVEBITS);
}

// Whether a visible window in the tree of `top` has a paint pending in the
// screen area.
bool paint_pending_in(Window* top, const Rect& area) {
    std::vector<Window*> stack{top};
    while (!stack.empty()) {
        Window* w = stack.back();
        stack.pop_back();
        if (!w->is_visible()) continue;
        if (w->needs_paint()) {
            const Point o = w->client_origin();
            if (!w->update_rect().offset(o.x, o.y).intersect(area).empty()) return true;
        }
        for (Window* c : w->children()) stack.push_back(c);
    }
    return false;
}

auto find_saved(const Window* w) {
    auto& saved = saved_areas();
    return std::find_if(saved.begin(), saved.end(),
                        [w](const SavedArea& s) { return s.window == w; });
}

}  // namespace

void save_under(Window* w) {
    if (!keeps_bits(w)) return;
    if (auto it = find_saved(w); it != saved_areas().end()) saved_areas().erase(it);
    SavedArea s;
    s.window = w;
    s.area = w->screen_rect().intersect(kScreen);
    if (s.area.empty()) return;
    const Bitmap screen = screen_surface();
    {
        auto lock = screen.lock();
        s.bits = Bitmap::create(s.area.width(), s.area.height());
        Dc copy(s.bits);
        copy.bit_blt(0, 0, s.area.width(), s.area.height(), screen, s.area.left, s.area.top);
    }
    const std::vector<Window*> tops = top_level_windows();
    for (Window* below : tops) {
        if (below == w) break;
        if (paint_pending_in(below, s.area)) s.stale = true;
    }
    saved_areas().push_back(std::move(s));
}

bool restore_under(Window* w) {
    auto it = find_saved(w);
    if (it == saved_areas().end()) return false;
    SavedArea s = std::move(*it);
    saved_areas().erase(it);
    if (s.stale) {
        // Copies above that hold our pixels cannot learn what lies below.
        for (SavedArea& other : saved_areas())
            if (!other.area.intersect(s.area).empty() && z_order(other.window) > z_order(w))
                other.stale = true;
        return false;
    }
    // Windows above keep their pixels.
    std::vector<Rect> parts{s.area};
    const std::vector<Window*> tops = top_level_windows();
    auto self = std::find(tops.begin(), tops.end(), w);
    if (self != tops.end()) {
        for (auto above = self + 1; above != tops.end(); ++above) {
            if (!(*above)->is_visible()) continue;
            std::vector<Rect> left;
            for (const Rect& p : parts) {
                const Rect cut = (*above)->screen_rect();
                if (p.intersect(cut).empty()) {
                    left.push_back(p);
                    continue;
                }
                // The four bands of p around the cut.
                const Rect c = p.intersect(cut);
                const Rect bands[] = {{p.left, p.top, p.right, c.top},
                                      {p.left, c.bottom, p.right, p.bottom},
                                      {p.left, c.top, c.left, c.bottom},
                                      {c.right, c.top, p.right, c.bottom}};
                for (const Rect& b : bands)
                    if (!b.empty()) left.push_back(b);
            }
            parts = std::move(left);
            // A copy above holds our pixels where it overlaps us: it gets
            // what lies under us instead.
            if (auto other = find_saved(*above); other != saved_areas().end()) {
                const Rect o = other->area.intersect(s.area);
                if (!o.empty()) {
                    Dc patch(other->bits);
                    patch.bit_blt(o.left - other->area.left, o.top - other->area.top, o.width(),
                                  o.height(), s.bits, o.left - s.area.left, o.top - s.area.top);
                }
            }
        }
    }
    const Bitmap screen = screen_surface();
    {
        auto lock = screen.lock();
        Dc out(screen);
        for (const Rect& p : parts) {
            out.bit_blt(p.left, p.top, p.width(), p.height(), s.bits, p.left - s.area.left,
                        p.top - s.area.top);
        }
    }
    for (const Rect& p : parts) note_screen_changed(p);
    return true;
}

void note_drawing(const Window* w, const Rect& screen_area) {
    std::lock_guard lock(tree_lock());
    auto& saved = saved_areas();
    if (saved.empty() || !is_window(w)) return;
    const Window* top = w;
    while (top->parent()) top = top->parent();
    const long z = z_order(top);
    for (SavedArea& s : saved) {
        if (s.stale || s.window == top) continue;
        if (z_order(s.window) > z && !s.area.intersect(screen_area).empty()) s.stale = true;
    }
}

}  // namespace plat::detail

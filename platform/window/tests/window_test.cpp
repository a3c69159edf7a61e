// The window tree: geometry, visibility, z-order, focus, capture and the
// visible area that painting is clipped to.
#include "platform/window/window.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/window/message_loop.h"

namespace plat {
namespace {

// Records the messages it receives.
class Recorder : public Window {
  public:
    std::vector<uint32_t> seen;
    std::vector<uintptr_t> wparams;
    intptr_t window_proc(uint32_t msg, uintptr_t wp, intptr_t lp) override {
        seen.push_back(msg);
        wparams.push_back(wp);
        return default_proc(msg, wp, lp);
    }
    int count(uint32_t msg) const {
        return static_cast<int>(std::count(seen.begin(), seen.end(), msg));
    }
};

CreateParams top(Rect r, uint32_t style = WS_VISIBLE) {
    CreateParams p;
    p.class_name = "Test";
    p.style = style;
    p.rect = r;
    return p;
}

CreateParams child(Window* parent, Rect r, int id, uint32_t style = WS_VISIBLE) {
    CreateParams p;
    p.class_name = "Child";
    p.style = WS_CHILD | style;
    p.rect = r;
    p.parent = parent;
    p.id = id;
    return p;
}

TEST(WindowTree, CoordinatesThroughParentsAndCaption) {
    Recorder frame, dlg, ctl;
    ASSERT_TRUE(frame.create(top({0, 0, 800, 600})));
    ASSERT_TRUE(dlg.create(top({100, 50, 500, 350}, WS_VISIBLE | WS_CAPTION)));
    ASSERT_TRUE(ctl.create(child(&dlg, {10, 20, 110, 40}, 7)));
    EXPECT_EQ(dlg.client_rect(), (Rect{0, 0, 400, 300 - kCaptionHeight}));
    EXPECT_EQ(ctl.screen_rect(),
              (Rect{110, 50 + kCaptionHeight + 20, 210, 50 + kCaptionHeight + 40}));
    EXPECT_EQ(ctl.screen_to_client({115, 110}), (Point{5, 110 - 50 - kCaptionHeight - 20}));
    EXPECT_EQ(dlg.child_by_id(7), &ctl);
    EXPECT_EQ(window_from_point({150, 105}), &ctl);
    EXPECT_EQ(window_from_point({5, 5}), &frame);
    EXPECT_TRUE(ctl.is_descendant_of(&dlg));
    EXPECT_EQ(ctl.top_level(), &dlg);
}

TEST(WindowTree, CreateRefusedByHandlerAndDestroyOrder) {
    struct Refuser : Window {
        intptr_t window_proc(uint32_t msg, uintptr_t wp, intptr_t lp) override {
            return msg == WM_CREATE ? -1 : default_proc(msg, wp, lp);
        }
    } refuser;
    EXPECT_FALSE(refuser.create(top({0, 0, 10, 10})));
    EXPECT_FALSE(is_window(&refuser));

    Recorder parent, kid;
    ASSERT_TRUE(parent.create(top({0, 0, 100, 100})));
    ASSERT_TRUE(kid.create(child(&parent, {0, 0, 10, 10}, 1)));
    set_focus(&kid);
    parent.destroy();
    EXPECT_FALSE(is_window(&kid));
    EXPECT_EQ(kid.count(WM_DESTROY), 1);
    EXPECT_EQ(kid.count(WM_NCDESTROY), 1);
    EXPECT_EQ(focus_window(), nullptr) << "focus inside a destroyed window is dropped";
}

TEST(WindowTree, FindWindowByClassAndHiddenState) {
    Window bar;
    CreateParams p = top({0, 570, 800, 600});
    p.class_name = "HHTaskBar";
    ASSERT_TRUE(bar.create(p));
    EXPECT_EQ(find_window("HHTaskBar"), &bar);
    EXPECT_EQ(find_window("NoSuchClass"), nullptr);
    EXPECT_TRUE(bar.show(SW_HIDE));
    EXPECT_FALSE(bar.is_visible());
    EXPECT_FALSE(bar.show(SW_SHOW));
    EXPECT_TRUE(bar.is_visible());
}

TEST(WindowTree, FocusMessagesCarryTheOtherWindow) {
    Recorder a, b;
    ASSERT_TRUE(a.create(top({0, 0, 10, 10})));
    ASSERT_TRUE(b.create(top({0, 0, 10, 10})));
    set_focus(&a);
    EXPECT_EQ(set_focus(&b), &a);
    ASSERT_GE(a.count(WM_KILLFOCUS), 1);
    EXPECT_EQ(b.wparams.back(), reinterpret_cast<uintptr_t>(&a));
    EXPECT_EQ(focus_window(), &b);
    b.show(SW_HIDE);
    EXPECT_EQ(focus_window(), nullptr) << "hiding the focus window drops the focus";
    set_focus(nullptr);
}

TEST(WindowTree, VisibleAreaExcludesWindowsAbove) {
    Window screen, dialog;
    ASSERT_TRUE(screen.create(top({0, 0, 800, 600})));
    ASSERT_TRUE(dialog.create(top({200, 100, 600, 400})));
    auto rects = visible_rects(&screen);
    long area = 0;
    for (const Rect& r : rects) {
        area += static_cast<long>(r.width()) * r.height();
        EXPECT_TRUE(r.intersect({200, 100, 600, 400}).empty());
    }
    EXPECT_EQ(area, 800L * 600 - 400L * 300);
    EXPECT_EQ(visible_rects(&dialog).size(), 1u);
    screen.bring_to_top();
    EXPECT_TRUE(visible_rects(&dialog).empty());
}

// A parent's visible area leaves out its shown children (they clip it); a
// hidden child does not.
TEST(WindowTree, ChildrenClipTheirParent) {
    Window parent, shown, hidden;
    ASSERT_TRUE(parent.create(top({0, 0, 400, 300})));
    ASSERT_TRUE(shown.create(child(&parent, {100, 50, 200, 150}, 1)));
    ASSERT_TRUE(hidden.create(child(&parent, {250, 50, 350, 150}, 2, 0)));
    long area = 0;
    for (const Rect& r : visible_rects(&parent)) {
        area += static_cast<long>(r.width()) * r.height();
        EXPECT_TRUE(r.intersect(shown.screen_rect()).empty());
    }
    EXPECT_EQ(area, 400L * 300 - 100L * 100);
    ASSERT_EQ(visible_rects(&shown).size(), 1u);
    EXPECT_EQ(visible_rects(&shown)[0], shown.screen_rect());
}

TEST(WindowTree, InvalidationAccumulatesAndValidates) {
    Window w;
    ASSERT_TRUE(w.create(top({0, 0, 100, 100})));
    w.validate();
    Rect a{10, 10, 20, 20}, b{50, 60, 70, 80};
    w.invalidate(&a, false);
    w.invalidate(&b, false);
    EXPECT_EQ(w.update_rect(), (Rect{10, 10, 70, 80}));
    EXPECT_FALSE(w.take_erase());
    Rect outside{200, 200, 300, 300};
    w.validate();
    w.invalidate(&outside, true);
    EXPECT_FALSE(w.needs_paint()) << "an update outside the client area is ignored";
}

}  // namespace
}  // namespace plat

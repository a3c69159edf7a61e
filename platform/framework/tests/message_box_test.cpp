// The system's message box answered the ways a user answers it: keys on each
// button set, and a tap on a button.
#include "platform/framework/message_box.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/kernel/message_queue.h"
#include "platform/kernel/thread.h"
#include "platform/window/message_loop.h"
#include "platform/window/window.h"

namespace plat {
namespace {

class MessageBoxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ensure_message_queue();
        set_input_thread(current_thread_id());
        set_message_box_observer([this](const MessageBoxCall& c) { seen.push_back(c); });
    }
    void TearDown() override { set_message_box_observer(nullptr); }
    static void press(uint32_t vk) {
        post_key_input(vk, true);
        post_key_input(vk, false);
    }
    std::vector<MessageBoxCall> seen;
};

TEST_F(MessageBoxTest, KeysAnswerEachButtonSet) {
    struct Case {
        uint32_t flags;
        std::vector<uint32_t> keys;
        int answer;
    };
    const Case cases[] = {
        {MB_OK, {VK_RETURN}, IDOK},
        {MB_OK | MB_ICONEXCLAMATION, {VK_ESCAPE}, IDOK},
        {MB_OK, {VK_RIGHT, VK_RETURN}, IDOK},
        {MB_OKCANCEL, {VK_RETURN}, IDOK},
        {MB_OKCANCEL, {VK_ESCAPE}, IDCANCEL},
        {MB_OKCANCEL | MB_ICONQUESTION, {VK_RIGHT, VK_RETURN}, IDCANCEL},
        {MB_OKCANCEL, {VK_RIGHT, VK_LEFT, VK_RETURN}, IDOK},
        {MB_YESNO, {VK_RETURN}, IDYES},
        {MB_YESNO | MB_ICONHAND, {VK_ESCAPE}, IDNO},
        {MB_YESNO, {VK_RIGHT, VK_RETURN}, IDNO},
        {0x3 /* an unknown set shows OK */, {VK_RETURN}, IDOK},
    };
    for (const Case& c : cases) {
        for (uint32_t vk : c.keys) press(vk);
        EXPECT_EQ(message_box(nullptr, u"Text", u"Caption", c.flags), c.answer)
            << "flags " << c.flags << ", " << c.keys.size() << " keys";
    }
    ASSERT_EQ(seen.size(), std::size(cases));
    EXPECT_EQ(seen[1].flags, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(seen[1].text, u"Text");
    EXPECT_EQ(seen[1].caption, u"Caption");
    EXPECT_TRUE(top_level_windows().empty()) << "each box is gone once answered";
}

// Taps the button labelled "No" of the open box.
void tap_no(Window*, uint32_t, uintptr_t id, uint32_t) {
    kill_timer(nullptr, id);
    for (Window* top : top_level_windows()) {
        for (Window* child : top->children()) {
            if (child->text() != u"No") continue;
            const Rect r = child->screen_rect();
            const Point centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
            post_mouse_input(WM_LBUTTONDOWN, centre);
            post_mouse_input(WM_LBUTTONUP, centre);
        }
    }
}

TEST_F(MessageBoxTest, ATapAnswersTheButton) {
    set_timer(nullptr, 0, 1, tap_no);
    EXPECT_EQ(message_box(nullptr, u"Delete?", u"Caption", MB_YESNO), IDNO);
}

}  // namespace
}  // namespace plat

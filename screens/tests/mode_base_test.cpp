// The screen base's own behaviour: key sorting, the key lock, the repeat
// counters, the page tables and the activation state.
#include "screens/mode_base.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/keys.h"
#include "core/res_string.h"
#include "platform/framework/system_services.h"

namespace {

// Records which handler each key reached.
class Screen : public CModeBase {
  public:
    Screen() { mode_id_ = 1; }
    std::vector<std::string> calls;
    std::vector<std::u16string> status;

    void OnSoftKey(uint32_t key, int repeat) override {
        calls.push_back("soft " + std::to_string(key));
        CModeBase::OnSoftKey(key, repeat);
    }
    void OnMenuKey(uint32_t key, int) override { calls.push_back("menu " + std::to_string(key)); }
    int OnEscapeKey() override {
        calls.push_back("escape");
        return CModeBase::OnEscapeKey();
    }
    void OnEnterKey() override { calls.push_back("enter"); }
    void OnArrowKey(uint32_t key, int pressed) override {
        calls.push_back("arrow " + std::to_string(key) + " " + std::to_string(pressed));
        CModeBase::OnArrowKey(key, pressed);
    }
    void OnNumericKey(uint32_t key, int) override {
        calls.push_back("numeric " + std::to_string(key));
    }
    void OnModeKey(uint32_t key) override { calls.push_back("mode " + std::to_string(key)); }
    int StopMeasurement() override {
        calls.push_back("stop");
        return 0;
    }
    void ShowStatusMessage(const std::u16string& text, int flag) override {
        if (flag == 1) status.push_back(text);
    }
};

TEST(ScreenBase, KeysActOnReleaseExceptArrows) {
    const struct {
        uint32_t key;
        const char* call;
    } cases[] = {
        {VK_F1, "soft 112"},          {VK_F1 + 7, "soft 119"},
        {VK_F13, "menu 124"},         {VK_F18, "menu 129"},
        {'0', "numeric 48"},          {VK_NUMPAD0, "numeric 96"},
        {VK_SUBTRACT, "numeric 109"}, {VK_OEM_PERIOD, "numeric 190"},
        {VK_ESCAPE, "escape"},        {VK_RETURN, "enter"},
        {VK_F19, "mode 130"},         {VK_LEFT, "arrow 37 0"},
    };
    for (const auto& c : cases) {
        Screen s;
        s.OnKeyEvent(c.key, 1);
        if (c.key == VK_LEFT) {
            ASSERT_EQ(s.calls.size(), 1u);
            EXPECT_EQ(s.calls[0], "arrow 37 1") << "an arrow acts on its press";
            s.calls.clear();
        } else {
            EXPECT_TRUE(s.calls.empty()) << c.call << " acted on its press";
        }
        s.OnKeyEvent(c.key, 0);
        ASSERT_EQ(s.calls.size(), 1u) << c.call;
        EXPECT_EQ(s.calls[0], c.call);
    }
    Screen s;
    s.OnKeyEvent(VK_F20, 0);
    EXPECT_EQ(s.calls, std::vector<std::string>{"stop"}) << "the setup key stops the measurement";
}

TEST(ScreenBase, KeyLockRefusesEveryKeyButEnterAudibly) {
    Screen s;
    s.set_key_lock(true);
    plat::reset_system_service_calls();
    s.OnKeyEvent(VK_F1, 1);
    s.OnKeyEvent(VK_F1, 0);
    s.OnKeyEvent(VK_RETURN, 1);
    s.OnKeyEvent(VK_RETURN, 0);
    EXPECT_TRUE(s.calls.empty());
    EXPECT_EQ(s.status.size(), 2u) << "press and release of F1 each tell the user";
    EXPECT_EQ(s.status[0], LoadResString(64392));
    EXPECT_EQ(plat::system_service_calls().beeps, (std::vector<uint32_t>{0x20, 0x20}));
    // Activation releases the lock and returns to page 0.
    s.set_page(12);
    s.OnActivate();
    EXPECT_FALSE(s.key_locked());
    EXPECT_EQ(s.page(), 0);
    EXPECT_TRUE(s.IsActive());
    s.CancelEntry();
    EXPECT_FALSE(s.IsActive());
}

TEST(ScreenBase, RepeatCountersAndTheRepeatStep) {
    Screen s;
    s.set_action(0, 2, 5);
    for (int i = 0; i < 15; ++i) s.OnSoftKey(VK_F1 + 2, 1);
    EXPECT_EQ(s.repeat_count(), 10) << "a repeated soft key counts to 10";
    EXPECT_EQ(s.last_soft_key(), 2);
    s.OnSoftKey(VK_F1 + 4, 0);  // no action: the count starts again
    EXPECT_EQ(s.repeat_count(), 0);
    EXPECT_EQ(s.last_soft_key(), -1);
    EXPECT_EQ(s.GetRepeatStep(), 1);
    for (int i = 0; i < 50; ++i) s.OnArrowKey(VK_UP, 1);
    EXPECT_EQ(s.repeat_count(), 35);
    EXPECT_EQ(s.GetRepeatStep(), 3);
    s.OnEscapeKey();
    EXPECT_EQ(s.repeat_count(), 0);
}

TEST(ScreenBase, PageTablesStartBlankAndCommitActsOnTheSoftKey) {
    Screen s;
    EXPECT_EQ(s.label(73, 7), CModeBase::kBlankLabel);
    EXPECT_EQ(s.action(0, 0), -1);
    EXPECT_EQ(s.action(74, 0), -1) << "outside the table";
    s.CommitSoftKey(5);
    s.CommitSoftKey(-1);
    EXPECT_EQ(s.calls, std::vector<std::string>{"soft 117"});
    const auto main = s.GetMainLayout();
    EXPECT_EQ(main.right, 705);
    EXPECT_EQ(main.bottom, 455);
    EXPECT_EQ(main.colour, 18);
}

}  // namespace

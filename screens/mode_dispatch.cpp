// CModeBase: keys, touches and the command codes of soft-key actions.
#include "core/app_commands.h"
#include "core/keys.h"
#include "core/res_string.h"
#include "instrument/measurement.h"
#include "platform/framework/message_box.h"
#include "platform/framework/system_services.h"
#include "platform/framework/wnd.h"
#include "screens/mode_base.h"
#include "screens/screen_services.h"
#include "widgets/readout_box.h"
#include "widgets/soft_key_menu.h"

namespace {

constexpr uint32_t kQuestionBeep = 0x20;
constexpr int kKeyLockedText = 64392;
constexpr int kSoftKeyRepeatMax = 10;
constexpr int kRepeatPerStep = 10;

// Command codes of soft-key actions.
constexpr uint32_t kCodeShowPage53 = 0x80000003;
constexpr uint32_t kCodeContrast = 0x80000008;
constexpr uint32_t kCodeExit = 0x8000001C;
constexpr uint32_t kCodeTimeDate = 0x80000023;
constexpr uint32_t kCodeTools = 0x80000024;
constexpr uint32_t kLaunchCodes[] = {0x8000001D, 0x8000001E, 0x80000025, 0x80000026, 0x80000027};
constexpr int kPage53 = 53;
constexpr int kContrastLevels[] = {100, 80, 60, 50, 40, 20, 0};
constexpr uint32_t kExitQuestion = 894;
constexpr int kIdYes = 6;

// The drawn button row's keys: mode, setup, Escape, Enter.
constexpr uint32_t kButtonRowKeys[] = {VK_F19, VK_F20, VK_ESCAPE, VK_RETURN};
constexpr uint32_t kMenuKeyFirst = VK_F13;

// The child of a group under a point, or -1.
int ChildAt(const CWidgetGroup& group, plat::Point p) {
    for (int i = 0; i < group.GetCount(); ++i)
        if (IGroupChild* c = group.GetChild(i); c && c->HitTest(p)) return i;
    return -1;
}

}  // namespace

// ------------------------------------------------------------ keys

void CModeBase::OnKeyEvent(uint32_t key, int pressed) {
    if (key_lock_ || key_lock2_) {
        if ((key & 0xFFFF) == VK_RETURN) return;
        plat::message_beep(kQuestionBeep);
        ShowStatusMessage(LoadResString(kKeyLockedText), 1);
        return;
    }
    if (pressed) {
        if (IsArrowKey(key)) OnArrowKey(key, 1);
        return;
    }
    if (IsKeyF20(key)) {
        StopMeasurement();
        if (auto* s = services()) s->SetupKey(key);
    } else if (IsKeyF19(key)) {
        OnModeKey(key);
    } else if (IsDigitKey(key) || IsNumPadKey(key)) {
        OnNumericKey(key, 0);
    } else if (IsHardMenuKey(key)) {
        OnMenuKey(key, 0);
    } else if (IsSoftKeyVKey(key)) {
        OnSoftKey(key, 0);
    } else if ((key & 0xFFFF) == VK_ESCAPE) {
        OnEscapeKey();
    } else if ((key & 0xFFFF) == VK_RETURN) {
        OnEnterKey();
    } else if (IsArrowKey(key)) {
        OnArrowKey(key, 0);
    }
}

void CModeBase::OnSoftKey(uint32_t key, int repeat) {
    const int index = SoftKeyFromVKey(key);
    const int act = (index >= 0 && index < kKeysPerPage) ? action(page_, index) : -1;
    if (act != -1) {
        if (!repeat) {
            if (soft_key_menu_) soft_key_menu_->SelectAndUpdate(index);
        } else if (index != last_soft_key_) {
            last_soft_key_ = index;
            repeat_count_ = 0;
        } else if (repeat_count_ < kSoftKeyRepeatMax) {
            ++repeat_count_;
        }
    } else if (!repeat) {
        last_soft_key_ = -1;
        repeat_count_ = 0;
    }
    fresh_activation_ = false;
}

void CModeBase::OnMenuKey(uint32_t key, int) {
    (void)HardMenuKeyIndex(key);
}

int CModeBase::OnEscapeKey() {
    repeat_count_ = 0;
    last_soft_key_ = -1;
    return 0;
}

void CModeBase::OnArrowKey(uint32_t, int) {
    fresh_activation_ = false;
    if (repeat_count_ < kArrowRepeatMax) ++repeat_count_;
    last_soft_key_ = GetSelectedSoftKey();
}

int CModeBase::GetRepeatStep() const {
    const int step = repeat_count_ / kRepeatPerStep;
    return step < 1 ? 1 : step;
}

void CModeBase::ResetSoftKeySelection() {
    if (soft_key_menu_ && soft_key_menu_->GetHighlighted() >= 0) {
        soft_key_menu_->ClearHighlights();
        soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeysToo);
    }
    repeat_count_ = 0;
}

void CModeBase::CommitSoftKey(int key) {
    if (key >= 0 && key < kKeysPerPage) OnSoftKey(VK_F1 + static_cast<uint32_t>(key), 0);
}

void CModeBase::ResetKeyTables() {
    for (int p = 0; p < kPageCount; ++p) {
        parent_page_[p] = -1;
        page_help_[p] = kBlankLabel;
        for (int k = 0; k < kKeysPerPage; ++k) {
            key_link_[p][k] = -1;
            menu_caption_[p][k] = kBlankLabel;
            label_[p][k] = kBlankLabel;
            action_[p][k] = -1;
            key_help_[p][k] = kBlankLabel;
        }
    }
    spare_.fill(-1);
}

// ------------------------------------------------------------ touches

uint32_t CModeBase::KeyAt(plat::Point p) const {
    if (soft_key_menu_ && soft_key_menu_->HitTest(p)) {
        const int i = ChildAt(*soft_key_menu_, p);
        if (i >= 0) return VK_F1 + static_cast<uint32_t>(i);
    }
    if (menu_key_panel_ && menu_key_panel_->HitTest(p)) {
        const int i = ChildAt(*menu_key_panel_, p);
        if (i >= 0) return kMenuKeyFirst + static_cast<uint32_t>(i);
    }
    return 0;
}

int CModeBase::OnLeftButtonDown(uint32_t, int x, int y) {
    const plat::Point p{x, y};
    int result = 0;
    if (const uint32_t key = KeyAt(p)) {
        last_pointer_key_ = static_cast<int>(key);
        post_to_frame(plat::WM_KEYDOWN, key, 1);
        result = 1;
    } else if (auto* s = services()) {
        const int button = s->HitButtonRow(x, y);
        if (button >= 0 && button < 4) post_to_frame(plat::WM_KEYDOWN, kButtonRowKeys[button], 1);
    }
    if (home_widget_ && home_widget_->HitTest(p)) {
        if (auto* s = services())
            if (CModeBase* setup = s->FindScreen(kScreenSetup))
                PostCommandObject<kCmdSwitchMode>(main_frame_, setup);
    }
    return result;
}

int CModeBase::OnLeftButtonUp(uint32_t, int x, int y) {
    if (const uint32_t key = KeyAt({x, y})) {
        post_to_frame(plat::WM_KEYUP, key, 1);
        last_pointer_key_ = -1;
        return 1;
    }
    if (auto* s = services()) {
        const int button = s->HitButtonRow(x, y);
        if (button >= 0 && button < 4) post_to_frame(plat::WM_KEYUP, kButtonRowKeys[button], 1);
    }
    return 0;
}

void CModeBase::ShowPressedKey() {
    if (last_pointer_key_ == -1 || last_pointer_key_ == -2) return;
    const auto key = static_cast<uint32_t>(last_pointer_key_);
    if (IsHardMenuKey(key)) {
        if (menu_key_panel_) menu_key_panel_->Show(0, static_cast<int>(key - kMenuKeyFirst));
    } else if (IsSoftKeyVKey(key)) {
        if (soft_key_menu_) soft_key_menu_->Highlight(SoftKeyFromVKey(key));
    }
}

int CModeBase::OnRightButtonDown(uint32_t, int x, int y) {
    if (home_widget_ && home_widget_->HitTest({x, y})) {
        if (auto* s = services())
            if (CModeBase* home = s->FindScreen(kScreenModeSelect))
                PostCommandObject<kCmdSwitchMode>(main_frame_, home);
    }
    return 0;
}

void CModeBase::OnRightButtonUp(uint32_t, int, int) {}

// ------------------------------------------------------------ commands

void CModeBase::OnCommand32809(intptr_t lparam) {
    const auto* record = reinterpret_cast<const CPageRecord*>(lparam);
    if (!record) {
        ShowSoftKeys();
        return;
    }
    if (record->actions)
        for (int k = 0; k < kKeysPerPage; ++k) set_action(page_, k, record->actions[k]);
    if (record->labels && soft_key_menu_) {
        soft_key_menu_->SetTexts(record->labels, kKeysPerPage);
        soft_key_menu_->Select(0, 0, false);
    }
}

int CModeBase::SwitchToMeasurement(uint32_t code) {
    auto* s = services();
    if (!s || !s->CanSwitchMeasurement()) return 0;
    CModeBase* screen = s->FindScreen(static_cast<int>((code >> 8) & 0xFF));
    if (!screen) return 0;
    CMeasurement* measurement = screen->FindMeasurement(static_cast<intptr_t>(code & 0xFF));
    if (!measurement) return 0;
    screen->SetCurrentMeasurement(measurement, measurement->GetSetup());
    s->ApplyKeptValue(measurement);
    screen->setup_ = measurement->GetSetup();
    PostCommandObject<kCmdSwitchMode>(main_frame_, screen);
    return 1;
}

int CModeBase::OnCommand(uint32_t code, intptr_t argument) {
    if (code & 0xFF00) return SwitchToMeasurement(code);
    auto* s = services();
    for (uint32_t launch : kLaunchCodes) {
        if (code != launch) continue;
        post_to_frame(plat::WM_COMMAND, kCmdLaunch, static_cast<intptr_t>(code));
        return 1;
    }
    switch (code) {
        case kCodeShowPage53:
            page_ = kPage53;
            ShowPageTexts(kPage53);
            return 0;
        case kCodeContrast:
            // An argument outside the table names no level: nothing changes.
            if (argument < 0 || argument >= static_cast<intptr_t>(std::size(kContrastLevels)))
                return 0;
            if (s) s->SetContrast(kContrastLevels[argument]);
            return 1;
        case kCodeExit:
            if (!s || s->ShowScreenMessage(LoadResString(kExitQuestion), plat::MB_YESNO) != kIdYes)
                return 0;
            PrepareScreenSwitch();
            post_to_frame(plat::WM_CLOSE, 0, 0);
            ClosePopup();
            return 1;
        case kCodeTimeDate:
            if (s) s->RunTimeDateDialog();
            RepaintFrame();
            return 0;
        case kCodeTools:
            post_to_frame(plat::WM_COMMAND, kCmdShowTools, 0);
            return 1;
        default:
            return 0;
    }
}

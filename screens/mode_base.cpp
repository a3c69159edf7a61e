#include "screens/mode_base.h"

#include "core/app_commands.h"
#include "core/keys.h"
#include "core/posted_records.h"
#include "core/res_string.h"
#include "platform/framework/system_services.h"
#include "platform/framework/wnd.h"
#include "screens/screen_services.h"

namespace {

constexpr uint32_t kQuestionBeep = 0x20;
constexpr int kKeyLockedText = 64392;

bool valid_cell(int page, int key) {
    return page >= 0 && page < CModeBase::kPageCount && key >= 0 && key < CModeBase::kKeysPerPage;
}

}  // namespace

CModeBase::CModeBase() {
    ResetKeyTables();
}

CModeBase::~CModeBase() = default;

IScreenServices* CModeBase::services() const {
    return IScreenServices::current();
}

void CModeBase::post_to_frame(uint32_t msg, uintptr_t wparam, intptr_t lparam) const {
    if (main_frame_) main_frame_->PostMessage(msg, wparam, lparam);
}

void CModeBase::OnCommand32825(intptr_t) {}

// The record type belongs to the widgets; until a screen that receives records
// exists nothing posts one, so the base has nothing to release.
void CModeBase::OnCommandRecord(CCommandRecord* record) {
    delete record;
}

void CModeBase::RefreshPane(int) {}

int CModeBase::OnRightButtonDown(uint32_t, int, int) {
    return 0;
}
int CModeBase::OnLeftButtonUp(uint32_t, int, int) {
    return 0;
}
int CModeBase::OnLeftButtonDown(uint32_t, int, int) {
    return 0;
}
void CModeBase::ShowPressedKey() {}
void CModeBase::ResetSoftKeySelection() {
    repeat_count_ = 0;
}
void CModeBase::OnRightButtonUp(uint32_t, int, int) {}

void CModeBase::OnBufferPair(CBufferPair*) {}
void CModeBase::OnCommand3281x(int, intptr_t) {}
void CModeBase::SetDrawPanelText(const std::u16string&, int) {}
void CModeBase::OnCommand32833(int, intptr_t) {}
void CModeBase::OnCommand32809(intptr_t) {}
void CModeBase::RedrawPanes(uint32_t) {}
int CModeBase::ShowPage(int) {
    return 0;
}

int CModeBase::ClosePopup() {
    closing_popup_ = true;
    int saved = saved_byte_;
    saved_byte_ = saved;
    closing_popup_ = false;
    return 1;
}

void CModeBase::OnTraceFilesChanged(intptr_t) {}
void CModeBase::ShowStatusMessage(const std::u16string&, int) {}

void CModeBase::CancelEntry() {
    active_ = false;
    ClosePopup();
}

void CModeBase::OnActivate() {
    active_ = true;
    fresh_activation_ = true;
    page_ = 0;
    plat::message_beep(0);
    if (auto* s = services()) s->SetCurrentModeId(mode_id_);
    key_lock_ = false;
    key_lock2_ = false;
}

void CModeBase::StartMeasurement() {
    active_ = true;
    fresh_activation_ = true;
    plat::message_beep(0);
    if (auto* s = services()) s->SetCurrentModeId(mode_id_);
}

int CModeBase::GetLastMeasurementModeId() const {
    auto* s = services();
    return s ? s->GetLastMeasurementModeId() : -1;
}

void CModeBase::ReturnToMeasurementScreen(int exceptId) {
    int last = GetLastMeasurementModeId();
    if (last == exceptId || last < 0 || last >= kScreenCount) return;
    auto* s = services();
    if (!s) return;
    switch (last) {
        case kScreenModeSelect:
            s->ShowModeSelect();
            break;
        case kScreenNetworkAnalyzer:
        case kScreenSpectrumAnalyzer:
            SwitchToPendingScreen();
            break;
        case kScreenTools:
            s->ShowTools();
            break;
        case kScreenSetup:
            s->ShowSetupScreen();
            break;
        default:
            break;
    }
}

int CModeBase::OnCommand(uint32_t code, intptr_t) {
    if (code == 0x80000024u) {
        post_to_frame(plat::WM_COMMAND, kCmdShowTools, 0);
        return 1;
    }
    if (code == 0x8000001Du || code == 0x8000001Eu ||
        (code >= 0x80000025u && code <= 0x80000027u)) {
        post_to_frame(plat::WM_COMMAND, kCmdLaunch, static_cast<intptr_t>(code));
        return 1;
    }
    return 0;
}

void CModeBase::OnSoftKey(uint32_t key, int repeat) {
    int index = SoftKeyFromVKey(key);
    int act = (index >= 0 && index < kKeysPerPage) ? action(page_, index) : -1;
    if (act != -1) {
        if (repeat) {
            if (index != last_soft_key_) {
                last_soft_key_ = index;
                repeat_count_ = 0;
            } else if (repeat_count_ < 10) {
                ++repeat_count_;
            }
        }
    } else if (!repeat) {
        last_soft_key_ = -1;
        repeat_count_ = 0;
    }
    fresh_activation_ = false;
}

void CModeBase::OnMenuKey(uint32_t, int) {}

int CModeBase::OnEscapeKey() {
    repeat_count_ = 0;
    last_soft_key_ = -1;
    return 0;
}

void CModeBase::OnEnterKey() {
    fresh_activation_ = false;
}

void CModeBase::OnArrowKey(uint32_t, int) {
    fresh_activation_ = false;
    if (repeat_count_ < 35) ++repeat_count_;
    last_soft_key_ = GetSelectedSoftKey();
}

void CModeBase::OnNumericKey(uint32_t, int) {}

int CModeBase::OnWheel(int) {
    fresh_activation_ = false;
    return GetSelectedSoftKey();
}

int CModeBase::OnKnobStep(int) {
    return 0;
}

void CModeBase::OnModeKey(uint32_t key) {
    StopMeasurement();
    BeforeModeSwitch();
    if (auto* s = services()) s->ModeKey(key);
}

int CModeBase::PrepareScreenSwitch() {
    auto* s = services();
    CModeBase* screen = s ? s->GetCurrentMeasurementScreen() : nullptr;
    return screen ? screen->BeforeModeSwitch() : 0;
}

void CModeBase::SwitchToPendingScreen() {
    auto* s = services();
    CModeBase* screen = s ? s->GetCurrentMeasurementScreen() : nullptr;
    if (fresh_activation_ && screen) PostCommandObject<kCmdSwitchMode>(main_frame_, screen);
}

void CModeBase::UpdateStatusIcons(int, int) {}

std::u16string CModeBase::GetFileLabelText() const {
    return {};
}

void CModeBase::ForwardToApp(int value) {
    if (auto* s = services()) s->ForwardValue(value);
}

int CModeBase::OnCreate(plat::CWnd* view, plat::CWnd* frame, int, CColorScheme* createArg) {
    parent_view_ = view;
    main_frame_ = frame;
    if (view) {
        plat::Rect r = view->GetClientRect();
        client_left_ = r.left;
        client_top_ = r.top;
        client_right_ = r.right;
        client_bottom_ = r.bottom;
    }
    if (client_bottom_ > 595) client_bottom_ = 595;
    create_arg_ = createArg;
    return 1;
}

void CModeBase::Lock() {
    lock_.lock();
}
void CModeBase::Unlock() {
    lock_.unlock();
}

int CModeBase::ShowSoftKeys() {
    return 1;
}
int CModeBase::GetSelectedSoftKey() const {
    return -1;
}
int CModeBase::GetSelectedMenuKey() const {
    return -1;
}

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

int CModeBase::GetRepeatStep() const {
    int step = repeat_count_ / 10;
    return step < 1 ? 1 : step;
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

void CModeBase::CommitSoftKey(int key) {
    if (key >= 0 && key < kKeysPerPage) OnSoftKey(VK_F1 + static_cast<uint32_t>(key), 0);
}

void CModeBase::OnActivateStart() {
    OnActivate();
}

int CModeBase::action(int page, int key) const {
    return valid_cell(page, key) ? action_[page][key] : -1;
}

void CModeBase::set_action(int page, int key, int value) {
    if (valid_cell(page, key)) action_[page][key] = value;
}

int CModeBase::label(int page, int key) const {
    return valid_cell(page, key) ? label_[page][key] : kBlankLabel;
}

void CModeBase::set_label(int page, int key, int id) {
    if (valid_cell(page, key)) label_[page][key] = id;
}

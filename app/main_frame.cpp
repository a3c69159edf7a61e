#include "app/main_frame.h"

#include "app/celvane_app.h"
#include "app/message_box.h"
#include "core/history.h"
#include "core/keys.h"
#include "core/posted_records.h"
#include "core/res_string.h"
#include "core/screen_ids.h"
#include "screens/measurement_base.h"
#include "screens/mode_base.h"

namespace {

constexpr char kFrameClass[] = "CelvaneFrame";
constexpr char kViewClass[] = "CelvaneView";
constexpr uint32_t kExceptionText = 64250;

// Clears a re-entrancy flag however the handler ends.
class FlagGuard {
  public:
    explicit FlagGuard(bool& a, bool& b) : a_(a), b_(b) { a_ = b_ = true; }
    ~FlagGuard() { a_ = b_ = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

  private:
    bool& a_;
    bool& b_;
};

}  // namespace

// ---------------------------------------------------------------- view

bool CChildView::PreCreateWindow(plat::CreateParams& params) {
    params.style &= ~plat::WS_BORDER;
    // No background: the screens' panes paint every pixel of the view, and
    // erasing would only make them flicker.
    plat::register_window_class(
        {kViewClass, plat::CS_VREDRAW | plat::CS_HREDRAW | plat::CS_DBLCLKS, std::nullopt});
    params.class_name = kViewClass;
    return CWnd::PreCreateWindow(params);
}

void CChildView::OnPaint() {
    plat::CPaintDC dc(this);
}

void CChildView::OnKey(uint32_t key, uint32_t repeat, uint32_t flags, bool down) {
    if ((down && IsArrowKey(key)) || (!down && !IsArrowKey(key)))
        HistoryAdd(CCelvaneApp::kHistoryKeys, u"Key Press", key);
    CModeBase* screen = app_->GetCurrentMode();
    if (in_key_down_ || in_key_up_) {
        // A key that arrives while a key is being handled, as it arrived.
        if (screen) screen->OnNestedKeyEvent(key, repeat, flags, down ? 1 : 0);
        return;
    }
    if (key >= VK_F1 && key < VK_F13 && plat::get_key_state(plat::VK_SHIFT) < 0) key += 12;
    FlagGuard guard(in_key_down_, in_key_up_);
    if (!screen) {
        key_word_ = 0;
        Default();
        return;
    }
    screen->OnKeyEvent(key, down ? 1 : 0);
    RepaintChangedKeys();
    if (!down) Default();
}

// The keys of the screen current now (a key may have switched screens) show
// the page the key left them on.
void CChildView::RepaintChangedKeys() {
    if (CModeBase* screen = app_->GetCurrentMode()) screen->RepaintChangedKeys();
}

void CChildView::OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) {
    if (key < pressed_.size()) pressed_.set(key);
    OnKey(key, repeat, flags, true);
}

void CChildView::OnKeyUp(uint32_t key, uint32_t repeat, uint32_t flags) {
    // A release whose press went elsewhere (a dialog that closed on the
    // press) is not the screen's.
    if (key < pressed_.size()) {
        if (!pressed_.test(key)) return;
        pressed_.reset(key);
    }
    OnKey(key, repeat, flags, false);
}

void CChildView::OnSetFocus(plat::CWnd* old) {
    if (focus_suppressed_) return;
    Default();
    CModeBase* screen = app_->GetCurrentMode();
    if (old && screen) screen->RestoreFocus();
}

bool CChildView::PreTranslateMessage(const plat::Message& msg) {
    if (msg.message != plat::WM_MOUSEWHEEL) return CWnd::PreTranslateMessage(msg);
    CModeBase* screen = app_->GetCurrentMode();
    if (!screen) return CWnd::PreTranslateMessage(msg);
    try {
        const int delta = static_cast<int16_t>(plat::hiword(msg.wparam));
        HistoryAdd(CCelvaneApp::kHistoryKeys, u"Scroll", static_cast<uint32_t>(delta));
        screen->OnWheel(delta);
        RepaintChangedKeys();
        const int selected = screen->GetSelectedSoftKey();
        if (selected != -1) {
            SetTimer(kTimerWheelEnd, 10000);
            if (screen->GetModeId() != kScreenSpectrumAnalyzer) SetTimer(kTimerWheelCommit, 1000);
        }
    } catch (...) {
        // A failing wheel step is dropped.
    }
    return true;
}

void CChildView::OnTimer(uintptr_t id) {
    CModeBase* screen = app_->GetCurrentMode();
    switch (id) {
        case kTimerBio:
            KillTimer(id);
            app_->BioRequest(2, 0);
            break;
        case kTimerWheelEnd:
            KillTimer(id);
            break;
        case kTimerWheelCommit:
            KillTimer(id);
            if (screen) screen->CommitSoftKey(screen->GetSelectedSoftKey());
            RepaintChangedKeys();
            break;
        case kTimerBiasTee:
            KillTimer(id);
            if (screen) screen->ShowBiasTeeMessage();
            break;
        case kTimerCalTransfer:
            KillTimer(id);
            if (screen) screen->OnCalTransferFailed();
            break;
        default:
            break;
    }
    Default();
}

void CChildView::OnLButtonDown(uint32_t flags, plat::Point p) {
    if (CModeBase* screen = app_->GetCurrentMode())
        mouse_byte_ = screen->OnLeftButtonDown(flags, p.x, p.y) != 0;
    Default();
}

void CChildView::OnLButtonUp(uint32_t flags, plat::Point p) {
    if (CModeBase* screen = app_->GetCurrentMode()) {
        if (!screen->OnLeftButtonUp(flags, p.x, p.y) && mouse_byte_) screen->ShowPressedKey();
    }
    mouse_byte_ = false;
    Default();
}

void CChildView::OnRButtonDown(uint32_t flags, plat::Point p) {
    if (CModeBase* screen = app_->GetCurrentMode()) screen->OnRightButtonDown(flags, p.x, p.y);
    Default();
}

void CChildView::OnRButtonUp(uint32_t flags, plat::Point p) {
    CModeBase* screen = app_->GetCurrentMode();
    if (screen) {
        if (IsMeasurementScreen(screen->GetModeId())) screen->OnRightButtonUp(flags, p.x, p.y);
    }
    Default();
}

bool CChildView::OnCommand(uintptr_t wparam, intptr_t lparam) {
    const uint32_t id = plat::loword(wparam);
    if (id < kCmdFirst || id > kCmdLast) return CWnd::OnCommand(wparam, lparam);
    try {
        if (Dispatch(id, lparam)) {
            RepaintChangedKeys();
            return true;
        }
    } catch (...) {
        ShowMessage(LoadResString(kExceptionText), MB_OK);
        return true;
    }
    return CWnd::OnCommand(wparam, lparam);
}

// A measurement screen committed sweep data: the user-interface thread
// refreshes its display; or the board woke: the screen, when it is the one
// shown, measures again if the sleep stopped it and draws every pane anew. The message names the
// screen; one that is not of the application's list is not touched.
intptr_t CChildView::WindowProc(uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    if (msg != CMeasurementBase::kMsgDisplayRefresh) return CWnd::WindowProc(msg, wparam, lparam);
    auto* posted = reinterpret_cast<CModeBase*>(lparam);
    for (int id = 0; posted && id < kScreenCount; ++id) {
        if (app_->FindMode(id) != posted) continue;
        auto* screen = dynamic_cast<CMeasurementBase*>(posted);
        if (!screen) break;
        if (wparam != CMeasurementBase::kRedrawWhole)
            screen->OnDisplayRefresh();
        else if (app_->GetCurrentMode() == posted)
            screen->ResumeAfterWake();
        break;
    }
    return 0;
}

// One application command; false leaves it to the framework.
bool CChildView::Dispatch(uint32_t id, intptr_t lparam) {
    CModeBase* screen = app_->GetCurrentMode();
    CCelvaneApp& app = *app_;
    // Commands for the screen are swallowed when there is none.
    auto onScreen = [screen](auto&& call) {
        if (screen) call(*screen);
        return true;
    };
    switch (id) {
        case kCmdColorScheme:
            if (screen) screen->ReloadTexts();
            app.StoreSetting(kCmdColorScheme, 0);
            return true;
        case kCmdContrast:
            app.ApplyContrast(static_cast<uint32_t>(lparam));
            app.StoreSetting(kCmdContrast, lparam);
            return true;
        case kCmdLanguage:
            if (app.LoadLanguage(static_cast<int32_t>(lparam))) {
                if (screen) screen->ReloadTexts();
                app.StoreSetting(kCmdLanguage, lparam);
            }
            return true;
        case kCmdBioRequest:
            app.BioRequest(static_cast<int32_t>(lparam), 0);
            return true;
        case kCmdShowPage:
            return onScreen([&](CModeBase& s) { s.ShowPage(static_cast<int>(lparam)); });
        case kCmdPageRecord:
            return onScreen([&](CModeBase& s) { s.OnCommand32809(lparam); });
        case kCmdSwitchMode:
            app.SwitchToMode(TakeCommandObject<kCmdSwitchMode>(lparam));
            return true;
        case kCmdQuickTexts:
            app.StoreSetting(kCmdQuickTexts, lparam);
            return true;
        case kCmdCableList:
        case kCmdBandList:
        case kCmdAntennaList:
        case kCmdLimitMask:
            app.ShowListFile(id, lparam);
            return true;
        case kCmdPane1:
        case kCmdPane2:
        case kCmdPane0: {
            // The screen copies the text; the view deletes it.
            const std::unique_ptr<core::Text> text(TakeCommandObject<kCmdPane0>(lparam));
            const int row = id == kCmdPane1 ? 1 : id == kCmdPane2 ? 2 : 0;
            return onScreen([&](CModeBase& s) { s.OnCommand3281x(row, text.get()); });
        }
        case kCmdRecallSetup:
            app.RecallSetupItem(TakeCommandObject<kCmdRecallSetup>(lparam));
            return true;
        case kCmdRefreshPane:
            return onScreen([&](CModeBase& s) { s.RefreshPane(static_cast<int>(lparam)); });
        case kCmdCommandRecord: {
            // The screen owns and deletes the record; with none it goes here.
            std::unique_ptr<CCommandRecord> record(TakeCommandObject<kCmdCommandRecord>(lparam));
            if (screen) screen->OnCommandRecord(record.release());
            return true;
        }
        case kCmd32825:
            return onScreen([&](CModeBase& s) { s.OnCommand32825(lparam); });
        case kCmdLaunch:
            app.LaunchProgram(static_cast<uint32_t>(lparam));
            return true;
        case kCmdBufferPair: {
            // The screen shows the pair; then the view frees and deletes it.
            std::unique_ptr<CBufferPair> pair(TakeCommandObject<kCmdBufferPair>(lparam));
            if (screen) screen->OnBufferPair(pair.get());
            if (pair) pair->Free();
            return true;
        }
        case kCmdShowTools:
            app.ShowTools();
            return true;
        case kCmdReadout: {
            const std::unique_ptr<core::Text> text(TakeCommandObject<kCmdReadout>(lparam));
            return onScreen([&](CModeBase& s) { s.OnCommand32833(1, text.get()); });
        }
        case kCmdShowSetup:
        case kCmdShowSetup2:
            app.ShowSetupScreen();
            return true;
        case kCmdClosePopup:
            return onScreen([&](CModeBase& s) { s.ClosePopup(); });
        case kCmdTraceFiles:
            return onScreen([&](CModeBase& s) { s.OnTraceFilesChanged(lparam); });
        case kCmdActivateMeasurement:
            app.ActivateForMeasurement(TakeCommandObject<kCmdActivateMeasurement>(lparam));
            return true;
        case kCmdSwitchNoStart:
            app.SwitchToModeNoStart(TakeCommandObject<kCmdSwitchNoStart>(lparam));
            return true;
        case kCmdZero1:
        case kCmdZero2:
        case kCmdZero3:
            return onScreen([&](CModeBase& s) {
                if (s.GetModeId() == kScreenPowerMeter) s.PostKeyEvent(id, 0);
            });
        case kCmdShowModeSelect:
            app.ShowModeSelect();
            return true;
        default:
            return false;
    }
}

// ---------------------------------------------------------------- frame

bool CMainFrame::PreCreateWindow(plat::CreateParams& params) {
    plat::register_window_class({kFrameClass, 0, std::nullopt});
    params.class_name = kFrameClass;
    return CFrameWnd::PreCreateWindow(params);
}

int CMainFrame::OnCreate(const plat::CreateParams*) {
    SetWindowText(LoadResString(57344));
    // The view covers the frame's client area.
    if (!view_.Create(kViewClass, u"", plat::WS_CHILD | plat::WS_VISIBLE | plat::WS_BORDER,
                      GetClientRect(), this, plat::AFX_IDW_PANE_FIRST)) {
        return -1;
    }
    SetTimer(kTimerSecond, 1000);
    return 0;
}

void CMainFrame::OnSetFocus(plat::CWnd*) {
    view_.SetFocus();
}

void CMainFrame::OnTimer(uintptr_t id) {
    if (id == kTimerSecond) {
        app_->OnSecondTick();
        Default();
        return;
    }
    // Screens set their guard timers on the frame as well as on the view:
    // each acts once, in the view's handler.
    KillTimer(id);
    view_.SendMessage(plat::WM_TIMER, id, 0);
}

void CMainFrame::OnDestroy() {
    CFrameWnd::OnDestroy();
    KillTimer(kTimerSecond);
    KillTimer(1);
}

void CMainFrame::OnClose() {
    app_->StopCurrentMode();
    CFrameWnd::OnClose();
}

namespace {
intptr_t KeyParam(uint32_t repeat, uint32_t flags) {
    return static_cast<intptr_t>((repeat & 0xFFFF) | ((flags & 0xFFFF) << 16));
}
}  // namespace

void CMainFrame::OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) {
    view_.SendMessage(plat::WM_KEYDOWN, key, KeyParam(repeat, flags));
}

void CMainFrame::OnKeyUp(uint32_t key, uint32_t repeat, uint32_t flags) {
    view_.SendMessage(plat::WM_KEYUP, key, KeyParam(repeat, flags));
}

#include "app/alert_handler.h"

#include "app/celvane_app.h"
#include "dialogs/alert_dlg.h"
#include "platform/kernel/clock.h"
#include "platform/sound/sound.h"
#include "platform/window/message_loop.h"

namespace {

constexpr uint32_t kIdsBatteryAlarm = 437;
constexpr uint32_t kIdsTemperatureAlarm = 780;
constexpr uint32_t kIdsTemperatureHigh = 781;
constexpr uint32_t kIdsVoltageAlarm = 782;
constexpr uint32_t kIdsVoltageHigh = 783;
constexpr uint32_t kMsPerSecond = 1000;

}  // namespace

CSystemAlertHandler2::CSystemAlertHandler2(CCelvaneApp* app)
    : app_(app), scheme_(app ? app->GetColorScheme() : nullptr) {}

CSystemAlertHandler2::~CSystemAlertHandler2() {
    Quit();
}

bool CSystemAlertHandler2::InitInstance() {
    battery_ = std::make_unique<CBattery>();
    battery_->Open();
    wake_ = plat::Event(false, false);
    box_event_ = plat::Event(false, false);
    showing_ = false;
    listener_ = new CEventListener(kEventMaskSystemAlarm);
    listener_->SetThread(plat::current_thread_id(), kAlertMessage);
    if (CEventDispatcher* dispatcher = app_ ? app_->GetDispatcher() : nullptr)
        dispatcher->AddListener(listener_);
    return true;
}

int CSystemAlertHandler2::ExitInstance() {
    CloseAlert();
    if (listener_) {
        if (CEventDispatcher* dispatcher = app_ ? app_->GetDispatcher() : nullptr)
            dispatcher->RemoveListener(listener_);
        delete listener_;
        listener_ = nullptr;
    }
    battery_.reset();
    wake_ = plat::Event();
    box_event_ = plat::Event();
    return CWinThread::ExitInstance();
}

bool CSystemAlertHandler2::PreTranslateMessage(const plat::Message& msg) {
    if (!msg.window && msg.message == kAlertMessage) {
        OnAlertEvent();
        return true;
    }
    // The box's end: its timer wakes the loop, whose idle work closes it.
    if (!msg.window && msg.message == plat::WM_TIMER && timer_ != 0 && msg.wparam == timer_) {
        plat::kill_timer(nullptr, timer_);
        timer_ = 0;
        OnIdle(0);
        return true;
    }
    return CWinThread::PreTranslateMessage(msg);
}

bool CSystemAlertHandler2::OnIdle(long count) {
    if (!showing_) return CWinThread::OnIdle(count);
    const uint64_t now = plat::now_ms();
    if (now >= end_ms_) {
        CloseAlert();
        return false;
    }
    // The box's timer wakes the loop at its end: no spinning on idle calls.
    if (timer_ == 0) timer_ = plat::set_timer(nullptr, 0, static_cast<uint32_t>(end_ms_ - now));
    return false;
}

bool CSystemAlertHandler2::OnAlertEvent() {
    CloseAlert();
    CAppEvent* event = listener_ ? listener_->TakeEvent() : nullptr;
    const bool shows = event && ShowAlert(event, box_event_);
    showing_ = shows;
    return shows;
}

bool CSystemAlertHandler2::ShowAlert(CAppEvent* event, const plat::Event& /*handle*/) {
    const std::unique_ptr<CAppEvent> owned(event);
    CSystemSettings* settings = app_ ? app_->GetSettings() : nullptr;
    timeout_ms_ = settings ? settings->AlertTimeout : 0;
    const uint32_t kind = event->GetArgument();
    if (!app_ || !app_->GetAlertsEnabled() || event->GetMask() != kEventMaskSystemAlarm ||
        kind > kAlarmBatteryStatus)
        return false;
    if (kind == kAlarmCriticalBattery) {
        plat::play_sound(kCriticalSound, plat::SND_FILENAME | plat::SND_SYNC);
        return false;
    }
    if (kind == kAlarmMemory) return false;

    uint32_t caption = kIdsBatteryAlarm, message = 0;
    switch (kind) {
        case kAlarmHighTemperature:
            caption = kIdsTemperatureAlarm;
            message = kIdsTemperatureHigh;
            RaiseCounter(kind);
            break;
        case kAlarmDspStatus:
            caption = kIdsVoltageAlarm;
            message = kIdsVoltageHigh;
            RaiseCounter(kind);
            break;
        default:  // the battery's own alarm and its status: what the battery says
            message = battery_ ? battery_->GetStatusStringId() : kIdsBatteryUnknown;
            break;
    }
    box_ = new CAlertMessageDlg(nullptr);
    box_->m_CaptionId = caption;
    box_->m_MessageId = message;
    box_->m_ppScheme = &scheme_;
    box_->Create();
    box_->ShowWindow(plat::SW_SHOW);
    box_->SetFocus();
    box_->UpdateWindow();
    const uint64_t now = plat::now_ms();
    end_ms_ = kind == kAlarmBatteryStatus ? now : now + timeout_ms_ / kMsPerSecond * kMsPerSecond;
    // The loop sleeps until the box's end; its idle work closes it then.
    if (end_ms_ > now) timer_ = plat::set_timer(nullptr, 0, static_cast<uint32_t>(end_ms_ - now));
    showing_ = true;
    {
        std::lock_guard lock(shown_mutex_);
        ++shown_.count;
        shown_.caption = caption;
        shown_.message = message;
        shown_.rect = box_->GetWindowRect();
        shown_.shown_ms = now;
        shown_.closed_ms = 0;
    }
    return true;
}

void CSystemAlertHandler2::CloseAlert() {
    showing_ = false;
    if (timer_ != 0) {
        plat::kill_timer(nullptr, timer_);
        timer_ = 0;
    }
    if (!box_) return;
    {
        std::lock_guard lock(shown_mutex_);
        shown_.closed_ms = plat::now_ms();
    }
    box_->ShowWindow(plat::SW_HIDE);
    box_->DestroyWindow();
    delete box_;
    box_ = nullptr;
}

void CSystemAlertHandler2::RaiseCounter(uint32_t kind) {
    // The settings store belongs to the user-interface thread.
    CCelvaneApp* app = app_;
    plat::queue_on_ui_thread(app->GetUiThreadId(), [app, kind] {
        CSystemSettings* settings = app->GetSettings();
        if (!settings) return;
        if (kind == kAlarmHighTemperature)
            ++settings->OverTemps;
        else
            ++settings->OverVolts;
        settings->Save(false);
    });
}

CSystemAlertHandler2::Shown CSystemAlertHandler2::GetShown() const {
    std::lock_guard lock(shown_mutex_);
    return shown_;
}

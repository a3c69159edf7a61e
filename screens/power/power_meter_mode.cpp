#include "screens/power/power_meter_mode.h"

#include <cmath>

#include "core/app_commands.h"
#include "core/keys.h"
#include "core/res_string.h"
#include "files/power_meas_setup.h"
#include "platform/framework/message_box.h"
#include "platform/framework/system_services.h"
#include "platform/framework/wnd.h"
#include "platform/sound/sound.h"
#include "platform/text/utf.h"
#include "platform/window/messages.h"
#include "screens/power/sensor_families.h"
#include "screens/screen_services.h"
#include "widgets/readout_box.h"
#include "widgets/soft_key_menu.h"
#include "widgets/title_bar.h"

namespace dw = display_word;
namespace ev = power_events;

namespace {

std::atomic<CPowerMeterMode*> g_instance{nullptr};

constexpr uint32_t kWaitingHint = 63083;
constexpr uint32_t kPromptHint = 63082;
constexpr uint32_t kPromptClosed = 2650;
constexpr uint32_t kDiskFullHint = 2630;
constexpr uint32_t kLogCaption = 2631;
constexpr uint32_t kLogRatioText = 2641;
constexpr uint32_t kZeroingError = 2651, kFirmwareAdvice = 2652, kNoSensor = 2653;
constexpr uint32_t kOn = 308, kOff = 309;
constexpr COLORREF kWhite = 0xFFFFFF, kGreen = 0x38FF66;
constexpr int kModeKeyCode = 130, kSetupKeyCode = 131;
constexpr uint32_t kLow16 = 0xFFFF;
constexpr int kLogKey = 2;
constexpr int kMaxLogRatio = 1000;
// Readings below this many watts show as 0 once compared.
constexpr float kShownFloor = 1e-5f;
constexpr float kRedrawShare = 0.001f;

}  // namespace

CPowerMeterMode::CPowerMeterMode(CDevicePort* serial_port, CDevicePort* usb_port)
    : serial_port_(serial_port), usb_port_(usb_port) {
    mode_id_ = kModeId;
    log_ratio_ = 1;
    display_word_ |= dw::kResetReflectedScale;
    g_instance.store(this);
    IPowerKeyTarget::SetCurrent(this);
    power_setup_ = std::make_unique<CPowerMeasSetup>();
    setup_ = power_setup_.get();
}

CPowerMeterMode::~CPowerMeterMode() {
    OnClose();
    CPowerMeterMode* self = this;
    g_instance.compare_exchange_strong(self, nullptr);
    if (IPowerKeyTarget::Current() == this) IPowerKeyTarget::SetCurrent(nullptr);
    if (IPowerScreen::Current() == this) IPowerScreen::SetCurrent(nullptr);
    readout_.reset();
}

CPowerMeterMode* CPowerMeterMode::Instance() {
    return g_instance.load();
}

void CPowerMeterMode::SetEntries(std::unique_ptr<IPowerEntries> entries) {
    entries_ = std::move(entries);
}

core::Text CPowerMeterMode::LoadResStringOr(uint32_t id) {
    return id ? LoadResString(id) : core::Text();
}

CPowerMeasurement* CPowerMeterMode::GetMeasurementOfPort(bool usb) const {
    return ports_[usb ? 1 : 0];
}

CPowerSensor* CPowerMeterMode::FollowedSensor() const {
    CPowerMeasurement* m = followed_.load();
    return m ? m->GetSensor() : nullptr;
}

// ------------------------------------------------------------ lifecycle

int CPowerMeterMode::OnCreate(plat::CWnd* view, plat::CWnd* frame, int third,
                              CColorScheme* createArg) {
    const int result = CMeasurementBase::OnCreate(view, frame, third, createArg);
    CreatePowerPanes();
    setup_file_ = std::make_unique<CPowerSetupFile>();
    SetMeasurement(nullptr);
    return result;
}

void CPowerMeterMode::CreatePowerPanes() {
    const int w = client_right_ - client_left_, h = client_bottom_ - client_top_;
    constexpr int kTitle = 30, kKeys = 95, kMenuBar = 35, kKeysBottom = 29, kReadoutRight = 96,
                  kReadoutBottom = 143;
    file_label_panel_ =
        std::make_unique<CFileLabelPanel>(LoadResString(kTitleId), core::Text(), true, false);
    CreatePane(*file_label_panel_, {0, 0, w, kTitle, 1, 160});
    soft_key_menu_ = std::make_unique<CSoftKeyMenu>();
    CreatePane(*soft_key_menu_, {w - kKeys, kTitle, w, h - kKeysBottom, 1, 100});
    menu_key_panel_ = std::make_unique<CPanelWidget>();
    CreatePane(*menu_key_panel_, {0, h - kMenuBar, w - kKeys, h, 1, 100});
    readout_ = std::make_unique<CPowerMeterReadout>();
    readout_->SetOwnerFields(this);
    CreatePane(*readout_, {0, kTitle, w - kReadoutRight, h - kReadoutBottom, 18, 90});
}

CMeasurement* CPowerMeterMode::SetMeasurement(CMeasurement*) {
    IPowerScreen::SetCurrent(this);
    const std::pair<CDevicePort*, uint8_t> ports[] = {{serial_port_, CExtPowerMeasurement::kSerial},
                                                      {usb_port_, CExtPowerMeasurement::kUsb}};
    for (size_t i = 0; i < 2; ++i) {
        if (!ports[i].first || ports_[i]) continue;
        auto* m = new CExtPowerMeasurement(ports[i].first, ports[i].second);
        m->Init(this);
        ports_[i] = m;
        CMeasurementBase::SetMeasurement(m);
        if (!currentMeasurement) currentMeasurement = m;
    }
    return currentMeasurement;
}

void CPowerMeterMode::OnClose() {
    // The sensor threads reach the screen; they end before it goes.
    for (CPowerMeasurement* m : ports_)
        if (auto* ext = dynamic_cast<CExtPowerMeasurement*>(m)) ext->EndThread();
    CMeasurementBase::OnClose();
}

void CPowerMeterMode::OnActivate() {
    std::lock_guard lock(event_mutex_);
    if (main_frame_) main_frame_->Invalidate(false);
    page_ = kFirstPage;
    ShowPageKeys(kFirstPage);
    if (file_label_panel_) file_label_panel_->Redraw();
    ShowSensorTitle();
    if (soft_key_menu_) soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
    if (menu_key_panel_) menu_key_panel_->Show(0, -1);
    CModeBase::OnActivate();
    if (auto* s = services()) {
        s->SetLastMeasurementModeId(mode_id_);
        s->SetAppMeasurement(currentMeasurement, setup_);
    }
    if (fields_.stopped) {
        fields_.stopped = false;
        if (soft_key_menu_ && last_soft_key_ >= 0) soft_key_menu_->Select(0, last_soft_key_, false);
    }
    for (CPowerMeasurement* m : ports_)
        if (m) m->Start(0, 0);
    // Without a sensor the screen shows its idle face until one answers.
    if (!FollowedSensor()) EnterWaitState();
}

void CPowerMeterMode::CancelEntry() {
    CModeBase::CancelEntry();
}

int CPowerMeterMode::StopMeasurement() {
    for (CPowerMeasurement* m : ports_)
        if (m) m->Stop();
    return 1;
}

void CPowerMeterMode::ReloadTexts() {
    std::lock_guard lock(event_mutex_);
    LoadCaptions();
    ShowRangeMenu(true);
    ShowPageKeys(menu_page_);
    ShowSensorTitle();
}

void CPowerMeterMode::ShowSensorTitle() {
    if (file_label_panel_) {
        file_label_panel_->SetFileLabel(LoadResString(kTitleId), sensor_name_);
        file_label_panel_->Redraw();
    }
    if (readout_) readout_->Redraw();
    display_word_ |= dw::kRedraw;
}

core::Text CPowerMeterMode::GetSensorTitle() const {
    return sensor_name_;
}

PowerReadings CPowerMeterMode::GetReadings() const {
    PowerReadings r;
    if (!readout_) return r;
    const CPowerMeterReadout::Values v = readout_->GetValues();
    r.forward = readout_->GetForwardPower();
    r.second = readout_->GetReflectedPower();
    r.input_offset = v.input_offset;
    r.match_offset = v.coupling_offset;
    r.forward_peak = v.peak_power;
    r.crest = v.crest_factor;
    r.duty_cycle = v.duty_cycle;
    r.ccdf = v.ccdf_percent;
    r.burst = v.burst_average;
    r.filter = v.filter_bandwidth;
    r.temperature = v.temperature;
    return r;
}

// ------------------------------------------------------------ keys

void CPowerMeterMode::OnSoftKey(uint32_t key, int repeat) {
    CModeBase::OnSoftKey(key, repeat);
}

void CPowerMeterMode::OnMenuKey(uint32_t key, int flag) {
    CModeBase::OnMenuKey(key, flag);
}

void CPowerMeterMode::OnKeyEvent(uint32_t key, int pressed) {
    // Only the instrument's keys: a press of a letter key would read as a
    // zeroing result.
    if (!IsInstrumentKey(key)) return;
    PostKeyEvent(key, pressed);
}

void CPowerMeterMode::OnNestedKeyEvent(uint32_t key, uint32_t, uint32_t, int pressed) {
    OnKeyEvent(key, pressed);
}

void CPowerMeterMode::PostKeyEvent(uint32_t key, int pressed) {
    std::lock_guard lock(event_mutex_);
    const uint32_t event = (pressed ? key + ev::kPressed : key) & kLow16;
    if (!fields_.zeroing) key_machine_.HandleEvent(event);
    if (first_feedback_done_)
        ShowKeyFeedback(key, pressed);
    else
        first_feedback_done_ = true;
    if (pressed) display_word_ |= dw::kKeyPressed;
}

void CPowerMeterMode::ShowKeyFeedback(uint32_t key, int pressed) {
    if (key >= VK_F13 && key <= VK_F18) {
        const int index = static_cast<int>(key - VK_F13);
        if (!menu_key_panel_) return;
        const int shown = menu_key_panel_->GetHighlighted();
        if (shown >= 0 && shown != index) menu_key_panel_->Select(0, shown, false);
        if (action(page_, index) == -1 && index != 3) return;
        if (pressed) {
            if (remembered_menu_key_ >= 0 && remembered_menu_key_ != index)
                menu_key_panel_->Select(0, remembered_menu_key_, false);
            remembered_menu_key_ = index;
            menu_key_panel_->Select(0, index, true);
        } else {
            menu_key_panel_->Select(0, index, false);
            menu_key_panel_->Show(0, -1);
        }
        return;
    }
    if (key < VK_F1 || key > VK_F8 || !soft_key_menu_) return;
    const int index = static_cast<int>(key - VK_F1);
    const int shown = soft_key_menu_->GetHighlighted();
    if (shown >= 0 && shown != index) soft_key_menu_->Select(0, shown, false);
    if (action(page_, index) != -1) {
        if (!pressed) {
            soft_key_menu_->Select(0, index, false);
            soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
        } else if (index == last_soft_key_) {
            soft_key_menu_->Select(0, index, true);
            ++repeat_count_;
        } else {
            if (last_soft_key_ >= 0) soft_key_menu_->Select(0, last_soft_key_, false);
            soft_key_menu_->Select(0, index, true);
            last_soft_key_ = index;
            repeat_count_ = 0;
        }
        return;
    }
    if (last_soft_key_ >= 0) soft_key_menu_->Select(0, last_soft_key_, false);
    if (!pressed) soft_key_menu_->Select(0, index, false);
    last_soft_key_ = -1;
}

// ------------------------------------------------------------ the update

void CPowerMeterMode::UpdateReadout(CPowerMeasurement& from) {
    std::lock_guard lock(event_mutex_);
    const size_t port = &from == ports_[1] ? 1 : 0;
    CPowerMeasurement* followed = followed_.load();
    if (followed && followed != &from) return;
    if (!followed) {
        if (!from.GetSensor()) return;
        followed_.store(&from);
    }
    PowerReading reading;
    const uint32_t count = from.GetReadingCount();
    if (count == readings_seen_[port] || !from.GetLatestReading(reading)) return;
    readings_seen_[port] = count;
    UpdateMeasurement(reading);
}

void CPowerMeterMode::SensorLost(CPowerMeasurement& from) {
    std::lock_guard lock(event_mutex_);
    if (followed_.load() != &from) return;
    followed_.store(nullptr);
    if (!fields_.stopped) EnterWaitState();
}

void CPowerMeterMode::SetStatusText(const std::string& text) {
    if (readout_) readout_->SetHint(plat::from_utf8(text));
}

void CPowerMeterMode::PostNotice(Notice notice) {
    if (notice != Notice::kZeroingResult) return;
    {
        std::lock_guard lock(event_mutex_);
        followed_.store(nullptr);
        EnterWaitState();
    }
    PostZeroingError();
}

bool CPowerMeterMode::AttachSensor(int type) {
    std::lock_guard lock(event_mutex_);
    if (type == sensor_type_) {
        if (zeroing_sound_pending_.exchange(false)) PlaySoundFile(u"exclam.wav");
        return false;
    }
    sensor_type_ = type;
    new_sensor_ = true;
    display_word_ |= 0x200A01;
    sensor_name_ = SetupSensorDisplay();
    ShowSensorTitle();
    if (readout_) {
        readout_->SetHint(LoadResStringOr(description_hint_), kWhite);
        readout_->EditValues([](CPowerMeterReadout::Values& v) { v.duty_cycle = 100.0f; });
    }
    last_shown_ = 1.0f;
    ShowRangeMenu(true);
    sensor_attached_ = true;
    PlaySoundFile(u"startup.wav");
    return true;
}

int CPowerMeterMode::UpdateMeasurement(const PowerReading& reading) {
    std::lock_guard lock(event_mutex_);
    if (fields_.stopped) return 0;
    if (fields_.configuring) return 1;
    if (waiting_) LeaveWaitState();
    if (CPowerSensor* sensor = FollowedSensor()) {
        AttachSensor(sensor->GetType());
        PostKeyEvent(ev::kSensorFound, 0);
    }
    if (fields_.configuring) return 1;
    if (redraw_after_waiting_) display_word_ |= dw::kRedraw;
    if (sensor_type_ == 3 && probe_ && !FollowProbeLetter()) return 1;
    if (configuration_finished_.exchange(false)) {
        PlaySoundFile(u"startup.wav");
        fields_.zeroing = false;
    }

    std::array<float, 11> shown{};
    ApplyShownValues(reading, shown);
    last_values_ = shown;

    // A peak sensor reports the filter it uses; one that lost the screen's
    // filter gets it again.
    const int type = sensor_type_;
    if (power_families::IsPeak(type) && shown[6] != filter_value_) {
        ApplyFilter();
        display_word_ |= dw::kRedraw;
    }

    // Redraw threshold.
    const uint32_t word = display_word_;
    const uint32_t kind = word & dw::kKindMask;
    bool skip = skip_redraw_;
    if (!(word & (dw::kRedraw | dw::kKeyPressed)) && kind != 5) {
        const float followed = kind == 8 ? shown[4] : shown[3];
        if (std::fabs(followed - last_shown_) <= last_shown_ * kRedrawShare) skip = true;
    }
    if (shown[3] < kShownFloor) shown[3] = 0;

    if (readout_) {
        saved_forward_scale_ = readout_->GetFullScale();
        saved_reflected_scale_ = readout_->GetReflectedFullScale();
        readout_->EditValues([&](CPowerMeterReadout::Values& v) {
            v.burst_average = shown[1];
            v.temperature = shown[2];
            v.peak_power = shown[5];
            v.filter_bandwidth = shown[6];
            v.ccdf_percent = shown[7];
            v.crest_factor = shown[8];
            v.duty_cycle = shown[9];
        });
        peak_average_ = shown[10];
        if (!skip) {
            last_shown_ = shown[3];
            readout_->SetReadings(word, shown[ValueForKind(shown)], saved_forward_scale_, shown[3],
                                  shown[4]);
        }
    }
    display_word_ &= ~(dw::kRedraw | dw::kKeyPressed);
    redraw_after_waiting_ = false;
    if (logging_) LogReading();
    return 1;
}

void CPowerMeterMode::ApplyShownValues(const PowerReading& reading, std::array<float, 11>& shown) {
    const CPowerMeterReadout::Values v =
        readout_ ? readout_->GetValues() : CPowerMeterReadout::Values{};
    const float gain = static_cast<float>(std::pow(10.0, double(v.input_offset) / 10.0));
    PowerReading r = reading;
    if (v.manual_duty && v.manual_duty_cycle > 0) r[1] = r[3] / (v.manual_duty_cycle * 0.01f);
    for (size_t i : {0u, 2u, 6u, 7u}) shown[i] = r[i];
    for (size_t i : {1u, 3u, 4u, 5u}) shown[i] = r[i] * gain;
    shown[10] = r[3];
    shown[8] = r[8] > 0 ? static_cast<float>(10.0 * std::log10(double(r[8]))) : 0.0f;
    shown[9] = v.manual_duty ? v.manual_duty_cycle : r[9];
}

int CPowerMeterMode::ValueForKind(const std::array<float, 11>& shown) const {
    static constexpr int kValueOfKind[] = {3, 3, 5, 1, 8, 7, 9, 6, 4, 3};
    const uint32_t kind = display_word_ & dw::kKindMask;
    (void)shown;
    return kind < std::size(kValueOfKind) ? kValueOfKind[kind] : 3;
}

bool CPowerMeterMode::FollowProbeLetter() {
    const char letter = fields_.probe_letter;
    const uint32_t kind = display_word_ & dw::kKindMask;
    switch (letter) {
        case 'F':
        case 'P':
        case 'A':
            SetProbeKeys(true);
            if (letter == 'P' || letter == 'A') {
                display_word_ = (display_word_ & ~dw::kKindMask) | (letter == 'P' ? 2u : 6u);
                SetReadoutLabels(2628, 2629, 63168);
            }
            return true;
        default:
            if (kind == 2 || kind == 6) {
                SendSensorCommand(kind == 2 ? 'P' : 'A');
                peak_mode_sent_ = true;
                SetReadoutLabels(2628, 2629, 63168);
                display_word_ |= dw::kRedraw;
            } else {
                SendSensorCommand('F');
                SetProbeKeys(true);
            }
            return false;
    }
}

void CPowerMeterMode::EnterWaitState() {
    std::lock_guard lock(event_mutex_);
    if (readout_) readout_->Reset();
    redraw_after_waiting_ = true;
    PostKeyEvent(ev::kEnterWaiting, 0);
    if (readout_) {
        readout_->SetHint(LoadResString(kWaitingHint), kWhite);
        readout_->Reset();
    }
    if (menu_key_panel_) {
        const uint32_t blank[kMenuKeyCount] = {kBlankLabel, kBlankLabel, kBlankLabel,
                                               kBlankLabel, kBlankLabel, kBlankLabel};
        menu_key_panel_->SetTexts(blank, kMenuKeyCount);
        menu_key_panel_->Show(0, -1);
    }
    if (soft_key_menu_) {
        const uint32_t blank[kKeysPerPage] = {kBlankLabel, kBlankLabel, kBlankLabel, kBlankLabel,
                                              kBlankLabel, kBlankLabel, kBlankLabel, kBlankLabel};
        soft_key_menu_->SetTexts(blank, kKeysPerPage);
        soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    }
    waiting_ = true;
}

void CPowerMeterMode::LeaveWaitState() {
    const int type = sensor_type_;
    SelectMenuPage(power_families::IsTerminating(type) ? 57 : 55, 0, false);
    sensor_type_ = 0;
    waiting_ = false;
}

// ------------------------------------------------------------ logging

void CPowerMeterMode::LogReading() {
    if (log_ratio_ > 1 && ++log_skip_ < log_ratio_) return;
    log_skip_ = 0;
    if (!setup_file_) return;
    setup_file_->SetFolder(CPowerSetupFile::kFolder);
    if (!setup_file_->ExportCsv(*this, true)) StopLogging(true);
}

void CPowerMeterMode::StopLogging(bool disk_full) {
    logging_ = false;
    log_file_.reset();
    if (!disk_full) return;
    PlaySoundFile(u"default.wav");
    ShowHint(LoadResString(kDiskFullHint));
    captions_[kLastMenuPage * kKeysPerPage + kLogKey] = {LoadResString(kLogCaption), kOn, kOff, 1};
    if (menu_page_ == kLastMenuPage) ShowKeyCaption(kLogKey);
    RedrawSoftKeys();
}

// ------------------------------------------------------------ table actions

void CPowerMeterMode::StopForSwitch() {
    if (CPowerSensor* sensor = FollowedSensor()) sensor->StopOutput();
    sensor_type_ = 0;
    StopMeasurement();
}

void CPowerMeterMode::ActModeKey() {
    StopForSwitch();
    fields_.stopped = true;
    followed_.store(nullptr);
    if (auto* s = services()) s->ModeKey(kModeKeyCode);
}

void CPowerMeterMode::ActSetupKey() {
    if (prompt_shown_) {
        prompt_shown_ = false;
        ShowHint(LoadResString(kPromptClosed));
        PlaySoundFile(u"close.wav");
        return;
    }
    if (CPowerSensor* sensor = FollowedSensor()) sensor->StopOutput();
    if (auto* s = services()) s->SetupKey(kSetupKeyCode);
    StopMeasurement();
    sensor_type_ = 0;
    followed_.store(nullptr);
}

void CPowerMeterMode::ActMenuKey(int index) {
    const int type = sensor_type_;
    if (power_families::IsTerminating(type) && (index == 0 || index == 1 || index == 4)) return;
    SelectMenuPage(kFirstPage + index, index, false);
}

void CPowerMeterMode::ActPointKey() {
    forward_choice_open_ = reflected_choice_open_ = false;
    ShowHint(LoadResString(kPromptHint), kGreen);
    prompt_shown_ = true;
    PlaySoundFile(u"question.wav");
}

void CPowerMeterMode::ActEnterKey() {
    forward_choice_open_ = reflected_choice_open_ = false;
    confirm_ = true;
    if (filter_pending_) ApplyFilter();
    display_word_ |= dw::kRedraw;
}

void CPowerMeterMode::ActUpKey() {
    if (forward_choice_open_ || reflected_choice_open_) OnRangeMenuKey(true);
    if (logging_ && log_ratio_adjustable_) {
        log_ratio_ = std::min(log_ratio_ * 10, kMaxLogRatio);
        ShowHint(LoadResStringOr(soft_hint_[page_][kLogKey]) + LoadResString(kLogRatioText) +
                 core::FormatText("%d", log_ratio_));
    }
    display_word_ |= dw::kRedraw;
}

void CPowerMeterMode::ActDownKey() {
    if (forward_choice_open_ || reflected_choice_open_) OnRangeMenuKey(false);
    if (logging_ && log_ratio_adjustable_) {
        log_ratio_ = std::max(log_ratio_ / 10, 1);
        ShowHint(LoadResStringOr(soft_hint_[page_][kLogKey]) + LoadResString(kLogRatioText) +
                 core::FormatText("%d", log_ratio_));
    }
    display_word_ |= dw::kRedraw;
}

void CPowerMeterMode::ActZeroingError() {
    if (auto* s = services())
        s->ShowScreenMessage(LoadResString(kZeroingError), plat::MB_ICONEXCLAMATION);
}

void CPowerMeterMode::ActFirmwareAdvice() {
    if (auto* s = services())
        s->ShowScreenMessage(LoadResString(kFirmwareAdvice), plat::MB_ICONEXCLAMATION);
}

void CPowerMeterMode::ActNoSensor() {
    if (auto* s = services())
        s->ShowScreenMessage(LoadResString(kNoSensor), plat::MB_ICONEXCLAMATION);
}

void CPowerMeterMode::PostZeroingError() {
    post_to_frame(plat::WM_COMMAND, kCmdZero1, 0);
}

void CPowerMeterMode::PostSensorFirmwareAdvice() {
    post_to_frame(plat::WM_COMMAND, kCmdZero2, 0);
}

void CPowerMeterMode::PostNoSensor() {
    post_to_frame(plat::WM_COMMAND, kCmdZero3, 0);
}

// ------------------------------------------------------------ helpers

void CPowerMeterMode::PlaySoundFile(const char16_t* name) const {
    plat::play_sound(name, plat::SND_FILENAME | plat::SND_ASYNC);
}

void CPowerMeterMode::ShowHint(const core::Text& text, COLORREF background) {
    if (!readout_) return;
    readout_->SetHint(text, background);
    readout_->Update();
}

void CPowerMeterMode::ShowHint(const core::Text& text) {
    if (!readout_) return;
    readout_->SetHint(text);
    readout_->Update();
}

void CPowerMeterMode::RedrawSoftKeys() {
    if (soft_key_menu_) soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
}

void CPowerMeterMode::SetReadoutLabels(uint32_t a, uint32_t b, uint32_t c) {
    if (readout_) readout_->SetHeadings(LoadResString(a), LoadResString(b), LoadResString(c));
}

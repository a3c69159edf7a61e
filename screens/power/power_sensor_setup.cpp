// The power meter's full-scale ranges, the commands it sends the sensor with
// their two-step hint, and its value entries.
#include "core/res_string.h"
#include "dialogs/value_entry_dlg.h"
#include "platform/framework/wnd.h"
#include "platform/window/messages.h"
#include "screens/power/power_meter_mode.h"
#include "screens/power/sensor_families.h"
#include "widgets/soft_key_menu.h"

namespace dw = display_word;

namespace {

constexpr int kRanges = 16;
// The through-line ranges: captions and full scales in watts (1, 2.5, 5).
constexpr const char16_t* kRangeCaptions[kRanges] = {
    u"100 mW", u"250 mW", u"500 mW", u"1 W",   u"2.5 W", u"5 W",    u"10 W", u"25 W",
    u"50 W",   u"100 W",  u"250 W",  u"500 W", u"1 KW",  u"2.5 KW", u"5 KW", u"10 KW"};
constexpr float kRangeScales[kRanges] = {0.1f, 0.25f, 0.5f, 1,   2.5f, 5,    10,   25,
                                         50,   100,   250,  500, 1000, 2500, 5000, 10000};
constexpr const char16_t* kTenthCaptions[3] = {u"10 mW", u"25 mW", u"50 mW"};
constexpr uint32_t kForwardRangeLabel = 2648, kReflectedRangeLabel = 2649, kRatioLabel = 2634;
constexpr uint32_t kOn = 308, kOff = 309;
constexpr uint32_t kCommandHint1 = 63125, kCommandHint2 = 63126;
constexpr uint32_t kOffsetTitle = 63094, kDutyTitle = 63122, kCcdfTitle = 63102;
constexpr float kOffsetLimit = 100.0f;
constexpr float kCcdfMin = 1.0f, kCcdfMax = 450.0f;
constexpr const char* kEntryFormat = "%7.1f";
constexpr float kEntryStep = 0.1f;

class DialogEntries : public IPowerEntries {
  public:
    explicit DialogEntries(plat::CWnd* frame) : frame_(frame) {}
    std::optional<float> Number(uint32_t title_id, float value, float minimum,
                                float maximum) override {
        CNumberEntryDlg dlg(frame_, title_id, value, false, maximum, minimum, kEntryStep,
                            kEntryFormat);
        if (dlg.DoModal() != plat::IDOK) return std::nullopt;
        return dlg.GetValue();
    }

  private:
    plat::CWnd* frame_;
};

}  // namespace

IPowerEntries& CPowerMeterMode::Entries() {
    if (!entries_) entries_ = std::make_unique<DialogEntries>(main_frame());
    return *entries_;
}

// ------------------------------------------------------------ ranges

void CPowerMeterMode::ShowRangeMenu(bool) {
    if (!power_families::IsThroughLine(sensor_type_)) return;
    float forward = kRangeScales[forward_range_];
    float reflected = kRangeScales[reflected_range_];
    core::Text forward_text = kRangeCaptions[forward_range_];
    core::Text reflected_text = kRangeCaptions[reflected_range_];
    if (ratio_10_) {
        reflected = forward * 0.1f;
        reflected_text = reflected_range_ < 3 ? kTenthCaptions[reflected_range_]
                                              : kRangeCaptions[reflected_range_ - 3];
    }
    if (readout_) {
        readout_->SetRangeCaptions(forward_text, reflected_text);
        readout_->SetFullScales(forward, reflected);
    }
    captions_[static_cast<size_t>(57 * kKeysPerPage + 1)] = {
        LoadResString(kForwardRangeLabel) + forward_text, 0, 0, -1};
    captions_[static_cast<size_t>(57 * kKeysPerPage + 2)] = {
        LoadResString(kReflectedRangeLabel) + reflected_text, 0, 0, -1};
    if (sensor_attached_) {
        captions_[static_cast<size_t>(57 * kKeysPerPage + 3)] = {LoadResString(kRatioLabel), kOn,
                                                                 kOff, ratio_10_ ? 0 : 1};
        if (page_ == 57) {
            for (int k : {1, 2, 3}) ShowKeyCaption(k);
            if (soft_key_menu_) {
                soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
                soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
            }
        }
    }
    saved_forward_scale_ = forward;
    saved_reflected_scale_ = reflected;
}

void CPowerMeterMode::OnRangeMenuKey(bool up) {
    int index = forward_choice_open_ ? forward_range_ : reflected_range_;
    if (up)
        index = index >= kRanges - 1 ? 0 : index + 1;
    else
        index = index <= 0 ? kRanges - 1 : index - 1;
    if (forward_choice_open_) {
        forward_range_ = index;
        if (ratio_10_) reflected_range_ = index;
        ShowRangeMenu(true);
    } else {
        reflected_range_ = index;
        if (ratio_10_) forward_range_ = index;
        ShowRangeMenu(false);
    }
}

// ------------------------------------------------------------ sensor commands

void CPowerMeterMode::SendSensorCommand(char letter) {
    fields_.configuring = true;
    if (CPowerSensor* sensor = FollowedSensor()) sensor->SendMode(letter);
    ShowTwoStepHint(kCommandHint1, kCommandHint2);
}

void CPowerMeterMode::SetSensorKind(int kind) {
    CPowerSensor* sensor = FollowedSensor();
    if (sensor) sensor->SetKind(kind);
    if (sensor && power_families::IsPeak(sensor_type_)) {
        sensor->Pause();
        sensor->Resume();
        ShowTwoStepHint(kCommandHint1, kCommandHint2);
    }
    display_word_ |= dw::kRedraw;
}

void CPowerMeterMode::ApplyFilter() {
    switch (filter_caption_) {
        case 63097:
            filter_value_ = 4500.0f;
            break;
        case 63098:
            filter_value_ = 400.0f;
            break;
        default:
            filter_value_ = 10000.0f;
            break;
    }
    CPowerSensor* sensor = FollowedSensor();
    if (sensor) sensor->Pause();
    const float value = filter_value_;
    if (readout_)
        readout_->EditValues([&](CPowerMeterReadout::Values& v) { v.filter_bandwidth = value; });
    if (sensor) {
        sensor->SetFilter(value);
        sensor->Resume();
    }
    ShowTwoStepHint(kCommandHint1, kCommandHint2);
    applied_filter_ = filter_caption_;
    filter_pending_ = false;
}

void CPowerMeterMode::EditCcdfLimit(bool ask) {
    float limit = readout_ ? readout_->GetValues().ccdf_limit : kCcdfMin;
    if (ask) limit = EditValue(kCcdfTitle, kCcdfMin, kCcdfMax, limit);
    if (readout_)
        readout_->EditValues([&](CPowerMeterReadout::Values& v) { v.ccdf_limit = limit; });
    if (CPowerSensor* sensor = FollowedSensor()) {
        sensor->SetCcdfLimit(limit);
        sensor->Pause();
        sensor->Resume();
    }
    ShowTwoStepHint(kCommandHint1, kCommandHint2);
    display_word_ |= dw::kRedraw;
}

void CPowerMeterMode::ShowTwoStepHint(uint32_t first, uint32_t second) {
    fields_.configuring = true;
    PlaySoundFile(u"default.wav");
    ShowHint(LoadResString(first));
    if (readout_) readout_->SetHint(LoadResString(second));
    configuration_finished_ = true;
}

// ------------------------------------------------------------ value entries

float CPowerMeterMode::EditValue(uint32_t title_id, float minimum, float maximum, float current) {
    skip_redraw_ = true;
    const std::optional<float> entered = Entries().Number(title_id, current, minimum, maximum);
    PlaySoundFile(entered ? u"startup.wav" : u"critical.wav");
    if (main_frame_) main_frame_->Invalidate(false);
    skip_redraw_ = false;
    return entered.value_or(current);
}

void CPowerMeterMode::EditInputOffset() {
    const float old = readout_ ? readout_->GetValues().input_offset : 0;
    const float v = std::clamp(EditValue(kOffsetTitle, -kOffsetLimit, kOffsetLimit, old),
                               -kOffsetLimit, kOffsetLimit);
    if (readout_) readout_->EditValues([&](CPowerMeterReadout::Values& x) { x.input_offset = v; });
    display_word_ |= dw::kRedraw;
}

void CPowerMeterMode::EditMatchOffset() {
    const float old = readout_ ? readout_->GetValues().coupling_offset : 0;
    // The entry takes either sign: a loss typed as a positive number is
    // stored negated.
    float v = EditValue(kOffsetTitle, -kOffsetLimit, kOffsetLimit, old);
    if (v > 0) v = -v;
    if (v < -kOffsetLimit) v = -kOffsetLimit;
    if (readout_)
        readout_->EditValues([&](CPowerMeterReadout::Values& x) { x.coupling_offset = v; });
    display_word_ |= dw::kRedraw;
}

void CPowerMeterMode::EditDutyCycle() {
    const float old = readout_ ? readout_->GetValues().manual_duty_cycle : 0;
    const float v = std::min(EditValue(kDutyTitle, 0.0f, 100.0f, old), 100.0f);
    if (readout_)
        readout_->EditValues([&](CPowerMeterReadout::Values& x) { x.manual_duty_cycle = v; });
    display_word_ |= dw::kRedraw;
}

// The power meter's soft keys: the screen's own soft-key operation and the
// action of every page key.
#include <cmath>

#include "core/res_string.h"
#include "platform/framework/message_box.h"
#include "platform/kernel/clock.h"
#include "screens/power/power_meter_mode.h"
#include "screens/screen_services.h"
#include "widgets/soft_key_menu.h"

namespace dw = display_word;

namespace {

constexpr COLORREF kSoftKeyHint = 0xFFFFD2;
constexpr uint32_t kPromptPrefix = 2632;
constexpr uint32_t kProbeLabel = 2633, kFirstProbe = 63031, kSecondProbe = 63032;
constexpr uint32_t kRatioLabel = 2634;
constexpr uint32_t kAutoRange = 2636, kRangeLabel = 2637;
constexpr uint32_t kInputOffsetLabel = 2638, kMatchOffsetLabel = 2639;
constexpr uint32_t kLogRatioText = 2641, kLogLabel = 2642;
constexpr uint32_t kManualDuty = 2643, kAutoDuty = 2644, kDutyLabel = 2645, kCcdfLabel = 2646;
constexpr uint32_t kOn = 308, kOff = 309;
constexpr uint32_t kFilters[3] = {63097, 63098, 63099};
constexpr uint32_t kZeroQuestion = 63091, kZeroCancelled = 63092;
constexpr uint32_t kZeroHint1 = 63093, kZeroHint2 = 63100;
constexpr COLORREF kRed = 0x4040FF, kGrey = 0xC8C8C8;
constexpr float kZeroLimitW = 0.01f;
constexpr int kIdYes = 6;
constexpr int kRangeSteps = 16;

// The range texts of the range select, index 1 to 15 (0 is automatic), and
// their full scales in watts.
constexpr const char16_t* kRangeTexts[kRangeSteps] = {
    u"",     u"100 \u00b5W", u"1 mW",   u"10 mW", u"100 mW", u"1 W",   u"10 W", u"100 W",
    u"1 kW", u"10 kW",       u"100 kW", u"1 MW",  u"150 mW", u"1.5 W", u"15 W", u"150 W"};
constexpr float kRangeScales[kRangeSteps] = {0,    1e-4f, 1e-3f, 1e-2f, 0.1f,  1,    10, 100,
                                             1000, 1e4f,  1e5f,  1e6f,  0.15f, 1.5f, 15, 150};

}  // namespace

void CPowerMeterMode::OnPowerSoftKey(int key) {
    log_ratio_adjustable_ = false;
    if (readout_) readout_->SetHintBackground(kSoftKeyHint);
    const uint32_t hint = GetSoftKeyHint(page_, key);
    if (prompt_shown_) {
        ShowHint(LoadResString(kPromptPrefix) + LoadResStringOr(hint));
        prompt_shown_ = false;
        PlaySoundFile(u"close.wav");
        display_word_ |= dw::kKeyPressed;
        return;
    }
    confirm_ = false;
    forward_choice_open_ = reflected_choice_open_ = false;
    const int code = action(page_, key);
    if (filter_pending_ && code != 39) {
        filter_pending_ = false;
        filter_caption_ = applied_filter_;
        captions_[static_cast<size_t>(57 * kKeysPerPage + 2)].text =
            LoadResStringOr(applied_filter_);
        if (page_ == 57) ShowKeyCaption(2);
        RedrawSoftKeys();
    }
    if (!RunAction(code, key)) ShowHint(LoadResStringOr(hint));
    if (code != -1 && soft_key_menu_) {
        ShowKeyCaption(key);
        soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
        soft_key_menu_->Select(0, key, true);
    }
    display_word_ |= dw::kKeyPressed;
}

void CPowerMeterMode::SetUnitWatts() {
    display_word_ = (display_word_ & ~0x600u) | dw::kAnalogWatts;
}

void CPowerMeterMode::SetUnitDbm() {
    display_word_ = (display_word_ & ~dw::kUnitField) | dw::kDbm;
}

bool CPowerMeterMode::RunAction(int code, int key) {
    auto caption = [&](int page, int k) -> KeyCaption& {
        return captions_[static_cast<size_t>(page * kKeysPerPage + k)];
    };
    auto set_kind = [&](uint32_t kind) { display_word_ = (display_word_ & ~dw::kKindMask) | kind; };
    switch (code) {
        case 1:
        case 8:
        case 9:
            set_kind(static_cast<uint32_t>(code));
            SetSensorKind(1);
            if (sensor_type_ == 3 && probe_ && peak_mode_sent_) {
                SendSensorCommand('F');
                peak_mode_sent_ = false;
            }
            SetReadoutLabels(63160, 63161, 63162);
            break;
        case 2:
        case 3:
        case 4:
        case 5:
            set_kind(static_cast<uint32_t>(code));
            SetSensorKind(code);
            break;
        case 7:
            SetUnitWatts();
            break;
        case 11:
            SetUnitDbm();
            break;
        case 12:
        case 14:
        case 15:
        case 16:
        case 17: {
            static constexpr uint32_t kMatch[] = {
                dw::kVswr, 0, dw::kReturnLoss, dw::kRho, dw::kEfficiency, dw::kReflectedPct};
            display_word_ = (display_word_ & ~dw::kMatchField) | kMatch[code - 12];
            break;
        }
        case 18:
            probe_ = !probe_;
            caption(57, 0) = {LoadResString(kProbeLabel), kFirstProbe, kSecondProbe,
                              probe_ ? 1 : 0};
            if (!probe_) {
                SendSensorCommand('N');
                set_kind(1);
                SetProbeKeys(false);
                SetReadoutLabels(63160, 63161, 63162);
            } else {
                SendSensorCommand('F');
                SetProbeKeys(true);
            }
            break;
        case 43:
        case 44:
            SendSensorCommand(code == 43 ? 'P' : 'A');
            peak_mode_sent_ = true;
            set_kind(code == 43 ? 2 : 6);
            SetReadoutLabels(2628, 2629, 63168);
            break;
        case 20:
        case 21:
            if (code == 20) {
                forward_choice_open_ = true;
            } else {
                reflected_choice_open_ = true;
                display_word_ &= ~dw::kResetReflectedScale;
                ratio_10_ = false;
                caption(57, 3) = {LoadResString(kRatioLabel), kOn, kOff, 1};
            }
            if (readout_)
                readout_->EditValues([](CPowerMeterReadout::Values& v) { v.auto_range = false; });
            SetUnitWatts();
            break;
        case 37:
            if (ratio_10_) {
                ratio_10_ = false;
                display_word_ |= dw::kResetReflectedScale;
            } else {
                ratio_10_ = true;
                display_word_ &= ~0x204000u;
                ShowRangeMenu(true);
            }
            caption(57, 3) = {LoadResString(kRatioLabel), kOn, kOff, ratio_10_ ? 0 : 1};
            ShowKeyCaption(3);
            RedrawSoftKeys();
            break;
        case 22:
            EditInputOffset();
            caption(page_, key).text =
                LoadResString(kInputOffsetLabel) +
                core::FormatText("%3.1f dB",
                                 double(readout_ ? readout_->GetValues().input_offset : 0));
            break;
        case 23:
            EditMatchOffset();
            caption(page_, key).text =
                LoadResString(kMatchOffsetLabel) +
                core::FormatText("%3.1f dB",
                                 double(readout_ ? readout_->GetValues().coupling_offset : 0));
            break;
        case 39: {
            size_t i = 0;
            while (i < 3 && kFilters[i] != filter_caption_) ++i;
            filter_caption_ = kFilters[(i + 1) % 3];
            filter_pending_ = true;
            caption(page_, key).text = LoadResString(filter_caption_);
            break;
        }
        case 38: {
            bool manual = false;
            if (readout_)
                readout_->EditValues([&](CPowerMeterReadout::Values& v) {
                    v.manual_duty = !v.manual_duty;
                    manual = v.manual_duty;
                });
            caption(page_, key).text = LoadResString(manual ? kManualDuty : kAutoDuty);
            if (readout_) readout_->Update();
            break;
        }
        case 40:
            if (readout_)
                readout_->EditValues([](CPowerMeterReadout::Values& v) { v.manual_duty = true; });
            EditDutyCycle();
            caption(page_, key).text =
                LoadResString(kDutyLabel) +
                core::FormatText("%3.1f %%",
                                 double(readout_ ? readout_->GetValues().manual_duty_cycle : 0));
            caption(page_, 3).text = LoadResString(kManualDuty);
            ShowKeyCaption(3);
            break;
        case 41:
            EditCcdfLimit(true);
            caption(page_, key).text =
                LoadResString(kCcdfLabel) +
                core::FormatText("%3.1f W",
                                 double(readout_ ? readout_->GetValues().ccdf_limit : 0));
            break;
        case 36:
            range_select_ = (range_select_ + 1) % kRangeSteps;
            if (range_select_ == 0) {
                if (readout_)
                    readout_->EditValues(
                        [](CPowerMeterReadout::Values& v) { v.auto_range = true; });
                display_word_ &= ~0x6000u;
                caption(page_, key).text = LoadResString(kAutoRange);
            } else {
                const float scale = kRangeScales[range_select_];
                if (readout_) {
                    readout_->EditValues(
                        [](CPowerMeterReadout::Values& v) { v.auto_range = false; });
                    readout_->SetRangeCaptions(kRangeTexts[range_select_],
                                               kRangeTexts[range_select_]);
                    readout_->SetFullScales(scale, scale * 0.1f);
                }
                caption(page_, key).text = LoadResString(kRangeLabel) + kRangeTexts[range_select_];
            }
            display_word_ &= ~dw::kKeepRange1;
            display_word_ |= dw::kResetReflectedScale;
            break;
        case 42:
            StartZeroing();
            return true;
        case 29:
            ToggleLogging();
            return true;
        case 49:
            if (setup_file_) {
                setup_file_->SetFolder(CPowerSetupFile::kFolder);
                setup_file_->SetHeaderFlag(true);
                setup_file_->ExportCsv(*this, false);
            }
            break;
        case 34:
        case 48:
            StopForSwitch();
            page_ = kFirstPage;
            fields_.stopped = true;
            followed_.store(nullptr);
            if (auto* s = services()) s->ShowTools();
            break;
        default:
            break;
    }
    return false;
}

void CPowerMeterMode::StartZeroing() {
    // The sensor's own reading, before the input offset.
    if (std::fabs(last_values_[10]) > kZeroLimitW) {
        auto* s = services();
        const int answer = s ? s->ShowScreenMessage(LoadResString(kZeroQuestion),
                                                    plat::MB_YESNO | plat::MB_ICONQUESTION)
                             : 0;
        if (answer != kIdYes) {
            ShowHint(LoadResString(kZeroCancelled), kRed);
            return;
        }
    }
    if (readout_) readout_->SetHintBackground(kGrey);
    ShowTwoStepHint(kZeroHint1, kZeroHint2);
    zeroing_sound_pending_ = true;
    fields_.zero_request = true;
    fields_.zeroing = true;
}

void CPowerMeterMode::ToggleLogging() {
    if (!logging_) {
        log_file_ = CreatePowerLogFile(plat::local_time());
        if (log_file_) {
            logging_ = true;
            log_ratio_adjustable_ = true;
            log_skip_ = 0;
            if (setup_file_) setup_file_->SetHeaderFlag(true);
        } else {
            // The log could not be created (no folder, full or read-only):
            // logging stays off and says why.
            StopLogging(true);
            return;
        }
    } else {
        StopLogging(false);
    }
    captions_[static_cast<size_t>(page_ * kKeysPerPage + 2)] = {LoadResString(kLogLabel), kOn, kOff,
                                                                logging_ ? 0 : 1};
    ShowHint(LoadResStringOr(GetSoftKeyHint(page_, 2)) + LoadResString(kLogRatioText) +
             core::FormatText("%d", log_ratio_));
    ShowKeyCaption(2);
    RedrawSoftKeys();
    if (readout_) readout_->Update();
}

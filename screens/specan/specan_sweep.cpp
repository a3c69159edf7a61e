// CSpecAnMode: the sweep menu (4), the trigger source menu (5) and the
// external (6) and video (7) trigger menus.
#include "core/res_string.h"
#include "files/sa_meas_setup.h"
#include "files/trigger_settings.h"
#include "platform/framework/wnd.h"
#include "screens/measurement/page_labels.h"
#include "screens/specan/specan_mode.h"
#include "screens/specan/specan_settings.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"

using namespace specan;

namespace {
constexpr uint32_t kSweepLabel = 672, kContinue = 61287, kSingle = 244;
constexpr uint32_t kTriggerLabel = 247, kManualTrigger = 61283, kArmTrigger = 64242;
constexpr uint32_t kBlank = 184, kReturn = 1019;
constexpr uint32_t kInternal = 552, kExternal = 246, kVideo = 245, kContinuous = 923;
constexpr uint32_t kTriggerOnOff = 1127, kOn = 308, kOff = 309;
constexpr uint32_t kConditionCaptions[] = {63006, 63007, 63008, 63009, 63010};
constexpr int32_t kConditionOfKey[] = {1, 0, 2, 3, 4};  // keys 1..5 of menu 6
constexpr uint32_t kGateDelay = 250, kMilliseconds = 1047, kGateDelayMs = 252;
constexpr uint32_t kPowerLevel = 61325, kDbm = 561, kTriggerLevelTitle = 63181;
constexpr int kKeyOnOff = 0, kKeyTriggerMenu = 1, kKeyArm = 2, kKeyReturn = 7;
constexpr int kKeyPowerLevel = 5, kKeyGateDelay = 6;
constexpr int kMaxGateDelayMs = 1000;
constexpr int kReadoutColour = 39;

core::Text Line(uint32_t id) {
    return LoadResString(id);
}
}  // namespace

// ------------------------------------------------------------ menu 4

int CSpecAnMode::ShowSweepMenu(int key) {
    if (!soft_key_menu_) return 0;
    CSoftKeyMenu& m = *soft_key_menu_;
    const int32_t mode = sa_setup_->GetTriggerMode();
    m.SetKeyChoicesById(kSweepLabel, 0, kContinue, kSingle, IsSingleMode(mode) ? 1 : 0, false);
    m.SetKeyCaption(Line(kTriggerLabel) + u"\n\n" + Line(TriggerModeCaption(mode)), 1, false,
                    key == 1);
    const uint32_t arm = mode == kInternalSingle                           ? kManualTrigger
                         : mode == kExternalSingle || mode == kVideoSingle ? kArmTrigger
                                                                           : kBlank;
    m.SetKeyCaptionById(arm, kKeyArm, false, false);
    for (int k = 3; k <= 6; ++k) m.SetKeyCaptionById(kBlank, k, false, false);
    m.SetKeyCaptionById(kReturn, kKeyReturn, false, false);
    return 1;
}

int CSpecAnMode::OpenSweepMenu(int key) {
    active_function_ = kMenuSweep;
    LastKey(kMenuSweep) = kNoKey;
    ShowSoftKeys(kMenuSweep, key);
    if (soft_key_menu_) soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
    return 1;
}

bool CSpecAnMode::OnExtraMenuKey(int key) {
    changed_by_key_ = false;
    const int32_t mode = sa_setup_->GetTriggerMode();
    bool changed = false;
    switch (key) {
        case kKeyOnOff: {
            const int32_t next = SwapSingleContinuous(mode);
            if (mode == kInternalContinuous) m_SingleSweep = true;
            if (mode == kInternalSingle) m_SingleSweep = false;
            if (next != mode) sa_setup_->SetTriggerMode(next);
            sa_setup_->NotifyChanged(true);
            changed = true;
            break;
        }
        case kKeyTriggerMenu:
            return OpenTriggerMenu(kKeyTriggerMenu) != 0;
        case kKeyArm:
            if (!IsSingleMode(mode)) return true;
            sa_setup_->NotifyChanged(true);
            trigger_armed_ = true;
            m_SingleSweep = true;
            changed = true;
            break;
        case kKeyReturn:
        case kKeyEscape:
            return ReturnToBandwidthMenu(kKeyReturn) != 0;
        default:
            return CMeasurementBase::OnExtraMenuKey(key);
    }
    if (changed) {
        ShowSoftKeys(kMenuSweep, key);
        RefreshReadouts();
        if (soft_key_menu_) soft_key_menu_->Select(0, key, true);
        ApplyAndRestart(true);
    }
    return true;
}

// ------------------------------------------------------------ menu 5

int CSpecAnMode::OpenTriggerMenu(int key) {
    active_function_ = kMenuTriggerSource;
    LastKey(kMenuTriggerSource) = kNoKey;
    ShowTriggerSourceMenu(key);
    if (soft_key_menu_) soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
    return 1;
}

int CSpecAnMode::ShowTriggerSourceMenu(int) {
    if (!soft_key_menu_) return 0;
    CSoftKeyMenu& m = *soft_key_menu_;
    const int32_t mode = sa_setup_->GetTriggerMode();
    const bool video = CurrentType() == kTimeDomain;
    struct Source {
        uint32_t source, continuity;
        int32_t mode;
        bool shown;
    } keys[] = {
        {kInternal, kContinuous, kInternalContinuous, true},
        {kInternal, kSingle, kInternalSingle, true},
        {kExternal, kContinuous, kExternalContinuous, true},
        {kExternal, kSingle, kExternalSingle, true},
        {kVideo, kContinuous, kVideoContinuous, video},
        {kVideo, kSingle, kVideoSingle, video},
    };
    for (int k = 0; k < 6; ++k) {
        const Source& s = keys[k];
        if (s.shown)
            m.SetKeyCaption(Line(s.source) + u"\n" + Line(s.continuity), k, mode == s.mode, false);
        else
            m.SetKeyCaptionById(kBlank, k, false, false);
    }
    m.SetKeyCaptionById(kBlank, 6, false, false);
    m.SetKeyCaptionById(kReturn, kKeyReturn, false, false);
    return 1;
}

bool CSpecAnMode::OnTriggerSourceKey(int key) {
    int32_t mode = sa_setup_->GetTriggerMode();
    switch (key) {
        case 0:
            mode = kInternalContinuous;
            m_SingleSweep = false;
            break;
        case 1:
            mode = kInternalSingle;
            m_SingleSweep = true;
            break;
        case 2:
            m_SingleSweep = false;
            OpenExternalTriggerMenu(2);
            mode = kExternalContinuous;
            break;
        case 3:
            m_SingleSweep = true;
            OpenExternalTriggerMenu(3);
            mode = kExternalSingle;
            break;
        case 4:
        case 5:
            if (CurrentType() != kTimeDomain) return false;
            return OpenVideoTriggerMenu(key) != 0;
        case kKeyReturn:
            return OpenSweepMenu(kKeyReturn) != 0;
        default:
            return false;
    }
    if (mode == sa_setup_->GetTriggerMode()) return false;
    sa_setup_->SetTriggerMode(mode);
    OnTriggerChanged(key);
    return true;
}

// ------------------------------------------------------------ menus 6 and 7

int CSpecAnMode::OpenExternalTriggerMenu(int key) {
    trigger_single_variant_ = key == 2 ? 0 : 1;
    active_function_ = kMenuExternalTrigger;
    LastKey(kMenuExternalTrigger) = kNoKey;
    ShowSoftKeys(kMenuExternalTrigger, key);
    if (soft_key_menu_) soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
    return 1;
}

int CSpecAnMode::OpenVideoTriggerMenu(int key) {
    trigger_single_variant_ = key == 4 ? 0 : 1;
    active_function_ = kMenuVideoTrigger;
    LastKey(kMenuVideoTrigger) = kNoKey;
    ShowSoftKeys(kMenuVideoTrigger, key);
    if (soft_key_menu_) soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
    return 1;
}

int CSpecAnMode::ShowExternalTriggerMenu(int key) {
    if (!soft_key_menu_) return 0;
    CSoftKeyMenu& m = *soft_key_menu_;
    CTriggerSettings& t = *sa_setup_->GetTriggerSettings();
    const int32_t mode = sa_setup_->GetTriggerMode();
    const int32_t on = trigger_single_variant_ == 0 ? kExternalContinuous : kExternalSingle;
    m.SetKeyChoicesById(kTriggerOnOff, kKeyOnOff, kOn, kOff, mode == on ? 0 : 1, false);
    for (int k = 1; k <= 5; ++k)
        m.SetKeyCaptionById(kConditionCaptions[kConditionOfKey[k - 1]], k,
                            t.GetCondition() == kConditionOfKey[k - 1], false);
    m.SetKeyCaption(
        Line(kGateDelay) + u"\n" + GateDelayText(t.GetDelay()) + u"\n" + Line(kMilliseconds),
        kKeyGateDelay, false, key == kKeyGateDelay);
    m.SetKeyCaptionById(kReturn, kKeyReturn, false, false);
    return 1;
}

int CSpecAnMode::ShowVideoTriggerMenu(int key) {
    if (!soft_key_menu_) return 0;
    CSoftKeyMenu& m = *soft_key_menu_;
    CTriggerSettings& t = *sa_setup_->GetTriggerSettings();
    const int32_t mode = sa_setup_->GetTriggerMode();
    const int32_t on = trigger_single_variant_ == 0 ? kVideoContinuous : kVideoSingle;
    m.SetKeyChoicesById(kTriggerOnOff, kKeyOnOff, kOn, kOff, mode == on ? 0 : 1, false);
    m.SetKeyCaptionById(kConditionCaptions[1], 1, t.GetCondition() == 1, false);
    m.SetKeyCaptionById(kConditionCaptions[0], 2, t.GetCondition() == 0, false);
    m.SetKeyCaptionById(kBlank, 3, false, false);
    m.SetKeyCaptionById(kBlank, 4, false, false);
    m.SetKeyCaption(Line(kPowerLevel) + u"\n" + TriggerLevelText(t.GetLevel()) + u"\n" + Line(kDbm),
                    kKeyPowerLevel, false, key == kKeyPowerLevel);
    m.SetKeyCaption(
        page_labels::FillPlace(kGateDelayMs, core::FormatText("%.3f", t.GetDelay() * 0.1)),
        kKeyGateDelay, false, key == kKeyGateDelay);
    m.SetKeyCaptionById(kReturn, kKeyReturn, false, false);
    return 1;
}

// The gate delay becomes the value key of the current menu.
static bool ChooseGateDelay(CSpecAnMode& screen, int& last, bool flag) {
    if (last != kKeyGateDelay) {
        if (CSoftKeyMenu* m = screen.soft_key_menu(); m && last >= 0 && last < kNoKey)
            m->SetKeyState(0, last, false);
        last = kKeyGateDelay;
    }
    if (CSoftKeyMenu* m = screen.soft_key_menu()) m->SetKeyState(0, kKeyGateDelay, flag);
    return true;
}

bool CSpecAnMode::OnExternalTriggerKey(int key) {
    CTriggerSettings& t = *sa_setup_->GetTriggerSettings();
    bool changed = false;
    if (key == kKeyOnOff) {
        sa_setup_->SetTriggerMode(
            ToggleExternalTrigger(trigger_single_variant_, sa_setup_->GetTriggerMode()));
        changed = true;
    } else if (key >= 1 && key <= 5) {
        const int32_t condition = kConditionOfKey[key - 1];
        if (condition != t.GetCondition()) changed = t.SetCondition(condition);
    } else if (key == kKeyGateDelay) {
        changed = ChooseGateDelay(*this, LastKey(kMenuExternalTrigger), key_flag_);
    } else if (key == kKeyReturn) {
        return OpenTriggerMenu(kKeyReturn) != 0;
    }
    if (changed) OnTriggerChanged(key);
    return changed;
}

bool CSpecAnMode::OnVideoTriggerKey(int key) {
    CTriggerSettings& t = *sa_setup_->GetTriggerSettings();
    bool changed = false;
    switch (key) {
        case kKeyOnOff:
            sa_setup_->SetTriggerMode(
                ToggleVideoTrigger(trigger_single_variant_, sa_setup_->GetTriggerMode()));
            changed = true;
            break;
        case 1:
        case 2: {
            const int32_t condition = key == 1 ? 1 : 0;
            if (condition != t.GetCondition()) changed = t.SetCondition(condition);
            break;
        }
        case kKeyPowerLevel:
            LastKey(kMenuVideoTrigger) = kKeyPowerLevel;
            changed = true;
            break;
        case kKeyGateDelay:
            changed = ChooseGateDelay(*this, LastKey(kMenuVideoTrigger), key_flag_);
            break;
        case kKeyReturn:
            return OpenTriggerMenu(kKeyReturn) != 0;
        default:
            break;
    }
    if (changed) OnTriggerChanged(key);
    return changed;
}

void CSpecAnMode::OnTriggerChanged(int key) {
    ShowSoftKeys(active_function_, key);
    RefreshReadouts();
    if (soft_key_menu_) soft_key_menu_->Select(0, key, true);
    sa_setup_->NotifyChanged(true);
    ApplyAndRestart(true);
}

// ------------------------------------------------------------ values

bool CSpecAnMode::EditGateDelay(int digit) {
    if (LastKey(active_function_) != kKeyGateDelay) return false;
    CTriggerSettings& t = *sa_setup_->GetTriggerSettings();
    delay_entered_ = false;
    const auto ms = Entries().GateDelay(kGateDelay, static_cast<int>(t.GetDelay() / 10), 0,
                                        kMaxGateDelayMs, digit);
    if (ms && *ms != t.GetDelay() * 0.1) {
        t.SetDelay(GateDelayFromMs(*ms));
        delay_entered_ = true;
    }
    AfterEntry();
    ShowSoftKeys(active_function_, kKeyGateDelay);
    if (soft_key_menu_) {
        soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
        soft_key_menu_->SetKeyState(0, kKeyGateDelay, key_flag_);
    }
    UpdateFrequencyReadout();
    if (readout_panel_) readout_panel_->RedrawRows(0, true, kReadoutColour);
    RepaintScreen(1);
    // The board takes the new delay with the next sweep it is sent.
    if (delay_entered_) {
        sa_setup_->NotifyChanged(true);
        ApplyAndRestart(true);
    }
    return delay_entered_;
}

bool CSpecAnMode::StepGateDelay(uint32_t arrow) {
    if (!specan::StepGateDelay(*sa_setup_->GetTriggerSettings(), arrow)) return false;
    OnTriggerChanged(kKeyGateDelay);
    return true;
}

bool CSpecAnMode::TurnGateDelay(int steps) {
    if (LastKey(active_function_) != kKeyGateDelay) return false;
    if (!specan::TurnGateDelay(*sa_setup_->GetTriggerSettings(), steps)) return false;
    OnTriggerChanged(kKeyGateDelay);
    return true;
}

bool CSpecAnMode::EditTriggerLevel(int digit) {
    if (digit < 0 || digit > 9) return false;
    CTriggerSettings& t = *sa_setup_->GetTriggerSettings();
    const double current = t.GetLevel() * 0.01;
    const auto dbm = Entries().Number(kTriggerLevelTitle, current, 30.0, -200.0, 1.0, digit);
    AfterEntry();
    if (dbm) {
        const int16_t level = TriggerLevelFromDbm(*dbm);
        if (level != t.GetLevel()) t.SetLevel(level);
    }
    OnTriggerChanged(kKeyPowerLevel);
    return dbm.has_value();
}

bool CSpecAnMode::StepTriggerLevel(uint32_t arrow) {
    if (!specan::StepTriggerLevel(*sa_setup_->GetTriggerSettings(), arrow)) return false;
    OnTriggerChanged(kKeyPowerLevel);
    return true;
}

bool CSpecAnMode::TurnTriggerLevel(int steps) {
    if (!specan::TurnTriggerLevel(*sa_setup_->GetTriggerSettings(), steps)) return false;
    OnTriggerChanged(kKeyPowerLevel);
    return true;
}

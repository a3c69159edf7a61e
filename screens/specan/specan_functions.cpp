// CSpecAnMode: the measure menu (17), switching the measurement functions,
// the common shape of the function menus (18..25) and the routing of their
// keys, digits, arrows and knob; the occupied bandwidth (18), channel power
// (19) and adjacent channel power (20) menus; and the frequency values the
// frequency page applies, which keep the channel widths inside the span.
#include <cmath>

#include "core/app_commands.h"
#include "core/frequency_range.h"
#include "core/res_string.h"
#include "core/units.h"
#include "files/sa_meas_setup.h"
#include "instrument/measurement.h"
#include "platform/framework/wnd.h"
#include "platform/kernel/clock.h"
#include "screens/specan/specan_mode.h"
#include "screens/specan/specan_settings.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"

using namespace specan;

namespace {
constexpr uint32_t kBlank = 184, kBack = 1019, kOn = 308, kOff = 309;
constexpr uint32_t kAllOff = 64159;
// Menu 17: the On and Off labels of keys 0..6, and the menu each key opens.
struct MeasureKey {
    uint32_t on, off, function;
    int menu;
};
constexpr MeasureKey kMeasureKeys[] = {
    {61409, 61410, kOccupiedBandwidth, 18},    {61411, 61412, kChannelPower, 19},
    {64160, 64161, kAdjacentChannelPower, 20}, {61413, 61414, kTimeDomain, 21},
    {61415, 61416, kSignalStrength, 22},       {61417, 61418, kDemodulation, 23},
    {61419, 61420, kCarrierInterference, 25},
};
constexpr int kMeasureAllOffKey = 7;
constexpr uint32_t kSwitchWaitMs = 500;
constexpr int kReadoutColour = 39;
constexpr int kBlankRows = 4;

// Menu 18.
constexpr uint32_t kObwName = 1341, kThresholdMode = 950, kPercentUnit = 1077, kDbcUnit = 851;
constexpr uint32_t kPercentLabel = 64168, kLevelLabel = 64167, kPercentTitle = 63120;
constexpr int kKeyMethod = 1, kKeyPercent = 2, kKeyLevel = 3;
constexpr int32_t kPercentMax = 1000, kPercentArrow = 10, kLevelMin = -700, kLevelMax = 0,
                  kLevelArrow = 10;
constexpr double kDbcLow = -70.0, kDbcHigh = 0.0;
// Menus 19 and 20.
constexpr uint32_t kCpName = 1343, kAcpName = 1344;
constexpr uint32_t kIntegrationLabel = 64148, kChannelLabel = 64149, kAdjacentLabel = 64150,
                   kSpacingLabel = 64151, kRestoreLabel = 61334;
constexpr uint32_t kChannelTitle = 61284, kAdjacentTitle = 61285, kSpacingTitle = 61286;
constexpr int kKeyChannel = 1, kKeyAdjacent = 2, kKeySpacing = 3, kKeyRestore = 4;
constexpr uint64_t kKnobFineStep = 10, kKnobCoarseStep = 10000, kKnobCoarseFrom = 1000000;

bool IsValueOf(int menu, int key) {
    switch (menu) {
        case 18:
            return key == kKeyPercent || key == kKeyLevel;
        case 19:
            return key == kKeyChannel;
        case 20:
            return key >= kKeyChannel && key <= kKeySpacing;
        default:
            return false;
    }
}

core::Text Hertz(uint64_t hz) {
    return FormatValue(hz, 0, false, true, false, 0);
}
}  // namespace

// ------------------------------------------------------------ switching

int CSpecAnMode::SwitchMeasurement(uint32_t id) {
    if (id == 0) id = kGeneralSpectrum;
    if (currentMeasurement) {
        if (CMeasurement* found = FindMeasurement(static_cast<intptr_t>(id))) {
            StopMeasurement();
            // The board ends the old stream first; keys pressed meanwhile
            // wait in the queue and run afterwards in order.
            plat::sleep_ms(kSwitchWaitMs);
            ReplaceCurrentMeasurement(found);
            sa_setup_->SetMeasurementId(static_cast<int32_t>(id));
            if (main_frame_) PostCommandObject<kCmdActivateMeasurement>(main_frame_, found);
            if (readout_panel_)
                for (int row = 0; row < kBlankRows; ++row)
                    readout_panel_->SetCellTexts(LoadResString(kBlank), core::Text(), row, 0);
            UpdateSweepReadout(true);
            if (readout_panel_) readout_panel_->RedrawRows(0, true, kReadoutColour);
        }
    }
    if (main_frame_) {
        main_frame_->SetFocus();
        saved_byte_ = -7;
        main_frame_->Invalidate();
        saved_byte_ = 255;
    }
    return 0;
}

// ------------------------------------------------------------ menu 17

int CSpecAnMode::ShowMeasurementOnOffMenu(int) {
    if (!soft_key_menu_) return 0;
    const uint32_t current = CurrentType();
    for (int k = 0; k < 7; ++k) {
        const MeasureKey& m = kMeasureKeys[k];
        soft_key_menu_->SetKeyCaptionById(current == m.function ? m.on : m.off, k, false, false);
    }
    soft_key_menu_->SetKeyCaptionById(kAllOff, kMeasureAllOffKey, false, false);
    return 1;
}

int CSpecAnMode::OpenMeasurementMenu(int key) {
    int menu = kMenuMeasure;
    if (key >= 0 && key < 7) {
        menu = kMeasureKeys[key].menu;
    } else if (key == kMeasureAllOffKey) {
        if (CurrentType() != kGeneralSpectrum) SwitchMeasurement(kGeneralSpectrum);
    } else {
        return 1;
    }
    active_function_ = menu;
    LastKey(menu) = kNoKey;
    ShowSoftKeys(menu, key);
    if (soft_key_menu_) soft_key_menu_->Select(0, key, false);
    return 1;
}

int CSpecAnMode::ReturnToMeasurementMenu(int key) {
    return ReturnToFunctionMenu(kMenuMeasure, key);
}

int CSpecAnMode::ReturnToFunctionMenu(int menu, int key) {
    // Menu 24 is a page of menu 23: its keys return there.
    active_function_ = menu;
    LastKey(menu) = kNoKey;
    ShowSoftKeys(menu, key);
    if (soft_key_menu_) soft_key_menu_->Select(0, key, false);
    return 1;
}

// ------------------------------------------------------------ common shape

void CSpecAnMode::ShowFunctionKeys(uint32_t name_id, uint32_t function) {
    if (!soft_key_menu_) return;
    CSoftKeyMenu& m = *soft_key_menu_;
    m.SetKeyChoices(LoadResString(name_id), 0, kOn, kOff, CurrentType() == function ? 0 : 1, false);
    for (int k = 1; k < 7; ++k) m.SetKeyCaptionById(kBlank, k, false, false);
    m.SetKeyCaptionById(kBack, 7, false, false);
}

bool CSpecAnMode::BeginFunctionKey(int key, uint32_t function) {
    m_ValueChanged = false;
    m_KeySelected = false;
    if (key == 0) {
        SwitchMeasurement(CurrentType() != function ? function : kGeneralSpectrum);
        return false;
    }
    if (key == 7 || key == kKeyEscape) {
        ReturnToMeasurementMenu(7);
        return true;
    }
    return false;
}

void CSpecAnMode::FinishFunctionKey(int menu, int key) {
    ShowSoftKeys(menu, key);
    RememberKey(menu, key, m_KeySelected);
}

void CSpecAnMode::ReshowFunctionValue(int menu) {
    const int key = LastKey(menu);
    ShowSoftKeys(menu, key);
    if (soft_key_menu_ && key >= 0 && key < kNoKey) soft_key_menu_->SetKeyState(0, key, true);
}

int CSpecAnMode::ShowFunctionMenu(int menu, int key) {
    switch (menu) {
        case 18:
            return ShowObwMenu(key);
        case 19:
            return ShowChannelPowerMenu(key);
        case 20:
            return ShowAcpMenu(key);
        case 21:
            return ShowTimeDomainMenu(key);
        case 22:
            return ShowFieldStrengthMenu(key);
        case 23:
            return ShowDemodMenu(key);
        case 24:
            return ShowDemodTypeMenu(key);
        case 25:
            return ShowCarrierInterferenceMenu(key);
        default:
            return 0;
    }
}

int CSpecAnMode::OnFunctionMenuKey(int menu, int key) {
    switch (menu) {
        case 18:
            return OnObwMenuKey(key);
        case 19:
            return OnChannelPowerMenuKey(key);
        case 20:
            return OnAcpMenuKey(key);
        case 21:
            return OnTimeDomainMenuKey(key);
        case 22:
            return OnFieldStrengthMenuKey(key);
        case 23:
            return OnDemodMenuKey(key);
        case 24:
            return OnDemodTypeMenuKey(key);
        case 25:
            return OnCarrierInterferenceMenuKey(key);
        default:
            return 0;
    }
}

bool CSpecAnMode::OnFunctionDigit(int menu, int digit) {
    switch (menu) {
        case 18:
            return ObwDigit(digit);
        case 19:
        case 20:
            return WidthDigit(menu, digit);
        case 21:
            return SweepTimeDigit(digit);
        case 22:
            return FieldStrengthDigit(digit);
        case 23:
            return DemodDigit(digit);
        default:
            return false;
    }
}

bool CSpecAnMode::OnFunctionArrow(int menu, uint32_t key) {
    switch (menu) {
        case 18:
            return ObwValue(key, 0);
        case 19:
        case 20:
            return WidthValue(menu, key, 0);
        case 21:
            return SweepTimeValue(key, 0);
        case 22:
            return FieldStrengthValue(key, 0);
        case 23:
            return DemodValue(key, 0);
        case 25:
            return CarrierValue(key, 0);
        default:
            return false;
    }
}

bool CSpecAnMode::OnFunctionKnob(int menu, int steps) {
    if (steps == 0) return false;
    switch (menu) {
        case 18:
            return ObwValue(0, steps);
        case 19:
        case 20:
            return WidthValue(menu, 0, steps);
        case 21:
            return SweepTimeValue(0, steps);
        case 22:
            return FieldStrengthValue(0, steps);
        case 23:
            return DemodValue(0, steps);
        case 25:
            return CarrierValue(0, steps);
        default:
            return false;
    }
}

// ------------------------------------------------------------ menu 18

int CSpecAnMode::ShowObwMenu(int) {
    if (!soft_key_menu_) return 0;
    ShowFunctionKeys(kObwName, kOccupiedBandwidth);
    CSoftKeyMenu& m = *soft_key_menu_;
    const CSAMeasSetup& s = *sa_setup_;
    m.SetKeyChoicesById(kThresholdMode, kKeyMethod, kPercentUnit, kDbcUnit,
                        s.GetThresholdMode() == 0 ? 0 : 1, false);
    m.SetKeyCaption(LoadResString(kPercentLabel) + u"\n" +
                        core::FormatText("% 6.1f%%", s.GetThresholdPercent() * 0.1),
                    kKeyPercent, false, false);
    m.SetKeyCaption(
        LoadResString(kLevelLabel) + u"\n" + core::FormatText("% 6.1f", s.GetThreshold() * 0.1),
        kKeyLevel, false, false);
    return 1;
}

int CSpecAnMode::OnObwMenuKey(int key) {
    if (BeginFunctionKey(key, kOccupiedBandwidth)) return 1;
    if (key == kKeyMethod) {
        sa_setup_->SetThresholdMode(sa_setup_->GetThresholdMode() == 0 ? 1 : 0);
        m_KeySelected = true;
        m_ValueChanged = true;
    } else if (IsValueOf(kMenuFirstFunction, key)) {
        m_KeySelected = true;
    }
    FinishFunctionKey(kMenuFirstFunction, key);
    if (m_ValueChanged && CurrentType() == kOccupiedBandwidth) {
        ApplyAndRestart(true);
        UpdateSweepReadout(true);
    }
    return 1;
}

bool CSpecAnMode::ObwValue(uint32_t arrow, int steps) {
    const int key = LastKey(kMenuFirstFunction);
    CSAMeasSetup& s = *sa_setup_;
    if (key == kKeyPercent) {
        const int32_t v = s.GetThresholdPercent();
        int32_t next = v;
        if (arrow == kArrowLeft) next = 0;
        if (arrow == kArrowRight) next = kPercentMax;
        if (arrow == kArrowUp) next = v + kPercentArrow;
        if (arrow == kArrowDown) next = v - kPercentArrow;
        if (!arrow) next = v + (steps > 0 ? 1 : -1);
        s.SetThresholdPercent(next);
        if (s.GetThresholdMode() != 0) s.SetThresholdMode(0);
    } else if (key == kKeyLevel) {
        const int32_t v = s.GetThreshold();
        int32_t next = v;
        if (arrow == kArrowLeft) next = kLevelMin;
        if (arrow == kArrowRight) next = kLevelMax;
        if (arrow == kArrowUp) next = v + kLevelArrow;
        if (arrow == kArrowDown) next = v - kLevelArrow;
        if (!arrow) next = v + (steps > 0 ? 1 : -1);
        s.SetThreshold(next);
        if (s.GetThresholdMode() != 1) s.SetThresholdMode(1);
    } else {
        return false;
    }
    ReshowFunctionValue(kMenuFirstFunction);
    if (CurrentType() == kOccupiedBandwidth) {
        ApplyAndRestart(true);
        UpdateSweepReadout(true);
    }
    ResetHoldState();
    return true;
}

bool CSpecAnMode::ObwDigit(int digit) {
    const int key = LastKey(kMenuFirstFunction);
    CSAMeasSetup& s = *sa_setup_;
    std::optional<double> entered;
    if (key == kKeyPercent) {
        const double old = s.GetThresholdPercent() * 0.1;
        entered = Entries().Percent(kPercentTitle, old, digit);
        if (entered && *entered != old) {
            s.SetThresholdPercent(static_cast<int32_t>(std::lround(*entered * 10.0)));
            if (s.GetThresholdMode() != 0) s.SetThresholdMode(0);
            m_ValueChanged = true;
        }
    } else if (key == kKeyLevel) {
        const double old = s.GetThreshold() * 0.1;
        entered = Entries().DbcLevel(old, kDbcLow, kDbcHigh, digit);
        if (entered && *entered != old) {
            s.SetThreshold(static_cast<int32_t>(std::lround(*entered * 10.0)));
            if (s.GetThresholdMode() != 1) s.SetThresholdMode(1);
            m_ValueChanged = true;
        }
    } else {
        return false;
    }
    AfterEntry();
    ReshowFunctionValue(kMenuFirstFunction);
    if (m_ValueChanged && CurrentType() == kOccupiedBandwidth) {
        ApplyAndRestart(true);
        UpdateSweepReadout(true);
    }
    m_ValueChanged = false;
    ResetHoldState();
    return true;
}

// ------------------------------------------------------------ menus 19 and 20

int CSpecAnMode::ShowChannelPowerMenu(int) {
    if (!soft_key_menu_) return 0;
    ShowFunctionKeys(kCpName, kChannelPower);
    soft_key_menu_->SetKeyCaption(
        LoadResString(kIntegrationLabel) + u"\n" + Hertz(sa_setup_->GetChannelWidth()), kKeyChannel,
        false, false);
    return 1;
}

int CSpecAnMode::ShowAcpMenu(int) {
    if (!soft_key_menu_) return 0;
    ShowFunctionKeys(kAcpName, kAdjacentChannelPower);
    CSoftKeyMenu& m = *soft_key_menu_;
    const CSAMeasSetup& s = *sa_setup_;
    m.SetKeyCaption(LoadResString(kChannelLabel) + u"\n" + Hertz(s.GetChannelWidth()), kKeyChannel,
                    false, false);
    m.SetKeyCaption(LoadResString(kAdjacentLabel) + u"\n" + Hertz(s.GetAdjChannelWidth()),
                    kKeyAdjacent, false, false);
    m.SetKeyCaption(LoadResString(kSpacingLabel) + u"\n" + Hertz(s.GetCenterDistance()),
                    kKeySpacing, false, false);
    m.SetKeyCaptionById(kRestoreLabel, kKeyRestore, false, false);
    return 1;
}

int CSpecAnMode::OnChannelPowerMenuKey(int key) {
    if (BeginFunctionKey(key, kChannelPower)) return 1;
    if (IsValueOf(19, key)) m_KeySelected = true;
    FinishFunctionKey(19, key);
    return 1;
}

int CSpecAnMode::OnAcpMenuKey(int key) {
    if (BeginFunctionKey(key, kAdjacentChannelPower)) return 1;
    if (IsValueOf(20, key)) m_KeySelected = true;
    if (key == kKeyRestore) {
        sa_setup_->ResetChannelWidths();
        FinishFunctionKey(20, key);
        if (soft_key_menu_)
            for (int k = kKeyChannel; k <= kKeySpacing; ++k)
                soft_key_menu_->SetKeyState(0, k, false);
        if (CurrentType() == kAdjacentChannelPower) AfterWidthChange(20, false);
        return 1;
    }
    FinishFunctionKey(20, key);
    return 1;
}

// The adjacent width and the spacing must fit the span together: a changed
// one corrects the other, whose key then shows highlighted.
static bool FitOther(CSAMeasSetup& s, int key) {
    if (key == kKeyAdjacent) return !s.FitCenterDistanceToSpan();
    if (key == kKeySpacing) return !s.FitAdjWidthToSpan();
    return false;
}

bool CSpecAnMode::WidthValue(int menu, uint32_t arrow, int steps) {
    const int key = LastKey(menu);
    if (!IsValueOf(menu, key)) return false;
    CSAMeasSetup& s = *sa_setup_;
    const uint64_t value = key == kKeyChannel    ? s.GetChannelWidth()
                           : key == kKeyAdjacent ? s.GetAdjChannelWidth()
                                                 : s.GetCenterDistance();
    bool up = false;
    uint64_t step = 0;
    if (arrow) {
        step = ArrowStep(value, arrow);
        up = arrow == kArrowUp || arrow == kArrowRight;
    } else {
        step = value < kKnobCoarseFrom ? kKnobFineStep : kKnobCoarseStep;
        up = steps > 0;
    }
    if (key == kKeyChannel) {
        up ? s.IncChannelWidth(step) : s.DecChannelWidth(step);
    } else if (key == kKeyAdjacent) {
        up ? s.IncAdjChannelWidth(step) : s.DecAdjChannelWidth(step);
    } else {
        up ? s.IncCenterDistance(step) : s.DecCenterDistance(step);
    }
    const bool corrected = FitOther(s, key);
    ReshowFunctionValue(menu);
    if (corrected && soft_key_menu_)
        soft_key_menu_->SetKeyState(0, key == kKeyAdjacent ? kKeySpacing : kKeyAdjacent, true);
    const uint32_t function = menu == 19 ? kChannelPower : kAdjacentChannelPower;
    if (CurrentType() == function) AfterWidthChange(menu, false);
    return true;
}

bool CSpecAnMode::WidthDigit(int menu, int digit) {
    const int key = LastKey(menu);
    if (!IsValueOf(menu, key)) return false;
    CSAMeasSetup& s = *sa_setup_;
    const uint32_t titles[] = {0, kChannelTitle, kAdjacentTitle, kSpacingTitle};
    uint64_t value = 0, low = 0, high = 0;
    switch (key) {
        case kKeyChannel:
            value = s.GetChannelWidth();
            low = s.GetChannelWidthStep();
            high = s.GetMaxChannelWidth();
            break;
        case kKeyAdjacent:
            value = s.GetAdjChannelWidth();
            low = s.GetMinAdjChannelWidth();
            high = s.GetMaxAdjChannelWidth();
            break;
        default:
            value = s.GetCenterDistance();
            low = s.GetMinCenterDistance();
            high = s.GetMaxCenterDistance();
            break;
    }
    const std::optional<uint64_t> entered =
        Entries().Frequency(titles[key], value, low, high, digit);
    AfterEntry();
    const bool changed = entered && *entered != value;
    if (changed) {
        if (key == kKeyChannel) s.SetChannelWidth(*entered);
        if (key == kKeyAdjacent) s.SetAdjChannelWidth(*entered);
        if (key == kKeySpacing) s.SetCenterDistance(*entered);
    }
    const bool corrected = FitOther(s, key);
    ReshowFunctionValue(menu);
    if (corrected && soft_key_menu_)
        soft_key_menu_->SetKeyState(0, key == kKeyAdjacent ? kKeySpacing : kKeyAdjacent, true);
    const uint32_t function = menu == 19 ? kChannelPower : kAdjacentChannelPower;
    if (changed && (menu == 19 || CurrentType() == function))
        AfterWidthChange(menu, CurrentType() != function);
    return true;
}

// `force`: the restart alone (the channel power menu's entry restarts
// whatever function is current); otherwise the channel edges are marked.
void CSpecAnMode::AfterWidthChange(int, bool force) {
    ApplyAndRestart(true);
    if (force) return;
    if (sa_setup_->GetChannelNumber() != kNoBandChannel)
        sa_setup_->SetChannelNumber(kNoBandChannel);
    UpdateSweepReadout(true);
    if (readout_panel_) readout_panel_->RedrawRows(0, true, kReadoutColour);
    ResetHoldState();
}

// ------------------------------------------------------------ frequency values

// The span before the change tells a new span from a moved one. An unchanged
// span only restarts; a new one keeps the channel widths inside it and goes
// to the span hook, which may take over the restart.
void CSpecAnMode::ApplyValue(int key, bool keepSelection, uint64_t oldSpan) {
    const uint64_t span = sa_setup_->GetFrequencyRange()->GetSpan();
    // A frequency set by hand leaves the band's channel.
    if (key != kKeyStep) sa_setup_->SetChannelNumber(kNoBandChannel);
    Bandwidth().UpdateForSpan(span);
    CMeasurementBase::ApplyValue(key, keepSelection, oldSpan);
    // The automatic bandwidths follow the span: their readouts with them.
    UpdateBandwidthReadout();
    if (span == oldSpan) {
        // The span kept through the time domain, typed again, leaves it.
        if (key == kKeySpan && CurrentType() == kTimeDomain && OnSpanValue(key, span)) return;
        ApplySettings(true);
        return;
    }
    sa_setup_->SetChannelWidth(sa_setup_->GetChannelWidth());
    sa_setup_->FitAdjWidthToSpan();
    if (OnSpanValue(key, span)) return;
    ApplySettings(true);
}

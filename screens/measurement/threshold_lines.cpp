// The threshold page of the measurement screens: the upper and lower
// threshold lines switched on and off, moved by the arrows, the wheel and a
// typed level, and the limit alarm; and the mapping of a frequency to a trace
// point.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/res_string.h"
#include "core/units.h"
#include "dialogs/unit_entry_dlg.h"
#include "files/meas_setup.h"
#include "platform/framework/wnd.h"
#include "platform/window/messages.h"
#include "screens/limit_mask.h"
#include "screens/measurement_base.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"

namespace {
constexpr int kThresholdPage = 37;
constexpr int kSelectKey = 0, kLineKey = 1, kAlarmKey = 2, kReturnKey = 7;
// One wheel notch.
constexpr double kNotch = 120.0;
// The title of the level entry: upper or lower limit.
constexpr uint32_t kUpperLimitTitle = 267, kLowerLimitTitle = 271;
constexpr double kLevelEntryStep = 1.0;
}  // namespace

// --- The page ----------------------------------------------------------------------------

bool CMeasurementBase::OnThresholdMenuKey(int key) {
    if (!setup_) return false;
    switch (key) {
        case kSelectKey:
            SelectThresholdLine();
            break;
        case kLineKey:
            ToggleThresholdLine();
            break;
        case kAlarmKey:
            ToggleLimitAlarm();
            break;
        case kReturnKey:
        case kEscapeKey:
            ShowMarkerPage(-1);
            return true;
        default:
            return false;
    }
    lastKey[kThresholdPage] = key;
    ShowSoftKeys(kThresholdPage, key);
    if (soft_key_menu_) soft_key_menu_->Highlight(key);
    TakeSweepSettings();
    return true;
}

bool CMeasurementBase::SelectThresholdLine() {
    if (!setup_) return false;
    setup_->SetLimitType(setup_->GetLimitType() == 1 ? 0 : 1);
    return true;
}

bool CMeasurementBase::ToggleThresholdLine() {
    if (!setup_) return false;
    LoadScaleRange();
    if (setup_->GetLimitType() == 1) {
        if (!setup_->GetUpperLimitState()) {
            setup_->SetUpperLimitState(true);
            upperOn = true;
            setup_->SetUpperLimitValue(scaleTop);
            ShowUpperLimitLabel();
        } else {
            setup_->SetUpperLimitState(false);
            upperOn = false;
        }
    } else {
        if (!setup_->GetLowerLimitState()) {
            setup_->SetLowerLimitState(true);
            lowerOn = true;
            setup_->SetLowerLimitValue(scaleBottom);
            ShowLowerLimitLabel();
        } else {
            setup_->SetLowerLimitState(false);
            lowerOn = false;
        }
    }
    UpdateSweepReadout(true);
    if (readout_panel_) readout_panel_->Redraw();
    return true;
}

bool CMeasurementBase::ToggleLimitAlarm() {
    if (!setup_) return false;
    setup_->SetLimitAlarm(!setup_->GetLimitAlarm());
    return true;
}

// --- Arrows, wheel and digits ------------------------------------------------------------

bool CMeasurementBase::OnThresholdArrow(uint32_t key) {
    if (!setup_) return false;
    const bool moved = setup_->GetLimitType() == 1 ? MoveUpperLine(key) : MoveLowerLine(key);
    if (moved) TakeSweepSettings();
    return moved;
}

bool CMeasurementBase::OnThresholdKnob(int delta) {
    if (!setup_) return false;
    const bool moved = setup_->GetLimitType() == 1 ? TurnUpperLine(delta) : TurnLowerLine(delta);
    if (moved) TakeSweepSettings();
    return moved;
}

bool CMeasurementBase::OnThresholdDigit(int digit) {
    return EditLevelLine(digit);
}

// The step of one arrow press: 1 % of the scale height times the repeat
// count while that is below 1 dB, else the repeat count itself.
double CMeasurementBase::ThresholdArrowStep() const {
    const double percent = (scaleTop - scaleBottom) / 100.0;
    const int repeat = std::max(repeat_count_, 1);
    return percent < 1.0 ? repeat * percent : repeat;
}

// One wheel unit: the scale height over the points of the last sweep (over
// N before any point arrived).
double CMeasurementBase::ThresholdWheelUnit() {
    int points = GetPointsReceived();
    if (points <= 0)
        points = setup_ ? std::clamp<int>(setup_->GetDataPoints(), kMinPoints, kMaxPoints)
                        : kDisplayColumns;
    return (scaleTop - scaleBottom) / points;
}

bool CMeasurementBase::LineMovable(bool upper) const {
    const bool on = upper ? setup_->GetUpperLimitState() : setup_->GetLowerLimitState();
    return on && EditRecord(upper).refLevelFlag != 1;
}

bool CMeasurementBase::MoveUpperLine(uint32_t key) {
    if (!setup_ || (key != plat::VK_UP && key != plat::VK_DOWN)) return false;
    LoadScaleRange();
    if (!LineMovable(true)) return false;
    const double step = ThresholdArrowStep();
    double value = setup_->GetUpperLimitValue();
    if (key == plat::VK_UP) {
        value = std::min(value + step, scaleTop);
    } else {
        const double floor = lowerOn ? setup_->GetLowerLimitValue() : scaleBottom;
        value = std::max(value - step, floor);
    }
    setup_->SetUpperLimitValue(value);
    upperLabelFlag = true;
    ShowUpperLimitLabel();
    return true;
}

bool CMeasurementBase::MoveLowerLine(uint32_t key) {
    if (!setup_ || (key != plat::VK_UP && key != plat::VK_DOWN)) return false;
    LoadScaleRange();
    if (!LineMovable(false)) return false;
    const double step = ThresholdArrowStep();
    double value = setup_->GetLowerLimitValue();
    if (key == plat::VK_UP) {
        const double ceiling = upperOn ? setup_->GetUpperLimitValue() : scaleTop;
        value = std::min(value + step, ceiling);
    } else {
        value = std::max(value - step, scaleBottom);
    }
    setup_->SetLowerLimitValue(value);
    lowerLabelFlag = true;
    ShowLowerLimitLabel();
    return true;
}

bool CMeasurementBase::TurnUpperLine(int delta) {
    if (!setup_ || delta == 0) return false;
    LoadScaleRange();
    if (!setup_->GetUpperLimitState()) return false;
    const double u = ThresholdWheelUnit();
    const double step = std::abs(delta) / kNotch * u;
    double value = setup_->GetUpperLimitValue();
    if (delta > 0) {
        value += step;
        if (value >= scaleTop) value = scaleTop;
    } else {
        const double floor = lowerOn ? setup_->GetLowerLimitValue() : scaleBottom;
        value -= step;
        if (value <= floor) value = floor + u;
    }
    setup_->SetUpperLimitValue(value);
    upperLabelFlag = true;
    ShowUpperLimitLabel();
    return true;
}

bool CMeasurementBase::TurnLowerLine(int delta) {
    if (!setup_ || delta == 0) return false;
    LoadScaleRange();
    if (!setup_->GetLowerLimitState()) return false;
    const double u = ThresholdWheelUnit();
    const double step = std::abs(delta) / kNotch * u;
    double value = setup_->GetLowerLimitValue();
    if (delta < 0) {
        value -= step;
        if (value <= scaleBottom) value = scaleBottom;
    } else {
        const double ceiling = upperOn ? setup_->GetUpperLimitValue() : scaleTop;
        value += step;
        if (value >= ceiling) value = ceiling - u;
    }
    setup_->SetLowerLimitValue(value);
    lowerLabelFlag = true;
    ShowLowerLimitLabel();
    return true;
}

// --- Typed levels ------------------------------------------------------------------------

bool CMeasurementBase::GetThresholdEntry(int& which, double& value, double& high, double& low) {
    if (!setup_ || active_function_ != kThresholdPage) return false;
    LoadScaleRange();
    high = scaleTop;
    low = scaleBottom;
    if (setup_->GetLimitType() == 1) {
        if (lowerOn) low = setup_->GetLowerLimitValue();
        if (setup_->GetUpperLimitState()) value = setup_->GetUpperLimitValue();
        which = 1;
        return setup_->GetUpperLimitState();
    }
    if (upperOn) high = setup_->GetUpperLimitValue();
    if (setup_->GetLowerLimitState()) value = setup_->GetLowerLimitValue();
    which = 0;
    return setup_->GetLowerLimitState();
}

bool CMeasurementBase::SetThresholdValue(double value) {
    if (!setup_) return false;
    LoadScaleRange();
    if (!(value >= scaleBottom && value <= scaleTop)) return false;
    if (setup_->GetLimitType() == 1) {
        if (!setup_->GetUpperLimitState()) return false;
        setup_->SetUpperLimitValue(value);
        upperLabelFlag = true;
        ShowUpperLimitLabel();
    } else {
        if (!setup_->GetLowerLimitState()) return false;
        setup_->SetLowerLimitValue(value);
        lowerLabelFlag = true;
        ShowLowerLimitLabel();
    }
    TakeSweepSettings();
    return true;
}

bool CMeasurementBase::EditLevelLine(int key) {
    if (!setup_) return false;
    int which = 0;
    double value = 0, high = 0, low = 0;
    if (!GetThresholdEntry(which, value, high, low)) return false;
    double entered = value;
    const uint32_t title = which == 1 ? kUpperLimitTitle : kLowerLimitTitle;
    if (RunLevelDialog(title, static_cast<uint32_t>(setup_->GetMeasureUnit()), value, high, low,
                       key, entered) &&
        entered != value)
        SetThresholdValue(entered);
    ShowCurrentPage();
    return true;
}

bool CMeasurementBase::RunLevelDialog(uint32_t titleId, uint32_t unit, double value, double high,
                                      double low, int firstKey, double& entered) {
    CAmplitudeEntryDlg dialog(main_frame(), LoadResString(titleId),
                              CKeypadEntryDlg::KeyToChar(firstKey), unit, value, high, low,
                              kLevelEntryStep);
    const intptr_t answer = dialog.DoModal();
    if (main_frame()) main_frame()->SetFocus();
    if (answer != plat::IDOK) return false;
    entered = dialog.GetValue();
    return true;
}

int CMeasurementBase::FrequencyToPoint(uint64_t start, uint64_t frequency, uint64_t span) const {
    const int points =
        setup_ ? std::clamp<int>(setup_->GetDataPoints(), kMinPoints, kMaxPoints) : kDisplayColumns;
    return limit_mask::FrequencyToPoint(start, frequency, span, points);
}

// CVnaMode: the settings pages: the sweep page (4), the measurement
// selection (17), the measure pages of the four types (26 to 29), and the
// distance-to-fault pages: smoothing (30), cable (31) and the cable page
// shown while the wizard runs (32). Also the choice of a listed cable.
#include <algorithm>
#include <cmath>

#include "core/app_commands.h"
#include "core/keys.h"
#include "core/res_string.h"
#include "core/saturating_cast.h"
#include "core/units.h"
#include "files/lists/cable_type.h"
#include "files/vna_meas_setup.h"
#include "instrument/measurement.h"
#include "instrument/vna_measurements.h"
#include "screens/screen_services.h"
#include "screens/vna/vna_mode.h"
#include "widgets/graph_panel.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"

using namespace vna;

namespace {

constexpr uint32_t kBlank = 184, kBack = 1019, kNoneText = 658;
constexpr int kBackKey = 7;
constexpr uint32_t kHardwareAll = 0x207, kHardwareVnaOnly = 0x205;

// The sweep page.
enum SweepKey : int {
    kModeKey = 0,
    kTriggerKey = 1,
    kPointsKey = 2,
    kImmunityKey = 3,
    kIfbwKey = 4
};
constexpr int32_t kSingleSweep = 0, kContinuousSweep = 3;
constexpr int kIfbwChoices = 9;

// The measure pages and the distance-to-fault page.
enum DtfKey : int {
    kMeasureKey = 0,
    kStartKey = 1,
    kStopKey = 2,
    kUnitKey = 3,
    kCableKey = 4,
    kSmoothingKey = 5,
    kWizardKey = 6,
    kHelpKey = 7,
};
constexpr uint32_t kMeasureLabels[] = {64312, 64133, 64134, 61332};
constexpr uint32_t kSelectLabels[] = {61429, 64311, 64131, 64309};
constexpr float kDistanceStep = 0.1f;
constexpr double kFeetMargin = 0.0005;
constexpr double kDistanceWheelStep = 1.0, kDistanceArrowStep = 10.0;
constexpr uint32_t kStartTitle = 64390, kStopTitle = 64391, kAboveMaximum = 64188;
constexpr uint32_t kHelpTitle = 63193, kHelpPath = 63194;
constexpr uint32_t kMarkerDistanceTitle = 1192;

// The cable page.
enum CableKey : int { kListKey = 0, kVpKey = 1, kLossKey = 2 };
constexpr float kVpCoarse = 0.1f, kVpFine = 0.01f;
constexpr float kLossCoarse = 0.1f, kLossFine = 0.0001f;
constexpr int kSmoothingLevels = 4;

constexpr int kCalibrationMenuKey = 125;  // the second menu key
constexpr int kMeasureRow = 4;
constexpr int kFallbackPage = 1;

core::Text Captioned(uint32_t caption, const core::Text& value) {
    return LoadResString(caption) + u"\n" + value;
}

}  // namespace

// ------------------------------------------------------------ pages

int CVnaMode::ShowSettingsPage(int page, int key) {
    if (!soft_key_menu_ || page < 0 || page >= kPageCount) return 0;
    for (int k = 0; k < kKeysPerPage; ++k) soft_key_menu_->SetKeyTitleById(kBlank, k);
    switch (page) {
        case kPageSweep:
            BuildSweepLabels();
            break;
        case kPageMeasure:
            for (int k = 0; k < 4; ++k)
                if (k < 3 || HasGainMeasurement())
                    soft_key_menu_->SetKeyTitleById(kSelectLabels[k], k);
            break;
        case kPageMatch:
        case kPageCableLoss:
            soft_key_menu_->SetKeyTitleById(kMeasureLabels[page - kPageMatch], kMeasureKey);
            break;
        case kPageDtf:
            BuildDtfLabels();
            break;
        case kPageGain:
            BuildGainLabels();
            break;
        case kPageSmoothing:
            BuildSmoothingLabels();
            break;
        case kPageCable:
            BuildCableLabels();
            break;
        case kPageFurther:
            soft_key_menu_->SetKeyTitle(Captioned(302, CableName()), 0);
            soft_key_menu_->SetKeyTitleById(kBack, kBackKey);
            break;
        default:
            break;
    }
    soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
    int marked = key >= 0 && key < kNoKey ? key : lastKey[static_cast<size_t>(page)];
    if (page == kPageSmoothing) marked = SmoothingLevel();
    if (marked >= 0 && marked < kNoKey) soft_key_menu_->SetKeyState(0, marked, true);
    soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    return 1;
}

// Shows a page with nothing remembered, or a key marked.
void CVnaMode::GoToPage(int page, int marked) {
    active_function_ = page;
    lastKey[static_cast<size_t>(page)] = marked;
    ShowSoftKeys(page, marked);
}

bool CVnaMode::HasGainMeasurement() const {
    return hardware_id_ == kHardwareAll || hardware_id_ == kHardwareVnaOnly;
}

core::Text CVnaMode::CableName() const {
    const CCableType* cable = vna_setup_->GetCableType();
    if (!cable || cable->GetName().empty()) return LoadResString(kNoneText);
    return cable->GetName();
}

// A level outside 0..3 (a file's) reads as none and is stored as none.
int CVnaMode::SmoothingLevel() {
    const int32_t level = vna_setup_->GetDtfSmoothing();
    if (level >= 0 && level < kSmoothingLevels) return level;
    vna_setup_->SetDtfSmoothing(0);
    return 0;
}

void CVnaMode::BuildSweepLabels() {
    const CVNAMeasSetup& s = *vna_setup_;
    const bool single = s.GetTriggerMode() == kSingleSweep;
    soft_key_menu_->SetKeyChoicesById(672, kModeKey, 61287, 244, single ? 1 : 0, true);
    if (single) soft_key_menu_->SetKeyTitleById(61283, kTriggerKey);
    soft_key_menu_->SetKeyTitle(
        LoadResString(671) + u"\n" + core::FormatText("%d", s.GetDataPoints()), kPointsKey);
    soft_key_menu_->SetKeyChoicesById(61330, kImmunityKey, 308, 309, ImmunityOn() ? 0 : 1, true);
    const auto ifbw = IfbwTextId(IfbwIndex());
    soft_key_menu_->SetKeyTitle(u"IFBW:\n\n" + (ifbw ? LoadResString(*ifbw) : core::Text()),
                                kIfbwKey);
    soft_key_menu_->SetKeyTitleById(kBack, kBackKey);
}

void CVnaMode::BuildDtfLabels() {
    const CVNAMeasSetup& s = *vna_setup_;
    const bool metric = s.IsDistanceInMeters();
    const auto distance = [metric](double metres) {
        return FormatDistance(metres * 1000.0, metric, false, true);
    };
    soft_key_menu_->SetKeyTitleById(kMeasureLabels[1], kMeasureKey);
    soft_key_menu_->SetKeyTitle(Captioned(64388, distance(s.GetDtfStartRaw())), kStartKey);
    soft_key_menu_->SetKeyTitle(Captioned(64389, distance(s.GetDtfStopRaw())), kStopKey);
    soft_key_menu_->SetKeyTitle(Captioned(303, LoadResString(metric ? 64315 : 64314)), kUnitKey);
    soft_key_menu_->SetKeyTitle(Captioned(760, CableName()), kCableKey);
    soft_key_menu_->SetKeyTitle(
        Captioned(762, LevelChoiceText(static_cast<uint32_t>(SmoothingLevel()))), kSmoothingKey);
    soft_key_menu_->SetKeyTitleById(64316, kWizardKey);
    soft_key_menu_->SetKeyTitleById(64317, kHelpKey);
}

void CVnaMode::BuildSmoothingLabels() {
    static constexpr uint32_t kLevels[kSmoothingLevels] = {658, 763, 764, 765};
    for (int k = 0; k < kSmoothingLevels; ++k) soft_key_menu_->SetKeyTitleById(kLevels[k], k);
    soft_key_menu_->SetKeyTitleById(kBack, kBackKey);
}

void CVnaMode::BuildCableLabels() {
    const CVNAMeasSetup& s = *vna_setup_;
    soft_key_menu_->SetKeyTitle(Captioned(302, CableName()), kListKey);
    soft_key_menu_->SetKeyTitle(Captioned(1365, core::FormatText("%2.1f", s.GetDtfVp() * 100.0)),
                                kVpKey);
    const uint32_t unit = LossUnitForLengthUnit(static_cast<uint32_t>(s.GetDistanceUnit()));
    const double loss =
        ConvertLossPerLength(s.GetDtfLoss(), SourceUnit{UNIT_DB_PER_METRE}, TargetUnit{unit});
    soft_key_menu_->SetKeyTitle(
        Captioned(1366, core::FormatText("%1.4f", loss) + u"\n" + LossUnitText(unit)), kLossKey);
    soft_key_menu_->SetKeyTitleById(kBack, kBackKey);
}

void CVnaMode::BuildGainLabels() {
    soft_key_menu_->SetKeyTitleById(kMeasureLabels[3], kMeasureKey);
    soft_key_menu_->SetKeyTitle(Captioned(61331, BiasVoltageText(vna_setup_->GetDcBiasType())), 1);
    soft_key_menu_->SetKeyChoicesById(304, 2, 308, 309, dc_bias_on_ ? 0 : 1, true);
    soft_key_menu_->SetKeyTitleById(kBack, kBackKey);
}

core::Text CVnaMode::BiasVoltageText(int32_t type) {
    return type == 0 ? u"+12V" : u"+24V";
}

// Marks the pressed key and remembers it for the page.
void CVnaMode::MarkKey(int page, int key) {
    int& last = lastKey[static_cast<size_t>(page)];
    if (soft_key_menu_) {
        if (last >= 0 && last < kNoKey) soft_key_menu_->SetKeyState(0, last, false);
        if (key >= 0 && key < kNoKey) soft_key_menu_->SetKeyState(0, key, true);
    }
    last = key;
}

// ------------------------------------------------------------ keys

void CVnaMode::OnSettingsKey(int page, int key) {
    switch (page) {
        case kPageSweep:
            OnSweepPageKey(key);
            return;
        case kPageMeasure:
            OnMeasureSelectKey(key);
            return;
        case kPageDtf:
            OnDtfPageKey(key);
            return;
        case kPageSmoothing:
            OnSmoothingPageKey(key);
            return;
        case kPageCable:
            OnCablePageKey(key);
            return;
        case kPageGain:
            OnGainPageKey(key);
            return;
        case kPageMatch:
        case kPageCableLoss:
            if (key == kMeasureKey) GoToPage(kPageMeasure, kNoKey);
            return;
        case kPageFurther:
            if (key == kBackKey || key == kEscapeKey) GoToPage(kPageDtf, kWizardKey);
            return;
        default:
            return;
    }
}

void CVnaMode::OnSweepPageKey(int key) {
    CVNAMeasSetup& s = *vna_setup_;
    switch (key) {
        case kModeKey: {
            const bool single = s.GetTriggerMode() != kSingleSweep;
            s.SetTriggerMode(single ? kSingleSweep : kContinuousSweep);
            stop_after_sweep_ = single;
            if (currentMeasurement) currentMeasurement->Start(0, 0);
            ShowSoftKeys(kPageSweep, kNoKey);
            UpdateSweepReadout(true);
            return;
        }
        case kTriggerKey:
            if (s.GetTriggerMode() != kSingleSweep) return;
            stop_after_sweep_ = true;
            if (currentMeasurement) currentMeasurement->Start(0, 0);
            return;
        case kPointsKey: {
            const int32_t old = s.GetDataPoints();
            const auto points = Entries().DataPoints(old);
            if (points && *points != old) {
                s.SetDataPoints(*points);
                ShowUpperLimitLabel();
                ShowLowerLimitLabel();
                if (currentMeasurement) currentMeasurement->Start(0, 0);
                ResetHoldState();
                UpdateSweepReadout(true);
            }
            ShowSoftKeys(kPageSweep, kPointsKey);
            AfterEntry();
            return;
        }
        case kImmunityKey:
            SetImmunity(!ImmunityOn());
            ShowSoftKeys(kPageSweep, kNoKey);
            return;
        case kIfbwKey: {
            MarkKey(kPageSweep, kIfbwKey);
            if (const auto index = Entries().Ifbw(IfbwIndex())) SetIfbwIndex(*index);
            ShowSoftKeys(kPageSweep, kIfbwKey);
            AfterEntry();
            return;
        }
        case kBackKey:
        case kEscapeKey:
            GoToPage(kPageAmplitude, kNoKey);
            return;
        default:
            return;
    }
}

bool CVnaMode::ImmunityOn() const {
    return CurrentType() == kCableLoss ? vna_setup_->GetCableLossInterferenceImmunity()
                                       : vna_setup_->GetIfImmunity();
}

void CVnaMode::SetImmunity(bool on) {
    if (CurrentType() == kCableLoss)
        vna_setup_->SetCableLossInterferenceImmunity(on);
    else
        vna_setup_->SetIfImmunity(on);
    if (currentMeasurement) currentMeasurement->Start(0, 0);
    UpdateSweepReadout(true);
}

int CVnaMode::IfbwIndex() const {
    const CChoiceBlock* b = vna_setup_->GetBandwidthSettings();
    return b ? static_cast<int>(b->GetRbwIndex()) : 0;
}

void CVnaMode::SetIfbwIndex(int index) {
    CChoiceBlock* b = vna_setup_->GetBandwidthSettings();
    index = std::clamp(index, 0, kIfbwChoices - 1);
    if (!b || index == IfbwIndex()) return;
    b->SetRbwMode(CChoiceBlock::kModeManual, false);
    b->SetRbwIndex(static_cast<uint32_t>(index), false);
    if (currentMeasurement) currentMeasurement->Start(0, 0);
    UpdateSweepReadout(true);
}

void CVnaMode::OnMeasureSelectKey(int key) {
    if (key < 0 || key > 3) return;
    if (key == 3 && !HasGainMeasurement()) return;
    // The bias goes off while the gain measurement is still the current
    // one: its row says so before the new measurement's rows replace it.
    if (dc_bias_on_ && key != 3) SwitchOffDcBias();
    SwitchMeasurementType(key + 1);
}

void CVnaMode::SwitchMeasurementType(int type) {
    if (type != CurrentType()) {
        if (CMeasurement* m = MeasurementOfType(type)) {
            StopMeasurement();
            ReplaceCurrentMeasurement(m);
            type_ = type;
            vna_setup_->SetMeasurementId(type);
            if (main_frame()) PostCommandObject<kCmdActivateMeasurement>(main_frame(), m);
        }
    }
    const int page = type >= kMatch && type <= kGain ? kPageMatch + type - 1 : kFallbackPage;
    GoToPage(page, kNoKey);
    if (readout_panel_) {
        for (int col = 0; col < 4; ++col)
            readout_panel_->SetCellIds(kBlank, kBlank, kMeasureRow, col);
        readout_panel_->RedrawRows(0, true, static_cast<ColorSchemeIndex>(39));
    }
}

void CVnaMode::OnDtfPageKey(int key) {
    switch (key) {
        case kMeasureKey:
            GoToPage(kPageMeasure, kNoKey);
            return;
        case kStartKey:
        case kStopKey:
            MarkKey(kPageDtf, key);
            return;
        case kUnitKey:
            vna_setup_->SetDistanceUnit(!vna_setup_->IsDistanceInMeters());
            ShowSoftKeys(kPageDtf, lastKey[kPageDtf]);
            AfterDtfChange();
            return;
        case kCableKey:
            GoToPage(kPageCable, kNoKey);
            return;
        case kSmoothingKey:
            GoToPage(kPageSmoothing, kNoKey);
            return;
        case kWizardKey: {
            StopMeasurement();
            GoToPage(kPageFurther, kWizardKey);
            const bool applied = RunDtfWizard();
            UpdateSweepReadout(true);
            if (applied && !vna_setup_->IsCalValid(false))
                OnMenuKey(static_cast<uint32_t>(kCalibrationMenuKey), 0);
            else
                ApplyAndRestart(true);
            return;
        }
        case kHelpKey:
            Entries().QuickHelp(LoadResString(kHelpTitle), LoadResString(kHelpPath));
            GoToPage(kPageDtf, kHelpKey);
            UpdateSweepReadout(true);
            return;
        case kEscapeKey:
            GoToPage(kPageMeasure, kNoKey);
            return;
        default:
            return;
    }
}

// A changed distance-to-fault setting reaches the board with the restart.
void CVnaMode::AfterDtfChange() {
    if (CurrentType() == kDistanceToFault) ApplyAndRestart(true);
    UpdateSweepReadout(true);
}

void CVnaMode::OnSmoothingPageKey(int key) {
    if (key >= 0 && key < kSmoothingLevels) {
        vna_setup_->SetDtfSmoothing(key);
        ShowSoftKeys(kPageSmoothing, key);
        AfterDtfChange();
        return;
    }
    if (key == kBackKey || key == kEscapeKey) GoToPage(kPageDtf, kHelpKey);
}

void CVnaMode::OnCablePageKey(int key) {
    switch (key) {
        case kListKey:
            ChooseCable(false);
            GoToPage(kPageCable, kListKey);
            AfterDtfChange();
            return;
        case kVpKey:
        case kLossKey:
            SetActiveStep(key);
            MarkKey(kPageCable, key);
            return;
        case kBackKey:
        case kEscapeKey:
            GoToPage(kPageDtf, kHelpKey);
            return;
        default:
            return;
    }
}

void CVnaMode::OnGainPageKey(int key) {
    switch (key) {
        case kMeasureKey:
            GoToPage(kPageMeasure, kNoKey);
            return;
        case 1:
            vna_setup_->SetDcBiasType(vna_setup_->GetDcBiasType() == 0 ? 1 : 0);
            ResetHoldState();
            if (dc_bias_on_)
                if (CVnaMeasurement* m = Current()) m->SendOption(0, 1);
            ShowSoftKeys(kPageGain, 1);
            ShowBiasState();
            return;
        case 2:
            ResetHoldState();
            SetDcBiasOn(!dc_bias_on_);
            ShowSoftKeys(kPageGain, 2);
            return;
        case kBackKey:
        case kEscapeKey:
            GoToPage(kPageMeasure, kNoKey);
            return;
        default:
            return;
    }
}

// ------------------------------------------------------------ values

void CVnaMode::OnSettingsArrow(int page, uint32_t key) {
    const int item = lastKey[static_cast<size_t>(page)];
    const bool up = key == VK_UP || key == VK_RIGHT;
    if (page == kPageSweep && item == kIfbwKey) {
        int index = IfbwIndex();
        if (key == VK_LEFT) index = 0;
        if (key == VK_RIGHT) index = kIfbwChoices - 1;
        if (key == VK_UP) ++index;
        if (key == VK_DOWN) --index;
        SetIfbwIndex(index);
        ShowSoftKeys(kPageSweep, kIfbwKey);
        return;
    }
    if (page == kPageDtf && (item == kStartKey || item == kStopKey)) {
        const float step = kDistanceStep * static_cast<float>(std::clamp(arrowCount, 1, 35));
        StepDistance(item, up ? step : -step);
        return;
    }
    if (page == kPageCable && (item == kVpKey || item == kLossKey)) {
        const bool coarse = key == VK_LEFT || key == VK_RIGHT;
        if (item == kVpKey)
            StepCableValue(item, (coarse ? kVpCoarse : kVpFine) * (up ? 1.0f : -1.0f));
        else
            StepCableValue(item, (coarse ? kLossCoarse : kLossFine) * (up ? 1.0f : -1.0f));
    }
}

void CVnaMode::OnSettingsKnob(int page, int steps) {
    const int item = lastKey[static_cast<size_t>(page)];
    const float sign = steps > 0 ? 1.0f : -1.0f;
    if (page == kPageDtf && (item == kStartKey || item == kStopKey))
        StepDistance(item, sign * kDistanceStep);
    else if (page == kPageCable && item == kVpKey)
        StepCableValue(item, sign * kVpFine);
    else if (page == kPageCable && item == kLossKey)
        StepCableValue(item, sign * kLossFine);
    else if (page == kPageSweep && item == kIfbwKey) {
        SetIfbwIndex(IfbwIndex() + (steps > 0 ? 1 : -1));
        ShowSoftKeys(kPageSweep, kIfbwKey);
    }
}

void CVnaMode::StepDistance(int item, float step) {
    CVNAMeasSetup& s = *vna_setup_;
    if (item == kStartKey)
        step > 0 ? s.IncDtfStart(step) : s.DecDtfStart(-step);
    else
        step > 0 ? s.IncDtfStop(step) : s.DecDtfStop(-step);
    ShowSoftKeys(kPageDtf, item);
    AfterDtfChange();
}

// Any change of Vp or loss here drops the listed cable: the values are no
// longer the cable's.
void CVnaMode::StepCableValue(int item, float step) {
    CVNAMeasSetup& s = *vna_setup_;
    if (item == kVpKey)
        step > 0 ? s.IncDtfVp(step) : s.DecDtfVp(-step);
    else
        step > 0 ? s.IncDtfLoss(step) : s.DecDtfLoss(-step);
    s.SetCableType(nullptr);
    ShowSoftKeys(kPageCable, item);
    AfterDtfChange();
}

void CVnaMode::OnSettingsDigit(int page, int digit) {
    const int item = lastKey[static_cast<size_t>(page)];
    if (page == kPageDtf && (item == kStartKey || item == kStopKey) && digit < 10)
        EditDtfDistance(item, digit);
    else if (page == kPageCable && item == kVpKey)
        EditDtfVp(digit);
    else if (page == kPageCable && item == kLossKey)
        EditDtfLoss(digit);
    else
        return;
    AfterEntry();
}

void CVnaMode::EditDtfDistance(int item, int digit) {
    CVNAMeasSetup& s = *vna_setup_;
    const bool metric = s.IsDistanceInMeters();
    const auto shown = [metric](double metres) {
        return metric ? metres : MetresToFeet(metres) + kFeetMargin;
    };
    const double low = shown(s.GetMinDistanceSpan() + (item == kStopKey ? 0.1 : 0.0));
    const double high = shown(s.GetMaxDistance());
    const double old = item == kStartKey ? s.GetDtfStart() : s.GetDtfStop();
    const auto v = Entries().Distance(item == kStartKey ? kStartTitle : kStopTitle, digit, metric,
                                      old, low, high, kDistanceWheelStep, kDistanceArrowStep);
    if (v && *v != old) {
        if (*v > high) Messages().Ask(kAboveMaximum, 0, false);
        const float value = static_cast<float>(std::min(*v, high));
        item == kStartKey ? s.SetDtfStart(value) : s.SetDtfStop(value);
        AfterDtfChange();
    }
    ShowSoftKeys(kPageDtf, item);
}

bool CVnaMode::EditMarkerDistance(int key) {
    if (key > 9 || !graphPanel || !IsMarkerOn()) return false;
    int marker = 0;
    double level = 0;
    uint64_t millimetres = 0;
    if (!graphPanel->GetCurrentMarker(marker) ||
        !graphPanel->GetPendingMarkerValues(marker, level, millimetres))
        return false;
    const CVNAMeasSetup& s = *vna_setup_;
    const bool metric = s.IsDistanceInMeters();
    const double metres = static_cast<double>(millimetres) / 1000.0;
    const double shown = metric ? metres : MetresToFeet(metres);
    const double low = s.GetDtfStart(), high = s.GetDtfStop();
    const auto v = Entries().Distance(kMarkerDistanceTitle, key, metric, shown, low, high,
                                      kDistanceWheelStep, kDistanceArrowStep);
    const bool moved = v && *v != shown;
    if (moved) {
        const double held = std::clamp(*v, low, high);
        const double to = metric ? held : FeetToMetres(held);
        graphPanel->MoveCurrentMarkerToValue(SaturatingCast<uint64_t>(to * 1000.0 + 0.5));
    }
    AfterEntry();
    ShowSoftKeys(active_function_, -1);
    if (moved) {
        UpdateSweepReadout(true);
        RefreshActiveMarker();
    }
    if (soft_key_menu_) soft_key_menu_->Select(0, GetLastKey(active_function_), true);
    graphPanel->Redraw();
    RequestMarkerRedraw();
    return moved;
}

void CVnaMode::EditDtfVp(int digit) {
    CVNAMeasSetup& s = *vna_setup_;
    const double percent = static_cast<double>(s.GetDtfVp()) * 100.0;
    const auto v = Entries().Vp(digit, percent);
    if (v && *v != percent) {
        s.SetDtfVp(static_cast<float>(*v * 0.01));
        s.SetCableType(nullptr);
        AfterDtfChange();
    }
    ShowSoftKeys(kPageCable, kVpKey);
}

void CVnaMode::EditDtfLoss(int digit) {
    CVNAMeasSetup& s = *vna_setup_;
    const uint32_t unit = LossUnitForLengthUnit(static_cast<uint32_t>(s.GetDistanceUnit()));
    const double shown =
        ConvertLossPerLength(s.GetDtfLoss(), SourceUnit{UNIT_DB_PER_METRE}, TargetUnit{unit});
    const auto v = Entries().CableLoss(digit, unit, shown);
    if (v && (v->value != shown || v->unit != unit)) {
        s.SetDtfLoss(static_cast<float>(
            ConvertLossPerLength(v->value, SourceUnit{v->unit}, TargetUnit{UNIT_DB_PER_METRE})));
        s.SetCableType(nullptr);
        AfterDtfChange();
    }
    ShowSoftKeys(kPageCable, kLossKey);
}

// ------------------------------------------------------------ the cable list

void CVnaMode::ChooseCable(bool redraw) {
    CVNAMeasSetup& s = *vna_setup_;
    CCableType* choice = s.GetCableType();
    IScreenServices* services = IScreenServices::current();
    CCableType* list = services ? services->GetScreenCableList() : nullptr;
    if (Entries().CableList(&choice, s.IsDistanceInMeters(), list) && choice) {
        if (choice->GetName() != u"None") {
            if (choice != s.GetCableType()) {
                s.SetCableType(choice);
                s.SetDtfVp(choice->GetVp());
                const CFrequencyRange* r = s.GetFrequencyRange();
                s.SetDtfLoss(choice->GetLossAt(r ? static_cast<int64_t>(r->GetCentre())
                                                 : CCableType::kColumnHertz[0]));
            }
        } else if (s.GetCableType()) {
            s.SetCableType(nullptr);
        }
    }
    RepaintScreen(redraw ? 1 : 0);
}

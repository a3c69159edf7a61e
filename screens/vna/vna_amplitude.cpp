// CVnaMode: the amplitude page (scale top and bottom, offset, units, output
// power, sweep and trace pages) and the units page.
#include <algorithm>

#include "core/keys.h"
#include "core/res_string.h"
#include "core/units.h"
#include "files/vna_meas_setup.h"
#include "instrument/measurement.h"
#include "screens/vna/vna_mode.h"
#include "widgets/soft_key_menu.h"

using namespace vna;

namespace {

enum AmplitudeKey : int {
    kAutoscaleKey = 0,
    kTopKey = 1,
    kBottomKey = 2,
    kOffsetKey = 3,
    kUnitsKey = 4,
    kPowerKey = 5,
    kSweepKey = 6,
    kTraceKey = 7,
};
constexpr uint32_t kBlank = 184;
constexpr uint32_t kTopTitle = 64385, kBottomTitle = 64386;
constexpr double kMaxPower = 10.0;
constexpr double kPowerArrowStep = 10.0, kPowerKnobStep = 1.0;
constexpr double kOffsetFine = 0.1, kOffsetCoarse = 1.0;
// The units page: its keys' labels and the units they choose.
constexpr uint32_t kUnitLabels[] = {601, 602, 604, 61326, 396};
constexpr int32_t kUnits[] = {UNIT_VSWR, UNIT_DB, UNIT_REFL_COEFF, UNIT_MATCH_EFF,
                              UNIT_REFL_PERCENT};
constexpr int kUnitKeys = 5;
constexpr int kBackKey = 7;

core::Text Captioned(uint32_t caption, const core::Text& value) {
    return LoadResString(caption) + u"\n" + value;
}

}  // namespace

void CVnaMode::BuildAmplitudeLabels() {
    if (!soft_key_menu_) return;
    const int type = CurrentType();
    const auto unit = static_cast<uint32_t>(vna_setup_->GetMeasureUnit());
    const auto level = [unit](double v) { return FormatLevel(v, unit, true, false, true, true); };
    soft_key_menu_->SetKeyTitleById(175, kAutoscaleKey);
    soft_key_menu_->SetKeyTitle(Captioned(61323, level(vna_setup_->GetAmplitudeTop())), kTopKey);
    soft_key_menu_->SetKeyTitle(Captioned(61324, level(vna_setup_->GetAmplitudeBottom())),
                                kBottomKey);
    if (type == kDistanceToFault)
        soft_key_menu_->SetKeyTitleById(kBlank, kOffsetKey);
    else
        soft_key_menu_->SetKeyTitle(Captioned(219, FormatLevel(vna_setup_->GetAmplitudeOffset(),
                                                               UNIT_DB, true, false, true, true)),
                                    kOffsetKey);
    if (type == kCableLoss || type == kGain)
        soft_key_menu_->SetKeyTitleById(kBlank, kUnitsKey);
    else
        soft_key_menu_->SetKeyTitle(Captioned(221, UnitName(unit)), kUnitsKey);
    soft_key_menu_->SetKeyTitle(Captioned(64174, FormatLevel(vna_setup_->GetPowerOutput(), UNIT_DBM,
                                                             true, false, true, true)),
                                kPowerKey);
    soft_key_menu_->SetKeyTitleById(672, kSweepKey);
    soft_key_menu_->SetKeyTitleById(61243, kTraceKey);
}

int CVnaMode::ShowAmplitudeMenu(int key) {
    BuildAmplitudeLabels();
    if (!soft_key_menu_) return 0;
    soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
    if (key >= 0 && key < kNoKey) soft_key_menu_->SetKeyState(0, key, true);
    soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    return 1;
}

void CVnaMode::RefreshAmplitudePage() {
    BuildAmplitudeLabels();
    if (soft_key_menu_) soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    UpdateSweepReadout(true);
    LoadScaleRange();
    RebuildAmplitudeAxis();
}

void CVnaMode::OnAmplitudeKey(int key) {
    const int type = CurrentType();
    int& last = lastKey[kPageAmplitude];
    switch (key) {
        case kAutoscaleKey:
            if (soft_key_menu_) soft_key_menu_->SetKeyState(0, kAutoscaleKey, false);
            Autoscale();
            RefreshAmplitudePage();
            return;
        case kTopKey:
        case kBottomKey:
        case kPowerKey:
            break;
        case kOffsetKey:
            if (type == kDistanceToFault) return;
            break;
        case kUnitsKey:
            if (type == kMatch || type == kDistanceToFault) OpenUnitsMenu();
            return;
        case kSweepKey:
            active_function_ = kPageSweep;
            lastKey[kPageSweep] = kNoKey;
            ShowSoftKeys(kPageSweep, -1);
            return;
        case kTraceKey:
            active_function_ = kPageTrace;
            ShowSoftKeys(kPageTrace, -1);
            return;
        default:
            return;
    }
    SetActiveStep(key);
    if (soft_key_menu_) {
        if (last >= 0 && last < kNoKey) soft_key_menu_->SetKeyState(0, last, false);
        soft_key_menu_->SetKeyState(0, key, true);
    }
    last = key;
}

void CVnaMode::OnAmplitudeArrow(uint32_t key) {
    const int entry = lastKey[kPageAmplitude];
    const CVNAMeasSetup& s = *vna_setup_;
    switch (entry) {
        case kTopKey: {
            const double old = s.GetAmplitudeTop();
            double v = old;
            if (key == VK_LEFT) v = s.GetAmplitudeTopFromBottom();
            if (key == VK_UP) v = old + s.GetDefaultScaleSpan();
            if (key == VK_RIGHT) v = s.GetAmplitudeTopLimit();
            if (key == VK_DOWN) v = old - s.GetDefaultScaleSpan();
            vna_setup_->SetAmplitudeTopClamped(v);
            if (vna_setup_->GetAmplitudeTop() != old) RefreshAmplitudePage();
            return;
        }
        case kBottomKey: {
            const double old = s.GetAmplitudeBottom();
            double v = old;
            if (key == VK_LEFT) v = s.GetAmplitudeBottomLimit();
            if (key == VK_UP) v = old + s.GetDefaultScaleSpan();
            if (key == VK_RIGHT) v = s.GetAmplitudeBottomFromTop();
            if (key == VK_DOWN) v = old - s.GetDefaultScaleSpan();
            vna_setup_->SetAmplitudeBottomClamped(v);
            if (vna_setup_->GetAmplitudeBottom() != old) RefreshAmplitudePage();
            return;
        }
        case kOffsetKey: {
            if (CurrentType() == kDistanceToFault) return;
            const double old = s.GetAmplitudeOffset();
            double step = 0;
            if (key == VK_LEFT) step = -kOffsetCoarse;
            if (key == VK_UP) step = kOffsetFine;
            if (key == VK_RIGHT) step = kOffsetCoarse;
            if (key == VK_DOWN) step = -kOffsetFine;
            vna_setup_->SetAmplitudeOffset(old + step);
            if (vna_setup_->GetAmplitudeOffset() != old) OnOffsetChanged();
            return;
        }
        case kPowerKey: {
            const double old = s.GetPowerOutput();
            double v = old;
            if (key == VK_LEFT) v = s.GetMinPowerOutput();
            if (key == VK_UP) v = old + kPowerArrowStep;
            if (key == VK_RIGHT) v = kMaxPower;
            if (key == VK_DOWN) v = old - kPowerArrowStep;
            vna_setup_->SetPowerOutput(v);
            if (vna_setup_->GetPowerOutput() != old) OnPowerChanged();
            return;
        }
        default:
            return;
    }
}

void CVnaMode::OnAmplitudeKnob(int steps) {
    const int entry = lastKey[kPageAmplitude];
    const double sign = steps > 0 ? 1.0 : -1.0;
    const CVNAMeasSetup& s = *vna_setup_;
    switch (entry) {
        case kTopKey: {
            const double old = s.GetAmplitudeTop();
            vna_setup_->SetAmplitudeTopClamped(old + sign * s.GetDefaultScaleStep());
            if (vna_setup_->GetAmplitudeTop() != old) RefreshAmplitudePage();
            return;
        }
        case kBottomKey: {
            const double old = s.GetAmplitudeBottom();
            vna_setup_->SetAmplitudeBottomClamped(old + sign * s.GetDefaultScaleStep());
            if (vna_setup_->GetAmplitudeBottom() != old) RefreshAmplitudePage();
            return;
        }
        case kOffsetKey: {
            if (CurrentType() == kDistanceToFault) return;
            const double old = s.GetAmplitudeOffset();
            vna_setup_->SetAmplitudeOffset(old + sign * kOffsetFine);
            if (vna_setup_->GetAmplitudeOffset() != old) OnOffsetChanged();
            return;
        }
        case kPowerKey: {
            const double old = s.GetPowerOutput();
            vna_setup_->SetPowerOutput(old + sign * kPowerKnobStep);
            if (vna_setup_->GetPowerOutput() != old) OnPowerChanged();
            return;
        }
        default:
            return;
    }
}

void CVnaMode::OnAmplitudeDigit(int digit) {
    const int entry = lastKey[kPageAmplitude];
    const CVNAMeasSetup& s = *vna_setup_;
    const auto unit = static_cast<uint32_t>(s.GetMeasureUnit());
    switch (entry) {
        case kTopKey: {
            const double old = s.GetAmplitudeTop();
            const auto v = Entries().Level(kTopTitle, digit, unit, CurrentType(), old,
                                           s.GetAmplitudeTopLimit(), s.GetAmplitudeTopFromBottom(),
                                           s.GetDefaultScaleSpan());
            if (v && *v != old) {
                vna_setup_->SetAmplitudeTopClamped(*v);
                if (vna_setup_->GetAmplitudeTop() != old) RefreshAmplitudePage();
            }
            break;
        }
        case kBottomKey: {
            const double old = s.GetAmplitudeBottom();
            const auto v = Entries().Level(kBottomTitle, digit, unit, CurrentType(), old,
                                           s.GetAmplitudeBottomFromTop(),
                                           s.GetAmplitudeBottomLimit(), s.GetDefaultScaleSpan());
            if (v && *v != old) {
                vna_setup_->SetAmplitudeBottomClamped(*v);
                if (vna_setup_->GetAmplitudeBottom() != old) RefreshAmplitudePage();
            }
            break;
        }
        case kOffsetKey: {
            if (CurrentType() == kDistanceToFault) return;
            const double old = s.GetAmplitudeOffset();
            if (const auto v = Entries().Offset(digit, old)) {
                vna_setup_->SetAmplitudeOffset(*v);
                if (vna_setup_->GetAmplitudeOffset() != old) OnOffsetChanged();
            }
            break;
        }
        case kPowerKey: {
            const double old = s.GetPowerOutput();
            const auto v = Entries().PowerOutput(digit, old, s.GetMinPowerOutput());
            if (v && *v != old) {
                vna_setup_->SetPowerOutput(*v);
                if (vna_setup_->GetPowerOutput() != old) OnPowerChanged();
            }
            break;
        }
        default:
            return;
    }
    AfterEntry();
    ShowAmplitudeMenu(entry);
}

void CVnaMode::OnOffsetChanged() {
    BuildAmplitudeLabels();
    if (soft_key_menu_) soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    LoadScaleRange();
    UpdateSweepReadout(true);
}

// A new output power reaches the board with the restarted sweep.
void CVnaMode::OnPowerChanged() {
    if (currentMeasurement) currentMeasurement->Start(0, 0);
    BuildAmplitudeLabels();
    if (soft_key_menu_) soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    UpdateSweepReadout(true);
}

// ------------------------------------------------------------ units page

void CVnaMode::OpenUnitsMenu() {
    active_function_ = kPageUnits;
    ShowSoftKeys(kPageUnits, -1);
}

int CVnaMode::ShowUnitsMenu() {
    if (!soft_key_menu_) return 0;
    const int32_t unit = vna_setup_->GetMeasureUnit();
    soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
    for (int k = 0; k < kUnitKeys; ++k) {
        soft_key_menu_->SetKeyTitleById(kUnitLabels[k], k);
        if (kUnits[k] == unit) soft_key_menu_->SetKeyState(0, k, true);
    }
    soft_key_menu_->SetKeyTitleById(kBlank, 5);
    soft_key_menu_->SetKeyTitleById(kBlank, 6);
    soft_key_menu_->SetKeyTitleById(1019, kBackKey);
    soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    return 1;
}

void CVnaMode::OnUnitsKey(int key) {
    if (key == 5 || key == 6) return;
    if (key >= 0 && key < kUnitKeys) {
        const int32_t old = vna_setup_->GetMeasureUnit();
        vna_setup_->SetMeasureUnit(kUnits[key]);
        if (vna_setup_->GetMeasureUnit() != old) {
            LoadScaleRange();
            RebuildAmplitudeAxis();
            ConvertLimitValues(kUnits[key]);
        }
    } else if (key != kBackKey && key != kEscapeKey) {
        return;
    }
    active_function_ = kPageAmplitude;
    lastKey[kPageAmplitude] = kNoKey;
    ShowSoftKeys(kPageAmplitude, -1);
}

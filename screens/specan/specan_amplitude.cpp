// CSpecAnMode: the amplitude menu (9), the attenuation menu (12), the units
// menu (13), and the screen's form of the frequency page's key handler.
#include <algorithm>
#include <cmath>
#include <limits>

#include "core/res_string.h"
#include "core/scoped_lock.h"
#include "core/units.h"
#include "files/sa_meas_setup.h"
#include "platform/framework/message_box.h"
#include "screens/screen_services.h"
#include "screens/specan/specan_mode.h"
#include "screens/specan/specan_settings.h"
#include "widgets/graph_panel.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"

using namespace specan;

namespace {
constexpr uint32_t kAutoRange = 175, kReferenceLabel = 795, kScaleLabel = 220;
constexpr uint32_t kAttenuationLabel = 797, kAuto = 555, kManual = 1023, kDb = 670;
constexpr uint32_t kPreampLabel = 1080, kOn = 308, kOff = 309;
constexpr uint32_t kOffsetLabel = 219, kUnitLabel = 221, kTraceLabel = 61243;
constexpr uint32_t kBlank = 184, kReturn = 1019;
constexpr uint32_t kReferenceTitle = 819;
constexpr uint32_t kPreampWarning = 1196;
constexpr uint32_t kUnitCaptions[] = {561, 823, 824, 825, 1044, 560};
// Automatic range: the spread of the trace over the divisions, the scale's
// limits, and the extremes taken without a trace.
constexpr double kAutoScaleSpread = 0.105, kMinAutoScale = 1, kMaxAutoScale = 15,
                 kAutoScaleDivisions = 10;
constexpr double kNoTraceMaximum = 30.0, kNoTraceMinimum = -120.0;
constexpr int kKeyAutoRange = 0, kKeyAttenuation = 3, kKeyPreamp = 4, kKeyUnit = 6, kKeyTrace = 7,
              kKeyReturn = 7;
constexpr int kScaleAction = static_cast<int>(0x80000001u);
constexpr double kPreampMaxInputDbm = -30.0;
constexpr int kPreampOn = 0, kPreampOff = 1;
constexpr int kAttenuationAuto = 0, kAttenuationManual = 1;
constexpr int kRedrawFull = 2;

core::Text Line(uint32_t id) {
    return LoadResString(id);
}

bool UnitCurrent(int key, uint32_t unit) {
    switch (key) {
        case 0:
            return unit == UNIT_DBM;
        case 1:
            return unit == UNIT_DBUV;
        case 2:
            return unit == UNIT_DBMV;
        case 3:
            return unit == UNIT_DBV;
        case 4:
            return unit >= UNIT_FV && unit <= UNIT_KV;
        case 5:
            return unit >= UNIT_FW && unit <= UNIT_KW;
        default:
            return false;
    }
}
}  // namespace

// ------------------------------------------------------------ menu 9

void CSpecAnMode::BuildAmplitudeKeys() {
    if (!soft_key_menu_) return;
    CSoftKeyMenu& m = *soft_key_menu_;
    const CSAMeasSetup& s = *sa_setup_;
    const auto unit = static_cast<uint32_t>(s.GetMeasureUnit());
    m.SetKeyTitleById(kAutoRange, kKeyAutoRange);

    core::Text reference = Line(kReferenceLabel);
    const double watts = s.GetReferenceLevel(false);
    if (watts != -1.0)
        reference += u"\n" + FormatLevel(RoundToDecimals(ConvertPowerUnit(watts, unit, UNIT_W), 2),
                                         unit, true, false, true, true);
    m.SetKeyCaption(reference, kKeyReference, false, false);

    if (IsLogUnit(unit)) {
        m.SetKeyCaption(Line(kScaleLabel) + u"\n" +
                            core::FormatText("% 6.1f", s.GetReferenceStepping()) + u"\n" +
                            UnitName(UNIT_DB_PER_DIV),
                        kKeyScale, false, false);
        set_action(kMenuAmplitude, kKeyScale, kScaleAction);
    } else {
        m.SetKeyCaptionById(kBlank, kKeyScale, false, false);
        set_action(kMenuAmplitude, kKeyScale, -1);
    }

    const bool manual = s.GetAttenuationMode() == kAttenuationManual;
    m.SetKeyCaption(Line(kAttenuationLabel) + u"\n" + Line(manual ? kManual : kAuto) + u"\n" +
                        core::FormatText("%d", static_cast<int>(s.GetAttenuationLevel())) + u" " +
                        Line(kDb) + u"\n",
                    kKeyAttenuation, false, false);

    const int gain = static_cast<int>(s.GetPreampLevel());
    m.SetKeyChoices(Line(kPreampLabel) + u"\n" + core::FormatText(gain > 0 ? "%+d" : "%d", gain) +
                        u" " + UnitName(UNIT_RETURN_LOSS),
                    kKeyPreamp, kOn, kOff, s.GetPreampMode() == kPreampOn ? 0 : 1, false);

    m.SetKeyCaption(Line(kOffsetLabel) + u"\n" +
                        FormatLevel(RoundToDecimals(s.GetAmplitudeOffset(), 1), UNIT_DB, false,
                                    false, true, false) +
                        Line(kDb),
                    kKeyOffset, false, false);
    m.SetKeyCaption(Line(kUnitLabel) + u"\n" + UnitName(unit), kKeyUnit, false, false);
    m.SetKeyCaptionById(kTraceLabel, kKeyTrace, false, false);
}

int CSpecAnMode::ShowAmplitudeMenu(int key) {
    BuildAmplitudeKeys();
    if (soft_key_menu_ && key >= 0 && key < kNoKey) soft_key_menu_->Select(0, key, true);
    return 1;
}

void CSpecAnMode::AutoScale(double maximum, double minimum) {
    const double scale =
        std::clamp(std::ceil((maximum - minimum) * kAutoScaleSpread), kMinAutoScale, kMaxAutoScale);
    const double reference = std::floor(minimum * 10) * 0.1 + kAutoScaleDivisions * scale;
    // The setup keeps the reference in watts; the extremes are dBm whatever
    // unit the screen shows.
    sa_setup_->SetReferenceLevel(ConvertPowerUnit(reference, UNIT_W, UNIT_DBM));
    sa_setup_->SetReferenceStepping(scale);
    ApplyAutoAttenuation();
    CheckRestart();
}

std::optional<std::pair<double, double>> CSpecAnMode::TraceExtremes() {
    ScopedLock guard(*this);
    // Before the first whole sweep only the points received so far count.
    const int n = std::min(completedSweeps_ > 0 ? m_PointCount : m_PointsReceived,
                           static_cast<int>(shown_.raw.size()));
    double highest = -std::numeric_limits<double>::infinity();
    double lowest = std::numeric_limits<double>::infinity();
    for (int i = 0; i < n; ++i) {
        const double level = shown_.raw[static_cast<size_t>(i)];
        if (!std::isfinite(level)) continue;
        highest = std::max(highest, level);
        lowest = std::min(lowest, level);
    }
    if (!(highest >= lowest)) return std::nullopt;
    const double offset = sa_setup_->GetAmplitudeOffset();
    return std::make_pair(highest + offset, lowest + offset);
}

int CSpecAnMode::OnAmplitudeMenuKey(int key) {
    switch (key) {
        case kKeyAutoRange:
            if (soft_key_menu_) soft_key_menu_->Select(0, kKeyAutoRange, true);
            if (const auto extremes = TraceExtremes())
                AutoScale(extremes->first, extremes->second);
            else
                AutoScale(kNoTraceMaximum, kNoTraceMinimum);
            OnReferenceChanged();
            if (soft_key_menu_) soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
            break;
        case kKeyReference:
        case kKeyOffset:
            ChooseAmplitudeValue(key);
            break;
        case kKeyScale:
            if (IsLogUnit(static_cast<uint32_t>(sa_setup_->GetMeasureUnit())))
                ChooseAmplitudeValue(key);
            break;
        case kKeyAttenuation:
            OpenAttenuationMenu();
            break;
        case kKeyPreamp:
            TogglePreamp();
            break;
        case kKeyUnit:
            OpenUnitsMenu();
            break;
        case kKeyTrace:
            ShowTracePage();
            break;
        default:
            break;
    }
    return 1;
}

// The key owns the digits, arrows and knob of the amplitude menu.
void CSpecAnMode::ChooseAmplitudeValue(int key) {
    SetActiveStep(key);
    LastKey(kMenuAmplitude) = key;
    if (soft_key_menu_) soft_key_menu_->Select(0, key, true);
}

bool CSpecAnMode::EnterAmplitudeDigit(int digit) {
    switch (LastKey(kMenuAmplitude)) {
        case kKeyReference:
            EditReferenceLevel(digit);
            break;
        case kKeyScale:
            if (IsLogUnit(static_cast<uint32_t>(sa_setup_->GetMeasureUnit()))) EditScale(digit);
            break;
        case kKeyOffset:
            EditOffset(digit);
            break;
        default:
            return false;
    }
    ReturnToPage9(LastKey(kMenuAmplitude));
    return true;
}

bool CSpecAnMode::StepAmplitude(uint32_t arrow) {
    const int key = LastKey(kMenuAmplitude);
    bool moved = false;
    switch (key) {
        case kKeyReference:
            if ((moved = StepReference(*sa_setup_, arrow))) OnReferenceChanged();
            break;
        case kKeyScale:
            if (IsLogUnit(static_cast<uint32_t>(sa_setup_->GetMeasureUnit())) &&
                (moved = StepScale(*sa_setup_, arrow)))
                OnScaleChanged();
            break;
        case kKeyOffset:
            if ((moved = StepOffset(*sa_setup_, arrow))) OnOffsetChanged();
            break;
        default:
            return false;
    }
    if (soft_key_menu_) soft_key_menu_->Select(0, key, true);
    return moved;
}

bool CSpecAnMode::TurnAmplitude(int steps) {
    const int key = LastKey(kMenuAmplitude);
    bool moved = false;
    switch (key) {
        case kKeyReference:
            if ((moved = TurnReference(*sa_setup_, steps))) OnReferenceChanged();
            break;
        case kKeyScale:
            if (IsLogUnit(static_cast<uint32_t>(sa_setup_->GetMeasureUnit())) &&
                (moved = TurnScale(*sa_setup_, steps)))
                OnScaleChanged();
            break;
        case kKeyOffset:
            if ((moved = TurnOffset(*sa_setup_, steps))) OnOffsetChanged();
            break;
        default:
            return false;
    }
    if (soft_key_menu_) soft_key_menu_->Select(0, key, true);
    return moved;
}

bool CSpecAnMode::EditReferenceLevel(int digit) {
    const auto unit = static_cast<uint32_t>(sa_setup_->GetMeasureUnit());
    const double offset = sa_setup_->GetAmplitudeOffset();
    const double high = ConvertPowerUnit(MaxReferenceDbm(offset), unit, UNIT_DBM);
    const double low = ConvertPowerUnit(MinReferenceDbm(offset), unit, UNIT_DBM);
    const double now = ConvertPowerUnit(sa_setup_->GetReferenceLevel(false), unit, UNIT_W);
    const auto value = Entries().Amplitude(kReferenceTitle, unit, now, high, low, digit);
    bool changed = false;
    if (value) {
        const double old = sa_setup_->GetReferenceLevel(false);
        sa_setup_->SetReferenceLevel(ConvertPowerUnit(*value, UNIT_W, unit));
        changed = sa_setup_->GetReferenceLevel(false) != old;
        if (changed) {
            OnReferenceChanged();
            saved_byte_ &= ~0x20;
        }
    }
    AfterEntry();
    return changed;
}

bool CSpecAnMode::EditScale(int digit) {
    const auto unit = static_cast<uint32_t>(sa_setup_->GetMeasureUnit());
    const auto scale =
        Entries().Scale(static_cast<int>(sa_setup_->GetReferenceStepping()), unit, digit);
    if (scale) {
        sa_setup_->SetReferenceStepping(*scale);
        OnScaleChanged();
        redraw_request_ = kRedrawFull;
    }
    AfterEntry();
    return scale.has_value();
}

bool CSpecAnMode::EditOffset(int digit) {
    const auto offset = Entries().Offset(sa_setup_->GetAmplitudeOffset(), digit);
    if (offset) {
        sa_setup_->SetAmplitudeOffset(*offset);
        OnOffsetChanged();
    }
    AfterEntry();
    return offset.has_value();
}

// ------------------------------------------------------------ refreshers

void CSpecAnMode::AutoScaleUnit() {
    const auto unit = static_cast<uint32_t>(sa_setup_->GetMeasureUnit());
    const uint32_t scaled = AutoScaleUnitFor(sa_setup_->GetReferenceLevel(false), unit);
    if (scaled != unit) sa_setup_->SetMeasureUnit(static_cast<int32_t>(scaled));
}

void CSpecAnMode::OnReferenceChanged() {
    ApplyAutoAttenuation();
    OnScaleChanged();
}

void CSpecAnMode::OnScaleChanged() {
    ApplySettings(false);
    AutoScaleUnit();
    BuildAmplitudeKeys();
    if (soft_key_menu_) soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    UpdateSweepReadout(true);
    PushScaleToGraph();
    LoadScaleRange();
}

void CSpecAnMode::OnOffsetChanged() {
    OnScaleChanged();
}

void CSpecAnMode::OnAttenuationChanged() {
    ApplyAutoAttenuation();
    ApplySettings(false);
    BuildAmplitudeKeys();
    if (soft_key_menu_) soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    UpdateSweepReadout(true);
}

void CSpecAnMode::OnTraceModeChanged() {
    BuildTraceModeLabels();
    if (soft_key_menu_) soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    ShowSweepTraceText();
    if (readout_panel_) readout_panel_->RedrawRows(0, true, 0);
}

// ------------------------------------------------------------ menu 12

void CSpecAnMode::OpenAttenuationMenu() {
    active_function_ = kMenuAttenuation;
    page_ = kMenuAttenuation;
    ShowAttenuationMenu();
    if (soft_key_menu_) soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
}

int CSpecAnMode::OnAttenuationMenuKey(int key) {
    if (key == 0) {
        if (sa_setup_->GetAttenuationMode() == kAttenuationManual) {
            sa_setup_->SetAttenuationMode(kAttenuationAuto);
            ApplyAutoAttenuation();
            OnAttenuationChanged();
        }
        ReturnToPage9(-1);
        return 1;
    }
    const int chosen = AttenuationForKey(key);
    if (chosen >= 0) {
        // Never below what the reference level needs.
        const double value = std::max<double>(chosen, AutoAttenuation());
        sa_setup_->SetAttenuationMode(kAttenuationManual);
        if (static_cast<int>(value) != static_cast<int>(sa_setup_->GetAttenuationLevel())) {
            sa_setup_->SetAttenuationLevel(value);
            OnAttenuationChanged();
        }
        ReturnToPage9(-1);
        return 1;
    }
    if (key == kKeyReturn || key == kKeyEscape) {
        ReturnToPage9(-1);
        return 1;
    }
    return 0;
}

void CSpecAnMode::TogglePreamp() {
    if (sa_setup_->GetPreampMode() == kPreampOff) {
        saved_attenuation_mode_ = sa_setup_->GetAttenuationMode();
        if (RoundToDecimals(sa_setup_->GetReferenceLevelDbm(), 1) > kPreampMaxInputDbm) {
            if (auto* s = IScreenServices::current())
                s->ShowScreenMessage(LoadResString(kPreampWarning), plat::MB_ICONEXCLAMATION);
        }
        sa_setup_->SetPreampMode(kPreampOn);
        sa_setup_->SetAttenuationMode(kAttenuationAuto);
        sa_setup_->SetAttenuationLevel(0.0);
    } else {
        sa_setup_->SetPreampMode(kPreampOff);
        if (saved_attenuation_mode_ == kAttenuationAuto) {
            OnAttenuationChanged();
        } else {
            sa_setup_->SetAttenuationMode(kAttenuationManual);
            sa_setup_->SetAttenuationLevel(sa_setup_->GetPreviousAttenuationLevel());
        }
    }
    ApplySettings(false);
    BuildAmplitudeKeys();
    if (soft_key_menu_) soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    UpdateSweepReadout(true);
}

// ------------------------------------------------------------ menu 13

void CSpecAnMode::OpenUnitsMenu() {
    active_function_ = kMenuUnits;
    page_ = kMenuUnits;
    ShowAmplitudeUnitMenu();
    if (soft_key_menu_) soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
}

int CSpecAnMode::ShowAmplitudeUnitMenu() {
    if (!soft_key_menu_) return 0;
    const auto unit = static_cast<uint32_t>(sa_setup_->GetMeasureUnit());
    for (int k = 0; k < 6; ++k)
        soft_key_menu_->SetKeyCaptionById(kUnitCaptions[k], k, UnitCurrent(k, unit), false);
    soft_key_menu_->SetKeyCaptionById(kBlank, 6, false, false);
    soft_key_menu_->SetKeyCaptionById(kReturn, kKeyReturn, false, false);
    return 1;
}

int CSpecAnMode::OnUnitsMenuKey(int key) {
    const int32_t chosen = UnitForKey(key);
    if (chosen < 0) {
        if (key == kKeyReturn || key == kKeyEscape) {
            ReturnToPage9(-1);
            return 1;
        }
        return 0;
    }
    const auto old_unit = static_cast<uint32_t>(sa_setup_->GetMeasureUnit());
    if (static_cast<uint32_t>(chosen) != old_unit) {
        sa_setup_->SetMeasureUnit(chosen);
        AutoScaleUnit();
        Lock();
        PushScaleToGraph();
        ConvertLimitsFrom(old_unit);
        Unlock();
        RefreshReadouts();
        redraw_request_ = kRedrawFull;
    }
    ReturnToPage9(-1);
    return 1;
}

// The limit values were in the old unit: they end in the new one, clamped
// into the new scale.
void CSpecAnMode::ConvertLimitsFrom(uint32_t old_unit) {
    const auto unit = static_cast<uint32_t>(sa_setup_->GetMeasureUnit());
    LoadScaleRange();
    sa_setup_->SetUpperLimitValue(
        ConvertLimit(sa_setup_->GetUpperLimitValue(), old_unit, unit, scaleTop, scaleBottom));
    sa_setup_->SetLowerLimitValue(
        ConvertLimit(sa_setup_->GetLowerLimitValue(), old_unit, unit, scaleTop, scaleBottom));
    ShowUpperLimitLabel();
    ShowLowerLimitLabel();
}

// ------------------------------------------------------------ menu 0

int CSpecAnMode::OnFrequencyMenuKey(int key) {
    key_flag_ = false;
    if (key == 7) {
        key_flag_ = true;
        if (!BandHasChannels()) return 0;
        SelectChannel();
    } else if (key >= 0 && key < 7) {
        key_flag_ = CMeasurementBase::OnFrequencyMenuKey(key) != 0;
    } else {
        return CMeasurementBase::OnFrequencyMenuKey(key);
    }
    int& last = LastKey(kMenuFrequency);
    if (key != last) {
        if (soft_key_menu_ && last >= 0 && last < kNoKey)
            soft_key_menu_->SetKeyState(0, last, false);
        last = key;
    }
    if (key != 7 && soft_key_menu_) soft_key_menu_->SetKeyState(0, key, key_flag_);
    return 1;
}

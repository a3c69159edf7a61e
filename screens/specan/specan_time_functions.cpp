// CSpecAnMode: the time domain (21), field strength (22) and demodulation
// (23, with its type page 24) menus; entering and leaving the time domain by
// the span; the antenna factors the field strength sweeps take; the turns of
// sweep and audio while demodulating; the marker's time entry.
#include <algorithm>
#include <cmath>

#include "core/frequency_range.h"
#include "core/res_string.h"
#include "core/scoped_lock.h"
#include "core/units.h"
#include "dialogs/dialog_services.h"
#include "files/lists/antenna.h"
#include "files/sa_meas_setup.h"
#include "instrument/specan_measurements.h"
#include "instrument/wave_player.h"
#include "platform/framework/wnd.h"
#include "platform/window/messages.h"
#include "screens/specan/specan_mode.h"
#include "screens/specan/specan_settings.h"
#include "widgets/graph_panel.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"

using namespace specan;

namespace {
constexpr int kMenuTimeDomain = 21, kMenuFieldStrength = 22, kMenuDemod = 23, kMenuDemodType = 24;
constexpr int kReadoutColour = 39;
constexpr uint32_t kBlank = 184, kBack = 1019, kOn = 308, kOff = 309;
// Menu 21.
constexpr uint32_t kTimeDomainName = 1345, kSweepTimeLabel = 64290, kSweepTimeTitle = 63176;
constexpr int kKeySweepTime = 1;
constexpr int32_t kSweepTimeMin = 1, kSweepTimeMax = 100000, kSweepTimeCoarse = 1000;
constexpr int kAxisFrequency = 0, kAxisTime = 1;
constexpr uint32_t kVkMenuKey0 = 124, kVkSpanKey = 115;
// Menu 22.
constexpr uint32_t kFieldStrengthName = 1346, kAntennaLabel = 64291, kRssiLabel = 64378,
                   kMarkerToPeak = 274, kVolumeLabel = 64292;
constexpr int kKeyAntenna = 1, kKeyRssi = 2, kKeyPeak = 3, kKeyVolume = 5;
// Menus 23 and 24.
constexpr uint32_t kDemodName = 1347, kDemodTypeLabel = 64224, kDemodFrequencyLabel = 64267,
                   kDemodToMarker = 1086, kDemodTimeLabel = 1085, kDemodFrequencyTitle = 227,
                   kDemodTimeTitle = 1364, kDemodFrequencyMarked = 1084;
constexpr uint32_t kTypeNames[] = {64243, 64244, 64245, 64247, 64246};
constexpr uint32_t kTypeKeys[] = {1012, 1013, 1014};
constexpr int kKeyDemodType = 1, kKeyDemodFrequency = 2, kKeyDemodMarker = 3, kKeyDemodTime = 4,
              kKeyDemodVolume = 5;
constexpr int32_t kTypeAm = 1, kTypeWideFm = 2, kTypeLast = 5;
constexpr int64_t kDemodArrowTop = 2560000000;
constexpr uint64_t kDemodEntryTop = 3600000000ull;
constexpr int32_t kDemodTimeMin = 1000, kDemodTimeMax = 500000, kDemodTimeStep = 1000;
constexpr uint64_t kHertzPerMegahertz = 1000000;
// Marker time entry.
constexpr uint32_t kMarkerTimeTitle = 1191;

core::Text Seconds(int32_t ms) {
    return core::FormatText("% 6.3f", ms * 0.001) + u" s";
}
core::Text Hertz(uint64_t hz) {
    return FormatValue(hz, 0, false, true, false, 0);
}
}  // namespace

// ------------------------------------------------------------ menu 21

int CSpecAnMode::ShowTimeDomainMenu(int) {
    if (!soft_key_menu_) return 0;
    ShowFunctionKeys(kTimeDomainName, kTimeDomain);
    soft_key_menu_->SetKeyCaption(
        LoadResString(kSweepTimeLabel) + u"\n" + Seconds(sa_setup_->GetZeroSpanTime()),
        kKeySweepTime, false, false);
    return 1;
}

int CSpecAnMode::OnTimeDomainMenuKey(int key) {
    if (BeginFunctionKey(key, kTimeDomain)) return 1;
    if (key == kKeySweepTime) m_KeySelected = true;
    FinishFunctionKey(kMenuTimeDomain, key);
    return 1;
}

bool CSpecAnMode::SweepTimeValue(uint32_t arrow, int steps) {
    if (LastKey(kMenuTimeDomain) != kKeySweepTime) return false;
    const int32_t t = sa_setup_->GetZeroSpanTime();
    int32_t next = t;
    switch (arrow) {
        case kArrowLeft:
            next = t - 1;
            break;
        case kArrowRight:
            next = t + 1;
            break;
        case kArrowUp:
            next = t + kSweepTimeCoarse;
            break;
        case kArrowDown:
            next = t - kSweepTimeCoarse;
            break;
        default:
            next = t + (steps > 0 ? kSweepTimeCoarse : -kSweepTimeCoarse);
            break;
    }
    sa_setup_->SetZeroSpanTime(std::clamp(next, kSweepTimeMin, kSweepTimeMax));
    AfterSweepTimeChange();
    return true;
}

bool CSpecAnMode::SweepTimeDigit(int digit) {
    if (LastKey(kMenuTimeDomain) != kKeySweepTime) return false;
    const int32_t t = sa_setup_->GetZeroSpanTime();
    int entered = t;
    if (RunSweepTimeDialog(digit, t, kSweepTimeMin, kSweepTimeMax, &entered) && entered != t) {
        sa_setup_->SetZeroSpanTime(std::clamp(entered, kSweepTimeMin, kSweepTimeMax));
        if (main_frame_) main_frame_->Invalidate();
        AfterSweepTimeChange();
    } else {
        ReshowFunctionValue(kMenuTimeDomain);
    }
    return true;
}

void CSpecAnMode::AfterSweepTimeChange() {
    ReshowFunctionValue(kMenuTimeDomain);
    UpdateFrequencyReadout();
    if (readout_panel_) readout_panel_->RedrawRows(0, true, kReadoutColour);
    if (graphPanel) graphPanel->RedrawBackground(true, 1);
    if (CurrentType() == kTimeDomain) ApplyAndRestart(true);
}

// The sweep time in the dialog of milliseconds and seconds.
bool CSpecAnMode::RunSweepTimeDialog(int firstKey, int initial, int low, int high, int* result) {
    const std::optional<double> ms =
        Entries().Duration(kSweepTimeTitle, initial, low, high, firstKey);
    AfterEntry();
    if (result) *result = ms ? static_cast<int>(std::lround(*ms)) : initial;
    return ms.has_value();
}

void CSpecAnMode::EnterTimeDomain(bool on) {
    if (!on) {
        SwitchMeasurement(kGeneralSpectrum);
        return;
    }
    SwitchMeasurement(kTimeDomain);
    active_function_ = kMenuTimeDomain;
    LastKey(kMenuTimeDomain) = kNoKey;
    ShowSoftKeys(kMenuTimeDomain, 0);
}

int CSpecAnMode::HandleZeroSpan(int key, int, int) {
    return OnSpanValue(key, 0);
}

int CSpecAnMode::OnSpanValue(int key, uint64_t span) {
    if (span == 0) {
        EnterTimeDomain(true);
        if (soft_key_menu_) soft_key_menu_->Select(0, key, true);
        return 1;
    }
    if (CurrentType() != kTimeDomain) return 0;
    EnterTimeDomain(false);
    // The frequency page again with its span key: each key as a press and
    // its release, as the keypad gives them.
    if (main_frame_)
        for (uint32_t vk : {kVkMenuKey0, kVkSpanKey}) {
            main_frame_->PostMessage(plat::WM_KEYDOWN, vk, plat::key_lparam(1, false, false));
            main_frame_->PostMessage(plat::WM_KEYUP, vk, plat::key_lparam(1, true, true));
        }
    return 1;
}

int CSpecAnMode::StartTimeDomain() {
    sa_setup_->GetZeroSpanTime();
    if (CurrentType() != kTimeDomain) {
        if (soft_key_menu_) soft_key_menu_->Select(0, 0, true);
        return 0;
    }
    if (graphPanel) graphPanel->SetXAxisKind(kAxisTime);
    ShowSoftKeys(active_function_, kNoKey);
    if (soft_key_menu_) soft_key_menu_->Select(0, 0, true);
    return 1;
}

// The marker on the time axis: the point of the time typed.
bool CSpecAnMode::EditMarkerTime(int key) {
    int marker = 0;
    if (!IsMarkerOn() || !graphPanel || !graphPanel->GetCurrentMarker(marker)) return true;
    const int32_t sweep = sa_setup_->GetZeroSpanTime();
    const int points = std::max(m_PointCount, 2);
    const int old_point = graphPanel->GetMarkerPixelIndex(marker);
    const int old_ms = static_cast<int>(
        std::lround(static_cast<double>(std::max(old_point, 0)) * sweep / (points - 1)));
    const int selected = GetSelectedSoftKey();
    const std::optional<double> entered =
        Entries().Duration(kMarkerTimeTitle, std::max(old_ms, 1), 1, kSweepTimeMax, key);
    open_entry_ = kEntryNone;
    ShowSoftKeys(active_function_, -1);
    const int ms = entered ? static_cast<int>(*entered) : old_ms;
    const bool moved = entered && ms != old_ms;
    if (moved) {
        const double at = std::clamp(static_cast<double>(ms), 0.0, static_cast<double>(sweep));
        MoveMarkerTo(static_cast<int32_t>(std::lround(at * (points - 1) / sweep)));
        UpdateSweepReadout(true);
        if (graphPanel->GetLayout() != CGraphWidget::kScreenLayout && readout_panel_)
            readout_panel_->Redraw();
    }
    if (soft_key_menu_ && selected >= 0) soft_key_menu_->Select(0, selected, true);
    graphPanel->RedrawBackground(true, 1);
    redrawState = 2;
    RequestMarkerRedraw();
    OnMarkerChanged();
    RepaintScreen(0);
    return true;
}

// ------------------------------------------------------------ menu 22

int CSpecAnMode::ShowFieldStrengthMenu(int) {
    if (!soft_key_menu_) return 0;
    ShowFunctionKeys(kFieldStrengthName, kSignalStrength);
    CSoftKeyMenu& m = *soft_key_menu_;
    const CAntenna* antenna = sa_setup_->GetAntenna();
    m.SetKeyCaption(LoadResString(kAntennaLabel) + (antenna ? u"\n" + antenna->GetName() : u""),
                    kKeyAntenna, false, false);
    const bool rssi = sa_setup_->GetFSBeepMode();
    m.SetKeyChoicesById(kRssiLabel, kKeyRssi, kOn, kOff, rssi ? 0 : 1, false);
    m.SetKeyCaptionById(rssi ? kMarkerToPeak : kBlank, kKeyPeak, false, false);
    if (rssi)
        m.SetKeyCaption(LoadResString(kVolumeLabel) + u"\n" +
                            core::FormatText("%d", sa_setup_->GetVolumeType()) + u"%",
                        kKeyVolume, false, false);
    return 1;
}

int CSpecAnMode::OnFieldStrengthMenuKey(int key) {
    if (BeginFunctionKey(key, kSignalStrength)) return 1;
    const bool rssi = sa_setup_->GetFSBeepMode();
    switch (key) {
        case 0:
            BuildAntennaFactors();
            ShowSoftKeys(kMenuFieldStrength, kNoKey);
            RememberKey(kMenuFieldStrength, 0, false);
            return 1;
        case kKeyAntenna:
            SelectAntenna(key);
            return 1;
        case kKeyRssi:
            sa_setup_->SetFSBeepMode(!rssi);
            sa_setup_->SetRssi(!rssi);
            if (!rssi)
                RefreshGraphMarkers();
            else
                RefreshActiveMarker();
            break;
        case kKeyPeak:
            if (rssi) {
                MarkerToPeak();
                m_KeySelected = true;
            }
            break;
        case kKeyVolume:
            if (rssi) m_KeySelected = true;
            break;
        default:
            break;
    }
    FinishFunctionKey(kMenuFieldStrength, key);
    return 1;
}

bool CSpecAnMode::SelectAntenna(int key) {
    const CAntennaList* list = dialog_services::AntennaList();
    const CAntenna* current = sa_setup_->GetAntenna();
    const std::optional<int> row = Entries().Antenna(current ? current->GetName() : core::Text());
    AfterEntry();
    // An empty list, a cancelled list or one that chose no row store nothing.
    CAntenna* chosen = nullptr;
    if (row && *row >= 0 && list && static_cast<uint32_t>(*row) < list->GetCount())
        chosen = list->GetAt(static_cast<size_t>(*row));
    if (chosen) sa_setup_->SetAntenna(chosen);
    ShowSoftKeys(kMenuFieldStrength, key);
    BuildAntennaFactors();
    RememberKey(kMenuFieldStrength, key, false);
    if (chosen && CurrentType() == kSignalStrength) {
        ApplyAndRestart(true);
        UpdateSweepReadout(true);
        ResetHoldState();
    }
    return chosen != nullptr;
}

bool CSpecAnMode::FieldStrengthValue(uint32_t arrow, int steps) {
    if (!sa_setup_->GetFSBeepMode()) return false;
    if (LastKey(kMenuFieldStrength) == kKeyVolume) {
        arrow ? StepVolume(arrow) : TurnVolume(steps);
        ReshowFunctionValue(kMenuFieldStrength);
        RefreshReadouts();
        return true;
    }
    return arrow ? OnMarkerArrow(arrow) : OnMarkerKnob(steps);
}

bool CSpecAnMode::FieldStrengthDigit(int digit) {
    if (!sa_setup_->GetFSBeepMode()) return false;
    if (LastKey(kMenuFieldStrength) == kKeyVolume) {
        EditVolume(digit);
        ReshowFunctionValue(kMenuFieldStrength);
        RefreshReadouts();
        return true;
    }
    return EditMarkerPosition(digit);
}

// The factors go to the correction the next sweep takes at its start.
void CSpecAnMode::BuildAntennaFactors() {
    if (pointCount < kMinPoints) pointCount = std::max(sa_setup_->GetDataPoints(), kMinPoints);
    CMeasurementBase::BuildAntennaFactors();
    ScopedLock guard(*this);
    std::fill(pending_correction_.begin(), pending_correction_.end(), 0.0);
    const size_t n = std::min(pending_correction_.size(), antennaFactors.size());
    std::copy_n(antennaFactors.begin(), n, pending_correction_.begin());
    correction_pending_ = true;
}

// ------------------------------------------------------------ menus 23 and 24

int CSpecAnMode::ShowDemodMenu(int) {
    if (!soft_key_menu_) return 0;
    ShowFunctionKeys(kDemodName, kDemodulation);
    CSoftKeyMenu& m = *soft_key_menu_;
    CSAMeasSetup& s = *sa_setup_;
    int32_t type = s.GetModulationType();
    if (type < kTypeAm || type > kTypeLast) {
        type = kTypeWideFm;
        s.SetModulationType(type);
    }
    m.SetKeyCaption(LoadResString(kDemodTypeLabel) + u"\n" +
                        LoadResString(kTypeNames[static_cast<size_t>(type - kTypeAm)]),
                    kKeyDemodType, false, false);
    m.SetKeyCaption(LoadResString(kDemodFrequencyLabel) + u"\n" + Hertz(s.GetSidebandFrequency()),
                    kKeyDemodFrequency, false, false);
    m.SetKeyCaptionById(kDemodToMarker, kKeyDemodMarker, false, false);
    m.SetKeyCaption(LoadResString(kDemodTimeLabel) + u"\n" + Seconds(s.GetPlayTime()),
                    kKeyDemodTime, false, false);
    m.SetKeyCaption(
        LoadResString(kVolumeLabel) + u"\n" + core::FormatText("%d", s.GetVolumeType()) + u"%",
        kKeyDemodVolume, false, false);
    SetPlayerVolume(s.GetVolumeType());
    return 1;
}

int CSpecAnMode::ShowDemodTypeMenu(int) {
    if (!soft_key_menu_) return 0;
    CSoftKeyMenu& m = *soft_key_menu_;
    const int32_t type = sa_setup_->GetModulationType();
    for (int k = 0; k < 3; ++k) m.SetKeyCaptionById(kTypeKeys[k], k, false, type == k + kTypeAm);
    for (int k = 3; k < 7; ++k) m.SetKeyCaptionById(kBlank, k, false, false);
    m.SetKeyCaptionById(kBack, 7, false, false);
    return 1;
}

int CSpecAnMode::OnDemodMenuKey(int key) {
    if (BeginFunctionKey(key, kDemodulation)) return 1;
    switch (key) {
        case 0:
            demod_running_ = false;
            break;
        case kKeyDemodType:
            ReturnToFunctionMenu(kMenuDemodType, key);
            return 1;
        case kKeyDemodFrequency:
        case kKeyDemodTime:
        case kKeyDemodVolume:
            m_KeySelected = true;
            break;
        case kKeyDemodMarker:
            FinishFunctionKey(kMenuDemod, key);
            MarkerToDemodFrequency();
            return 1;
        default:
            break;
    }
    FinishFunctionKey(kMenuDemod, key);
    return 1;
}

int CSpecAnMode::OnDemodTypeMenuKey(int key) {
    if (key >= 0 && key < 3) {
        sa_setup_->SetModulationType(key + kTypeAm);
        ReturnToFunctionMenu(kMenuDemod, key);
        RefreshReadouts();
        AfterDemodChange();
        return 1;
    }
    if (key == 7 || key == kKeyEscape) {
        ReturnToFunctionMenu(kMenuDemod, kKeyDemodType);
        return 1;
    }
    RememberKey(kMenuDemodType, key, false);
    return 1;
}

uint64_t CSpecAnMode::DemodStep() const {
    const uint64_t step = sa_setup_->GetFrequencyRange()->GetStep() / kHertzPerMegahertz;
    return std::max<uint64_t>(step, 1) * kHertzPerMegahertz;
}

bool CSpecAnMode::DemodValue(uint32_t arrow, int steps) {
    CSAMeasSetup& s = *sa_setup_;
    switch (LastKey(kMenuDemod)) {
        case kKeyDemodFrequency: {
            if (arrow == kArrowLeft || arrow == kArrowRight) return false;
            const bool up = arrow ? arrow == kArrowUp : steps > 0;
            const auto value = static_cast<int64_t>(s.GetSidebandFrequency());
            const auto step = static_cast<int64_t>(DemodStep());
            s.SetSidebandFrequency(static_cast<uint64_t>(
                std::clamp<int64_t>(up ? value + step : value - step, 0, kDemodArrowTop)));
            break;
        }
        case kKeyDemodTime: {
            const int32_t t = s.GetPlayTime();
            int32_t next = t;
            if (arrow == kArrowLeft) next = kDemodTimeMin;
            if (arrow == kArrowRight) next = kDemodTimeMax;
            if (arrow == kArrowUp) next = t + kDemodTimeStep;
            if (arrow == kArrowDown) next = t - kDemodTimeStep;
            if (!arrow) next = t + (steps > 0 ? kDemodTimeStep : -kDemodTimeStep);
            s.SetPlayTime(std::clamp(next, kDemodTimeMin, kDemodTimeMax));
            break;
        }
        case kKeyDemodVolume:
            arrow ? StepVolume(arrow) : TurnVolume(steps);
            return ShowDemodValue(false);
        default:
            return false;
    }
    return ShowDemodValue(true);
}

// The page and the readouts after a value key; `restart` after a change of
// what the board demodulates.
bool CSpecAnMode::ShowDemodValue(bool restart) {
    ReshowFunctionValue(kMenuDemod);
    RefreshReadouts();
    if (restart) AfterDemodChange();
    return true;
}

bool CSpecAnMode::DemodDigit(int digit) {
    CSAMeasSetup& s = *sa_setup_;
    switch (LastKey(kMenuDemod)) {
        case kKeyDemodFrequency: {
            const uint64_t value = s.GetSidebandFrequency();
            open_entry_ = kEntryFrequency;
            const std::optional<uint64_t> entered =
                Entries().Frequency(kDemodFrequencyTitle, value, 0, kDemodEntryTop, digit);
            AfterEntry();
            if (!entered || *entered == value) {
                ReshowFunctionValue(kMenuDemod);
                return true;
            }
            s.SetSidebandFrequency(*entered);
            break;
        }
        case kKeyDemodTime: {
            const int32_t t = s.GetPlayTime();
            const std::optional<double> ms =
                Entries().Duration(kDemodTimeTitle, t, kDemodTimeMin, kDemodTimeMax, digit);
            AfterEntry();
            // Digits give whole seconds.
            const int32_t whole = ms ? static_cast<int32_t>(*ms / 1000.0) * 1000 : t;
            if (whole == t) {
                ReshowFunctionValue(kMenuDemod);
                return true;
            }
            s.SetPlayTime(std::clamp(whole, kDemodTimeMin, kDemodTimeMax));
            break;
        }
        case kKeyDemodVolume:
            EditVolume(digit);
            return ShowDemodValue(false);
        default:
            return false;
    }
    return ShowDemodValue(true);
}

bool CSpecAnMode::MarkerToDemodFrequency() {
    int marker = 0;
    double level = 0;
    uint64_t frequency = 0;
    if (!IsMarkerOn() || !graphPanel || !graphPanel->GetCurrentMarker(marker) ||
        !graphPanel->GetMarkerValues(marker, level, frequency))
        return false;
    sa_setup_->SetSidebandFrequency(frequency);
    if (soft_key_menu_)
        soft_key_menu_->SetKeyCaption(
            LoadResString(kDemodFrequencyMarked) + u"\n" + Hertz(sa_setup_->GetSidebandFrequency()),
            kKeyDemodFrequency, false, false);
    RefreshReadouts();
    AfterDemodChange();
    return true;
}

// A changed demodulation starts afresh: a sweep first, then the audio.
void CSpecAnMode::AfterDemodChange() {
    if (CurrentType() != kDemodulation) return;
    demod_running_ = false;
    if (auto* demod = dynamic_cast<CDemodSignalMeasurement*>(currentMeasurement))
        demod->SetAudio(false);
    ResetAudioRing();
    ApplyAndRestart(true);
}

// After each publication while demodulating: a whole sweep asks for the
// audio, and the audio, once its time is over, for a sweep again.
void CSpecAnMode::UpdateAudioState() {
    auto* demod = dynamic_cast<CDemodSignalMeasurement*>(currentMeasurement);
    if (!demod) return;
    bool swept = false, over = false;
    {
        ScopedLock guard(*this);
        swept = m_SweepCompleted;
        over = m_AudioTimeOver;
    }
    if (!demod->GetAudio() && swept) {
        ResetAudioRing();
        demod->SetAudio(true);
        demod_running_ = true;
        ApplyAndRestart(true);
    } else if (demod->GetAudio() && over) {
        demod_running_ = false;
        demod->SetAudio(false);
        ApplyAndRestart(true);
    }
}

// The audio ring empty again; a buffer the player still holds stays queued
// until it has played (samples for it meanwhile are dropped).
void CSpecAnMode::ResetAudioRing() {
    ScopedLock guard(*this);
    for (int i = 0; i < kAudioBuffers; ++i) {
        int& state = m_AudioState[static_cast<size_t>(i)];
        if (state == 2 && !ReleaseAudioBuffer(i)) continue;
        state = 0;
    }
    m_FillBuffer = m_FillPos = m_PlayBuffer = 0;
    m_AudioStreaming = m_AudioDataArrived = m_AudioTimeOver = false;
}

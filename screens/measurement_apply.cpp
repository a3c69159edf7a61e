// Settings application: every settings change of a measurement screen ends
// in ApplyAndRestart or ApplySettings, which copy the spectrum analyzer's
// setup to the global store, hand the frequency-counter markers over and
// restart the current measurement. Also the value entry of the base.
#include <algorithm>

#include "core/listener_list.h"
#include "core/res_string.h"
#include "core/scoped_lock.h"
#include "core/units.h"
#include "dialogs/freq_entry_dlg.h"
#include "dialogs/value_entry_dlg.h"
#include "files/sa_meas_setup.h"
#include "instrument/measurement.h"
#include "instrument/specan_measurements.h"
#include "platform/framework/wnd.h"
#include "screens/measurement_base.h"
#include "screens/screen_services.h"
#include "widgets/graph_panel.h"
#include "widgets/soft_key_menu.h"

namespace {
constexpr int kWaterfallRecalled = 3;
constexpr uint32_t kGeneralSpectrum = 20;
constexpr uint32_t kOccupiedBandwidth = 21;
// The pages whose keys may change what a running sweep measures.
constexpr int kFrequencyPage = 0, kBandwidthPage = 1, kAmplitudePage = 9, kAttenuationPage = 12,
              kMeasurePage = 17;
constexpr uint32_t kSignalStrength = 29;
constexpr int kSignalToolsPage = 34;
constexpr int kCounterKey = 3;
constexpr uint32_t kVkUp = 38;
constexpr uint32_t kVkDown = 40;
constexpr const char* kNumberFormat = "% 6.6f";
constexpr uint32_t kSweepTimeTitle = 63176;
constexpr const char16_t* kMillisecondsCaption = u"ms";
constexpr int kSweepTimeMinMs = 1, kSweepTimeMaxMs = 100000, kSweepTimeArrowMs = 1000;
constexpr uint64_t kGiga = 1000000000ull, kMega = 1000000ull, kKilo = 1000ull;
}  // namespace

// Whether a key of the page in front may change what the measurement
// sweeps: every key of the frequency and bandwidth pages, three keys of the
// amplitude page, the first five of the attenuation page, and the threshold keys of the
// occupied bandwidth's measure page.
bool CMeasurementBase::KeyMayNeedRestart(uint32_t key) const {
    switch (active_function_) {
        case kFrequencyPage:
        case kBandwidthPage:
            return true;
        case kAmplitudePage:
            return key == 1 || key == 4 || key == 5;
        case kAttenuationPage:
            return key <= 4;
        case kMeasurePage:
            return (key == 2 || key == 3) && currentMeasurement &&
                   currentMeasurement->GetId() == kOccupiedBandwidth;
        default:
            return false;
    }
}

void CMeasurementBase::CheckRestartAfterKey(uint32_t key) {
    if (KeyMayNeedRestart(key)) CheckRestart();
}

bool CMeasurementBase::CheckRestart() {
    if (!currentMeasurement || !currentMeasurement->SetupChanged(setup_)) return false;
    StopMeasurement();
    ApplySettings(false);
    return true;
}

void CMeasurementBase::ApplyAndRestart(bool resetDisplay) {
    ApplySettings(resetDisplay);
}

bool CMeasurementBase::ApplySettings(bool resetDisplay) {
    // Leaving a recalled waterfall restarts once on its own.
    if (setup_ && setup_->GetWaterfallMode() == kWaterfallRecalled) LeaveWaterfallRecall();
    if (!currentMeasurement || !currentMeasurement->IsReady()) return true;
    if (resetDisplay) ResetDisplayState();
    if (mode_id_ == kScreenSpectrumAnalyzer && setup_) {
        if (CSAMeasSetup* store = GlobalSASetup(); store && store != setup_)
            store->CopyFrom(*setup_);
    }
    TakeSweepSettings();
    {
        // Neither a sweep completed before the restart but not yet shown nor
        // the rest of the sweep under way then completes the restarted one:
        // a single sweep would stop at its first blocks.
        ScopedLock guard(*this);
        m_SweepCompleted = false;
        sweepBegunSinceRestart_ = false;
        singleSweepRun_ = m_SingleSweep;
        singleSweepHeld_ = false;
    }
    // The link keeps one message waiting: the restart's sweep request goes
    // first and the counter query after it (the link resumes the sweep
    // after a query), so that neither replaces the other.
    currentMeasurement->Start(0, 0);
    // The record this start sent is what CheckRestart compares the setup's
    // next changes with.
    if (auto* spectrum = dynamic_cast<CSpectrumMeasurement*>(currentMeasurement))
        spectrum->SetComparedRecord(spectrum->GetRecord(), spectrum->GetRecordSize());
    ApplyFrequencyCounter();
    return true;
}

void CMeasurementBase::ApplyFrequencyCounter() {
    if (!freqCounterOn || !currentMeasurement) return;
    CounterMarkerRecord record;
    const uint32_t id = currentMeasurement->GetId();
    if (id == kGeneralSpectrum || id == kSignalStrength) {
        for (int i = 0; i < CounterMarkerRecord::kMarkers; ++i) {
            const auto k = static_cast<size_t>(i);
            double amplitude = 0;
            uint64_t position = 0;
            const bool on = graphPanel && graphPanel->GetGraph() &&
                            graphPanel->GetMarkerState(i) == 1 &&
                            graphPanel->GetMarkerValues(i, amplitude, position) != 0;
            if (on && setup_ && setup_->GetFreqCounter()) {
                record.enabled[k] = 1;
                record.frequency[k] = position;
            }
        }
    } else {
        record.enabled.fill(0);
        if (setup_) setup_->SetFreqCounter(false);
        freqCounterOn = false;
    }
    const auto payload = record.Payload();
    if (auto* general = dynamic_cast<CGeneralSpectrumMeasurement*>(currentMeasurement))
        general->SetParameters(payload.data(), payload.size());
    else if (auto* strength = dynamic_cast<CSignalStrengthMeasurement*>(currentMeasurement))
        strength->SetParameters(payload.data(), payload.size());
    if (setup_ && !setup_->GetFreqCounter() && active_function_ == kSignalToolsPage) {
        ShowSoftKeys(kSignalToolsPage, kCounterKey);
        if (soft_key_menu_) soft_key_menu_->Select(0, kCounterKey, false);
    }
}

bool CMeasurementBase::ToggleFrequencyCounter() {
    counterChanged = true;
    if (freqCounterOn) {
        if (setup_) setup_->SetFreqCounter(false);
        return true;
    }
    if (!currentMeasurement) return true;
    const uint32_t id = currentMeasurement->GetId();
    if (id != kGeneralSpectrum && id != kSignalStrength) return true;
    if (!IsMarkerOn() && graphPanel) graphPanel->ToggleCurrentMarker();
    freqCounterOn = true;
    if (setup_) setup_->SetFreqCounter(true);
    return true;
}

void CMeasurementBase::ResetDisplayState() {
    sweepCount = 0;
    if (!traceList || !graphPanel) return;
    traceList->Lock();
    const uint32_t entries = traceList->GetCount();
    traceList->Unlock();
    if (entries > 0) graphPanel->DrawGraph(nullptr, false);
}

int CMeasurementBase::StopMeasurement() {
    if (currentMeasurement) currentMeasurement->Stop();
    if (!m_DisplayKept && graphPanel && graphPanel->GetGraph()) graphPanel->ClearDisplayReady();
    return 1;
}

// The limit values follow the amplitude unit from the setup's unit in force
// to `newUnit`, then stay inside the new scale.
bool CMeasurementBase::ConvertLimitValues(int newUnit) {
    if (!setup_) return true;
    const auto from = static_cast<uint32_t>(setup_->GetMeasureUnit());
    const auto to = static_cast<uint32_t>(newUnit);
    double upper = ConvertPowerUnit(setup_->GetUpperLimitValue(), to, from);
    double lower = ConvertPowerUnit(setup_->GetLowerLimitValue(), to, from);
    LoadScaleRange();
    auto clamp = [this](double v) {
        if (v > scaleTop) return scaleTop;
        if (v < scaleBottom) return scaleBottom;
        return v;
    };
    setup_->SetUpperLimitValue(clamp(upper));
    setup_->SetLowerLimitValue(clamp(lower));
    ShowUpperLimitLabel();
    ShowLowerLimitLabel();
    return true;
}

uint64_t CMeasurementBase::ArrowStep(uint64_t value, uint32_t key) {
    uint64_t step = value >= kGiga ? kGiga : value >= kMega ? kMega : value >= kKilo ? kKilo : 1;
    if (key == kVkUp || key == kVkDown) step /= 10;
    return step;
}

// The numeric-entry dialog over the main frame: `first` titles it, `option`
// is its flag, `a`, `b` and `c` its upper limit, lower limit and step. The
// keys of the screen reach it while it is open; a cancel keeps `initial`.
float CMeasurementBase::EnterNumber(int first, float initial, int8_t option, int a, int b, int c) {
    return RunNumberDialog(static_cast<uint32_t>(first), initial, option != 0,
                           static_cast<float>(a), static_cast<float>(b), static_cast<float>(c))
        .value_or(initial);
}

std::optional<float> CMeasurementBase::RunNumberDialog(uint32_t titleId, float initial, bool flag,
                                                       float high, float low, float step) {
    CNumberEntryDlg dialog(main_frame(), titleId, initial, flag, high, low, step, kNumberFormat);
    numberEntryDlg = &dialog;
    entryState = kEntryNumber;
    const bool ok = dialog.DoModal() == plat::IDOK;
    if (main_frame_) main_frame_->SetFocus();
    numberEntryDlg = nullptr;
    entryState = kEntryNone;
    if (!ok) return std::nullopt;
    return static_cast<float>(dialog.GetValue());
}

bool CMeasurementBase::EnterSweepTime(int initial, int* result) {
    RunSweepTimeDialog(-1, initial, kSweepTimeMinMs, kSweepTimeMaxMs, result);
    return true;
}

bool CMeasurementBase::RunSweepTimeDialog(int firstKey, int initial, int low, int high,
                                          int* result) {
    CLimitsEntryDlg dialog(main_frame(), LoadResString(kSweepTimeTitle),
                           CIntegerEntryDlg::KeyToChar(firstKey), kMillisecondsCaption, low, high,
                           1, kSweepTimeArrowMs, initial);
    const bool ok = dialog.DoModal() == plat::IDOK;
    if (main_frame_) main_frame_->SetFocus();
    if (result) *result = ok ? static_cast<int>(dialog.GetValue()) : initial;
    RepaintScreen(0);
    return ok;
}

uint64_t CMeasurementBase::EnterFrequency(int first, uint64_t value, uint64_t low, uint64_t high,
                                          uint64_t step, uint32_t titleId, int unitIndex,
                                          bool spanKeys, uint64_t* result) {
    if (!freqEntryDlg) return value;
    freqEntryDlg->Setup(titleId, value, high, low, step, static_cast<uint32_t>(unitIndex), first);
    freqEntryDlg->SetSpanKeys(spanKeys);
    entryState = kEntryFrequency;
    const intptr_t answer = freqEntryDlg->DoModal();
    entryState = kEntryNone;
    if (main_frame_) main_frame_->SetFocus();
    if (answer != plat::IDOK) return value;
    if (result) *result = freqEntryDlg->GetStep();
    return freqEntryDlg->GetValue();
}

void CMeasurementBase::OnKeyEventHook(uint32_t key, int pressed) {
    if (entryState == kEntryFrequency && freqEntryDlg) freqEntryDlg->ForwardChar(key, pressed != 0);
    if (entryState == kEntryNumber && numberEntryDlg) numberEntryDlg->OnChar(key, pressed != 0);
}

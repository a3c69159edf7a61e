// CSpecAnMode: construction, activation, the measurement functions and the
// hooks of the data path.
#include "screens/specan/specan_mode.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/params.h"
#include "core/res_string.h"
#include "core/scoped_lock.h"
#include "core/units.h"
#include "dialogs/freq_entry_dlg.h"
#include "files/sa_meas_setup.h"
#include "instrument/device_item.h"
#include "instrument/dsp_interface.h"
#include "instrument/specan_measurements.h"
#include "instrument/status_text_line.h"
#include "instrument/wave_player.h"
#include "platform/framework/wnd.h"
#include "screens/screen_services.h"
#include "screens/specan/specan_entries.h"
#include "screens/specan/specan_settings.h"
#include "widgets/graph_panel.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"
#include "widgets/status_indicator.h"
#include "widgets/title_bar.h"

using namespace specan;

namespace {

constexpr uint32_t kTitleId = 61248;       // the screen title (spectrum analysis)
constexpr uint32_t kLongNameId = 446;      // spectrum analyzer
constexpr uint32_t kLabelTitleId = 61226;  // beside the title in the file label
constexpr uint32_t kShortNameId = 566;     // the status path's owner
constexpr uint32_t kFrequencyTitle = 63016;
constexpr uint32_t kBlankCaption = 184;
constexpr int kReadoutColour = 39;
constexpr int kSweepSubKind = 96;  // a spectrum record that carries the run state
constexpr int kRecallPage = 45;
constexpr int kSegmentLength = 60;
constexpr double kNoLevel = -300.0;  // dBm
constexpr int kAxisFrequency = 0, kAxisTime = 1;

}  // namespace

CSpecAnMode::CSpecAnMode(CDspInterface* link) : sa_setup_(std::make_unique<CSAMeasSetup>()) {
    mode_id_ = kModeId;
    texts[0] = LoadResString(kLongNameId);
    texts[1] = LoadResString(kTitleId);
    texts[2] = LoadResString(kLabelTitleId);
    dspLink = link;
    setup_ = sa_setup_.get();
}

CSpecAnMode::~CSpecAnMode() {
    // The measurements call back into this screen: stop them before the
    // screen's parts go.
    OnClose();
    FreeTraceBuffers();
    freqEntryDlg = nullptr;
    wavePlayer = nullptr;
}

void CSpecAnMode::SetEntries(std::unique_ptr<ISpecAnEntries> entries) {
    entries_ = std::move(entries);
}

ISpecAnEntries& CSpecAnMode::Entries() {
    if (!entries_) entries_ = CreateDialogEntries(main_frame(), this);
    return *entries_;
}

CChoiceBlock& CSpecAnMode::Bandwidth() const {
    return *sa_setup_->GetBandwidthSettings();
}

uint32_t CSpecAnMode::CurrentType() const {
    return currentMeasurement ? currentMeasurement->GetId() : kGeneralSpectrum;
}

// ------------------------------------------------------------ lifecycle

int CSpecAnMode::OnCreate(plat::CWnd* view, plat::CWnd* frame, int third, CColorScheme* createArg) {
    const int result = CMeasurementBase::OnCreate(view, frame, third, createArg);
    AllocTraceBuffers(kInitialPoints);
    wait_for_display_ = true;
    redraw_request_ = 0;
    open_entry_ = kEntryNone;
    saved_attenuation_mode_ = 0;
    previous_measurement_ = nullptr;
    status_path_ = std::make_unique<CStatusTextLine>(kShortNameId);

    ResetKeyTables();
    CreatePanes(view);
    if (status_indicator_) status_indicator_->SetValue(0, 0);
    SetMeasurement(nullptr);

    active_function_ = kMenuFrequency;
    menu_of_key_ = {kMenuFrequency, kMenuBandwidth, kMenuAmplitude,
                    kMenuMeasure,   kMenuMarker,    kMenuFile};
    markerFunction = kMenuMarker;
    lastKey.fill(kNoKey);
    m_SegmentLength = kSegmentLength;
    level_top_ = 20.0;
    level_bottom_ = -80.0;

    // The measurement the setup names becomes current, stopped until the
    // screen is shown.
    // The demodulation's audio output.
    wave_player_ = std::make_unique<CWavePlayer>();
    wave_player_->SetFormat();
    wave_player_->Open();
    wavePlayer = wave_player_.get();

    // The emission masks: the limit-mask file's, else the built-in ones.
    IScreenServices* services = IScreenServices::current();
    LoadMasks(services ? services->LoadLimitMasks() : nullptr);

    freq_entry_ = CreateFrequencyEntry(frame);
    freqEntryDlg = freq_entry_.get();

    currentMeasurement = FindMeasurement(sa_setup_->GetMeasurementId());
    if (!currentMeasurement) currentMeasurement = FindMeasurement(kGeneralSpectrum);
    if (currentMeasurement) currentMeasurement->Stop();
    LoadMaskForEdit(0, 1);
    LoadMaskForEdit(0, 0);
    return result;
}

// After a language change every pane takes its texts again: the title, the
// menu keys, the page's soft keys with the key chosen, the readout rows with
// the menu's help caption, the limit labels and the graph.
void CSpecAnMode::ReloadTexts() {
    ResetKeyTables();
    // The graph's captions anew, then the graph with the trace it holds (a
    // stopped sweep brings no new one); the panes around it after it.
    PushScaleToGraph();
    DrawUpperLimit();
    DrawLowerLimit();
    if (CGraphWidget* graph = graphPanel ? graphPanel->GetGraph() : nullptr) {
        graph->DrawGraticule();
        graph->RedrawWholeTrace();
    }
    ShowTitle();
    if (file_label_panel_) file_label_panel_->Redraw();
    ShowMenuKeyLabels(current_menu_key_);
    if (active_function_ >= 0 && active_function_ < kPageCount)
        ShowSoftKeys(active_function_, LastKey(active_function_));
    if (soft_key_menu_) soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    if (status_indicator_) status_indicator_->Redraw();
    UpdateStatusRows();
    ShowMenuKeyHelp(current_menu_key_);
    CMeasurementBase::ReloadTexts();
    RepaintScreen(0);
}

// The application hands the screen a measurement of its chain.
void CSpecAnMode::SetCurrentMeasurement(CMeasurement* measurement, CMeasSetup* setup) {
    CMeasurementBase::SetCurrentMeasurement(measurement, setup);
    OnScreenHook();
}

void CSpecAnMode::OnScreenHook() {
    ResetHoldState();
}

// Markers stay across a function change only inside the spectrum family.
static bool KeepsMarkers(const CMeasurement* previous, const CMeasurement* current) {
    if (!previous || !current) return true;
    const uint32_t a = previous->GetId(), b = current->GetId();
    return a == b || (IsSpectrumFamily(a) && IsSpectrumFamily(b));
}

void CSpecAnMode::OnActivate() {
    if (!KeepsMarkers(previous_measurement_, currentMeasurement)) AllMarkersOff();
    previous_measurement_ = currentMeasurement;
    if (CDspInterface* link = AppDspInterface()) dspLink = link;
    if (!dspLink) return;
    if (wave_player_)
        wave_player_->SetVolume(static_cast<uint32_t>(std::max(sa_setup_->GetVolumeType(), 0)));

    // A recalled point count reaches the sweep buffers through the sweep
    // settings: the measurement worker, which writes them, sizes them anew
    // at its next block.
    PushStatusPath(kFrequencyTitle, false);
    ShowTitle();
    if (file_label_panel_) file_label_panel_->SetSetupName(sa_setup_->GetSetupLabel());
    if (graphPanel) graphPanel->SetWaterfallMode(sa_setup_->GetWaterfallMode());

    active_function_ = kMenuFrequency;
    current_menu_key_ = 0;
    ShowMenuKeyLabels(0);
    ShowSoftKeys(kMenuFrequency, kNoKey);
    PrepareFunctionDisplay();

    PushScaleToGraph();
    if (!panes_frozen_) {
        if (readout_panel_)
            for (int row = 0; row < 4; ++row)
                readout_panel_->SetCellIds(kBlankCaption, kBlankCaption, row, 0);
        UpdateSweepReadout(true);
        if (file_label_panel_) file_label_panel_->Redraw();
        if (soft_key_menu_) soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
        if (menu_key_panel_) menu_key_panel_->Show(0, 0);
        if (readout_panel_) readout_panel_->RedrawRows(0, true, kReadoutColour);
        if (status_indicator_) status_indicator_->Redraw();
    }
    // A recalled setup's frequency counter is the screen's too; its channel
    // width is checked against the span as a typed one is.
    if (!freqCounterOn) freqCounterOn = sa_setup_->GetFreqCounter();
    sa_setup_->SetChannelWidth(sa_setup_->GetChannelWidth());
    sa_setup_->FitAdjWidthToSpan();
    if (!IsSingleMode(sa_setup_->GetTriggerMode())) m_SingleSweep = false;

    CMeasurementBase::OnActivate();
    ResetCarrierInterference();
    LoadScaleRange();
    upperOn = sa_setup_->GetUpperLimitState();
    lowerOn = sa_setup_->GetLowerLimitState();
    DrawUpperLimit();
    DrawLowerLimit();
    redraw_request_ = 0;
}

void CSpecAnMode::ShowTitle() {
    if (!file_label_panel_) return;
    file_label_panel_->SetFileLabel(
        LoadResString(kTitleId),
        currentMeasurement ? LoadResString(currentMeasurement->GetEnglishNameId()) : core::Text());
}

void CSpecAnMode::StartMeasurement() {
    if (!KeepsMarkers(previous_measurement_, currentMeasurement)) AllMarkersOff();
    previous_measurement_ = currentMeasurement;
    if (currentMeasurement) ShowTitle();
    PrepareFunctionDisplay();
    if (readout_panel_) readout_panel_->ShowFrequencyRow(sa_setup_->GetFrequencyRange(), 3, 3);
    PushScaleToGraph();
    if (!panes_frozen_) {
        UpdateSweepReadout(true);
        if (file_label_panel_) file_label_panel_->Redraw();
        if (menu_key_panel_) menu_key_panel_->Select(0, 3, true);
    }
    if (currentMeasurement) {
        currentMeasurement->Reset();
        sa_setup_->SetMeasurementId(static_cast<int32_t>(currentMeasurement->GetId()));
    }
    CMeasurementBase::StartMeasurement();
    ResetCarrierInterference();
    StartTimeDomain();
}

// The graph's axis and the function's own state as a function becomes
// current: the time axis for the time domain, the antenna factors for the
// field strength, a demodulation that starts with a sweep.
void CSpecAnMode::PrepareFunctionDisplay() {
    const uint32_t type = CurrentType();
    if (graphPanel) graphPanel->SetXAxisKind(type == kTimeDomain ? kAxisTime : kAxisFrequency);
    if (type == kDemodulation) {
        demod_running_ = false;
        if (auto* demod = dynamic_cast<CDemodSignalMeasurement*>(currentMeasurement))
            demod->SetAudio(false);
        ResetAudioRing();
    }
    if (type == kSignalStrength) {
        if (sa_setup_->GetFSBeepMode()) RefreshGraphMarkers();
        BuildAntennaFactors();
    }
}

// A recalled trace is shown with the recall page; the sweep stays stopped.
void CSpecAnMode::ProcessSweep() {
    sa_setup_->SetWaterfallMode(0);
    if (graphPanel) graphPanel->SetWaterfallMode(0);
    active_function_ = kRecallPage;
    ShowSoftKeys(kRecallPage, -1);
    AutoScaleUnit();
    PushScaleToGraph();
    if (!panes_frozen_) {
        UpdateSweepReadout(true);
        ShowMenuKeyLabels(current_menu_key_);
        if (menu_key_panel_) menu_key_panel_->Select(0, 5, true);
    }
    CMeasurementBase::StartMeasurement();
}

// ------------------------------------------------------------ measurement functions

CMeasurement* CSpecAnMode::SetMeasurement(CMeasurement*) {
    CDevicePort* link = dspLink;
    AddMeasurement(new CGeneralSpectrumMeasurement(link));
    AddMeasurement(new COccupiedBwMeasurement(link));
    AddMeasurement(new CChannelPowerMeasurement(link));
    AddMeasurement(new CAcprMeasurement(link));
    AddMeasurement(new CTimeDomainMeasurement(link));
    AddMeasurement(new CSignalStrengthMeasurement(link));
    AddMeasurement(new CDemodSignalMeasurement(link));
    AddMeasurement(new CCarrierInterferenceMeasurement(link));
    return measurementChain;
}

void CSpecAnMode::AddMeasurement(CMeasurement* measurement) {
    if (!measurement) return;
    measurement->Init(this);
    CMeasurementBase::SetMeasurement(measurement);
}

// ------------------------------------------------------------ data path hooks

// Every result record of the current measurement, on the thread that
// delivers it: spectrum records are sweep blocks (or the run state), the
// others results of the measurement function.
void CSpecAnMode::ProcessNewData(CDeviceItem* record, int) {
    if (!record) return;
    if (record->GetType() == CDeviceItem::kSweep) {
        if (record->GetId() == static_cast<uint32_t>(kSweepSubKind))
            SetRunState(record);
        else
            ProcessSweepBlock(record);
        return;
    }
    OnResultRecord(record);
}

// A block carries the sweep's next index (the points up to its end) and the
// count of points it holds: the sweep's points from 0 on, one little-endian
// float (dBm) each, at their place in the sweep.
int CSpecAnMode::GetBlockPointCount(CDeviceItem* record) {
    return record ? static_cast<int>(record->GetFirstIndex()) : 0;
}

int CSpecAnMode::GetBlockEndIndex(CDeviceItem* record) {
    return GetBlockPointCount(record);
}

void CSpecAnMode::UpdateStatusRows() {
    UpdateFrequencyReadout();
    if (CurrentType() == kSignalStrength) BuildAntennaFactors();
    CMeasurementBase::UpdateStatusRows();
}

int CSpecAnMode::PrepareSweepStart(int axisMode, int* out) {
    const int result = CMeasurementBase::PrepareSweepStart(axisMode, out);
    m_SweepMax = -500.0;
    m_SweepMin = 500.0;
    m_UpperFailed = m_LowerFailed = false;
    m_SweepComplete = false;
    if (out) *out = 1;
    {
        ScopedLock guard(*this);
        if (correction_pending_) {
            correction_ = pending_correction_;
            correction_pending_ = false;
        }
    }
    if (trigger_armed_.exchange(false)) disarmed_ = true;
    return result;
}

// The user-interface thread's display refresh: the demodulated audio that
// has come goes on to the loudspeaker.
int CSpecAnMode::RefreshDisplay() {
    if (disarmed_.exchange(false) && active_function_ == kMenuSweep && soft_key_menu_)
        soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
    if (CurrentType() == kDemodulation) {
        if (AudioDataArrived()) PumpAudio();
        UpdateAudioState();
    }
    // The level beep follows the marker as the sweeps come.
    if (sa_setup_->GetFSBeepMode()) SignalBeep();
    FollowAxisWithLimits();
    return CMeasurementBase::RefreshDisplay();
}

int CSpecAnMode::LoadScaleRange() {
    const uint32_t unit = static_cast<uint32_t>(sa_setup_->GetMeasureUnit());
    const double reference = sa_setup_->GetReferenceLevel(false);
    const double division = sa_setup_->GetReferenceStepping();
    scaleTop = ConvertPowerUnit(reference, unit, UNIT_W);
    // The graph's level offset: the bottom of the ten divisions, in watts.
    scaleBottom =
        ConvertPowerUnit(CGraphWidget::LevelOffset(reference, division, unit), unit, UNIT_W);
    return 1;
}

double CSpecAnMode::GetTracePoint(CDeviceItem* record, int index) {
    // A point past what the block holds is not in it: the trace keeps it.
    if (!record || !record->GetData() || index < 0 ||
        static_cast<uint32_t>(index) >= record->GetCount() ||
        (size_t(index) + 1) * sizeof(float) > record->GetDataLength())
        return std::numeric_limits<double>::quiet_NaN();
    float value;
    std::memcpy(&value, record->GetData() + size_t(index) * sizeof(float), sizeof value);
    // A point the board could not measure reads as no signal.
    double level = std::isfinite(value) ? value : kNoLevel;
    if (CurrentType() == kSignalStrength && index >= 0 &&
        static_cast<size_t>(index) < correction_.size())
        level += correction_[static_cast<size_t>(index)];
    return level;
}

double CSpecAnMode::ConvertLevel(double level) {
    return ConvertPowerUnit(level + sa_setup_->GetAmplitudeOffset(),
                            static_cast<uint32_t>(sa_setup_->GetMeasureUnit()), UNIT_DBM);
}

// Under the screen lock, as the committed sweep is published.
int CSpecAnMode::StopAfterSingleSweep() {
    if (!m_SingleSweep || !m_SweepCompletedBefore) return 0;
    StopMeasurement();
    return 1;
}

// The board answers every sweep request with its run state. "Running" while
// the measurement runs needs nothing: starting it again would send the sweep
// once more, to which the board answers with its run state again, and no
// sweep would ever arrive.
void CSpecAnMode::SetRunState(CDeviceItem* record) {
    if (!record) return;
    const bool running =
        record->GetData() && record->GetDataLength() > 0 && record->GetData()[0] >= 1;
    const CMeasurement* measurement = LockedCurrentMeasurement();
    if (running && measurement && measurement->IsActive()) return;
    CMeasurementBase::SetRunState(record);
}

// The base frees the old buffers first, the corrections with them: they are
// sized after it, to the point count it settles on.
void CSpecAnMode::AllocTraceBuffers(int points) {
    CMeasurementBase::AllocTraceBuffers(points);
    ScopedLock guard(*this);
    const auto n = static_cast<size_t>(std::max(m_PointCount, 0));
    correction_.assign(n, 0.0);
    pending_correction_.assign(n, 0.0);
    correction_pending_ = false;
}

void CSpecAnMode::FreeTraceBuffers() {
    correction_.clear();
    pending_correction_.clear();
    CMeasurementBase::FreeTraceBuffers();
}

// ------------------------------------------------------------ shared refreshers

void CSpecAnMode::PushScaleToGraph() {
    if (!graphPanel) return;
    Lock();
    graphPanel->SetReferenceLevel(sa_setup_->GetReferenceLevel(false),
                                  static_cast<uint32_t>(sa_setup_->GetMeasureUnit()),
                                  sa_setup_->GetReferenceStepping());
    Unlock();
}

void CSpecAnMode::RefreshReadouts() {
    UpdateSweepReadout(true);
    if (readout_panel_) readout_panel_->RedrawRows(0, true, kReadoutColour);
}

void CSpecAnMode::AfterEntry() {
    open_entry_ = kEntryNone;
    RepaintScreen(0);
}

void CSpecAnMode::RememberKey(int menu, int key, bool selected) {
    int& last = LastKey(menu);
    if (key != last && soft_key_menu_ && last >= 0 && last < kNoKey)
        soft_key_menu_->SetKeyState(0, last, false);
    last = key;
    if (soft_key_menu_ && key >= 0 && key < kNoKey) soft_key_menu_->SetKeyState(0, key, selected);
}

// CVnaMode: construction, activation, the measurements and the entries.
#include "screens/vna/vna_mode.h"

#include <algorithm>

#include "core/frequency_range.h"
#include "core/res_string.h"
#include "core/units.h"
#include "dialogs/freq_entry_dlg.h"
#include "files/lists/cable_type.h"
#include "files/setup_services.h"
#include "files/vna_data_store.h"
#include "files/vna_meas_setup.h"
#include "instrument/dsp_interface.h"
#include "instrument/status_text_line.h"
#include "instrument/vna_measurements.h"
#include "platform/framework/wnd.h"
#include "platform/kernel/clock.h"
#include "screens/screen_services.h"
#include "screens/vna/vna_entries.h"
#include "widgets/graph_panel.h"
#include "widgets/graph_widget.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"
#include "widgets/status_indicator.h"
#include "widgets/title_bar.h"

using namespace vna;

namespace {

constexpr uint32_t kTitleId = 61249;      // the screen title (network analysis)
constexpr uint32_t kShortNameId = 445;    // network analyzer
constexpr uint32_t kCaptionId = 61227;    // beside the title in the file label
constexpr uint32_t kStatusOwnerId = 161;  // the status path's owner
constexpr uint32_t kSetupStatusId = 542;
constexpr uint32_t kFirstHelpId = 61321;
constexpr int kHelpRow = 5;
constexpr int kNormalColour = 39;
constexpr int kSegmentLength = 60;
constexpr uint64_t kMaxFrequency = 3600000000ull;
constexpr uint64_t kMinSpan = 100000;
constexpr uint32_t kHardwareAll = 0x207, kHardwareVnaOnly = 0x205;
constexpr uint64_t kDefaultCentre = 450000000;
// The board's start without a sweep: the link reads the board's replies
// while nothing is measured.
constexpr uint32_t kListenWithoutSweep = 36;
constexpr int kOverlayPage = 52;
// The page help of the file menu's group, shown after a restart.
constexpr size_t kFileHelpGroup = 5;
constexpr uint32_t kSettleMs = 1000;

}  // namespace

CVnaMode::CVnaMode(CDspInterface* link)
    : data_store_(std::make_unique<CVNADataStore>()),
      vna_setup_(std::make_unique<CVNAMeasSetup>(
          IScreenServices::current() ? IScreenServices::current()->GetSetupEnvironment() : nullptr,
          data_store_.get())) {
    mode_id_ = kModeId;
    texts[0] = LoadResString(kShortNameId);
    texts[1] = LoadResString(kTitleId);
    texts[2] = LoadResString(kCaptionId);
    dspLink = link;
    setup_ = vna_setup_.get();
}

CVnaMode::~CVnaMode() {
    // The measurements call back into this screen: stop them before the
    // screen's parts go.
    OnClose();
    FreeTraceBuffers();
    freqEntryDlg = nullptr;
}

void CVnaMode::SetEntries(std::unique_ptr<IVnaEntries> entries) {
    entries_ = std::move(entries);
}

void CVnaMode::SetMessages(std::unique_ptr<IVnaMessages> messages) {
    messages_ = std::move(messages);
}

IVnaEntries& CVnaMode::Entries() {
    if (!entries_) entries_ = CreateVnaEntries(main_frame());
    return *entries_;
}

IVnaMessages& CVnaMode::Messages() {
    if (!messages_) messages_ = CreateVnaMessages(main_frame());
    return *messages_;
}

CVnaMeasurement* CVnaMode::Current() const {
    return dynamic_cast<CVnaMeasurement*>(currentMeasurement);
}

int CVnaMode::CurrentType() const {
    return currentMeasurement ? static_cast<int>(currentMeasurement->GetId()) : kMatch;
}

// ------------------------------------------------------------ lifecycle

int CVnaMode::OnCreate(plat::CWnd* view, plat::CWnd* frame, int third, CColorScheme* createArg) {
    const int result = CMeasurementBase::OnCreate(view, frame, third, createArg);
    term_buffer_.assign(static_cast<size_t>(kMaxPoints) * 8, 0);
    AllocTraceBuffers(kMaxPoints);
    m_Live = true;
    cal_page_ = false;
    status_path_ = std::make_unique<CStatusTextLine>(kStatusOwnerId);

    ResetKeyTables();
    CreatePanes(view);
    if (status_indicator_) status_indicator_->SetValue(0, 0);
    SetMeasurement(nullptr);

    active_function_ = kPageFrequency;
    markerFunction = kPageMarker;
    lastKey.fill(kNoKey);
    AllocTraceBuffers(kInitialPoints);
    m_SegmentLength = kSegmentLength;
    scaleTop = 20.0;
    scaleBottom = -80.0;
    progress_colour_ = kNormalColour;

    freq_entry_ = CreateVnaFrequencyEntry(frame);
    freqEntryDlg = freq_entry_.get();

    currentMeasurement = FindMeasurement(vna_setup_->GetMeasurementId());
    if (!currentMeasurement) currentMeasurement = MeasurementOfType(kMatch);
    if (currentMeasurement) currentMeasurement->Stop();
    type_ = CurrentType();
    return result;
}

CMeasurement* CVnaMode::SetMeasurement(CMeasurement*) {
    CDevicePort* link = dspLink;
    auto add = [this](CMeasurement* m) {
        if (!m) return;
        m->Init(this);
        CMeasurementBase::SetMeasurement(m);
    };
    add(new CFreqSweepMeasurement(link));
    add(new CDtfMeasurement(link));
    add(new CCableLossMeasurement(link));
    auto* s = services();
    hardware_id_ = s ? s->GetHardwareId() : 0;
    if (hardware_id_ == kHardwareAll || hardware_id_ == kHardwareVnaOnly)
        add(new CGainMeasurement(link));
    return measurementChain;
}

CMeasurement* CVnaMode::MeasurementOfType(int type) const {
    for (CMeasurement* m = measurementChain; m; m = m->GetNext())
        if (static_cast<int>(m->GetId()) == type) return m;
    return nullptr;
}

// After a language change every pane takes its texts again: the graph's
// axis and its trace first (a stopped sweep brings no new one), then the
// title, the menu keys, the page's soft keys, the status indicator and the
// readout rows. An open file manager is opened anew, so that its list too
// speaks the new language.
void CVnaMode::ReloadTexts() {
    ResetKeyTables();
    PushScaleToGraph();
    if (CGraphWidget* graph = graphPanel ? graphPanel->GetGraph() : nullptr) {
        graph->DrawGraticule();
        graph->RedrawWholeTrace();
    }
    ShowTitle();
    if (file_label_panel_) file_label_panel_->Redraw();
    ShowMenuKeyLabels();
    if (active_function_ >= 0 && active_function_ < kPageCount)
        ShowSoftKeys(active_function_, GetLastKey(active_function_));
    if (soft_key_menu_) soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    if (status_indicator_) status_indicator_->Redraw();
    UpdateSweepReadout(true);
    ShowMenuHelp(current_menu_key_);
    CMeasurementBase::ReloadTexts();
    if (m_FileManager) {
        CloseTraceFileManager(0);
        OpenTraceFileManager();
    }
}

// The sweep begins again from the setup: the recall page, no waterfall, the
// setup's points, range and scale; the DC bias stays on only for the gain
// measurement.
void CVnaMode::InstrumentHook() {
    RestartFromSetup();
}

void CVnaMode::RestartFromSetup() {
    active_function_ = kPageRecall;
    ShowTitle();
    vna_setup_->SetWaterfallMode(0);
    if (graphPanel) graphPanel->SetWaterfallMode(0);
    ShowSoftKeys(kPageRecall, -1);
    const int points = vna_setup_->GetDataPoints();
    if (points != m_PointCount) AllocTraceBuffers(points);
    if (dc_bias_on_ && CurrentType() != kGain) SwitchOffDcBias();
    if (readout_panel_) readout_panel_->ShowFrequencyRow(vna_setup_->GetFrequencyRange(), 0, 6);
    PushScaleToGraph();
    ShowUpperLimitLabel();
    ShowLowerLimitLabel();
    if (active_function_ != kOverlayPage) {
        if (file_label_panel_) file_label_panel_->Redraw();
        if (soft_key_menu_) soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
        ShowHelpRowId(static_cast<uint32_t>(page_help_[kFileHelpGroup]), kNormalColour);
        UpdateSweepReadout(true);
        ShowMenuKeyLabels();
    }
    if (vna_setup_->GetTriggerMode() > 2) stop_after_sweep_ = false;
    type_ = CurrentType();
    CMeasurementBase::StartMeasurement();
    // The board takes a moment to settle on the new sweep before the graph
    // is drawn again.
    plat::sleep_ms(kSettleMs);
    redrawState = 2;
    if (graphPanel) graphPanel->Redraw();
}

void CVnaMode::SetCurrentMeasurement(CMeasurement* measurement, CMeasSetup* setup) {
    CMeasurementBase::SetCurrentMeasurement(measurement, setup);
    type_ = CurrentType();
    ResetHoldState();
}

void CVnaMode::ShowTitle() {
    if (!file_label_panel_) return;
    core::Text label =
        currentMeasurement ? LoadResString(currentMeasurement->GetLabelId()) : core::Text();
    if (const auto comma = label.find(u','); comma != core::Text::npos) label.resize(comma);
    std::replace(label.begin(), label.end(), u'\n', u' ');
    file_label_panel_->SetFileLabel(LoadResString(kTitleId), label);
    file_label_panel_->SetSetupName(vna_setup_->GetSetupLabel());
    // The bar shows the measurement now, not at the next full repaint.
    if (active_function_ != kOverlayPage && !panes_frozen_) file_label_panel_->Redraw();
}

uint64_t CVnaMode::MinimumFrequency() const {
    return LowestFrequency();
}

// 325 MHz, or 1.6 MHz with the board's low-frequency option.
uint64_t CVnaMode::LowestFrequency() const {
    ISetupEnvironment* environment = vna_setup_->GetEnvironment();
    return CFrequencyRange::GetLowLimit2(environment && environment->HasOption());
}

uint64_t CVnaMode::MinimumSpan() const {
    return kMinSpan;
}

void CVnaMode::OnActivate() {
    if (CDspInterface* link = AppDspInterface()) dspLink = link;
    type_ = CurrentType();
    const int type = type_;
    if (active_function_ >= kPageMatch && active_function_ <= kPageGain)
        active_function_ = kPageMatch + type - 1;
    key_lock_ = key_lock2_ = false;
    cal_page_ = false;
    upload_pending_[0] = upload_pending_[1] = false;
    upload_unacknowledged_[0] = upload_unacknowledged_[1] = false;
    if (CFrequencyRange* r = vna_setup_->GetFrequencyRange())
        r->SetLimits(LowestFrequency(), kMaxFrequency, kMinSpan);
    const int points = vna_setup_->GetDataPoints();
    if (points != m_PointCount) AllocTraceBuffers(points);

    PushStatusPath(kSetupStatusId, true);
    ShowTitle();
    if (type == kCableLoss) vna_setup_->SetMeasureUnit(UNIT_RETURN_LOSS);

    current_menu_key_ = 0;
    active_function_ = kPageFrequency;
    ShowMenuKeyLabels();
    if (graphPanel) graphPanel->SetWaterfallMode(vna_setup_->GetWaterfallMode());
    ShowSoftKeys(kPageFrequency, -1);
    if (readout_panel_) readout_panel_->ShowFrequencyRow(vna_setup_->GetFrequencyRange(), 0, 6);
    ShowHelpRowId(kFirstHelpId, kNormalColour);

    // A listed cable gives the distance-to-fault velocity factor and its loss
    // at the centre of the range.
    if (const CCableType* cable = vna_setup_->GetCableType();
        cable && cable->GetName() != u"None") {
        const CFrequencyRange* r = vna_setup_->GetFrequencyRange();
        vna_setup_->SetDtfVp(cable->GetVp());
        vna_setup_->SetDtfLoss(cable->GetLossAt(r ? r->GetCentre() : kDefaultCentre));
    }
    if (vna_setup_->GetTriggerMode() > 2) stop_after_sweep_ = false;

    PushScaleToGraph();
    CMeasurementBase::OnActivate();
    StopMeasurement();
    ApplySettings(true);
    UpdateSweepReadout(true);
    if (!panes_frozen_) {
        if (file_label_panel_) file_label_panel_->Redraw();
        if (soft_key_menu_) soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
        if (status_indicator_) status_indicator_->Redraw();
    }
    RepaintScreen(0);
    if (currentMeasurement) currentMeasurement->SetState(0);
    RebuildAmplitudeAxis();
    LoadScaleRange();
    ShowUpperLimitLabel();
    ShowLowerLimitLabel();
    EndCalibration();
    UploadCalibration();
    ShowRecallAfterActivation();
}

void CVnaMode::StartMeasurement() {
    type_ = CurrentType();
    const int type = type_;
    ShowTitle();
    if (readout_panel_) readout_panel_->ShowFrequencyRow(vna_setup_->GetFrequencyRange(), 0, 6);
    if (currentMeasurement) {
        currentMeasurement->SetState(0);
        vna_setup_->SetMeasurementId(static_cast<int32_t>(currentMeasurement->GetId()));
    }
    // The DC bias belongs to the gain measurement.
    if (type != kGain && dc_bias_on_) SwitchOffDcBias();
    if (type == kCableLoss) vna_setup_->SetMeasureUnit(UNIT_RETURN_LOSS);
    PushScaleToGraph();
    CMeasurementBase::StartMeasurement();
    RebuildAmplitudeAxis();
    UpdateSweepReadout(true);
}

void CVnaMode::CancelEntry() {
    vna_setup_->SetCalUploaded(false);
    CMeasurementBase::CancelEntry();
}

int CVnaMode::StopMeasurement() {
    const int result = CMeasurementBase::StopMeasurement();
    if (dc_bias_on_ && type_ == kGain)
        if (CVnaMeasurement* m = Current()) m->SendCommand(kListenWithoutSweep);
    return result;
}

void CVnaMode::FullSpan(int key) {
    CFrequencyRange* range = vna_setup_->GetFrequencyRange();
    if (!range || range->GetSpan() == kMaxFrequency) return;
    const uint64_t oldSpan = range->GetSpan();
    range->SetLimits(LowestFrequency(), kMaxFrequency, kMinSpan);
    SetFrequencyValue(kKeySpan, kMaxFrequency);
    ApplyValue(key, false, oldSpan);
}

void CVnaMode::ApplyValue(int key, bool keepSelection, uint64_t oldSpan) {
    vna_setup_->ValidateDtfStop();
    CMeasurementBase::ApplyValue(key, keepSelection, oldSpan);
    if (currentMeasurement) currentMeasurement->Start(0, 0);
}

// ------------------------------------------------------------ helpers

void CVnaMode::SetTimer(uintptr_t id) {
    if (parent_view_) parent_view_->SetTimer(id, kWatchdogMs);
}

void CVnaMode::KillTimer(uintptr_t id) {
    if (parent_view_) parent_view_->KillTimer(id);
}

void CVnaMode::ShowHelpRow(const core::Text& text, int colour) {
    if (!readout_panel_) return;
    readout_panel_->SetRowCaption(text, kHelpRow);
    readout_panel_->RedrawRows(0, true, static_cast<ColorSchemeIndex>(colour));
}

void CVnaMode::ShowHelpRowId(uint32_t id, int colour) {
    ShowHelpRow(LoadResString(id), colour);
}

UnitScale CVnaMode::ScaleOfSetup() const {
    UnitScale s;
    s.unit = static_cast<uint32_t>(vna_setup_->GetMeasureUnit());
    s.top_limit = vna_setup_->GetAmplitudeTopLimit();
    s.bottom_limit = vna_setup_->GetAmplitudeBottomLimit();
    s.min_step = vna_setup_->GetAmplitudeMinStep();
    return s;
}

void CVnaMode::AfterEntry() {
    RepaintScreen(0);
    redrawState = 2;
}

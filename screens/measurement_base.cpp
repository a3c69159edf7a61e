// The measurement screen base: construction, the measurement chain, the
// panes, the screen layout, the sweep axis and activation.
#include "screens/measurement_base.h"

#include <algorithm>
#include <utility>

#include "core/byte_order.h"
#include "core/frequency_range.h"
#include "core/history.h"

#include "core/listener_list.h"
#include "core/routines.h"
#include "core/scoped_lock.h"
#include "dialogs/setup_select_dlg.h"
#include "files/meas_setup.h"
#include "files/vna_meas_setup.h"
#include "instrument/device_port.h"
#include "instrument/dsp_interface.h"
#include "instrument/measurement.h"
#include "platform/framework/wnd.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/thread.h"
#include "screens/screen_services.h"
#include "widgets/draw_panel.h"
#include "widgets/graph_panel.h"
#include "widgets/readout_box.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"
#include "widgets/status_indicator.h"
#include "widgets/title_bar.h"

namespace {
constexpr int kReadoutRows = 0;  // the cell layout: five rows of four fields
constexpr int kFrequencyRow = 3;
constexpr uint32_t kLayoutPauseMs = 50;
constexpr int kDivisionsPerScreen = 60;
constexpr int kDivisionWeight = 28;
constexpr int kFileManagerPage = 137;
// Axis kinds of the graph.
constexpr int kAxisTime = 1;
constexpr int kAxisDistance = 2;
// RedrawPanes mask bits and the readout panel's redraw value.
constexpr uint32_t kMaskFileLabel = 1, kMaskSoftKeys = 2, kMaskMenuKeys = 4, kMaskStatus = 8,
                   kMaskReadout = 16, kMaskGraph = 32;
constexpr int kReadoutRedrawValue = 40;
constexpr int kRedrawRequested = 2;
}  // namespace

std::array<uint8_t, CounterMarkerRecord::kPayloadSize> CounterMarkerRecord::Payload() const {
    std::array<uint8_t, kPayloadSize> bytes{};
    for (int i = 0; i < kMarkers; ++i) {
        bytes[i] = enabled[i];
        core::put_le<uint64_t>(bytes.data(), 8 + 8 * static_cast<size_t>(i), frequency[i]);
    }
    return bytes;
}

void CMeasurementBase::TraceSet::Resize(int n) {
    for (auto* v : {&raw, &display, &sweep, &upper, &lower, &hold, &holdDisplay, &measured})
        v->assign(n, 0.0);
    for (auto* v : {&pixels, &upperPixels, &lowerPixels, &holdPixels}) v->assign(n, PixelPair{});
    frequency.assign(n, 0);
    segmentStart.assign(n / 2 + 2, 0);
    segmentCode.assign(n / 2 + 2, kSegmentNone);
    segmentCount = 0;
}

CMeasurementBase::CMeasurementBase()
    : m_TraceText1(new uint8_t[kTraceTextBytes]()),
      m_TraceText2(new uint8_t[kTraceTextBytes]()),
      timeout(std::make_unique<CTimeout>()),
      m_LogTimer(std::make_unique<CTimeout>()) {
    timeout->Start(timeoutPeriod);
    lastKey.fill(kNoKey);
    m_AudioRing = std::make_unique_for_overwrite<int16_t[]>(static_cast<size_t>(kAudioBuffers) *
                                                            kAudioBufferSamples);
    m_ColumnRows.assign(kDisplayColumns, 0);
    shownColumnRows_.assign(kDisplayColumns, 0);
}

CMeasurementBase::~CMeasurementBase() {
    CloseFileManagerWindow();
    // The chain's first measurement deletes the rest of it.
    delete measurementChain;
    measurementChain = nullptr;
    currentMeasurement = nullptr;
    // The list owns the traces it holds.
    if (traceList) traceList->DeleteAll();
    traceList.reset();
}

CSAMeasSetup* CMeasurementBase::GlobalSASetup() {
    IScreenServices* s = IScreenServices::current();
    return s ? s->GetGlobalSASetup() : nullptr;
}

CGraphPanel* CMeasurementBase::AppGraphPanel() const {
    auto* s = services();
    return s ? s->GetSharedGraphPanel() : nullptr;
}

CDspInterface* CMeasurementBase::AppDspInterface() const {
    auto* s = services();
    return s ? s->GetDspLink() : nullptr;
}

bool CMeasurementBase::IsSpectrumSetup() const {
    return setup_ && setup_->GetMeasurementClass() == CMeasurement::kFamilySpectrum;
}

int CMeasurementBase::GetLastKey(int function) const {
    return function >= 0 && function < kFunctionCount ? lastKey[function] : kNoKey;
}

// --- The chain ---------------------------------------------------------------

CMeasurement* CMeasurementBase::SetMeasurement(CMeasurement* measurement) {
    if (!measurement) return nullptr;
    if (!measurementChain) {
        measurementChain = measurement;
        return measurement;
    }
    measurementChain->Append(measurement);
    return measurement;
}

int CMeasurementBase::GetMeasurementCount() const {
    return measurementChain ? static_cast<int>(measurementChain->GetChainLength()) : 0;
}

CMeasurement* CMeasurementBase::GetMeasurementAt(int n) const {
    if (!measurementChain || n < 1) return nullptr;
    return measurementChain->GetByIndex(static_cast<uint32_t>(n));
}

CMeasurement* CMeasurementBase::FindMeasurement(intptr_t id) {
    return measurementChain ? measurementChain->FindById(static_cast<uint32_t>(id)) : nullptr;
}

void CMeasurementBase::SetCurrentMeasurement(CMeasurement* measurement, CMeasSetup*) {
    if (measurement) ReplaceCurrentMeasurement(measurement);
}

void CMeasurementBase::ReplaceCurrentMeasurement(CMeasurement* measurement) {
    ScopedLock guard(*this);
    currentMeasurement = measurement;
}

CMeasurement* CMeasurementBase::LockedCurrentMeasurement() {
    ScopedLock guard(*this);
    return currentMeasurement;
}

int CMeasurementBase::GetPointCount() {
    ScopedLock guard(*this);
    return m_PointCount;
}

int CMeasurementBase::GetPointsReceived() {
    ScopedLock guard(*this);
    return m_PointsReceived;
}

// --- Creation and panes ------------------------------------------------------------

int CMeasurementBase::OnCreate(plat::CWnd* view, plat::CWnd* frame, int third,
                               CColorScheme* createArg) {
    CModeBase::OnCreate(view, frame, third, createArg);
    traceList = std::make_unique<CListenerList>();
    if (setup_) TakeBackupSetup();
    if (setup_) AllocTraceBuffers(std::max<int>(setup_->GetDataPoints(), kMinPoints));
    return OnCreateHook();
}

// The screen starts on the setup it was left with; a missing or damaged
// backup gives the factory setup and one history line.
void CMeasurementBase::TakeBackupSetup() {
    core::Text reason;
    if (setup_->GetBackupPath().empty()) {
        setup_->LoadFactory();  // a screen that keeps no backup
        return;
    }
    if (setup_->LoadBackupQuietly(&reason)) return;
    HistoryAddText(kHistoryBackup, u"Backup setup not taken, factory setup used: " + reason);
    setup_->LoadFactory();
}

int CMeasurementBase::OnCreateHook() {
    return 0;
}

void CMeasurementBase::CreatePanes(plat::CWnd* owner) {
    if (owner) parent_view_ = owner;
    // The analyzers' title bars show the setup's name at their right.
    file_label_panel_ = std::make_unique<CFileLabelPanel>(texts[1], texts[2], false, true);
    CreatePane(*file_label_panel_, GetTitleLayout());
    soft_key_menu_ = std::make_unique<CSoftKeyMenu>();
    CreatePane(*soft_key_menu_, GetSoftKeyLayout());
    menu_key_panel_ = std::make_unique<CPanelWidget>();
    CreatePane(*menu_key_panel_, GetBottomLayout());
    status_indicator_ = std::make_unique<CStatusIndicator>();
    CreatePane(*status_indicator_, GetCornerLayout());
    readout_panel_ = std::make_unique<CReadoutPanel>(kReadoutRows);
    CreatePane(*readout_panel_, GetReadoutLayout());
    draw_panel_ = std::make_unique<CDrawPanel>();
    CreatePane(*draw_panel_, GetBannerLayout());
    graphPanel = AppGraphPanel();
    {
        ScopedLock guard(*this);
        m_PointsReceived = 0;
        m_NextBlockStart = 0;
    }
    logoLoaded = true;
    positionText.fill(0);
    positionTextLength = 0;
    screenLayout = 1;
}

void CMeasurementBase::SetScreenLayout(int layout) {
    if (menu_key_panel_) menu_key_panel_->GetCurrentBox();
    redrawState = kRedrawRequested;
    screenLayout = layout;
    if (graphPanel) {
        graphPanel->SetLayout(layout);
        plat::sleep_ms(kLayoutPauseMs);
        graphPanel->Redraw();
    }
    if (layout != CGraphWidget::kScreenLayout) {
        ShowMenuKeyLabels();
        ShowSoftKeys(active_function_, kNoKey);
        if (soft_key_menu_) soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
        if (readout_panel_ && setup_)
            readout_panel_->ShowFrequencyRow(setup_->GetFrequencyRange(), 0, kFrequencyRow);
        if (file_label_panel_) file_label_panel_->Redraw();
        if (readout_panel_) readout_panel_->RedrawRows(0, true, ColorSchemeIndex{});
        if (status_indicator_) status_indicator_->Redraw();
    }
    m_FullRedraw = kRedrawRequested;
}

int CMeasurementBase::ShowMenuKeyLabels() {
    return 1;
}

void CMeasurementBase::RedrawPanes(uint32_t mask) {
    if ((mask & kMaskFileLabel) && file_label_panel_) file_label_panel_->Redraw();
    if ((mask & kMaskSoftKeys) && soft_key_menu_) soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    if ((mask & kMaskMenuKeys) && menu_key_panel_) menu_key_panel_->Show(0, -1);
    if ((mask & kMaskStatus) && status_indicator_) status_indicator_->Redraw();
    if ((mask & kMaskReadout) && readout_panel_)
        readout_panel_->RedrawRows(kReadoutRedrawValue, true, ColorSchemeIndex{});
    if ((mask & kMaskGraph) && graphPanel) graphPanel->Redraw();
    if (mask) {
        ShowPage(open_page_);
        saved_byte_ = 255;
    }
    redrawState = kRedrawRequested;
}

void CMeasurementBase::RepaintScreen(int flag) {
    if (flag == 0) {
        RepaintFrame();
    } else if (graphPanel) {
        graphPanel->Redraw();
    }
    redrawState = kRedrawRequested;
}

void CMeasurementBase::Redraw(int) {
    if (parent_view_)
        parent_view_->PostMessage(kMsgDisplayRefresh, kRedrawWhole,
                                  reinterpret_cast<intptr_t>(static_cast<CModeBase*>(this)));
}

void CMeasurementBase::RedrawWholeScreen() {
    constexpr uint32_t kAllPanes =
        kMaskFileLabel | kMaskSoftKeys | kMaskMenuKeys | kMaskStatus | kMaskReadout | kMaskGraph;
    RedrawPanes(screenLayout == CGraphWidget::kScreenLayout ? kMaskGraph : kAllPanes);
}

void CMeasurementBase::ResumeAfterWake() {
    if (currentMeasurement && currentMeasurement->TakeStoppedBySleep()) StartMeasurement();
    RedrawWholeScreen();
}

void CMeasurementBase::RefreshPane(int pane) {
    if (pane == kPaneGraph) {
        if (graphPanel) graphPanel->Redraw();
        return;
    }
    CModeBase::RefreshPane(pane);
}

void CMeasurementBase::OnCommand32825(intptr_t) {}

void CMeasurementBase::RepaintChangedKeys() {
    if (screenLayout == CGraphWidget::kScreenLayout) return;
    CModeBase::RepaintChangedKeys();
}

int CMeasurementBase::ShowPage(int page) {
    // Page 137 is the file manager window, made once and kept while open.
    if (page == kFileManagerPage) {
        if (open_page_ == kFileManagerPage && m_FileManager) return 1;
        return CreateFileManagerWindow() ? 1 : 0;
    }
    return CModeBase::ShowPage(page);
}

int CMeasurementBase::ClosePopup() {
    const int result = CModeBase::ClosePopup();
    if (open_page_ == kFileManagerPage) {
        open_page_ = 0;
        CloseFileManagerWindow();
        // Closed from the list itself (a trace was recalled): the
        // measurement runs again as after CloseTraceFileManager.
        if (!closingManager_ && active_) {
            ApplySettings(true);
            UpdateSweepReadout(1);
        }
    }
    return result;
}

void CMeasurementBase::CloseFileManagerWindow() {
    CSetupSelectDlg* window = std::exchange(m_FileManager, nullptr);
    if (!window) return;
    // The list frees itself once its window is gone.
    if (window->exists()) {
        window->ShowWindow(plat::SW_HIDE);
        window->DestroyWindow();
    } else {
        delete window;
    }
}

// --- Sweep axis ------------------------------------------------------------------------

void CMeasurementBase::ReloadSweepSettings() {
    if (redrawState == kRedrawRequested && graphPanel) graphPanel->Redraw();
    if (!setup_) return;
    const int kind = graphPanel && graphPanel->GetGraph() ? graphPanel->GetXAxisKind() : 0;
    const CFrequencyRange* range = setup_->GetFrequencyRange();
    const auto* vna = dynamic_cast<const CVNAMeasSetup*>(setup_);
    if (kind == kAxisDistance && vna) {
        axisStart = static_cast<double>(vna->GetDtfStartRaw()) * 1000.0;
        axisStop = static_cast<double>(vna->GetDtfStopRaw()) * 1000.0;
    } else if (kind == kAxisTime) {
        axisStart = 0;
        axisStop = setup_->GetZeroSpanTime();
    } else if (range) {
        axisStart = static_cast<double>(range->GetStart());
        axisStop = static_cast<double>(range->GetStop());
    }
    pointCount = std::clamp<int>(setup_->GetDataPoints(), kMinPoints, kMaxPoints);
    if (previousPointCount != 0 && previousPointCount != pointCount) {
        if (graphPanel) graphPanel->RescaleMarkers(previousPointCount, pointCount);
        BuildDivisionTable();
    }
    previousPointCount = pointCount;
    ForgetReceivedSweep();
    const auto lo = static_cast<uint64_t>(std::max(axisStart, 0.0));
    const auto hi = static_cast<uint64_t>(std::max(axisStop, 0.0));
    m_AxisPosition = std::min(std::max(m_AxisPosition, lo), std::max(lo, hi));
    if (setup_->GetAveragingMode() == 1 || setup_->GetPeakHoldMode() != 0)
        RequestTraceModeRestart();
    redrawState = kRedrawRequested;
    m_FullRedraw = kRedrawRequested;
}

void CMeasurementBase::BuildDivisionTable() {
    divisionTable.clear();
    const int step = pointCount * kDivisionsPerScreen / kDisplayColumns;
    divisionTable.push_back({0, kDivisionWeight});
    if (step > 0) {
        for (int i = step; i < pointCount; i += step) divisionTable.push_back({i, kDivisionWeight});
    }
    divisionTable.push_back({pointCount, kDivisionWeight});
}

void CMeasurementBase::ClearHoldBuffer() {
    holdBuffer.assign(static_cast<size_t>(std::max(pointCount, 0)), HoldPair{});
    holdCopy = holdBuffer;
    holdCounter = 0;
}

// --- Activation --------------------------------------------------------------------------

// The first steps of both activations: the link's listener, the
// application's current measurement, a fresh display and the worker.
void CMeasurementBase::BeginMeasurement() {
    if (!graphPanel) graphPanel = AppGraphPanel();
    dspLink = AppDspInterface();
    if (dspLink && currentMeasurement) dspLink->SetListener(currentMeasurement);
    if (auto* s = services()) s->SetAppMeasurement(currentMeasurement, setup_);
    ResetDisplayState();
    if (currentMeasurement) currentMeasurement->StartWorker();
}

void CMeasurementBase::ActivateMeasurement() {
    BeginMeasurement();
    CModeBase::OnActivate();
    if (auto* s = services()) s->SetLastMeasurementModeId(mode_id_);
    if (soft_key_menu_) soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
    ResetHoldState();
}

void CMeasurementBase::OnActivate() {
    ActivateMeasurement();
    ApplySettings(true);
}

void CMeasurementBase::StartMeasurement() {
    BeginMeasurement();
    CModeBase::StartMeasurement();
    ShowSoftKeys(active_function_, 0);
    if (soft_key_menu_) soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    if (auto* s = services()) s->SetLastMeasurementModeId(mode_id_);
    ForgetReceivedSweep();
    newSweepRequested_ = true;
    ApplySettings(true);
}

void CMeasurementBase::CancelEntry() {
    if (currentMeasurement) currentMeasurement->StopWorker();
    if (setup_) setup_->SetFSBeepMode(false);
    CModeBase::CancelEntry();
    if (auto* s = services()) s->SetAppMeasurement(currentMeasurement, setup_);
}

void CMeasurementBase::OnClose() {
    for (CMeasurement* m = measurementChain; m; m = m->GetNext()) {
        m->StopWorker();
        // The link delivers no more to it (a delivery under way ends first):
        // the screen's parts it reaches through its setup go next.
        if (CDevicePort* link = m->GetDspInterface()) link->RemoveListener(m);
    }
}

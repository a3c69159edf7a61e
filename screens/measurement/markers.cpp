// The measurement screen's six markers: selecting, switching, moving them by
// arrows, wheel and an entered frequency, the peak and minimum search over
// the lists the sweep processing keeps, the marker, search, type and
// signal-tool pages, and centre and reference level from a marker.
#include <algorithm>
#include <array>

#include "core/frequency_range.h"
#include "core/keys.h"
#include "core/scoped_lock.h"
#include "core/units.h"
#include "dialogs/mask_dialogs.h"
#include "files/meas_setup.h"
#include "instrument/measurement.h"
#include "platform/framework/wnd.h"
#include "platform/window/messages.h"
#include "screens/measurement/marker_search.h"
#include "screens/measurement_base.h"
#include "widgets/graph_panel.h"
#include "widgets/marker_widget.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"

namespace {
constexpr int kFullRedrawRequest = 2;
constexpr int kMarkerCountForFlag = 4;
constexpr int kTablePositions = 5;
// A marker label keeps to twenty characters.
constexpr size_t kMarkerLabelLength = 20;
// Pages of the marker family.
constexpr int kMarkerPage = 33;
constexpr int kSignalToolsPage = 34;
constexpr int kSearchPage = 35;
// The search page's threshold key and the tools page's volume key.
constexpr int kThresholdKey = 1;
constexpr int kVolumeKey = 1;
// The x-axis kinds.
constexpr int kAxisFrequency = 0;
constexpr int kAxisTime = 1;
constexpr int kAxisDistance = 2;
// Measurements whose marker labels are fixed.
constexpr int32_t kOccupiedBandwidth = 21;
constexpr int32_t kChannelPower = 22;
constexpr int32_t kAdjacentChannelPower = 23;
// The frequency setters' selector of the centre, and the span's key.
constexpr int kCentreSelector = 2;
constexpr int kSpanValueKey = 4;
constexpr uint32_t kMarkerFrequencyTitle = 1190;
constexpr std::array<uint32_t, CSoftKeyMenu::kKeyCount> kUnitKeys = {887, 685, 686, 687,
                                                                     184, 184, 184, 184};
constexpr int32_t kSpectrumClass = 2;
}  // namespace

bool CMeasurementBase::BindMarkerRecords() {
    if (!setup_ || !graphPanel) return false;
    CGraphWidget* graph = graphPanel->GetGraph();
    if (!graph) return false;
    const CMarkerWidget* first = graph->GetMarker(0);
    if (first && first->GetRecord() == setup_->GetMarker(0)) return true;
    // The graph is shared between the screens: it shows this setup's markers.
    std::array<CValueRecord*, kMarkerCount> records{};
    for (int i = 0; i < kMarkerCount; ++i) records[static_cast<size_t>(i)] = setup_->GetMarker(i);
    const int points = std::max(pointCount, 2);
    graphPanel->SetMarkerRecords(records, axisStart, (axisStop - axisStart) / (points - 1));
    return true;
}

void CMeasurementBase::RequestMarkerRedraw() {
    m_FullRedraw = kFullRedrawRequest;
    // The refresh redraws around the marker's point even when no sweep data
    // comes (a stopped sweep).
    int marker = 0;
    if (graphPanel && graphPanel->GetCurrentMarker(marker))
        m_MarkerRedrawPoint = std::max(graphPanel->GetMarkerTargetIndex(marker), 0);
    else
        m_MarkerRedrawPoint = std::max(markerPoint, 0);
    PostDisplayRefresh();
}

int CMeasurementBase::CountMarkersOn() const {
    int on = 0;
    if (graphPanel)
        for (int i = 0; i < kMarkerCount; ++i)
            if (graphPanel->GetMarkerState(i) == 1) ++on;
    return on;
}

int CMeasurementBase::IsMarkerOn() const {
    if (!graphPanel || !graphPanel->GetGraph()) return 0;
    int marker = 0;
    if (!graphPanel->GetCurrentMarker(marker)) return 0;
    return graphPanel->GetMarkerState(marker) == 1 ? 1 : 0;
}

int CMeasurementBase::CurrentMarkerPoint() const {
    int marker = 0;
    if (!graphPanel || !graphPanel->GetCurrentMarker(marker)) return 0;
    return graphPanel->GetMarkerTargetIndex(marker);
}

bool CMeasurementBase::EstablishMarker() {
    if (!BindMarkerRecords() || IsMarkerOn()) return false;
    int marker = 0;
    if (!graphPanel->GetCurrentMarker(marker))
        graphPanel->SetCurrentMarker(std::max(selectedMarker - 1, 0));
    graphPanel->ToggleCurrentMarker();
    markerCountFlag = CountMarkersOn() >= kMarkerCountForFlag;
    if (IsMarkerOn()) markerEditFlag = false;
    return true;
}

CMeasurementBase::ExtremaLists CMeasurementBase::TakeExtrema(bool minima) {
    ScopedLock guard(*this);
    ExtremaLists lists;
    const auto& level = minima ? minsByLevel : peaksByLevel;
    const auto& position = minima ? minsByPosition : peaksByPosition;
    const size_t count =
        std::min({static_cast<size_t>(std::max(minima ? minListCount : peakListCount, 0)),
                  level.size(), position.size()});
    lists.byLevel.assign(level.begin(), level.begin() + static_cast<ptrdiff_t>(count));
    lists.byPosition.assign(position.begin(), position.begin() + static_cast<ptrdiff_t>(count));
    return lists;
}

void CMeasurementBase::MoveMarkerTo(int32_t point) {
    if (graphPanel) graphPanel->MoveCurrentMarkerToIndex(point);
    markerPoint = point;
}

// --- Peak and minimum search -----------------------------------------------------------------

bool CMeasurementBase::SearchFirst(bool minima) {
    const ExtremaLists lists = TakeExtrema(minima);
    if (lists.byLevel.empty() || !graphPanel) return false;
    const bool established = EstablishMarker();
    if (established && !minima) ShowMarkerMenu(-1, -1);
    MoveMarkerTo(lists.byLevel.front());
    (minima ? nextMinCursor : nextPeakCursor) = 0;
    if (!minima) OnMarkerChanged();
    RequestMarkerRedraw();
    return true;
}

bool CMeasurementBase::SearchNext(bool minima) {
    const ExtremaLists lists = TakeExtrema(minima);
    if (lists.byLevel.empty() || !graphPanel) return false;
    const bool established = EstablishMarker();
    int& cursor = minima ? nextMinCursor : nextPeakCursor;
    cursor =
        marker_search::AdvanceCursor(cursor, static_cast<int>(lists.byLevel.size()), established);
    MoveMarkerTo(lists.byLevel[static_cast<size_t>(cursor)]);
    if (!minima) OnMarkerChanged();
    RequestMarkerRedraw();
    return true;
}

bool CMeasurementBase::SearchBeside(bool minima, bool right) {
    const ExtremaLists lists = TakeExtrema(minima);
    if (lists.byPosition.empty() || !graphPanel) return false;
    EstablishMarker();
    const int32_t point = CurrentMarkerPoint();
    MoveMarkerTo(right ? marker_search::EntryRightOf(lists.byPosition, point)
                       : marker_search::EntryLeftOf(lists.byPosition, point));
    OnMarkerChanged();
    RequestMarkerRedraw();
    return true;
}

bool CMeasurementBase::MarkerToPeak() {
    return SearchFirst(false);
}
bool CMeasurementBase::NextPeak() {
    return SearchNext(false);
}
bool CMeasurementBase::PeakLeft() {
    return SearchBeside(false, false);
}
bool CMeasurementBase::PeakRight() {
    return SearchBeside(false, true);
}
bool CMeasurementBase::MarkerToMin() {
    return SearchFirst(true);
}
bool CMeasurementBase::NextMin() {
    return SearchNext(true);
}
bool CMeasurementBase::MinLeft() {
    return SearchBeside(true, false);
}
bool CMeasurementBase::MinRight() {
    return SearchBeside(true, true);
}

// --- Marker operations ---------------------------------------------------------------------

bool CMeasurementBase::SelectNextMarker() {
    BindMarkerRecords();
    if (!graphPanel || !graphPanel->GetGraph()) return false;
    selectedMarker = graphPanel->NextMarker();
    if (IsMarkerOn()) markerEditFlag = false;
    RequestMarkerRedraw();
    return true;
}

bool CMeasurementBase::ToggleMarker() {
    BindMarkerRecords();
    if (!graphPanel || !graphPanel->GetGraph()) return false;
    int marker = 0;
    if (!graphPanel->GetCurrentMarker(marker))
        graphPanel->SetCurrentMarker(std::max(selectedMarker - 1, 0));
    graphPanel->ToggleCurrentMarker();
    markerCountFlag = CountMarkersOn() >= kMarkerCountForFlag;
    if (IsMarkerOn()) markerEditFlag = false;
    OnMarkerChanged();
    RequestMarkerRedraw();
    return true;
}

bool CMeasurementBase::CycleDeltaMarker() {
    BindMarkerRecords();
    if (!graphPanel || !graphPanel->GetGraph()) return false;
    graphPanel->ToggleDelta();
    ShowMarkerMenu(-1, -1);
    if (soft_key_menu_) soft_key_menu_->SetKeyState(0, 1, false);
    RequestMarkerRedraw();
    return true;
}

bool CMeasurementBase::ToggleMarkerType() {
    RequestMarkerRedraw();
    if (!graphPanel || !graphPanel->GetGraph()) return false;
    graphPanel->ToggleCurrentType();
    return true;
}

bool CMeasurementBase::EditMarkerLabel() {
    RequestMarkerRedraw();
    const int32_t id = setup_ ? setup_->GetMeasurementId() : 0;
    if (id == kOccupiedBandwidth || id == kChannelPower || id == kAdjacentChannelPower)
        return false;
    int marker = 0;
    if (!graphPanel || !graphPanel->GetGraph() || !graphPanel->GetCurrentMarker(marker))
        return false;
    core::Text label = graphPanel->GetMarkerLabel(marker);
    if (!RunMarkerLabelDialog(label)) return false;
    if (label.size() > kMarkerLabelLength) label.resize(kMarkerLabelLength);
    graphPanel->SetMarkerLabel(marker, label);
    return true;
}

bool CMeasurementBase::RunMarkerLabelDialog(core::Text& label) {
    CMarkerLabelDlg dialog(main_frame(), label);
    const intptr_t answer = dialog.DoModal();
    if (main_frame()) main_frame()->SetFocus();
    if (answer != plat::IDOK) return false;
    label = dialog.GetText();
    return true;
}

bool CMeasurementBase::CycleMarkerReadout() {
    markerTablePosition = (markerTablePosition + 1) % kTablePositions;
    if (graphPanel) {
        graphPanel->SetMarkerTablePosition(markerTablePosition);
        graphPanel->Redraw();
    }
    RequestMarkerRedraw();
    return true;
}

bool CMeasurementBase::ToggleMarkerFlag() {
    if (!graphPanel || !graphPanel->GetGraph()) return false;
    graphPanel->ToggleCurrentMarkerOption();
    RequestMarkerRedraw();
    return true;
}

bool CMeasurementBase::PlaceAllMarkersAt(bool peaks) {
    BindMarkerRecords();
    if (!graphPanel || !graphPanel->GetGraph()) return false;
    const int on = graphPanel->PlaceAllMarkers(peaks);
    selectedMarker = 1;
    markerCountFlag = on >= kMarkerCountForFlag;
    OnMarkerChanged();
    RequestMarkerRedraw();
    return true;
}

bool CMeasurementBase::AllMarkersToPeaks() {
    return PlaceAllMarkersAt(true);
}
bool CMeasurementBase::AllMarkersToMinima() {
    return PlaceAllMarkersAt(false);
}

bool CMeasurementBase::AllMarkersOff() {
    if (!graphPanel) return false;
    graphPanel->AllMarkersOff();
    markerCountFlag = false;
    OnMarkerChanged();
    RequestMarkerRedraw();
    return true;
}

bool CMeasurementBase::OnMarkerChanged() {
    return false;
}

// --- Moving the marker ---------------------------------------------------------------------

bool CMeasurementBase::MoveMarkerBy(bool right, int points) {
    if (!graphPanel || !IsMarkerOn() || points <= 0) return false;
    graphPanel->MoveCurrentMarkerBy(right, points);
    markerPoint = CurrentMarkerPoint();
    markerMoved = true;
    OnMarkerChanged();
    RequestMarkerRedraw();
    return true;
}

bool CMeasurementBase::OnMarkerArrow(uint32_t key) {
    switch (key) {
        case VK_UP:
            if (!MarkerToPeak()) return false;
            OnMarkerChanged();
            return true;
        case VK_DOWN:
            if (!MarkerToMin()) return false;
            OnMarkerChanged();
            return true;
        case VK_LEFT:
        case VK_RIGHT:
            return MoveMarkerBy(key == VK_RIGHT,
                                marker_search::ArrowStepPoints(repeat_count_, pointCount));
        default:
            return false;
    }
}

bool CMeasurementBase::OnMarkerKnob(int delta) {
    return MoveMarkerBy(delta > 0, marker_search::KnobStepPoints(delta));
}

bool CMeasurementBase::EditMarkerPosition(int key) {
    const int kind = graphPanel && graphPanel->GetGraph() ? graphPanel->GetXAxisKind() : 0;
    if (kind == kAxisTime) return EditMarkerTime(key);
    if (kind == kAxisDistance) return EditMarkerDistance(key);
    return EditMarkerFrequency(key);
}

bool CMeasurementBase::EditMarkerFrequency(int key) {
    if (!setup_ || !graphPanel || !IsMarkerOn()) return false;
    const CFrequencyRange* range = setup_->GetFrequencyRange();
    int marker = 0;
    double level = 0;
    uint64_t frequency = 0;
    if (!range || !graphPanel->GetCurrentMarker(marker) ||
        !graphPanel->GetPendingMarkerValues(marker, level, frequency))
        return false;
    if (frequency < range->GetStart() || frequency > range->GetStop()) return false;
    if (soft_key_menu_) {
        soft_key_menu_->SetTexts(kUnitKeys.data(), static_cast<int>(kUnitKeys.size()));
        soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    }
    uint64_t entered = frequency;
    const bool ok = RunMarkerFrequencyDialog(key, frequency, range->GetStart(), range->GetStop(),
                                             kMarkerFrequencyTitle, entered);
    if (ok) {
        graphPanel->MoveCurrentMarkerToValue(entered);
        keptMarkerFrequency = entered;
        UpdateSweepReadout(true);
        if (graphPanel->GetLayout() != CGraphWidget::kScreenLayout && readout_panel_)
            readout_panel_->Redraw();
    }
    ShowSoftKeys(active_function_, GetLastKey(active_function_));
    if (main_frame_) main_frame_->SetFocus();
    graphPanel->Redraw();
    RequestMarkerRedraw();
    OnMarkerChanged();
    return ok;
}

// --- Threshold entry on the search page ------------------------------------------------------

bool CMeasurementBase::ThresholdInEdit() const {
    return setup_ && setup_->GetMarkerSearchMode() != 1 && GetLastKey(kSearchPage) == kThresholdKey;
}

bool CMeasurementBase::OnSearchArrow(uint32_t key) {
    return ThresholdInEdit() ? StepThreshold(key) : OnMarkerArrow(key);
}

bool CMeasurementBase::OnSearchKnob(int delta) {
    return ThresholdInEdit() ? TurnThreshold(delta) : OnMarkerKnob(delta);
}

bool CMeasurementBase::OnSearchDigit(int digit) {
    return ThresholdInEdit() ? EnterThreshold(digit) : EditMarkerPosition(digit);
}

void CMeasurementBase::ThresholdChanged() {
    ShowMarkerSearchMenu(kThresholdKey, -1);
    if (soft_key_menu_) soft_key_menu_->SetKeyState(0, kThresholdKey, true);
    RequestMarkerRedraw();
}

bool CMeasurementBase::StepThreshold(uint32_t key) {
    if (!setup_) return false;
    const double step = setup_->GetReferenceStepping();
    switch (key) {
        case VK_LEFT:
            setup_->SetLevel(marker_search::kThresholdMin);
            break;
        case VK_RIGHT:
            setup_->SetLevel(marker_search::kThresholdMax);
            break;
        case VK_UP:
            setup_->IncLevel(step);
            break;
        case VK_DOWN:
            setup_->DecLevel(step);
            break;
        default:
            return false;
    }
    ThresholdChanged();
    return true;
}

bool CMeasurementBase::TurnThreshold(int delta) {
    if (!setup_) return false;
    const double step = setup_->GetReferenceStepping() / 10.0;
    if (delta > 0)
        setup_->IncLevel(step);
    else
        setup_->DecLevel(step);
    ThresholdChanged();
    return true;
}

bool CMeasurementBase::EnterThreshold(int digit) {
    if (!setup_) return false;
    double offset = setup_->GetLevel();
    const bool ok =
        RunThresholdDialog(digit, offset, marker_search::DisplayedNoiseLevel(*setup_), offset);
    if (ok && offset != setup_->GetLevel()) setup_->SetLevel(offset);
    ThresholdChanged();
    RepaintScreen(0);
    return ok;
}

// --- Centre and reference level ----------------------------------------------------------------

bool CMeasurementBase::MarkerToCenter() {
    if (!setup_ || !graphPanel || !graphPanel->GetGraph()) return false;
    if (graphPanel->GetXAxisKind() != kAxisFrequency || !IsMarkerOn()) return false;
    const CFrequencyRange* range = setup_->GetFrequencyRange();
    if (!range) return false;
    graphPanel->MoveCurrentMarkerToValue(range->GetCentre());
    OnMarkerChanged();
    RequestMarkerRedraw();
    return true;
}

bool CMeasurementBase::CenterToMarker() {
    if (!setup_ || !graphPanel || !IsMarkerOn()) return false;
    const CFrequencyRange* range = setup_->GetFrequencyRange();
    int marker = 0;
    double level = 0;
    uint64_t frequency = 0;
    if (!range || !graphPanel->GetCurrentMarker(marker) ||
        !graphPanel->GetPendingMarkerValues(marker, level, frequency))
        return false;
    const uint64_t span = range->GetSpan();
    StopMeasurement();
    SetFrequencyValue(kCentreSelector, frequency);
    ApplyValue(kSpanValueKey, false, span);
    ShowUpperLimitLabel();
    ShowLowerLimitLabel();
    ApplyAndRestart(true);
    return true;
}

bool CMeasurementBase::MarkerToRefLevel() {
    if (!setup_ || !graphPanel || !IsMarkerOn()) return false;
    int marker = 0;
    double level = 0;
    uint64_t position = 0;
    if (!graphPanel->GetCurrentMarker(marker) ||
        !graphPanel->GetPendingMarkerValues(marker, level, position))
        return false;
    const auto unit = static_cast<uint32_t>(setup_->GetMeasureUnit());
    if (setup_->GetMeasurementClass() == kSpectrumClass) {
        setup_->SetReferenceLevel(ConvertPowerUnit(level, UNIT_W, unit));
        graphPanel->SetReferenceLevel(setup_->GetReferenceLevel(false), unit,
                                      setup_->GetReferenceStepping());
    } else {
        setup_->NotifyChanged(true);
    }
    ShowUpperLimitLabel();
    ShowLowerLimitLabel();
    ApplyAndRestart(true);
    return true;
}

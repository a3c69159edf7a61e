// The key handlers of the marker, marker search, marker type and signal
// tools pages, with the signal tools page's routing of digits, arrows and
// the wheel to the volume or the marker.
#include "core/scoped_lock.h"
#include "files/meas_setup.h"
#include "screens/measurement_base.h"
#include "widgets/graph_panel.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"

namespace {
constexpr int kMarkerPage = 33;
constexpr int kSignalToolsPage = 34;
constexpr int kSearchPage = 35;
constexpr int kTypePage = 36;
constexpr int kVolumeKey = 1;
constexpr int kReturnKey = 7;
}  // namespace

void CMeasurementBase::ClearPageFlags() {
    pageShowFlag = false;
    pageSelectFlag = false;
    pageHighlightFlag = false;
}

void CMeasurementBase::FinishMarkerPageKey(int key) {
    if (pageShowFlag) ShowMarkerMenu(-1, -1);
    if (soft_key_menu_) {
        soft_key_menu_->Highlight(key);
        if (key == 0) soft_key_menu_->SetKeyState(0, 1, false);
    }
    if (pageSelectFlag && setup_) setup_->NotifyChanged(true);
    if (pageHighlightFlag) {
        UpdateSweepReadout(true);
        if (readout_panel_) readout_panel_->Redraw();
    }
    RequestMarkerRedraw();
}

bool CMeasurementBase::OnMarkerMenuKey(int key) {
    ClearPageFlags();
    bool handled = true;
    switch (key) {
        case 0:
            handled = SelectNextMarker();
            pageShowFlag = pageSelectFlag = pageHighlightFlag = true;
            break;
        case 1:
            handled = ToggleMarker();
            pageShowFlag = pageSelectFlag = true;
            break;
        case 2:
            handled = MarkerToPeak();
            pageShowFlag = pageSelectFlag = pageHighlightFlag = true;
            break;
        case 3:
            ShowMarkerSearchPage(-1);
            return true;
        case 4:
            handled = CycleDeltaMarker();
            pageShowFlag = pageSelectFlag = pageHighlightFlag = true;
            break;
        case 5:
            ShowMarkerTypePage(-1);
            return true;
        case 6:
            ShowSignalToolsPage(-1);
            return true;
        case kReturnKey:
            ShowThresholdPage(-1);
            return true;
        default:
            return false;
    }
    FinishMarkerPageKey(key);
    return handled;
}

bool CMeasurementBase::OnMarkerSearchMenuKey(int key) {
    if (!setup_) return false;
    ClearPageFlags();
    const bool valley = setup_->GetMarkerSearchMode() == 1;
    switch (key) {
        case 0:
            setup_->SetMarkerSearchMode(valley ? 0 : 1);
            pageShowFlag = true;
            break;
        case 1:
            if (valley) return false;
            pageShowFlag = pageSelectFlag = pageHighlightFlag = true;
            break;
        case 2:
            valley ? MarkerToMin() : MarkerToPeak();
            pageShowFlag = true;
            break;
        case 3:
            valley ? MinLeft() : PeakLeft();
            pageShowFlag = true;
            break;
        case 4:
            valley ? MinRight() : PeakRight();
            pageShowFlag = true;
            break;
        case 5:
            valley ? AllMarkersToMinima() : AllMarkersToPeaks();
            pageShowFlag = true;
            break;
        case 6:
            AllMarkersOff();
            pageShowFlag = true;
            break;
        case kReturnKey:
            ShowMarkerPage(-1);
            return true;
        default:
            return false;
    }
    if (pageShowFlag) ShowMarkerSearchMenu(key == 0 ? -1 : key, -1);
    const int last = GetLastKey(kSearchPage);
    if (key != last) {
        if (soft_key_menu_) soft_key_menu_->SetKeyState(0, last, false);
        lastKey[kSearchPage] = key;
    }
    if (soft_key_menu_) soft_key_menu_->SetKeyState(0, key, pageHighlightFlag);
    RequestMarkerRedraw();
    return true;
}

bool CMeasurementBase::OnMarkerTypeMenuKey(int key) {
    switch (key) {
        case 0:
            ToggleMarkerType();
            break;
        case 1:
            if (graphPanel) graphPanel->SetAllTypes0();
            RequestMarkerRedraw();
            break;
        case 2:
            if (graphPanel) graphPanel->SetAllTypes1();
            RequestMarkerRedraw();
            break;
        case 3:
            EditMarkerLabel();
            ShowMarkerTypeMenu(3, -1);
            if (soft_key_menu_) soft_key_menu_->Select(0, -1, false);
            if (readout_panel_) readout_panel_->Redraw();
            return true;
        case 4:
            CycleMarkerReadout();
            break;
        case 5:
            if (graphPanel) graphPanel->Redraw();
            return true;
        case 6:
            return false;
        case kReturnKey:
            ShowMarkerPage(-1);
            return true;
        default:
            return false;
    }
    ShowMarkerTypeMenu(key, -1);
    return true;
}

bool CMeasurementBase::OnSignalToolsMenuKey(int key) {
    if (!setup_) return false;
    switch (key) {
        case 0:
            setup_->SetFSBeepMode(!setup_->GetFSBeepMode());
            if (setup_->GetFSBeepMode()) SignalBeep();
            break;
        case kVolumeKey:
            lastKey[kSignalToolsPage] = kVolumeKey;
            ShowSignalToolsMenu(kVolumeKey, -1);
            if (soft_key_menu_) soft_key_menu_->SetKeyState(0, kVolumeKey, true);
            RequestMarkerRedraw();
            return true;
        case 2:
            MarkerToCenter();
            break;
        case kReturnKey:
        case kEscapeKey:
            ShowMarkerPage(-1);
            return true;
        default:
            return false;
    }
    lastKey[kSignalToolsPage] = key;
    ShowSignalToolsMenu(key, -1);
    RequestMarkerRedraw();
    return true;
}

bool CMeasurementBase::VolumeInEdit() const {
    return GetLastKey(kSignalToolsPage) == kVolumeKey;
}

void CMeasurementBase::AfterVolumeKey() {
    ShowSignalToolsMenu(kVolumeKey, -1);
    if (soft_key_menu_) soft_key_menu_->SetKeyState(0, kVolumeKey, true);
    RequestMarkerRedraw();
}

bool CMeasurementBase::OnToolsArrow(uint32_t key) {
    if (!VolumeInEdit()) return OnMarkerArrow(key);
    const bool done = StepVolume(key);
    AfterVolumeKey();
    return done;
}

bool CMeasurementBase::OnToolsKnob(int delta) {
    if (!VolumeInEdit()) return OnMarkerKnob(delta);
    const bool done = TurnVolume(delta);
    AfterVolumeKey();
    return done;
}

bool CMeasurementBase::OnToolsDigit(int digit) {
    if (!VolumeInEdit()) return EditMarkerPosition(digit);
    const bool done = EditVolume(digit);
    AfterVolumeKey();
    return done;
}

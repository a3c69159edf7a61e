// The trace page (clear/write, maximum and minimum hold, averaging and its
// count), the detection page and the waterfall page of a measurement screen.
// The sweep processing reads the two restart requests set here.
#include <array>
#include <ctime>

#include "core/keys.h"
#include "dialogs/picture_dlgs.h"
#include "files/meas_setup.h"
#include "instrument/measurement.h"
#include "platform/kernel/clock.h"
#include "screens/measurement/page_labels.h"
#include "screens/measurement_base.h"
#include "widgets/graph_panel.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"

namespace {
constexpr int kDetectionPage = 3;
constexpr int kBandwidthPage = 1;
constexpr int kTracePage = 14;
constexpr int kWaterfallPage = 15;
constexpr int kCountKey = 4;
constexpr int kResetKey = 5;
constexpr int kReturnKey = 7;
constexpr int kNoKeyChosen = 8;
constexpr uint32_t kWaterfallPauseMs = 200;
constexpr std::array<int32_t, 4> kDetectorOfKey = {3, 2, 1, 0};
constexpr int kMeasurementKindNoApply = 2;
// Waterfall modes.
constexpr int32_t kWaterfallOff = 0;
constexpr int32_t kWaterfallAlone = 1;
constexpr int32_t kWaterfallSplit = 2;
constexpr int32_t kWaterfallRecalled = 3;
constexpr int32_t kAveragingMin = 2;
constexpr int32_t kAveragingMax = 1024;
}  // namespace

bool CMeasurementBase::OnTraceMenuKey(int key) {
    if (!setup_) return false;
    if (soft_key_menu_) soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
    countInEdit = false;
    switch (key) {
        case 0:
            if (setup_->GetPeakHoldMode() != 0 || setup_->GetAveragingMode() != 0) {
                setup_->SetAveragingMode(0);
                setup_->SetPeakHoldMode(0);
            }
            break;
        case 1:
        case 2: {
            const int32_t mode = key;
            setup_->SetPeakHoldMode(setup_->GetPeakHoldMode() == mode ? 0 : mode);
            setup_->SetAveragingMode(0);
            RequestTraceModeRestart();
            break;
        }
        case 3:
            setup_->SetAveragingMode(setup_->GetAveragingMode() != 0 ? 0 : 1);
            setup_->SetPeakHoldMode(0);
            RequestTraceModeRestart();
            break;
        case kCountKey:
            countInEdit = true;
            break;
        case kResetKey:
            if (soft_key_menu_) soft_key_menu_->Select(0, kResetKey, true);
            RequestTraceModeRestart();
            if (soft_key_menu_) soft_key_menu_->Select(0, kResetKey, false);
            break;
        case 6:
            return ShowWaterfallMenu(-1);
        case kReturnKey:
        case kEscapeKey:
            ReturnToPage9(-1);
            return true;
        default:
            return false;
    }
    OnTraceModeChanged();
    BuildTraceModeLabels();
    if (soft_key_menu_) {
        soft_key_menu_->Show(0, countInEdit ? kCountKey : CSoftKeyMenu::kAllKeys);
        if (countInEdit) soft_key_menu_->SetKeyState(0, kCountKey, true);
    }
    UpdateSweepReadout(true);
    return true;
}

void CMeasurementBase::OnTraceModeChanged() {}

// --- Averaging count ----------------------------------------------------------------------------

bool CMeasurementBase::OnAveragingDigit(int digit) {
    return countInEdit && EnterAveragingCount(digit);
}

bool CMeasurementBase::OnAveragingArrow(uint32_t key) {
    return countInEdit && StepAveragingCount(key);
}

bool CMeasurementBase::OnAveragingKnob(int step) {
    return countInEdit && KnobAveragingCount(step);
}

bool CMeasurementBase::EnterAveragingCount(int digit) {
    if (!setup_) return false;
    int count = setup_->GetAveragingCount();
    if (RunAveragingDialog(digit, count) && count != setup_->GetAveragingCount()) {
        setup_->SetAveragingCount(count);
        OnAveragingCountChanged();
    }
    RepaintScreen(0);
    return true;
}

bool CMeasurementBase::StepAveragingCount(uint32_t key) {
    if (!setup_) return false;
    const int32_t before = setup_->GetAveragingCount();
    switch (key) {
        case VK_LEFT:
            setup_->SetAveragingCount(kAveragingMin);
            break;
        case VK_RIGHT:
            setup_->SetAveragingCount(kAveragingMax);
            break;
        case VK_UP:
            setup_->SetAveragingCount(before + 1);  // stays at 1024
            break;
        case VK_DOWN:
            setup_->DecAveragingCount(before - 1);  // stays at 2
            break;
        default:
            return false;
    }
    if (setup_->GetAveragingCount() != before) OnAveragingCountChanged();
    return true;
}

bool CMeasurementBase::KnobAveragingCount(int step) {
    if (!setup_) return false;
    const int32_t before = setup_->GetAveragingCount();
    if (step < 1)
        setup_->DecAveragingCount(before - 1);
    else
        setup_->SetAveragingCount(before + 1);
    if (setup_->GetAveragingCount() != before) OnAveragingCountChanged();
    return true;
}

void CMeasurementBase::OnAveragingCountChanged() {
    if (setup_ && setup_->GetAveragingMode() != 0) m_AverageRestart = true;
    BuildTraceModeLabels();
    if (soft_key_menu_) {
        soft_key_menu_->Show(0, kCountKey);
        soft_key_menu_->SetKeyState(0, kCountKey, true);
    }
    UpdateSweepReadout(true);
}

// --- Detection ---------------------------------------------------------------------------------

bool CMeasurementBase::OnDetectionMenuKey(int key) {
    if (!setup_) return false;
    if (key == kReturnKey || key == kEscapeKey) {
        const int parent = parent_page_[kDetectionPage];
        const int page = parent >= 0 && parent < kFunctionCount && parent != kDetectionPage
                             ? parent
                             : kBandwidthPage;
        active_function_ = page;
        ShowSoftKeys(page, -1);
        return true;
    }
    if (key < 0 || key >= static_cast<int>(kDetectorOfKey.size())) return false;
    const int32_t mode = kDetectorOfKey[static_cast<size_t>(key)];
    if (mode != setup_->GetDetectionMode()) {
        setup_->SetDetectionMode(mode);
        if (!currentMeasurement || currentMeasurement->GetId() != kMeasurementKindNoApply)
            ApplySettings(true);
    }
    ShowDetectionPage(kNoKeyChosen);
    UpdateSweepReadout(true);
    if (readout_panel_) readout_panel_->Redraw();
    if (soft_key_menu_) soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
    return true;
}

// --- Waterfall ---------------------------------------------------------------------------------

bool CMeasurementBase::ShowWaterfallMenu(int) {
    active_function_ = kWaterfallPage;
    lastKey[kWaterfallPage] = kNoKeyChosen;
    BuildWaterfallMenu();
    if (soft_key_menu_) {
        soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
        soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
    }
    return true;
}

bool CMeasurementBase::BuildWaterfallMenu() {
    if (!soft_key_menu_ || !setup_) return false;
    const bool stamps = graphPanel && graphPanel->GetGraph() && graphPanel->GetWaterfallTimeStamp();
    page_labels::WaterfallPage(*soft_key_menu_, setup_->GetWaterfallMode(), stamps);
    return true;
}

void CMeasurementBase::TellWaterfallMode(bool pause) {
    if (!graphPanel || !graphPanel->GetGraph() || !setup_) return;
    graphPanel->SetWaterfallMode(setup_->GetWaterfallMode());
    if (pause) {
        plat::sleep_ms(kWaterfallPauseMs);
        graphPanel->Redraw();
    }
}

bool CMeasurementBase::LeaveWaterfallRecall() {
    if (!setup_ || setup_->GetWaterfallMode() == kWaterfallOff) return false;
    setup_->SetWaterfallMode(kWaterfallAlone);
    TellWaterfallMode(true);
    if (graphPanel && graphPanel->GetGraph()) {
        graphPanel->ClearWaterfall();
        graphPanel->HideMarkerTable();
    }
    markerTablePosition = 0;
    TellWaterfallMode(false);
    ResetHoldState();
    ApplyAndRestart(true);
    if (graphPanel) graphPanel->Redraw();
    return true;
}

bool CMeasurementBase::SaveWaterfallFile() {
    if (!graphPanel || !graphPanel->GetGraph()) return false;
    StopMeasurement();
    const auto start = static_cast<uint64_t>(axisStart < 0 ? 0 : axisStart);
    const auto stop = static_cast<uint64_t>(axisStop < 0 ? 0 : axisStop);
    const std::array<uint32_t, 9> values = {static_cast<uint32_t>(std::time(nullptr)),
                                            static_cast<uint32_t>(start),
                                            static_cast<uint32_t>(start >> 32),
                                            static_cast<uint32_t>(stop),
                                            static_cast<uint32_t>(stop >> 32),
                                            0,
                                            0,
                                            0,
                                            0};
    const bool saved = graphPanel->SaveWaterfall(values) != 0;
    ApplySettings(true);
    return saved;
}

bool CMeasurementBase::OnWaterfallMenuKey(int key) {
    if (!setup_) return false;
    if (soft_key_menu_) soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
    const int32_t mode = setup_->GetWaterfallMode();
    const bool graph = graphPanel && graphPanel->GetGraph();
    switch (key) {
        case 0:
            if (mode == kWaterfallOff) {
                setup_->SetWaterfallMode(kWaterfallSplit);
                if (graph) {
                    graphPanel->ClearWaterfall();
                    graphPanel->HideMarkerTable();
                }
                markerTablePosition = 0;
            } else {
                setup_->SetWaterfallMode(kWaterfallOff);
            }
            TellWaterfallMode(false);
            ResetHoldState();
            ApplyAndRestart(true);
            if (graph) graphPanel->DrawGraph(nullptr, false);
            break;
        case 1:
            if (mode == kWaterfallOff) return false;
            if (mode == kWaterfallRecalled) LeaveWaterfallRecall();
            setup_->SetWaterfallMode(
                setup_->GetWaterfallMode() == kWaterfallSplit ? kWaterfallAlone : kWaterfallSplit);
            TellWaterfallMode(true);
            break;
        case 2:
            if (mode == kWaterfallOff || !graph) return false;
            graphPanel->SetWaterfallTimeStamp(!graphPanel->GetWaterfallTimeStamp());
            graphPanel->Redraw();
            break;
        case 4:
            if (mode == kWaterfallOff || mode == kWaterfallRecalled) return false;
            SaveWaterfallFile();
            break;
        case 5:
            if (mode == kWaterfallOff) return false;
            StopMeasurement();
            if (ChooseWaterfallFile()) {
                setup_->SetWaterfallMode(kWaterfallRecalled);
                TellWaterfallMode(true);
                if (graph) graphPanel->RestoreWaterfall();
            } else {
                ApplySettings(true);
            }
            break;
        case 6:
            LeaveWaterfallRecall();
            break;
        case kReturnKey:
            ShowTracePage();
            return true;
        default:
            return false;
    }
    BuildWaterfallMenu();
    if (soft_key_menu_) soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    if (readout_panel_) readout_panel_->Redraw();
    return true;
}

bool CMeasurementBase::OnWaterfallMarkerArrow(uint32_t key) {
    switch (key) {
        case VK_LEFT:
        case VK_RIGHT:
            return OnMarkerArrow(key);
        case VK_UP:
        case VK_DOWN:
            if (!graphPanel || !graphPanel->GetGraph()) return false;
            graphPanel->StepActiveMarker(key == VK_UP, repeat_count_ > 2 ? repeat_count_ : 1);
            RequestMarkerRedraw();
            return true;
        default:
            return false;
    }
}

bool CMeasurementBase::ChooseWaterfallFile() {
    CPictureFileDlg dialog(main_frame());
    const bool chosen = dialog.DoModal() == plat::IDOK && !dialog.GetPath().empty();
    const bool recalled = chosen && graphPanel && graphPanel->RecallWaterfall(dialog.GetPath());
    RedrawWholeScreen();
    return recalled;
}

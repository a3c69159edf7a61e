// The measurement screens' part of editing the points of a limit mask: the
// pending point moved in frequency (arrows) and level (arrows, wheel), its
// order checked against its neighbours, a point loaded, and the mask point
// and line/mask list dialogs opened.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/frequency_range.h"
#include "files/meas_setup.h"
#include "platform/framework/wnd.h"
#include "platform/window/messages.h"
#include "screens/measurement_base.h"

namespace {
constexpr double kLevelLimit = 300.0;
constexpr double kNotch = 120.0;
constexpr uint32_t kPointDialogTitle = 61395;
enum EditState { kAdding = 1, kEditing = 2, kDeleting = 3 };
}  // namespace

bool CMeasurementBase::PointInEdit() const {
    return editState == kAdding || editState == kEditing || refPointActive;
}

uint64_t CMeasurementBase::LimitCentre() const {
    const CFrequencyRange* r = setup_ ? setup_->GetFrequencyRange() : nullptr;
    return r ? r->GetCentre() : 0;
}

bool CMeasurementBase::SelectedUpper() const {
    return setup_ && setup_->GetLimitType() == 1;
}

void CMeasurementBase::RedrawSelectedLimit() {
    if (SelectedUpper())
        ShowUpperLimitLabel();
    else
        ShowLowerLimitLabel();
}

// The marker stands on the pending point's frequency.
void CMeasurementBase::ShowEditCursor() {
    const CFrequencyRange* r = setup_ ? setup_->GetFrequencyRange() : nullptr;
    if (!r) return;
    const int64_t f = static_cast<int64_t>(LimitCentre()) + editOffset;
    editMarkerFrequency = static_cast<uint64_t>(std::max<int64_t>(0, f));
    const int points = std::clamp<int>(setup_->GetDataPoints(), kMinPoints, kMaxPoints);
    const int point = FrequencyToPoint(r->GetStart(), editMarkerFrequency, r->GetSpan());
    MoveMarkerTo(std::min(point, points - 1));
    markerMoved = true;
    RequestMarkerRedraw();
}

void CMeasurementBase::TakePendingPoint(const MaskPoint& p) {
    editOffset = p.offset;
    editLevel = p.level;
    editTypeWord = p.absolute;
}

bool CMeasurementBase::OnPointArrow(uint32_t key) {
    if (!setup_ || !PointInEdit()) return false;
    const CFrequencyRange* r = setup_->GetFrequencyRange();
    if (!r) return false;
    const int repeat = std::max(repeat_count_, 1);
    if (key == plat::VK_LEFT || key == plat::VK_RIGHT) {
        const int points = std::clamp<int>(setup_->GetDataPoints(), kMinPoints, kMaxPoints);
        const double perPoint = static_cast<double>(r->GetStop() - r->GetStart()) / (points - 1);
        const int n = repeat <= 2 ? 1 : 5 * repeat;
        const double from = static_cast<double>(LimitCentre()) + editOffset;
        double to = key == plat::VK_RIGHT ? from + n * perPoint : from - n * perPoint;
        to = std::clamp(to, static_cast<double>(r->GetStart()), static_cast<double>(r->GetStop()));
        editOffset = std::llround(to) - static_cast<int64_t>(LimitCentre());
    } else if (key == plat::VK_UP || key == plat::VK_DOWN) {
        if (wholeLineFlag) return OnThresholdArrow(key);
        editLevel += key == plat::VK_UP ? repeat : -repeat;
        editLevel = std::clamp(editLevel, -kLevelLimit, kLevelLimit);
    } else {
        return false;
    }
    if (editState == kEditing) CheckEditedPoint(0);
    ShowEditCursor();
    RedrawSelectedLimit();
    return true;
}

bool CMeasurementBase::TurnPointLevel(int delta) {
    if (!setup_ || delta == 0) return false;
    if (wholeLineFlag) return OnThresholdKnob(delta);
    editTypeWord = PendingPointType();
    const double step = std::abs(delta) / kNotch * ThresholdWheelUnit();
    editLevel = std::clamp(editLevel + (delta > 0 ? step : -step), -kLevelLimit, kLevelLimit);
    return true;
}

bool CMeasurementBase::OnPointKnob(int delta) {
    if (!setup_ || !PointInEdit()) return false;
    LoadScaleRange();
    if (!TurnPointLevel(delta)) return false;
    if (editState == kEditing) CheckEditedPoint(delta);
    RedrawSelectedLimit();
    return true;
}

bool CMeasurementBase::OnPointDigit(int digit) {
    return OpenPointDialog(digit);
}

bool CMeasurementBase::CheckEditedPoint(int) {
    if (!setup_ || !PointInEdit()) return false;
    pointChangedFlag = true;
    if (editState == kEditing) {
        EmissionMask& mask = EditRecord(SelectedUpper());
        const MaskPoint moved{editOffset, editLevel, editTypeWord};
        if (!limit_mask::MovePoint(mask, editPointIndex, moved) && editPointIndex >= 1 &&
            editPointIndex <= mask.count) {
            TakePendingPoint(mask.points[static_cast<size_t>(editPointIndex - 1)]);
            ShowEditCursor();
        }
    }
    upperLabelFlag = true;
    lowerLabelFlag = true;
    RedrawSelectedLimit();
    return true;
}

double CMeasurementBase::LoadEditPoint(int index, double* frequency, double* level) {
    const EmissionMask& mask = EditRecord(SelectedUpper());
    if (index < 1 || index > mask.count) return 0.0;
    const MaskPoint& p = mask.points[static_cast<size_t>(index - 1)];
    editPointIndex = index;
    TakePendingPoint(p);
    if (frequency) *frequency = static_cast<double>(p.offset);
    if (level) *level = p.level;
    RedrawSelectedLimit();
    ShowEditCursor();
    return static_cast<double>(p.offset);
}

bool CMeasurementBase::OpenPointDialog(int digit) {
    if (!setup_) return false;
    const EmissionMask& mask = EditRecord(SelectedUpper());
    const bool open = editState == kAdding ||
                      ((editState == kEditing || editState == kDeleting) && mask.count > 1);
    if (!open) return false;
    const CFrequencyRange* r = setup_->GetFrequencyRange();
    PointDialog d;
    d.titleId = kPointDialogTitle;
    d.firstKey = digit;
    d.centre = r ? r->GetCentre() : 0;
    d.span = r ? r->GetSpan() : 0;
    d.offsetHigh = static_cast<double>(d.centre);
    d.offsetLow = -d.offsetHigh;
    d.levelLow = -kLevelLimit;
    d.levelHigh = kLevelLimit;
    d.count = editState == kAdding ? mask.count : mask.count - 1;
    d.mode = editState;
    d.current = std::max(editPointIndex, 1);
    RunPointDialog(d);
    RepaintScreen(0);
    BuildEditPointsMenu(-1, -1);
    if (readout_panel_) RefreshPane(10);
    return true;
}

int CMeasurementBase::OpenLineMaskList(bool repaintGraph) {
    const std::vector<core::Text> names = MaskNames();
    if (names.empty()) return 0;
    const std::optional<int> chosen = RunLineMaskList(names, SelectedMaskIndex());
    if (main_frame()) main_frame()->SetFocus();
    RepaintScreen(repaintGraph ? 1 : 0);
    return chosen ? *chosen : 0;
}

// Without masks of its own a screen has no names, no point to take and no
// dialogs to run.
std::vector<core::Text> CMeasurementBase::MaskNames() {
    return {};
}
int CMeasurementBase::SelectedMaskIndex() const {
    return 0;
}
int CMeasurementBase::PendingPointType() const {
    return editTypeWord;
}
bool CMeasurementBase::OnPointValueEntered(int, double, double) {
    return false;
}
bool CMeasurementBase::RunPointDialog(const PointDialog&) {
    return false;
}
std::optional<int> CMeasurementBase::RunLineMaskList(const std::vector<core::Text>&, int) {
    return std::nullopt;
}

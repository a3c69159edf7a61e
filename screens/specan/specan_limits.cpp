// CSpecAnMode: the limit lines and emission masks of the screen. Two lists
// of masks (upper and lower, "LINE" first), loaded from the limit-mask file
// or built in; the mask of each limit chosen from its list into an edit
// record, projected around the centre frequency (or the locked frequency)
// onto the trace points and handed to the data path, which tests each sweep
// against it; and the limit page (37) with its keys.
#include <algorithm>
#include <array>

#include "core/frequency_range.h"
#include "core/res_string.h"
#include "core/scoped_lock.h"
#include "core/units.h"
#include "files/formats/limit_mask_file.h"
#include "files/sa_meas_setup.h"
#include "screens/screen_services.h"
#include "screens/specan/specan_mode.h"
#include "widgets/graph_panel.h"
#include "widgets/soft_key_menu.h"

namespace {
constexpr int kThresholdPage = 37;
constexpr int kEditorKey = 3, kSelectKey = 4, kLockKey = 5, kMaxPeakKey = 6;
constexpr uint32_t kIdEditor = 64620, kIdSelect = 64237, kIdLock = 64238, kIdMaxPeak = 64347;
constexpr uint32_t kIdOn = 308, kIdOff = 309, kIdBlank = 184;
}  // namespace

// --- Lists -------------------------------------------------------------------------------

int CSpecAnMode::LoadMasks(CLimitMaskFile* maskFile) {
    int result = 0;
    upperMasks_.assign(1, limit_mask::LineMask());
    lowerMasks_.assign(1, limit_mask::LineMask());
    if (maskFile && maskFile->GetMaskTotal() != 0) {
        for (uint32_t i = 0; i < maskFile->GetMaskTotal(); ++i) {
            const LimitMask* m = maskFile->GetMaskAt(i);
            if (!m) {
                result = 1;
                continue;
            }
            auto& list = m->upper ? upperMasks_ : lowerMasks_;
            if (static_cast<int>(list.size()) < kMaxMaskEntries)
                list.push_back(limit_mask::FromFileMask(*m));
        }
        maskFile->ClearMasks();
    } else if (!maskFile) {
        BuildDefaultMasks();
    }
    return result;
}

void CSpecAnMode::BuildDefaultMasks() {
    for (const EmissionMask& m : limit_mask::BuiltInUpperMasks()) upperMasks_.push_back(m);
    for (const EmissionMask& m : limit_mask::BuiltInLowerMasks()) lowerMasks_.push_back(m);
}

int CSpecAnMode::GetMaskNames() {
    auto& names = SelectedUpper() ? upperNames_ : lowerNames_;
    const auto& list = MaskList(SelectedUpper());
    names.clear();
    for (const EmissionMask& m : list) names.push_back(m.name);
    return static_cast<int>(list.size());
}

std::vector<core::Text> CSpecAnMode::MaskNames() {
    GetMaskNames();
    return SelectedUpper() ? upperNames_ : lowerNames_;
}

int CSpecAnMode::SelectedMaskIndex() const {
    return selectedMask_[SelectedUpper() ? 1 : 0];
}

int CSpecAnMode::SelectLineOrMask() {
    const int count = GetMaskNames();
    const int chosen = OpenLineMaskList(true);
    const int index = std::clamp(chosen, 0, std::max(count - 1, 0));
    selectedMask_[SelectedUpper() ? 1 : 0] = index;
    LoadMaskForEdit(index, setup_ ? setup_->GetLimitType() : 0);
    return index;
}

int CSpecAnMode::LoadMaskForEdit(int index, int limitType) {
    const bool upper = limitType == 1;
    const auto& list = MaskList(upper);
    if (index < 0 || index >= static_cast<int>(list.size())) return 0;
    EditRecord(upper) = list[static_cast<size_t>(index)];
    return 1;
}

std::optional<int> CSpecAnMode::RunLineMaskList(const std::vector<core::Text>& names, int current) {
    const std::optional<int> chosen = Entries().LineMask(names, current);
    AfterEntry();
    return chosen;
}

// --- Projection and drawing --------------------------------------------------------------

int CSpecAnMode::SearchPoint(EmissionMask& record, double refLevel, uint64_t refFrequency,
                             std::vector<double>& out) {
    const CFrequencyRange* r = sa_setup_->GetFrequencyRange();
    if (!r) return 0;
    const int points = std::clamp<int>(sa_setup_->GetDataPoints(), kMinPoints, kMaxPoints);
    limit_mask::ReferencePoint reference;
    reference.active = maskEditing_ && refPointActive;
    reference.point = {editOffset, editLevel, editTypeWord};
    out = limit_mask::Project(record, refLevel, refFrequency, r->GetStart(), r->GetSpan(), points,
                              reference);
    return 1;
}

void CSpecAnMode::ShowUpperLimitLabel() {
    DrawUpperLimit();
}

void CSpecAnMode::ShowLowerLimitLabel() {
    DrawLowerLimit();
}

void CSpecAnMode::DrawUpperLimit() {
    DrawLimit(true);
}

void CSpecAnMode::DrawLowerLimit() {
    DrawLimit(false);
}

void CSpecAnMode::DrawLimit(bool upper) {
    const CFrequencyRange* r = sa_setup_->GetFrequencyRange();
    if (!r) return;
    uint64_t centre = r->GetCentre();
    LoadScaleRange();
    double value = upper ? sa_setup_->GetUpperLimitValue() : sa_setup_->GetLowerLimitValue();
    const double clamped = std::clamp(value, std::min(scaleBottom, scaleTop), scaleTop);
    if (clamped != value) {
        value = clamped;
        upper ? sa_setup_->SetUpperLimitValue(value) : sa_setup_->SetLowerLimitValue(value);
    }
    EmissionMask& record = EditRecord(upper);
    if (!maskEditing_) {
        refPointActive = false;
        if (record.refFrequencyFlag == 1) {
            maskLock_ = true;
            lockCentre_ = record.refFrequency;
            if (!upper) value = record.refLevel;
        }
        if (!maskLock_) {
            lockCentre_ = centre;
            lockStart_ = r->GetStart();
        } else if (!(upper && lockCentre_ == 0)) {
            centre = lockCentre_;
        }
        if (upper && record.refLevelFlag == 1) value = record.refLevel;
    } else {
        ShowLimitCursors(upper, centre);
    }
    projectedAxis_ = {r->GetStart(), r->GetSpan(), sa_setup_->GetDataPoints()};
    std::vector<double> limit;
    SearchPoint(record, value, centre, limit);
    (upper ? upperLimit_ : lowerLimit_) = limit;
    SetLimitShape(upper, std::move(limit));
    DrawLimitLabel(upper, value);
}

void CSpecAnMode::ShowLimitCursors(bool upper, uint64_t centre) {
    if (!graphPanel || centre == cursorCentre_) return;
    cursorCentre_ = centre;
    graphPanel->SetLimitCursor(1, centre);
    if (upper || !refPointActive) graphPanel->SetLimitCursor(0, cursorCentre_);
}

// The limits stand on the trace points: a new sweep axis projects them anew.
void CSpecAnMode::FollowAxisWithLimits() {
    const CFrequencyRange* r = sa_setup_->GetFrequencyRange();
    if (!r) return;
    const ProjectedAxis axis{r->GetStart(), r->GetSpan(), sa_setup_->GetDataPoints()};
    if (axis == projectedAxis_) return;
    DrawUpperLimit();
    DrawLowerLimit();
}

// --- The limit page ----------------------------------------------------------------------

int CSpecAnMode::BuildLimitLineMenu(int highlight, int extra) {
    return BuildLimitMenu(highlight, extra);
}

int CSpecAnMode::BuildLimitMenu(int highlight, int extra) {
    if (!soft_key_menu_) return 0;
    ShowThresholdAlarmMenu(-1, extra);
    CSoftKeyMenu& m = *soft_key_menu_;
    const bool upper = SelectedUpper();
    GetMaskNames();
    const auto& names = upper ? upperNames_ : lowerNames_;
    const int index = SelectedMaskIndex();
    const core::Text name =
        index < static_cast<int>(names.size()) ? names[static_cast<size_t>(index)] : core::Text();
    m.SetKeyTextById(kIdEditor, kEditorKey, false, false);
    m.SetKeyText(LoadResString(kIdSelect) + u"\n" + name, kSelectKey, false, false);
    if (index >= 1) {
        m.SetKeyLabelById(kIdLock, kLockKey, kIdOn, kIdOff, maskLock_ ? 0 : 1, false);
        m.SetKeyTextById(upper ? kIdMaxPeak : kIdBlank, kMaxPeakKey, false, false);
    } else {
        m.SetKeyTextById(kIdBlank, kLockKey, false, false);
        m.SetKeyTextById(kIdBlank, kMaxPeakKey, false, false);
    }
    m.Show(0, highlight);
    return 1;
}

bool CSpecAnMode::OnThresholdMenuKey(int key) {
    return OnLimitMenuKey(key);
}

bool CSpecAnMode::OnLimitMenuKey(int key) {
    const bool maskSelected = SelectedMaskIndex() >= 1;
    switch (key) {
        case kEditorKey:
            ShowLimitPage38(kNoKey);
            return true;
        case kSelectKey:
            SelectLineOrMask();
            DrawUpperLimit();
            DrawLowerLimit();
            break;
        case kLockKey:
            if (!maskSelected) return false;
            ToggleMaskLock();
            break;
        case kMaxPeakKey:
            if (!maskSelected || !SelectedUpper()) return false;
            EmToMaxPeak();
            break;
        case 0:
            CMeasurementBase::OnThresholdMenuKey(key);
            DrawUpperLimit();
            DrawLowerLimit();
            return true;
        default:
            return CMeasurementBase::OnThresholdMenuKey(key);
    }
    LastKey(kThresholdPage) = key;
    BuildLimitMenu(key, -1);
    return true;
}

void CSpecAnMode::ToggleMaskLock() {
    maskLock_ = !maskLock_;
    if (const CFrequencyRange* r = sa_setup_->GetFrequencyRange()) {
        lockCentre_ = r->GetCentre();
        lockStart_ = r->GetStart();
    }
    // A mask that carries its own locked frequency follows the key.
    for (bool upper : {true, false}) {
        EmissionMask& record = EditRecord(upper);
        record.refFrequencyFlag = maskLock_ ? record.refFrequencyFlag : 0;
    }
    DrawUpperLimit();
    DrawLowerLimit();
}

// The levels published after the last whole sweep: its highest peak, its
// maximum and its minimum; nothing before a whole sweep or without a peak.
std::optional<std::array<double, 3>> CSpecAnMode::PublishedLevels() {
    const ExtremaLists lists = TakeExtrema(false);
    if (lists.byLevel.empty()) return std::nullopt;
    const auto point = static_cast<size_t>(lists.byLevel.front());
    ScopedLock guard(*this);
    const int n = std::min(m_PointCount, static_cast<int>(shown_.display.size()));
    if (n <= 0 || point >= static_cast<size_t>(n)) return std::nullopt;
    const auto [low, high] =
        std::minmax_element(shown_.display.begin(), shown_.display.begin() + n);
    return std::array<double, 3>{shown_.display[point], *high, *low};
}

bool CSpecAnMode::EmToMaxPeak() {
    const auto levels = PublishedLevels();
    if (!levels) return false;
    const double peak = (*levels)[0];
    sa_setup_->SetUpperLimitValue(peak);
    if (peak < sa_setup_->GetLowerLimitValue()) {
        sa_setup_->SetLowerLimitValue(peak - 2.0);
        DrawLowerLimit();
    }
    DrawUpperLimit();
    return true;
}

bool CSpecAnMode::RunLevelDialog(uint32_t titleId, uint32_t unit, double value, double high,
                                 double low, int firstKey, double& entered) {
    const std::optional<double> answer =
        Entries().Amplitude(titleId, unit, value, high, low, firstKey);
    AfterEntry();
    if (!answer) return false;
    entered = *answer;
    return true;
}

const std::vector<EmissionMask>& CSpecAnMode::MaskList(bool upper) const {
    return upper ? upperMasks_ : lowerMasks_;
}

const std::vector<double>& CSpecAnMode::GetLimitArray(bool upper) const {
    return upper ? upperLimit_ : lowerLimit_;
}

// Entries without these dialogs answer as a cancelled dialog.
std::optional<int> ISpecAnEntries::LineMask(const std::vector<core::Text>&, int) {
    return std::nullopt;
}
std::optional<core::Text> ISpecAnEntries::MaskName(uint32_t, const core::Text&) {
    return std::nullopt;
}
bool ISpecAnEntries::MaskPoint(const CMeasurementBase::PointDialog&, const PointLoader&,
                               const PointTaker&) {
    return false;
}

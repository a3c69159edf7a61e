// CSpecAnMode: the limit line and mask editor (pages 38 to 40). A mask is
// begun new or from one of the list, its points added, moved, deleted and
// mirrored with a reference point and a point unit, and saved into its list
// and the limit-mask file, so that the next start finds it again.
#include <algorithm>
#include <cstdio>

#include "core/frequency_range.h"
#include "core/res_string.h"
#include "files/formats/limit_mask_file.h"
#include "files/sa_meas_setup.h"
#include "platform/framework/system_services.h"
#include "platform/window/messages.h"
#include "screens/screen_services.h"
#include "screens/specan/specan_mode.h"
#include "widgets/graph_panel.h"
#include "widgets/soft_key_menu.h"

namespace {
constexpr int kEditPage = 38, kRefPointPage = 39, kPointsPage = 40;
constexpr int kReturnKey = 7;
// The key of the threshold page that opens the editor.
constexpr int kEditorKey = 3;
enum EditState { kNone = 0, kAdding = 1, kEditing = 2, kDeleting = 3 };
constexpr uint32_t kIdLimit = 681, kIdUp = 704, kIdDown = 705, kIdNewLine = 64240, kIdEdit = 1010,
                   kIdLineMask = 64241, kIdReturn = 1019, kIdBlank = 184, kIdSave = 191,
                   kIdCancel = 1073, kIdOn = 308, kIdOff = 309, kIdDbm = 561, kIdDbc = 851,
                   kIdMaskName = 61345;
// Messages.
constexpr uint32_t kListFull = 64621, kNotWritten = 64622, kBadName = 64623,
                   kNameOfOtherList = 64624, kMaskFull = 64626, kPointHeld = 64627;
constexpr uint32_t kMessageStyle = 0x30;  // OK with the exclamation icon
constexpr uint32_t kRefusedBeep = 0x20;

core::Text Counted(const char16_t* pattern, int number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%u", static_cast<unsigned>(std::max(number, 0)));
    core::Text text = pattern;
    const size_t at = text.find(u"%u");
    return text.replace(at, 2, core::Text(digits, digits + std::char_traits<char>::length(digits)));
}

void Tell(uint32_t id) {
    if (IScreenServices* s = IScreenServices::current())
        s->ShowScreenMessage(LoadResString(id), kMessageStyle);
}
}  // namespace

// --- Pages -------------------------------------------------------------------------------

int CSpecAnMode::BuildLimitEditMenu(int highlight, int) {
    if (!soft_key_menu_) return 0;
    CSoftKeyMenu& m = *soft_key_menu_;
    m.SetKeyLabelById(kIdLimit, 0, kIdUp, kIdDown, SelectedUpper() ? 0 : 1, false);
    m.SetKeyTextById(kIdNewLine, 1, false, false);
    m.SetKeyText(LoadResString(kIdEdit) + u"\n" + LoadResString(kIdLineMask), 2, false, false);
    for (int k = 3; k <= 6; ++k) m.SetKeyTextById(kIdBlank, k, false, false);
    m.SetKeyTextById(kIdReturn, kReturnKey, false, false);
    return m.Show(0, highlight), 1;
}

int CSpecAnMode::BuildRefPointMenu(int highlight, int) {
    if (!soft_key_menu_) return 0;
    CSoftKeyMenu& m = *soft_key_menu_;
    m.SetKeyText(u"Set \nRef Point\n", 0, false, false);
    m.SetKeyText(u"Ref Point\n to Max\n Peak", 1, false, false);
    m.SetKeyLabel(u"Ref Point\n Unit\n", 2, kIdDbm, kIdDbc, refPointUnit_ ? 0 : 1, false);
    m.SetKeyLabel(u"EM Freq\n Lock\n", 3, kIdOn, kIdOff, emLock_ ? 0 : 1, false);
    m.SetKeyText(u"Edit \nPoints\n", 4, false, false);
    m.SetKeyTextById(kIdBlank, 5, false, false);
    m.SetKeyTextById(kIdBlank, 6, false, false);
    m.SetKeyTextById(kIdReturn, kReturnKey, false, false);
    return m.Show(0, highlight), 1;
}

int CSpecAnMode::BuildSaveMenu(int highlight, int) {
    if (!soft_key_menu_) return 0;
    CSoftKeyMenu& m = *soft_key_menu_;
    m.SetKeyTextById(kIdSave, 0, false, false);
    m.SetKeyTextById(kIdCancel, 1, false, false);
    for (int k = 2; k <= 7; ++k) m.SetKeyTextById(kIdBlank, k, false, false);
    return m.Show(0, highlight), 1;
}

int CSpecAnMode::BuildEditPointsMenu(int highlight, int) {
    if (!soft_key_menu_) return 0;
    CSoftKeyMenu& m = *soft_key_menu_;
    const EmissionMask& mask = EditRecord(SelectedUpper());
    m.SetKeyLabel(u" Point Unit\n", 0, kIdDbc, kIdDbm, pointUnit_ ? 1 : 0, false);
    if (maskEditing_) {
        m.SetKeyText(Counted(u"Add \nPoint\n [ %u ]", mask.count - 1), 1, false, false);
        if (mask.count >= 2) {
            m.SetKeyText(Counted(u"Delete\n Point \n [ %u ]", editPointIndex), 2, false, false);
            m.SetKeyText(Counted(u"Edit\n Point \n [ %u ]", editPointIndex), 3, false, false);
        } else {
            m.SetKeyTextById(kIdBlank, 2, false, false);
            m.SetKeyTextById(kIdBlank, 3, false, false);
        }
        m.SetKeyText(u"Set\nMiror Image", 4, false, false);
    } else {
        for (int k = 1; k <= 4; ++k) m.SetKeyTextById(kIdBlank, k, false, false);
    }
    m.SetKeyTextById(kIdBlank, 5, false, false);
    m.SetKeyText(u"Save\nLimit\n line/Mask", 6, false, false);
    m.SetKeyTextById(kIdReturn, kReturnKey, false, false);
    return m.Show(0, highlight), 1;
}

// --- Keys of the pages -------------------------------------------------------------------

bool CSpecAnMode::OnLimitPageKey38(int key) {
    return OnLimitEditMenuKey(key);
}
bool CSpecAnMode::OnLimitPageKey39(int key) {
    return OnRefPointMenuKey(key);
}
bool CSpecAnMode::OnLimitPageKey40(int key) {
    return OnEditPointsMenuKey(key);
}

bool CSpecAnMode::OnLimitEditMenuKey(int key) {
    editState = kNone;
    pointUnit_ = refPointUnit_ = emLock_ = false;
    switch (key) {
        case 0:
            SelectThresholdLine();
            BuildLimitEditMenu(0, -1);
            return true;
        case 1:
            NewLimitLine();
            ShowLimitPage39(1);
            return true;
        case 2:
            SelectLineOrMask();
            EditLimitLine();
            ShowLimitPage39(2);
            return true;
        case kReturnKey:
        case kEscapeKey:
            LeaveLimitEditor();
            ShowThresholdPage(key == kReturnKey ? kEditorKey : kNoKey);
            return true;
        default:
            return false;
    }
}

bool CSpecAnMode::OnRefPointMenuKey(int key) {
    switch (key) {
        case 0:
            refPointActive = true;
            editState = kNone;
            ApplyRefPointSettings();
            break;
        case 1: {
            const auto levels = PublishedLevels();
            if (!levels) return false;
            if (SelectedUpper()) {
                sa_setup_->SetUpperLimitValue((*levels)[1]);
                DrawUpperLimit();
            } else {
                sa_setup_->SetLowerLimitValue((*levels)[2]);
                DrawLowerLimit();
            }
            break;
        }
        case 2:
            refPointUnit_ = !refPointUnit_;
            ApplyRefPointSettings();
            break;
        case 3:
            emLock_ = !emLock_;
            ApplyRefPointSettings();
            break;
        case 4:
            ShowLimitPage40(4);
            return true;
        case kEscapeKey:
            if (editState == kAdding || editState == kEditing) {
                CancelPointEdit();
                break;
            }
            [[fallthrough]];
        case kReturnKey:
            LeaveLimitEditor();
            ShowThresholdPage(kNoKey);
            return true;
        default:
            return false;
    }
    LastKey(kRefPointPage) = key;
    BuildRefPointMenu(key, -1);
    return true;
}

bool CSpecAnMode::OnEditPointsMenuKey(int key) {
    switch (key) {
        case 0:
            pointUnit_ = !pointUnit_;
            editTypeWord = pointUnit_ ? 1 : 0;
            [[fallthrough]];
        case 1:
            editState = kAdding;
            refPointActive = true;
            savedPoint_ = {editOffset, editLevel, editTypeWord};
            RedrawSelectedLimit();
            break;
        case 2:
            NextPoint();
            editState = kDeleting;
            break;
        case 3:
            NextPoint();
            editState = kEditing;
            break;
        case 4:
            RebuildMaskLines();
            break;
        case 6:
            if (StoreEditedMask()) {
                LeaveLimitEditor();
                ShowThresholdPage(kNoKey);
                return true;
            }
            break;
        case kEscapeKey:
            if (editState == kAdding || editState == kEditing) {
                CancelPointEdit();
                break;
            }
            [[fallthrough]];
        case kReturnKey:
            editState = kNone;
            refPointActive = false;
            RedrawSelectedLimit();
            ShowLimitPage39(key);
            return true;
        default:
            return false;
    }
    LastKey(kPointsPage) = key;
    BuildEditPointsMenu(key, -1);
    return true;
}

int CSpecAnMode::OnEditPointsEnter() {
    if (active_function_ != kPointsPage) return 0;
    switch (editState) {
        case kDeleting:
            DeletePoint();
            break;
        case kEditing:
            savedPoint_ = {editOffset, editLevel, editTypeWord};
            refPointActive = false;
            RedrawSelectedLimit();
            break;
        case kAdding:
            AddPoint();
            break;
        default:
            return 0;
    }
    BuildEditPointsMenu(-1, -1);
    return 1;
}

bool CSpecAnMode::OnPointValueEntered(int index, double offset, double level) {
    EmissionMask& mask = EditRecord(SelectedUpper());
    switch (editState) {
        case kDeleting:
            editPointIndex = index;
            return DeletePoint();
        case kEditing: {
            editPointIndex = index;
            const MaskPoint moved{static_cast<int64_t>(offset), level, pointUnit_ ? 1 : 0};
            if (!limit_mask::MovePoint(mask, index, moved)) {
                LoadEditPoint(index, nullptr, nullptr);
                plat::message_beep(kRefusedBeep);
                return false;
            }
            TakePendingPoint(moved);
            RedrawSelectedLimit();
            ShowEditCursor();
            return true;
        }
        case kAdding:
            editOffset = static_cast<int64_t>(offset);
            editLevel = level;
            editTypeWord = pointUnit_ ? 1 : 0;
            ShowEditCursor();
            if (!AddPoint()) return false;
            if (soft_key_menu_) soft_key_menu_->SetKeyState(0, 2, true);
            return true;
        default:
            return false;
    }
}

// --- Editor operations -------------------------------------------------------------------

void CSpecAnMode::StartEditing(bool upper) {
    maskEditing_ = true;
    m_LimitEditing = true;
    editOffset = 0;
    editLevel = 0;
    editTypeWord = pointUnit_ ? 1 : 0;
    editPointIndex = 0;
    if (upper) {
        sa_setup_->SetUpperLimitState(true);
        upperOn = true;
        DrawUpperLimit();
    } else {
        sa_setup_->SetLowerLimitState(true);
        lowerOn = true;
        DrawLowerLimit();
    }
    EstablishMarker();
    ShowEditCursor();
    // Both limit cursors on the centre.
    if (const CFrequencyRange* r = sa_setup_->GetFrequencyRange(); r && graphPanel) {
        cursorCentre_ = r->GetCentre();
        graphPanel->SetLimitCursor(0, cursorCentre_);
        graphPanel->SetLimitCursor(1, cursorCentre_);
    }
    TakeSweepSettings();
}

void CSpecAnMode::NewLimitLine() {
    AllMarkersOff();
    const bool upper = SelectedUpper();
    EmissionMask& mask = EditRecord(upper);
    mask = EmissionMask{};
    mask.count = 1;
    for (MaskPoint& p : mask.points) p = {0, 0, pointUnit_ ? 1 : 0};
    mask.name = FreeMaskName();
    EditMaskName(mask.name);
    newMask_ = true;
    refPointActive = false;
    LoadScaleRange();
    graphTop_ = scaleTop;
    graphBottom_ = scaleBottom;
    const double third = (scaleTop - scaleBottom) / 3.0;
    if (upper)
        sa_setup_->SetUpperLimitValue(scaleTop - third);
    else
        sa_setup_->SetLowerLimitValue(scaleBottom + third);
    StartEditing(upper);
}

void CSpecAnMode::EditLimitLine() {
    AllMarkersOff();
    newMask_ = false;
    refPointActive = false;
    StartEditing(SelectedUpper());
}

void CSpecAnMode::LeaveLimitEditor() {
    maskEditing_ = false;
    m_LimitEditing = false;
    editState = kNone;
    refPointActive = false;
    AllMarkersOff();
    sa_setup_->SetUpperLimitState(false);
    sa_setup_->SetLowerLimitState(false);
    upperOn = lowerOn = false;
    DrawUpperLimit();
    DrawLowerLimit();
    TakeSweepSettings();
}

void CSpecAnMode::NextPoint() {
    const EmissionMask& mask = EditRecord(SelectedUpper());
    if (mask.count < 1) return;
    int index = editPointIndex;
    for (int tries = 0; tries < mask.count; ++tries) {
        index = index + 1 > mask.count ? 1 : index + 1;
        if (!limit_mask::IsCentrePoint(mask.points[static_cast<size_t>(index - 1)])) break;
    }
    LoadEditPoint(index, nullptr, nullptr);
    savedPoint_ = mask.points[static_cast<size_t>(index - 1)];
}

bool CSpecAnMode::AddPoint() {
    EmissionMask& mask = EditRecord(SelectedUpper());
    if (mask.count >= EmissionMask::kMaxPoints) {
        Tell(kMaskFull);
        return false;
    }
    const MaskPoint p{editOffset, editLevel, editTypeWord};
    const int at = limit_mask::InsertPoint(mask, p);
    if (at == 0) {
        Tell(kPointHeld);
        return false;
    }
    editPointIndex = at;
    savedPoint_ = p;
    refPointActive = false;
    RedrawSelectedLimit();
    return true;
}

bool CSpecAnMode::DeletePoint() {
    EmissionMask& mask = EditRecord(SelectedUpper());
    if (!limit_mask::RemovePoint(mask, editPointIndex)) {
        plat::message_beep(kRefusedBeep);
        return false;
    }
    if (editPointIndex > mask.count) editPointIndex = mask.count;
    TakePendingPoint(mask.points[static_cast<size_t>(editPointIndex - 1)]);
    ShowEditCursor();
    refPointActive = false;
    RedrawSelectedLimit();
    editPointIndex = 0;
    return true;
}

// Escape during an edit: the point stays as it was before it.
void CSpecAnMode::CancelPointEdit() {
    EmissionMask& mask = EditRecord(SelectedUpper());
    if (editState == kEditing && editPointIndex >= 1 && editPointIndex <= mask.count)
        mask.points[static_cast<size_t>(editPointIndex - 1)] = savedPoint_;
    TakePendingPoint(savedPoint_);
    refPointActive = false;
    editState = kNone;
    DrawUpperLimit();
    DrawLowerLimit();
    ShowEditCursor();
}

void CSpecAnMode::ApplyRefPointSettings() {
    const bool upper = SelectedUpper();
    EmissionMask& mask = EditRecord(upper);
    for (int i = 0; i < mask.count; ++i) {
        MaskPoint& p = mask.points[static_cast<size_t>(i)];
        if (limit_mask::IsCentrePoint(p)) p.absolute = refPointUnit_ ? 1 : 0;
    }
    if (!emLock_) {
        mask.refFrequency = 0;
        mask.refLevel = 0;
        mask.refFrequencyFlag = 0;
    } else {
        mask.refFrequency = LimitCentre();
        mask.refLevel = upper ? sa_setup_->GetUpperLimitValue() : sa_setup_->GetLowerLimitValue();
        mask.refFrequencyFlag = 1;
    }
}

int CSpecAnMode::RebuildMaskLines() {
    const bool upper = maskEditing_ && SelectedUpper();
    EmissionMask& mask = EditRecord(upper);
    if (!limit_mask::Mirror(mask)) {
        plat::message_beep(kRefusedBeep);
        return 0;
    }
    LoadEditPoint(mask.count, nullptr, nullptr);
    refPointActive = false;
    savedPoint_ = mask.points[static_cast<size_t>(mask.count - 1)];
    RedrawSelectedLimit();
    return 1;
}

// --- Names and saving --------------------------------------------------------------------

core::Text CSpecAnMode::FreeMaskName() const {
    for (int k = 1;; ++k) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%d", k);
        core::Text name = u"Mask ";
        for (const char* c = digits; *c; ++c) name += static_cast<char16_t>(*c);
        auto held = [&](const std::vector<EmissionMask>& list) {
            return std::any_of(list.begin(), list.end(),
                               [&](const EmissionMask& m) { return m.name == name; });
        };
        if (!held(upperMasks_) && !held(lowerMasks_)) return name;
    }
}

int CSpecAnMode::EditMaskName(core::Text& name) {
    BuildSaveMenu(-1, -1);
    const std::optional<core::Text> typed = Entries().MaskName(kIdMaskName, name);
    AfterEntry();
    if (typed && !typed->empty()) {
        if (limit_mask::ValidMaskName(*typed) && *typed != limit_mask::kLineName)
            name = *typed;
        else
            Tell(kBadName);
    }
    BuildRefPointMenu(-1, -1);
    return 1;
}

int CSpecAnMode::StoreEditedMask() {
    const bool upper = SelectedUpper();
    EmissionMask mask = EditRecord(upper);
    if (!limit_mask::ValidMaskName(mask.name) || mask.name == limit_mask::kLineName)
        mask.name = FreeMaskName();
    const auto named = [&](const EmissionMask& m) { return m.name == mask.name; };
    const auto& other = MaskList(!upper);
    if (std::any_of(other.begin(), other.end(), named)) {
        Tell(kNameOfOtherList);
        return 0;
    }
    std::vector<EmissionMask> list = MaskList(upper);
    auto found = std::find_if(list.begin() + 1, list.end(), named);
    int index = static_cast<int>(found - list.begin());
    if (found != list.end()) {
        *found = mask;
    } else if (static_cast<int>(list.size()) >= kMaxMaskEntries) {
        Tell(kListFull);
        return 0;
    } else {
        list.push_back(mask);
        index = static_cast<int>(list.size()) - 1;
    }
    if (!WriteMaskFile(upper ? list : upperMasks_, upper ? lowerMasks_ : list)) {
        Tell(kNotWritten);
        return 0;
    }
    (upper ? upperMasks_ : lowerMasks_) = std::move(list);
    EditRecord(upper).name = mask.name;
    selectedMask_[upper ? 1 : 0] = index;
    return 1;
}

bool CSpecAnMode::WriteMaskFile(const std::vector<EmissionMask>& upper,
                                const std::vector<EmissionMask>& lower) {
    std::vector<LimitMask> masks;
    for (size_t i = 1; i < upper.size(); ++i)
        masks.push_back(limit_mask::ToFileMask(upper[i], true));
    for (size_t i = 1; i < lower.size(); ++i)
        masks.push_back(limit_mask::ToFileMask(lower[i], false));
    return CLimitMaskFile().SaveMasks(masks);
}

bool CSpecAnMode::RunPointDialog(const PointDialog& dialog) {
    const bool done = Entries().MaskPoint(
        dialog,
        [this](int number, double& offset, double& level) {
            const EmissionMask& mask = EditRecord(SelectedUpper());
            if (number < 1 || number > mask.count) return false;
            LoadEditPoint(number, &offset, &level);
            return true;
        },
        [this](int number, double offset, double level) {
            return OnPointValueEntered(number, offset, level);
        });
    AfterEntry();
    return done;
}

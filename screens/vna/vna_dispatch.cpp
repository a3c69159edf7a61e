// CVnaMode: the menu keys, the soft keys, digits, arrows and the wheel by
// page, the pages, the menu-key captions and the key help.
#include <algorithm>

#include "core/keys.h"
#include "core/res_string.h"
#include "files/vna_meas_setup.h"
#include "instrument/measurement.h"
#include "screens/vna/vna_mode.h"
#include "widgets/graph_panel.h"
#include "widgets/readout_box.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"

using namespace vna;

namespace {

constexpr uint32_t kMenuKeyCaptions[CModeBase::kMenuKeyCount] = {63016, 663, 210, 448, 544, 63018};
constexpr uint32_t kMenuHelp[CModeBase::kMenuKeyCount] = {61321, 61347, 61291, 61346, 61292, 61293};
constexpr uint32_t kPageHelp[] = {61321, 61347, 61291, 448, 61292, 61293};
constexpr int kCalibrationKey = 1;
constexpr int kMeasureKey = 3;
constexpr uint32_t kCalibrationTitle = 663;
constexpr uint32_t kMeasureTitle = 61231;
constexpr int kHelpRow = 5;
constexpr int kNormalColour = 39;
constexpr int kKeyHelpColour = 40;
constexpr int kOverlayPage = 52;
constexpr int kRedrawRequested = 2;
constexpr uint32_t kBlank = 184, kBack = 1019, kEmptyHelp = 1353;

// The key help of the pages (eight string ids a page).
struct PageHelp {
    int page;
    std::array<uint32_t, 8> ids;
};
constexpr PageHelp kKeyHelp[] = {
    {0, {61389, 61390, 61391, 61297, 61392, 61393, 61394, 184}},
    {4, {61380, 61381, 61382, 61383, 64194, 184, 184, 1019}},
    {8, {61364, 61365, 61366, 61367, 64352, 184, 184, 1019}},
    {9, {61314, 61368, 61369, 61370, 61371, 61377, 61378, 61379}},
    {13, {61372, 61373, 61374, 61375, 61376, 184, 184, 1019}},
    {14, {61384, 61385, 61430, 61386, 61387, 61388, 64380, 1019}},
    {17, {61348, 61349, 61350, 61351, 184, 184, 184, 184}},
    {26, {61348, 184, 184, 184, 184, 184, 184, 184}},
    {27, {61349, 61352, 61353, 61354, 61355, 61356, 61357, 61358}},
    {28, {61350, 2212, 2213, 2214, 184, 184, 184, 1019}},
    {29, {61351, 61362, 61363, 184, 184, 184, 184, 1019}},
    {30, {61396, 61397, 61398, 61399, 184, 184, 184, 1019}},
    {31, {61359, 61360, 61361, 184, 184, 184, 184, 1019}},
    {32, {184, 184, 184, 184, 184, 184, 184, 1019}},
    {33, {2506, 2507, 2508, 64462, 2521, 64471, 2520, 2530}},
    {34, {64379, 226, 64463, 184, 184, 184, 184, 1019}},
    {35, {64464, 64465, 2508, 64466, 64467, 2526, 2527, 1019}},
    {36, {2523, 64468, 64469, 184, 2522, 184, 184, 1019}},
    {37, {2531, 2532, 2533, 2534, 184, 2535, 2536, 1019}},
    {38, {184, 184, 184, 184, 184, 184, 184, 1019}},
    {39, {184, 184, 184, 184, 184, 184, 184, 1019}},
    {40, {184, 184, 184, 184, 184, 184, 184, 1019}},
    {41, {2600, 2610, 2601, 2611, 1353, 64472, 2701, 2602}},
    {44, {64195, 64196, 184, 184, 184, 184, 184, 1019}},
    {47, {64470, 184, 184, 184, 184, 184, 184, 1019}},
};

// The help group of a page's Escape and back keys.
int HelpGroup(int page) {
    switch (page) {
        case 4:
        case 9:
        case 12:
        case 13:
        case 14:
            return 2;
        case 17:
            return 3;
        case 41:
        case 44:
            return 5;
        default:
            return page >= 33 && page <= 37 ? 4 : 0;
    }
}

bool IsMeasurePage(int page) {
    return page >= CVnaMode::kPageMatch && page <= CVnaMode::kPageFurther;
}

}  // namespace

void CVnaMode::ResetKeyTables() {
    CMeasurementBase::ResetKeyTables();
    for (size_t g = 0; g < std::size(kPageHelp); ++g)
        page_help_[g] = static_cast<int>(kPageHelp[g]);
    for (const PageHelp& p : kKeyHelp)
        for (size_t k = 0; k < p.ids.size(); ++k)
            key_help_[static_cast<size_t>(p.page)][k] = static_cast<int>(p.ids[k]);
}

// ------------------------------------------------------------ pages

int CVnaMode::ShowSoftKeys(int page, int key) {
    if (page >= 0 && page < kPageCount) page_ = page;
    switch (page) {
        case kPageCalibration:
            return ShowCalibrationMenu();
        case kPageAmplitude:
            return ShowAmplitudeMenu(key);
        case kPageUnits:
            return ShowUnitsMenu();
        case kPageTrace:
            return BuildTraceModeLabels();
        case kPageSweep:
        case kPageMeasure:
            return ShowSettingsPage(page, key);
        default:
            if (IsMeasurePage(page)) return ShowSettingsPage(page, key);
            return CMeasurementBase::ShowSoftKeys(page, key);
    }
}

int CVnaMode::ShowMenuKeyLabels() {
    if (menu_key_panel_) menu_key_panel_->SetTexts(kMenuKeyCaptions, kMenuKeyCount);
    CMeasurementBase::ShowMenuKeyLabels();
    if (menu_key_panel_) {
        menu_key_panel_->Show(0, -1);
        menu_key_panel_->Select(0, current_menu_key_, true);
    }
    return 1;
}

void CVnaMode::ShowMeasurePage() {
    active_function_ = kPageMatch + CurrentType() - 1;
}

// ------------------------------------------------------------ keys

void CVnaMode::OnMenuKey(uint32_t key, int flag) {
    const int index = HardMenuKeyIndex(key);
    if (cal_page_) {
        EndCalibration();
        ApplyAndRestart(true);
    }
    if (active_function_ == kOverlayPage || flag || index < 0 || index >= kMenuKeyCount) {
        if (active_function_ != kOverlayPage) CMeasurementBase::OnMenuKey(key, flag);
        return;
    }
    menuKeyUsed = true;
    if (index == kCalibrationKey) {
        cal_batch_ = std::make_unique<CMeasSetup::ChangeBatch>(*vna_setup_);
        vna_setup_->SetCalibrating();
        ShowDataPointsAnnotation();
        ResetHoldState();
        StopMeasurement();
        current_standard_ = kNoStandard;
        if (graphPanel) graphPanel->RedrawBackground(true, 0);
        cal_page_ = true;
        active_function_ = kPageCalibration;
        PushStatusPath(kCalibrationTitle, true);
    } else if (index == kMeasureKey) {
        ShowMeasurePage();
        PushStatusPath(kMeasureTitle, true);
    } else {
        CMeasurementBase::OnMenuKey(key, flag);
        menu_of_key_[4] = markerFunction;
        active_function_ = menu_of_key_[static_cast<size_t>(index)];
    }
    if (active_function_ >= 0 && active_function_ < kFunctionCount)
        lastKey[static_cast<size_t>(active_function_)] = kNoKey;
    current_menu_key_ = index;
    ShowMenuKeyLabels();
    ShowSoftKeys(active_function_, -1);
    if (soft_key_menu_) {
        soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
        soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    }
    UpdateSweepReadout(true);
    ShowMenuHelp(index);
}

void CVnaMode::ShowMenuHelp(int index) {
    if (index < 0 || index >= kMenuKeyCount) return;
    ShowHelpRowId(kMenuHelp[index], kNormalColour);
}

void CVnaMode::OnSoftKey(uint32_t key, int repeat) {
    if (active_function_ == kOverlayPage || repeat) return;
    const int index = key == VK_ESCAPE ? kEscapeKey : SoftKeyFromVKey(key);
    if (index < 0) return;
    ShowKeyHelp(index);
    switch (active_function_) {
        case kPageCalibration:
            OnCalibrationKey(index);
            break;
        case kPageAmplitude:
            OnAmplitudeKey(index);
            break;
        case kPageUnits:
            OnUnitsKey(index);
            break;
        case kPageSweep:
        case kPageMeasure:
            OnSettingsKey(active_function_, index);
            break;
        default:
            if (IsMeasurePage(active_function_))
                OnSettingsKey(active_function_, index);
            else
                CMeasurementBase::OnSoftKey(key, repeat);
    }
    redrawState = kRedrawRequested;
}

// Row 5 shows the help of the key chosen, or of the page's group for
// Escape and the back key.
void CVnaMode::ShowKeyHelp(int key) {
    const int page = active_function_;
    if (page == kPageRecall || page < 0 || page >= kPageCount) return;
    const int type = CurrentType();
    if (page == kPageSweep && key == 2 && vna_setup_->GetTriggerMode() != 0) return;
    if (page == kPageCalibration && ((key >= 3 && key <= 7 && type != kGain) || key >= 5)) return;
    uint32_t id = kBlank;
    if (key >= 0 && key < kKeysPerPage)
        id = static_cast<uint32_t>(key_help_[static_cast<size_t>(page)][static_cast<size_t>(key)]);
    if (key != kEscapeKey && id == kBlank) return;
    if (key == kEscapeKey || id == kBack) {
        if (page >= 38 && page <= 40) return;
        if (page == kPageSmoothing) {
            ShowHelpRowId(61349, kKeyHelpColour);
            return;
        }
        ShowHelpRowId(static_cast<uint32_t>(page_help_[static_cast<size_t>(HelpGroup(page))]),
                      kNormalColour);
        return;
    }
    if (id == kEmptyHelp) {
        ShowHelpRow(core::Text(), kKeyHelpColour);
        return;
    }
    const bool blanked =
        (page == kPageAmplitude && key == 4 && (type == kCableLoss || type == kGain)) ||
        (page == kPageAmplitude && key == 3 && type == kDistanceToFault) ||
        (page == kPageSweep && key == 1 && vna_setup_->GetTriggerMode() == 3);
    ShowHelpRowId(blanked ? kBlank : id, kKeyHelpColour);
}

void CVnaMode::OnNumericKey(uint32_t key, int flag) {
    if (active_function_ == kOverlayPage) return;
    if (active_function_ == kPageAmplitude)
        OnAmplitudeDigit(KeyToDigit(key));
    else if (active_function_ == kPageDtf || active_function_ == kPageCable)
        OnSettingsDigit(active_function_, KeyToDigit(key));
    else
        CMeasurementBase::OnNumericKey(key, flag);
    redrawState = kRedrawRequested;
}

void CVnaMode::OnArrowKey(uint32_t key, int pressed) {
    if (active_function_ == kOverlayPage) return;
    const int page = active_function_;
    const bool mine =
        page == kPageAmplitude || page == kPageDtf || page == kPageSweep || page == kPageCable;
    if (!mine) {
        CMeasurementBase::OnArrowKey(key, pressed);
        return;
    }
    if (!CountArrowPress(pressed)) return;
    if (page == kPageAmplitude)
        OnAmplitudeArrow(key);
    else
        OnSettingsArrow(page, key);
    redrawState = kRedrawRequested;
}

int CVnaMode::OnKnobStep(int delta) {
    if (active_function_ == kOverlayPage) return 0;
    const int page = active_function_;
    int taken = 1;
    if (page == kPageAmplitude)
        OnAmplitudeKnob(delta);
    else if (page == kPageDtf || page == kPageSweep || page == kPageCable)
        OnSettingsKnob(page, delta);
    else
        taken = CMeasurementBase::OnKnobStep(delta);
    redrawState = kRedrawRequested;
    return taken;
}

int CVnaMode::OnFrequencyMenuKey(int key) {
    if (key == 7) return 0;
    const int result = CMeasurementBase::OnFrequencyMenuKey(key);
    int& last = lastKey[kPageFrequency];
    if (soft_key_menu_) {
        if (last >= 0 && last < kNoKey) soft_key_menu_->SetKeyState(0, last, false);
        if (key >= 0 && key < kNoKey) soft_key_menu_->SetKeyState(0, key, true);
    }
    last = key;
    return result;
}

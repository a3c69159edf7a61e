// CSpecAnMode: the menu keys, the soft keys, digits, arrows and the knob by
// menu, the menu-key captions and the entry help.
#include "core/keys.h"
#include "files/sa_meas_setup.h"
#include "screens/specan/specan_mode.h"
#include "screens/specan/specan_settings.h"
#include "widgets/graph_panel.h"
#include "widgets/readout_box.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"

using namespace specan;

namespace {

constexpr uint32_t kMenuKeyCaptions[CModeBase::kMenuKeyCount] = {63016, 63019, 210,
                                                                 448,   544,   63018};
// The page titles the menu keys start the status path with.
constexpr uint32_t kMenuKeyTitles[CModeBase::kMenuKeyCount] = {63016, 63019, 210,
                                                               61231, 260,   63018};
constexpr int kHelpItem = 5;
constexpr int kReadoutColour = 39;
constexpr int kOwnCaptionColour = 40;
constexpr uint32_t kNoCaption = 184, kEmptyCaption = 1353, kReturnCaption = 1019;

bool IsFunctionMenu(int menu) {
    return menu >= kMenuFirstFunction && menu <= kMenuLastFunction;
}

// The help group of a menu, and whether its Escape help is shown.
int HelpGroup(int menu, bool& shown) {
    shown = true;
    if (menu == kMenuBandwidth || menu == kMenuDetection || menu == kMenuSweep) return 1;
    if (menu >= kMenuTriggerSource && menu <= kMenuVideoTrigger) {
        shown = false;
        return 1;
    }
    if (menu == kMenuAmplitude || (menu >= kMenuAttenuation && menu <= 15)) return 2;
    if (menu >= kMenuMeasure && menu <= kMenuLastFunction) return 3;
    if (menu >= kMenuMarker && menu <= 37) return 4;
    if (menu >= 38 && menu <= 40) {
        shown = false;
        return 4;
    }
    if (menu == kMenuFile) return 5;
    return 0;
}

}  // namespace

// ------------------------------------------------------------ pages

int CSpecAnMode::ShowSoftKeys(int menu, int key) {
    if (menu >= 0 && menu < kPageCount) page_ = menu;
    switch (menu) {
        case kMenuBandwidth:
            return ShowBandwidthMenu(key);
        case kMenuDetection:
            return ShowDetectionMenu();
        case kMenuSweep:
            return ShowSweepMenu(key);
        case kMenuTriggerSource:
            return ShowTriggerSourceMenu(key);
        case kMenuExternalTrigger:
            return ShowExternalTriggerMenu(key);
        case kMenuVideoTrigger:
            return ShowVideoTriggerMenu(key);
        case kMenuAmplitude:
            return ShowAmplitudeMenu(key);
        case kMenuAttenuation:
            return ShowAttenuationMenu();
        case kMenuTrace:
            return BuildTraceModeLabels();
        case kMenuMeasure:
            return ShowMeasurementOnOffMenu(key);
        default:
            if (IsFunctionMenu(menu)) return ShowFunctionMenu(menu, key);
            return CMeasurementBase::ShowSoftKeys(menu, key);
    }
}

int CSpecAnMode::ShowMenuKeyLabels(int selected) {
    if (menu_key_panel_) menu_key_panel_->SetTexts(kMenuKeyCaptions, kMenuKeyCount);
    CMeasurementBase::ShowMenuKeyLabels();
    if (menu_key_panel_) {
        menu_key_panel_->Show(0, -1);
        menu_key_panel_->Select(0, selected, true);
    }
    return 1;
}

// ------------------------------------------------------------ keys

void CSpecAnMode::OnMenuKey(uint32_t key, int flag) {
    if (panes_frozen_ || flag) {
        CMeasurementBase::OnMenuKey(key, flag);
        return;
    }
    const int index = HardMenuKeyIndex(key);
    if (index < 0 || index >= kMenuKeyCount) return;
    if (active_function_ == kMenuRecall || active_function_ == kMenuManageTraces) {
        OnSoftKey(VK_ESCAPE, 0);
        ApplyAndRestart(true);
        if (graphPanel) graphPanel->RedrawBackground(true, 0);
    }
    menuKeyUsed = true;
    menu_of_key_[4] = markerFunction;
    active_function_ = menu_of_key_[static_cast<size_t>(index)];
    LastKey(active_function_) = kNoKey;
    PushStatusPath(kMenuKeyTitles[index], true);
    current_menu_key_ = index;
    ShowMenuKeyLabels(index);
    ShowSoftKeys(active_function_, -1);
    if (soft_key_menu_) {
        soft_key_menu_->Select(0, CSoftKeyMenu::kAllKeys, false);
        soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    }
    if (readout_panel_) readout_panel_->SetRowCaptionById(page_help_[index], kHelpItem);
    UpdateSweepReadout(true);
    if (readout_panel_) readout_panel_->RedrawRows(0, true, kReadoutColour);
}

void CSpecAnMode::OnSoftKey(uint32_t key, int repeat) {
    if (panes_frozen_) return;
    if (!repeat) {
        const int index = (key == VK_ESCAPE) ? kKeyEscape : SoftKeyFromVKey(key);
        if (index >= 0) {
            OnPageHook(index);
            switch (active_function_) {
                case kMenuBandwidth:
                    OnBandwidthMenuKey(index);
                    break;
                case kMenuDetection:
                    OnDetectionMenuKey(index);
                    break;
                case kMenuSweep:
                    OnExtraMenuKey(index);
                    break;
                case kMenuTriggerSource:
                    OnTriggerSourceKey(index);
                    break;
                case kMenuExternalTrigger:
                    OnExternalTriggerKey(index);
                    break;
                case kMenuVideoTrigger:
                    OnVideoTriggerKey(index);
                    break;
                case kMenuAmplitude:
                    OnAmplitudeMenuKey(index);
                    break;
                case kMenuAttenuation:
                    OnAttenuationMenuKey(index);
                    break;
                case kMenuUnits:
                    OnUnitsMenuKey(index);
                    break;
                case kMenuMeasure:
                    OpenMeasurementMenu(index);
                    break;
                default:
                    if (IsFunctionMenu(active_function_))
                        OnFunctionMenuKey(active_function_, index);
                    else
                        CMeasurementBase::OnSoftKey(key, repeat);
            }
        }
    }
    redrawState = 2;
}

void CSpecAnMode::OnNumericKey(uint32_t key, int flag) {
    if (panes_frozen_) return;
    const int digit = KeyToDigit(key);
    const int highlighted = GetSelectedSoftKey();
    switch (active_function_) {
        case kMenuBandwidth:
            EnterBandwidthDigit(digit);
            break;
        case kMenuExternalTrigger:
            EditGateDelay(digit);
            break;
        case kMenuVideoTrigger:
            if (highlighted == 5)
                EditTriggerLevel(digit);
            else if (highlighted == 6)
                EditGateDelay(digit);
            break;
        case kMenuAmplitude:
            EnterAmplitudeDigit(digit);
            break;
        case kMenuLogInterval:
            if (highlighted == 1) EditLogInterval(digit);
            break;
        default:
            if (IsFunctionMenu(active_function_) && active_function_ <= 23)
                OnFunctionDigit(active_function_, digit);
            else
                CMeasurementBase::OnNumericKey(key, flag);
    }
    redrawState = 2;
}

void CSpecAnMode::OnArrowKey(uint32_t key, int pressed) {
    if (panes_frozen_) return;
    const int menu = active_function_;
    const bool mine = menu == kMenuBandwidth || menu == kMenuExternalTrigger ||
                      menu == kMenuVideoTrigger || menu == kMenuAmplitude ||
                      (IsFunctionMenu(menu) && menu != 24);
    if (!mine) {
        CMeasurementBase::OnArrowKey(key, pressed);
        return;
    }
    if (!CountArrowPress(pressed)) return;
    const int highlighted = GetSelectedSoftKey();
    switch (menu) {
        case kMenuBandwidth:
            StepBandwidth(key);
            break;
        case kMenuExternalTrigger:
            if (highlighted == 6) StepGateDelay(key);
            break;
        case kMenuVideoTrigger:
            if (highlighted == 5)
                StepTriggerLevel(key);
            else if (highlighted == 6)
                StepGateDelay(key);
            break;
        case kMenuAmplitude:
            StepAmplitude(key);
            break;
        default:
            OnFunctionArrow(menu, key);
            break;
    }
    redrawState = 2;
}

int CSpecAnMode::OnKnobStep(int delta) {
    if (panes_frozen_) return 0;
    const int highlighted = GetSelectedSoftKey();
    int taken = 1;
    switch (active_function_) {
        case kMenuBandwidth:
            TurnBandwidth(delta);
            break;
        case kMenuExternalTrigger:
            TurnGateDelay(delta);
            break;
        case kMenuVideoTrigger:
            if (highlighted == 5)
                TurnTriggerLevel(delta);
            else if (highlighted == 6)
                TurnGateDelay(delta);
            break;
        case kMenuAmplitude:
            TurnAmplitude(delta);
            break;
        default:
            if (IsFunctionMenu(active_function_) && active_function_ != 24)
                OnFunctionKnob(active_function_, delta);
            else
                taken = CMeasurementBase::OnKnobStep(delta);
    }
    redrawState = 2;
    return taken;
}

// ------------------------------------------------------------ entry help

void CSpecAnMode::OnPageHook(int key) {
    if (!readout_panel_) return;
    const int menu = active_function_;
    if (menu == kMenuRecall) return;
    if (menu == kMenuFrequency && key == 7 && !BandHasChannels()) return;
    if (menu == kMenuSweep && key == 2 && sa_setup_->GetTriggerMode() != kInternalSingle) return;
    uint32_t caption = kNoCaption;
    bool own = false;
    if (key != kKeyEscape && key >= 0 && key < kKeysPerPage && menu >= 0 && menu < kPageCount) {
        caption =
            static_cast<uint32_t>(key_help_[static_cast<size_t>(menu)][static_cast<size_t>(key)]);
        if (caption == kNoCaption) return;
        own = caption != kReturnCaption;
    }
    if (!own) {
        bool shown = true;
        const int group = HelpGroup(menu, shown);
        if (!shown) return;
        caption = static_cast<uint32_t>(page_help_[static_cast<size_t>(group)]);
    }
    if (caption == kEmptyCaption)
        readout_panel_->SetRowCaption(core::Text(), kHelpItem);
    else
        readout_panel_->SetRowCaptionById(caption, kHelpItem);
    readout_panel_->RedrawRows(0, true, own ? kOwnCaptionColour : kReadoutColour);
}

void CSpecAnMode::ShowMenuKeyHelp(int group) {
    if (!readout_panel_ || group < 0 || group >= kPageCount) return;
    readout_panel_->SetRowCaptionById(static_cast<uint32_t>(page_help_[static_cast<size_t>(group)]),
                                      kHelpItem);
    UpdateSweepReadout(true);
    readout_panel_->RedrawRows(0, true, 0);
}

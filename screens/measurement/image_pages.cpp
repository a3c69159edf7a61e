// The screen image, help and tools pages of the file menu: the screen saved
// as a picture, printed or shown full screen, the instruments' help texts,
// and the way to the tools screen.
#include "core/app_commands.h"
#include "core/res_string.h"
#include "core/scoped_lock.h"
#include "dialogs/picture_dlgs.h"
#include "screens/measurement_base.h"
#include "screens/screen_services.h"
#include "widgets/graph_panel.h"
#include "widgets/graph_widget.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"

namespace {

constexpr int kImagePage = 47, kHelpPage = 49, kFullScreenFunction = 52;
constexpr uint32_t kBlank = 184, kReturn = 1019;
constexpr uint32_t kQuickSaveScreen = 64459, kPrintScreen = 64477, kFullScreen = 63017,
                   kManageImages = 64480, kPrinting = 64478;
constexpr uint32_t kQuickStart = 155, kUserManual = 157, kDateTime = 142, kDiagnostics = 1099,
                   kBacklight = 1100, kExit = 895;
constexpr uint32_t kVnaHelp = 64175, kSpecAnHelp = 64177, kPowerHelp = 64176, kCustomHelp = 64178;
// Hardware ids without the network analyzer's help, and with the spectrum
// analyzer's.
constexpr uint32_t kNoVnaIds[] = {519, 263, 517};
constexpr uint32_t kSpecAnIds[] = {519, 263, 6};
constexpr int kPrintingField = 5;

template <size_t N>
bool Among(uint32_t id, const uint32_t (&ids)[N]) {
    for (uint32_t i : ids)
        if (i == id) return true;
    return false;
}

}  // namespace

int CMeasurementBase::ShowScreenImageMenu(int highlight) {
    if (!soft_key_menu_) return 0;
    CSoftKeyMenu& m = *soft_key_menu_;
    const uint32_t ids[] = {kQuickSaveScreen, kBlank, kPrintScreen,  kFullScreen,
                            kBlank,           kBlank, kManageImages, kReturn};
    for (int k = 0; k < 8; ++k) m.SetKeyTextById(ids[k], k, false, false);
    return ShowPageLabels(highlight);
}

int CMeasurementBase::ShowHelpMenu(int highlight) {
    if (!soft_key_menu_) return 0;
    CSoftKeyMenu& m = *soft_key_menu_;
    auto* s = services();
    const uint32_t id = s ? s->GetHardwareId() : 0;
    m.SetKeyTextById(Among(id, kNoVnaIds) ? kBlank : kVnaHelp, 0, false, false);
    m.SetKeyTextById(Among(id, kSpecAnIds) ? kSpecAnHelp : kBlank, 1, false, false);
    m.SetKeyTextById(kPowerHelp, 2, false, false);
    m.SetKeyTextById(kCustomHelp, 3, false, false);
    for (int k = 4; k < 7; ++k) m.SetKeyTextById(kBlank, k, false, false);
    m.SetKeyTextById(kReturn, 7, false, false);
    return ShowPageLabels(highlight);
}

// The tools screen's offers, each of which is reached there: any key of
// this page goes to the tools screen.
int CMeasurementBase::ShowToolsMenu(int highlight) {
    if (!soft_key_menu_) return 0;
    CSoftKeyMenu& m = *soft_key_menu_;
    const uint32_t ids[] = {kQuickStart, kUserManual,  kBlank,     kBlank,
                            kDateTime,   kDiagnostics, kBacklight, kExit};
    for (int k = 0; k < 8; ++k) m.SetKeyTextById(ids[k], k, false, false);
    return ShowPageLabels(highlight);
}

// The measurement stops before the application switches to the tools screen.
bool CMeasurementBase::OpenToolsScreen() {
    StopMeasurement();
    post_to_frame(plat::WM_COMMAND, kCmdShowTools, 0);
    return true;
}

bool CMeasurementBase::OnScreenImageMenuKey(int key) {
    switch (key) {
        case 0:
            return QuickSaveScreen();
        case 2:
            if (readout_panel_) {
                readout_panel_->SetRowCaptionById(kPrinting, kPrintingField);
                readout_panel_->RedrawRows(0, true, 0);
            }
            return PrintScreen();
        case 3:
            return ShowFullScreen();
        case 6: {
            const bool changed = ManageImageFiles();
            SwitchToPage(kImagePage, -1);
            return changed;
        }
        case 7:
            ShowPage41(-1);
            return true;
        default:
            return false;
    }
}

bool CMeasurementBase::QuickSaveScreen() {
    if (!graphPanel) return false;
    StopMeasurement();
    const bool saved = graphPanel->SaveScreenImage() != 0;
    ApplySettings(true);
    return saved;
}

bool CMeasurementBase::PrintScreen() {
    return graphPanel && graphPanel->PrintScreen(0) != 0;
}

// The image manager over the pictures, with the measurement stopped while it
// is open; true when it copied or deleted a picture.
bool CMeasurementBase::ManageImageFiles() {
    StopMeasurement();
    bool changed = false;
    {
        CImageManagerDlg dialog(main_frame());
        changed = dialog.DoModal() == plat::IDOK;
    }
    RedrawWholeScreen();
    ApplySettings(true);
    return changed;
}

bool CMeasurementBase::ShowFullScreen() {
    ScopedLock guard(*this);
    active_function_ = kFullScreenFunction;
    SetScreenLayout(CGraphWidget::kScreenLayout);
    // The panes are frozen under the graph; Escape or Enter brings them back.
    panes_frozen_ = true;
    return true;
}

bool CMeasurementBase::OnHelpMenuKey(int key) {
    if (key >= kHelpVna && key <= kHelpCustom) {
        ShowModeHelp(key);
        SwitchToPage(kHelpPage, -1);
        return true;
    }
    if (key == 7) {
        ShowPage41(-1);
        return true;
    }
    return false;
}

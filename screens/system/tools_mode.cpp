#include "screens/system/tools_mode.h"

#include <algorithm>
#include <array>

#include "core/app_commands.h"
#include "core/keys.h"
#include "core/res_string.h"
#include "dialogs/about_gps_dlg.h"
#include "dialogs/language_dlg.h"
#include "dialogs/system_info_dlg.h"
#include "instrument/status_text_line.h"
#include "platform/framework/message_box.h"
#include "platform/framework/wnd.h"
#include "screens/screen_services.h"
#include "widgets/draw_panel.h"
#include "widgets/readout_box.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"
#include "widgets/status_indicator.h"

namespace {

constexpr uint32_t kStatusOwner = 159;
constexpr uint32_t kDialogTitle = 61224;
constexpr uint32_t kToolsLabels[CModeBase::kKeysPerPage] = {64175, 64177, 64176, 64178,
                                                            142,   1101,  1100,  895};
constexpr uint32_t kMenuCaptions[CModeBase::kMenuKeyCount] = {1098, 1097, 184, 184, 184, 184};
constexpr uint32_t kAltitudeTitle = 1375, kMetres = 61336, kFeet = 61335;
constexpr uint32_t kPositionTitle = 1376, kDecimalMinutes = 1377, kSeconds = 1378;
constexpr uint32_t kRestartQuestion = 1374;
constexpr uint32_t kCodeExit = 0x8000001C;
constexpr int kIdYes = 6;
constexpr int kIdOk = 1;

constexpr uint32_t kAll = 0x207, kAll2 = 0x107, kVnaOnly = 0x205, kSpecAnOnly = 6;

// Backlight levels and limits.
constexpr int kLevelHigh = 2, kLevelCustom = 3;
constexpr int kCustomMax = 100, kCustomStep = 10;
constexpr int kGainMax = 250, kGainArrowStep = 10, kGainWheelStep = 1;
constexpr int kCustomKey = 4, kGainKey = 5, kBackKey = 7;

}  // namespace

CToolsMode::CToolsMode() : CSystemScreen(kModeId, kCaption) {}

CToolsMode::~CToolsMode() = default;

// The boxes the screen opens are list dialogs.
CListDlg* CToolsMode::GetPopup() const {
    return static_cast<CListDlg*>(popup_);
}

int CToolsMode::OnCreate(plat::CWnd* view, plat::CWnd* frame, int third, CColorScheme* scheme) {
    const int result = CModeBase::OnCreate(view, frame, third, scheme);
    status_path_ = std::make_unique<CStatusTextLine>(kStatusOwner);
    ResetKeyTables();
    CreateSystemPanes(0, 0);
    ShowPage(kSystemBox);
    ClosePopup();
    if (status_indicator_) status_indicator_->SetValue(0, 0);
    return result;
}

void CToolsMode::ResetKeyTables() {
    // The pages are drawn by the screen itself: only the titles go blank.
    for (int p = 0; p < 6; ++p) set_page_help(p, kBlankLabel);
    for (int p : {kToolsPage, kBacklightPage, kGpsPage}) set_page_help(p, kBlankLabel);
}

int CToolsMode::ShowSoftKeys() {
    ShowSoftKeys(page_, -1);
    return 1;
}

void CToolsMode::ShowSoftKeys(int page, int key) {
    CSoftKeyMenu* menu = soft_key_menu_.get();
    if (!menu) return;
    menu->ClearHighlights();
    if (page == kBacklightPage) {
        ShowBacklightKeys(key);
        if (key >= 0 && key != kCustomKey && key != kGainKey) menu->Highlight(key);
        menu->Show(0, CSoftKeyMenu::kAllKeys);
        return;
    }
    std::array<uint32_t, kKeysPerPage> labels;
    labels.fill(kBlankLabel);
    if (page == kToolsPage) {
        for (int k = 0; k < kKeysPerPage; ++k) labels[static_cast<size_t>(k)] = kToolsLabels[k];
        const uint32_t id = HardwareId();
        if (id != kAll && id != kAll2) {
            if (id != kVnaOnly) labels[kHelpVna] = kBlankLabel;
            if (id != kSpecAnOnly) labels[kHelpSpecAn] = kBlankLabel;
        }
    }
    menu->SetTexts(labels.data(), kKeysPerPage);
    if (page == kGpsPage) {
        menu->SetKeyLabel(LoadResString(kAltitudeTitle) + u"\n", 0, kMetres, kFeet,
                          altitude_feet_ ? 1 : 0, false);
        menu->SetKeyLabel(LoadResString(kPositionTitle) + u"\n", 1, kDecimalMinutes, kSeconds,
                          lat_lon_dms_ ? 1 : 0, false);
    }
    if (key >= 0) menu->Highlight(key);
    menu->Show(0, CSoftKeyMenu::kAllKeys);
}

void CToolsMode::HighlightMenuKey(int key) {
    if (!menu_key_panel_) return;
    menu_key_panel_->Select(0, key, true);
    menu_key_panel_->Show(0, key);
}

// ------------------------------------------------------------ popups

int CToolsMode::ShowPage(int id) {
    if (CListDlg* open = GetPopup(); id == popup_id_ && open) {
        open->ReloadColours();
        open->ShowWindow(plat::SW_SHOW);
        open->EnableWindow(true);
        open->RedrawWhole();
        PassGpsFlags();
        return 1;
    }
    if (id != kSystemBox && id != kGpsBox) return 0;
    ClosePopup();
    CListDlg* dlg = nullptr;
    if (id == kSystemBox)
        dlg = new CSystemInfoDlg(main_frame_, main_frame_);
    else
        dlg = new CAboutGpsDlg(main_frame_, main_frame_);
    // The title keeps one copy of the box's entry on the status line.
    if (status_path_ && (status_path_->GetCount() == 0 ||
                         status_path_->GetId(status_path_->GetCount() - 1) != kDialogTitle))
        PushStatusLine(kDialogTitle);
    static_cast<CInfoDlgBase*>(dlg)->SetArea(ListArea());
    if (!dlg->Create()) {
        delete dlg;
        return 0;
    }
    popup_ = dlg;
    popup_id_ = id;
    PassGpsFlags();
    dlg->ShowWindow(plat::SW_SHOW);
    dlg->EnableWindow(true);
    dlg->RedrawWhole();
    // The keys stay with the screen.
    if (parent_view_) parent_view_->SetFocus();
    ShowStatusLine();
    return 1;
}

void CToolsMode::PassGpsFlags() {
    if (popup_id_ != kGpsBox || !popup_) return;
    auto* gps = static_cast<CAboutGpsDlg*>(GetPopup());
    gps->SetDisplayFlags(altitude_feet_, lat_lon_dms_);
    gps->UpdateGps();
}

int CToolsMode::ClosePopup() {
    popup_id_ = 0;
    return CModeBase::ClosePopup();
}

void CToolsMode::ReloadTexts() {
    if (closing_popup_) return;
    SetMenuCaptions(kMenuCaptions);
    ShowStatusLine();
    ShowSoftKeys(page_, GetSelectedSoftKey());
    RedrawAllPanes();
    if (popup_) static_cast<CInfoDlgBase*>(GetPopup())->ReloadTexts();
    ShowPage(popup_id_);
}

// ------------------------------------------------------------ activation

void CToolsMode::OnActivate() {
    CModeBase::OnActivate();
    ShowStatusLine();
    page_ = kToolsPage;
    SetMenuCaptions(kMenuCaptions);
    if (menu_key_panel_) menu_key_panel_->Show(0, -1);
    HighlightMenuKey(0);
    ShowSoftKeys(kToolsPage, -1);
    if (draw_panel_) draw_panel_->Redraw();
    if (readout_panel_) readout_panel_->RedrawRows(0, true, 0);
    if (status_indicator_) status_indicator_->Redraw();
    ShowPage(kSystemBox);
    if (auto* s = services()) s->NoteModeChanged();
}

void CToolsMode::OnModeKey(uint32_t key) {
    PrepareScreenSwitch();
    CModeBase::OnModeKey(key);
}

// ------------------------------------------------------------ keys

void CToolsMode::OnSoftKey(uint32_t key, int repeat) {
    CModeBase::OnSoftKey(key, repeat);
    const int index = SoftKeyFromVKey(key);
    if (index < 0 || index >= kKeysPerPage) return;
    switch (page_) {
        case kToolsPage:
            OnToolsItem(index);
            break;
        case kBacklightPage:
            OnBacklightKey(index);
            break;
        case kGpsPage:
            OnGpsKey(index);
            break;
        default:
            break;
    }
}

void CToolsMode::OnToolsItem(int key) {
    auto* s = services();
    switch (key) {
        case kHelpVna:
        case kHelpSpecAn:
        case kHelpPowerMeter:
        case kHelpCustom:
            ShowModeHelp(key);
            ShowSoftKeys(kToolsPage, -1);
            break;
        case 4:
            if (s) s->RunTimeDateDialog();
            RepaintFrame();
            ShowSoftKeys(kToolsPage, -1);
            break;
        case 5:
            RunLanguageDialog();
            break;
        case 6:
            page_ = kBacklightPage;
            ShowSoftKeys(kBacklightPage, -1);
            break;
        case 7:
            OnCommand(kCodeExit, key);
            break;
        default:
            break;
    }
}

void CToolsMode::RunLanguageDialog() {
    auto* s = services();
    int result = 0;
    int32_t language = s ? s->GetLanguageId() : CLanguageDlg::kEnglish;
    {
        CLanguageDlg dlg(parent_view_, language);
        result = static_cast<int>(dlg.DoModal());
        language = dlg.GetLanguage();
    }
    if (result == kIdOk) {
        // The language is taken before the question: it asks in the chosen
        // language.
        send_to_frame(plat::WM_COMMAND, kCmdLanguage, language);
        if (s && s->ShowScreenMessage(LoadResString(kRestartQuestion), plat::MB_YESNO) == kIdYes) {
            PrepareScreenSwitch();
            post_to_frame(plat::WM_CLOSE, 0, 0);
            ClosePopup();
            return;
        }
    }
    ShowSoftKeys(kToolsPage, -1);
    ShowPage(kSystemBox);
}

int CToolsMode::CustomLevel() const {
    auto* s = services();
    return s ? s->GetBacklightLevel(true) : 0;
}

int CToolsMode::SensorGain() const {
    auto* s = services();
    return s ? s->GetSensorGain() : 0;
}

void CToolsMode::OnBacklightKey(int key) {
    auto* s = services();
    switch (key) {
        case 0:
            if (s && s->IsBacklightAutomatic()) {
                s->SetAutoBacklight(false);
                s->SetBacklightLevel(kLevelHigh, CustomLevel());
            } else if (s) {
                s->SetAutoBacklight(true);
            }
            break;
        case 1:
        case 2:
        case 3:
            if (s) {
                s->SetAutoBacklight(false);
                s->SetBacklightLevel(kLevelHigh + 1 - key, CustomLevel());
            }
            break;
        case kCustomKey:
            if (s) s->SetBacklightLevel(kLevelCustom, CustomLevel());
            break;
        case kBackKey:
            BackToToolsPage();
            return;
        default:
            break;
    }
    ShowSoftKeys(kBacklightPage, key);
}

void CToolsMode::OnGpsKey(int key) {
    if (key == 0) altitude_feet_ = !altitude_feet_;
    if (key == 1) lat_lon_dms_ = !lat_lon_dms_;
    if (key == 0 || key == 1) PassGpsFlags();
    if (key == kBackKey) {
        ShowPage(kSystemBox);
        HighlightMenuKey(0);
        page_ = kToolsPage;
        ShowSoftKeys(kToolsPage, -1);
        return;
    }
    ShowSoftKeys(kGpsPage, -1);
}

void CToolsMode::BackToToolsPage() {
    ClearStatusLine();
    ShowPage(kSystemBox);
    HighlightMenuKey(0);
    page_ = kToolsPage;
    ShowSoftKeys(kToolsPage, -1);
    ShowStatusLine();
}

void CToolsMode::OnMenuKey(uint32_t key, int flag) {
    CModeBase::OnMenuKey(key, flag);
    switch (HardMenuKeyIndex(key)) {
        case 0:
            ShowPage(kSystemBox);
            page_ = kToolsPage;
            ShowSoftKeys(kToolsPage, -1);
            HighlightMenuKey(0);
            break;
        case 1:
            ShowPage(kGpsBox);
            page_ = kGpsPage;
            ShowSoftKeys(kGpsPage, -1);
            HighlightMenuKey(1);
            break;
        default:
            ShowPage(kSystemBox);
            break;
    }
}

int CToolsMode::OnEscapeKey() {
    CModeBase::OnEscapeKey();
    if (page_ == kBacklightPage || page_ == kGpsPage) {
        BackToToolsPage();
        return 1;
    }
    // The screen the tools were entered from.
    const bool busy = fresh_activation_;
    fresh_activation_ = true;
    ReturnToMeasurementScreen(kModeId);
    fresh_activation_ = busy;
    return 0;
}

void CToolsMode::OnArrowKey(uint32_t key, int pressed) {
    CModeBase::OnArrowKey(key, pressed);
    if (page_ != kBacklightPage || pressed) return;
    auto* s = services();
    if (!s) return;
    const int selected = GetSelectedSoftKey();
    const uint32_t k = key & 0xFFFF;
    if (selected == kCustomKey) {
        int level = CustomLevel();
        if (k == plat::VK_UP) level = std::min(level + kCustomStep, kCustomMax);
        if (k == plat::VK_DOWN) level = std::max(level - kCustomStep, 0);
        if (k == plat::VK_RIGHT) level = kCustomMax;
        if (k == plat::VK_LEFT) level = 0;
        s->SetBacklightLevel(kLevelCustom, level);
        ShowSoftKeys(kBacklightPage, kCustomKey);
    } else if (selected == kGainKey) {
        int gain = SensorGain();
        if (k == plat::VK_UP) gain = std::min(gain + kGainArrowStep, kGainMax);
        if (k == plat::VK_DOWN) gain = std::max(gain - kGainArrowStep, -kGainMax);
        if (k == plat::VK_RIGHT) gain = kGainMax;
        if (k == plat::VK_LEFT) gain = -kGainMax;
        s->SetSensorGain(gain);
        ShowSoftKeys(kBacklightPage, kGainKey);
    }
}

int CToolsMode::OnWheel(int delta) {
    CModeBase::OnWheel(delta);
    auto* s = services();
    const int selected = GetSelectedSoftKey();
    if (page_ != kBacklightPage || !s) return selected;
    if (selected == kCustomKey) {
        const int step = delta > 0 ? kCustomStep : -kCustomStep;
        s->SetBacklightLevel(kLevelCustom, std::clamp(CustomLevel() + step, 0, kCustomMax));
        ShowSoftKeys(kBacklightPage, kCustomKey);
    } else if (selected == kGainKey) {
        const int step = delta > 0 ? kGainWheelStep : -kGainWheelStep;
        s->SetSensorGain(std::clamp(SensorGain() + step, -kGainMax, kGainMax));
        ShowSoftKeys(kBacklightPage, kGainKey);
    }
    return selected;
}

#include "screens/system/mode_select_mode.h"

#include "core/app_commands.h"
#include "core/keys.h"
#include "core/res_string.h"
#include "instrument/measurement.h"
#include "instrument/status_text_line.h"
#include "platform/framework/wnd.h"
#include "screens/measurement_base.h"
#include "screens/screen_services.h"
#include "widgets/draw_panel.h"
#include "widgets/readout_box.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"
#include "widgets/status_indicator.h"
#include "widgets/title_bar.h"

namespace {

constexpr uint32_t kStatusOwner = 187;
constexpr uint32_t kDrawLabelInstrument = 989, kDrawLabelMeasurement = 990;
constexpr uint32_t kSelectText = 792, kSelectTextSpecAn = 793, kHelpTitle = 61221;
constexpr uint32_t kChooseHint = 331;
constexpr int kHintRow = 2;
constexpr uint32_t kMenuCaptions[CModeBase::kMenuKeyCount] = {161, 61226, 61250, 184, 159, 61221};
constexpr uint32_t kHelpLabels[CModeBase::kKeysPerPage] = {64175, 64177, 64176, 64178,
                                                           184,   184,   184,   1019};
// Command codes of the keys.
constexpr uint32_t kCodeRestartLink = 0x80000001;
constexpr uint32_t kCodeFocusList = 0x80000002;
constexpr uint32_t kCodeTools = 0x80000024;
constexpr int kNone = -1;

constexpr uint32_t kAll = 0x207, kAll2 = 0x107, kVnaOnly = 0x205, kSpecAnOnly = 6;
bool HasVna(uint32_t id) {
    return id == kAll || id == kAll2 || id == kVnaOnly;
}
bool HasSpecAn(uint32_t id) {
    return id == kAll || id == kAll2 || id == kSpecAnOnly;
}

// An instrument screen of the application as the mode list sees it.
class ScreenEntry : public IModeListEntry {
  public:
    ScreenEntry(CModeBase* screen, IScreenServices* services)
        : screen_(screen), chain_(dynamic_cast<CMeasurementBase*>(screen)), services_(services) {}
    CModeBase* GetScreen() const override { return screen_; }
    int GetModeId() const override { return screen_->GetModeId(); }
    int GetMeasurementCount() const override { return chain_ ? chain_->GetMeasurementCount() : 0; }
    uint32_t GetMeasurementLabelId(int n) const override {
        const CMeasurement* m = At(n);
        return m ? m->GetLabelId() : CModeBase::kBlankLabel;
    }
    uint32_t GetMeasurementDescriptionId(int n) const override {
        const CMeasurement* m = At(n);
        return m ? m->GetDescriptionId() : CModeBase::kBlankLabel;
    }
    int GetCurrentMeasurementNumber() const override {
        CMeasurement* current = screen_->GetCurrentMeasurement();
        for (int n = 1; current && n <= GetMeasurementCount(); ++n)
            if (At(n) == current) return n;
        return 0;
    }
    core::Text GetNameText() const override {
        switch (GetModeId()) {
            case CModeSelectDlg::kModeNetwork:
                return LoadResString(64306);
            case CModeSelectDlg::kModeSpectrum:
                return LoadResString(64307);
            default:
                return LoadResString(64308);
        }
    }
    void SelectMeasurement(int n) override {
        CMeasurement* m = At(n);
        if (!m) return;
        screen_->SetCurrentMeasurement(m, m->GetSetup());
        if (services_) services_->ApplyKeptValue(m);
    }

  private:
    CMeasurement* At(int n) const { return chain_ ? chain_->GetMeasurementAt(n) : nullptr; }
    CModeBase* screen_;
    CMeasurementBase* chain_;
    IScreenServices* services_;
};

}  // namespace

CModeSelectMode::CModeSelectMode() : CSystemScreen(kModeId, kCaption) {}

CModeSelectMode::~CModeSelectMode() {
    // The dialog goes with its window; deleting it destroys the window.
    delete m_pModeDlg;
    m_pModeDlg = nullptr;
}

int CModeSelectMode::OnCreate(plat::CWnd* view, plat::CWnd* frame, int third,
                              CColorScheme* scheme) {
    const int result = CModeBase::OnCreate(view, frame, third, scheme);
    status_path_ = std::make_unique<CStatusTextLine>(kStatusOwner);
    m_nHardwareId = HardwareId();
    m_nListDialogId = (m_nHardwareId == kAll || m_nHardwareId == kAll2)
                          ? CModeSelectDlg::kThreeLists
                          : CModeSelectDlg::kTwoLists;
    ResetKeyTables();
    CreateSystemPanes(kDrawLabelInstrument, kDrawLabelMeasurement);
    if (readout_panel_) readout_panel_->SetRowCaptionById(kChooseHint, kHintRow);
    ShowMenuCaptions();
    ShowSoftKeys();
    if (status_indicator_) status_indicator_->SetValue(0, 0);
    return result;
}

void CModeSelectMode::ResetKeyTables() {
    CModeBase::ResetKeyTables();
    set_action(0, 0, static_cast<int>(kCodeRestartLink));
    for (int k = 0; k < 4; ++k) {
        set_label(kHelpPage, k, static_cast<int>(kHelpLabels[k]));
        set_action(kHelpPage, k, static_cast<int>(kCodeRestartLink));
    }
    set_label(kHelpPage, 7, static_cast<int>(kHelpLabels[7]));
    set_action(kHelpPage, 7, 0);
    parent_page_[0] = 0;
    parent_page_[kHelpPage] = 0;
    for (int page : {0, kHelpPage})
        for (int k = 0; k < kMenuKeyCount; ++k)
            set_menu_caption(page, k, static_cast<int>(kMenuCaptions[k]));
    menu_actions_[0] = {static_cast<int>(kCodeFocusList), static_cast<int>(kCodeFocusList),
                        static_cast<int>(kCodeFocusList), kNone,
                        static_cast<int>(kCodeTools),     kHelpPage};
    menu_actions_[1] = {0, 0, 0, kNone, static_cast<int>(kCodeTools), kHelpPage};
}

int CModeSelectMode::menu_action(int page, int key) const {
    if (key < 0 || key >= kMenuActionCount) return kNone;
    if (page == 0) return menu_actions_[0][static_cast<size_t>(key)];
    if (page == kHelpPage) return menu_actions_[1][static_cast<size_t>(key)];
    return kNone;
}

void CModeSelectMode::ShowMenuCaptions() {
    SetMenuCaptions(kMenuCaptions);
    if (menu_key_panel_) menu_key_panel_->Show(0, -1);
}

int CModeSelectMode::ShowSoftKeys() {
    if (page_ == 0) {
        if (soft_key_menu_) {
            std::array<uint32_t, kKeysPerPage> blank;
            blank.fill(kBlankLabel);
            soft_key_menu_->SetTexts(blank.data(), kKeysPerPage);
            soft_key_menu_->ClearHighlights();
            soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
        }
        return 1;
    }
    if (soft_key_menu_) soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    return 1;
}

void CModeSelectMode::ShowHelpPage() {
    if (!soft_key_menu_) return;
    std::array<uint32_t, kKeysPerPage> labels;
    for (int k = 0; k < kKeysPerPage; ++k) labels[static_cast<size_t>(k)] = kHelpLabels[k];
    if (!HasVna(m_nHardwareId)) labels[kHelpVna] = kBlankLabel;
    if (!HasSpecAn(m_nHardwareId)) labels[kHelpSpecAn] = kBlankLabel;
    soft_key_menu_->SetTexts(labels.data(), kKeysPerPage);
    soft_key_menu_->ClearHighlights();
    soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
}

// ------------------------------------------------------------ the list dialog

uint32_t CModeSelectMode::GetHardwareId() const {
    return m_nHardwareId;
}

IModeListEntry* CModeSelectMode::FindEntry(int mode) {
    if (mode < CModeSelectDlg::kModeNetwork || mode > CModeSelectDlg::kModePower) return nullptr;
    auto* s = services();
    CModeBase* screen = s ? s->FindScreen(mode) : nullptr;
    auto& entry = entries_[static_cast<size_t>(mode)];
    if (!screen) {
        entry.reset();
        return nullptr;
    }
    if (!entry || entry->GetScreen() != screen) entry = std::make_unique<ScreenEntry>(screen, s);
    return entry.get();
}

int CModeSelectMode::GetLastSelectedMode() const {
    auto* s = services();
    return s ? s->GetLastSelectedMode() : 1;
}

void CModeSelectMode::SetLastSelectedMode(int mode) {
    if (auto* s = services()) s->SetLastSelectedMode(mode);
}

CModeSelectDlg* CModeSelectMode::CreateDialog(int template_id) {
    auto* dlg =
        new CModeSelectDlg(main_frame_, menu_key_panel_.get(), main_frame_, template_id, this);
    dlg->SetArea(ListArea());
    if (!dlg->Create()) {
        delete dlg;
        return nullptr;
    }
    dlg->ShowWindow(plat::SW_SHOW);
    dlg->EnableWindow(true);
    dlg->RedrawWhole();
    return dlg;
}

int CModeSelectMode::ShowPage(int id) {
    if (id == -1) {
        id = m_nListDialogId;
        page_ = 0;
    }
    if (id == popup_id_ && m_pModeDlg) {
        m_pModeDlg->ReloadColours();
        m_pModeDlg->ShowWindow(plat::SW_SHOW);
        m_pModeDlg->EnableWindow(true);
        m_pModeDlg->RedrawWhole();
        m_pModeDlg->UpdateSelection();
        m_pModeDlg->SelectRowInList(-1, 0);
        return 1;
    }
    if (id != CModeSelectDlg::kThreeLists && id != CModeSelectDlg::kTwoLists)
        return CModeBase::ShowPage(id);
    ClosePopup();
    ClearStatusLine();
    PushStatusLine(id == CModeSelectDlg::kTwoLists && m_nHardwareId == kSpecAnOnly
                       ? kSelectTextSpecAn
                       : kSelectText);
    m_pModeDlg = CreateDialog(id);
    if (!m_pModeDlg) return 0;
    popup_id_ = id;
    m_pModeDlg->SelectRowInList(-1, 0);
    ShowStatusLine();
    return 1;
}

int CModeSelectMode::ClosePopup() {
    const int result = CModeBase::ClosePopup();
    if (popup_id_ != CModeSelectDlg::kThreeLists && popup_id_ != CModeSelectDlg::kTwoLists &&
        !m_pModeDlg)
        return result;
    popup_id_ = 0;
    CModeSelectDlg* dlg = m_pModeDlg;
    m_pModeDlg = nullptr;
    delete dlg;  // destroys its window
    return 1;
}

// ------------------------------------------------------------ activation

void CModeSelectMode::OnActivateStart() {
    ShowSoftKeys();
    RedrawAllPanes();
    CModeBase::OnActivate();
    if (auto* s = services()) s->SetLastMeasurementModeId(kModeId);
    if (!m_pModeDlg) {
        m_pModeDlg = CreateDialog(m_nListDialogId);
        if (m_pModeDlg) {
            ClearStatusLine();
            PushStatusLine(kSelectText);
        }
    }
    // A later page 163 builds the dialog anew.
    popup_id_ = CModeSelectDlg::kThreeLists;
    ShowStatusLine();
    RepaintFrame();
    if (m_pModeDlg) m_pModeDlg->RedrawWhole();
    if (auto* s = services()) s->NoteModeChanged();
}

void CModeSelectMode::OnActivate() {
    ShowSoftKeys();
    PushStatusLine(kSelectText);
    ShowStatusLine();
    if (draw_panel_) draw_panel_->Redraw();
    if (readout_panel_) {
        readout_panel_->SetRowCaptionById(kBlankLabel, 0);
        readout_panel_->SetRowCaptionById(kBlankLabel, 1);
        readout_panel_->SetRowCaptionById(kChooseHint, kHintRow);
        readout_panel_->RedrawRows(0, true, 0);
    }
    if (menu_key_panel_) menu_key_panel_->Show(0, -1);
    CModeBase::OnActivate();
    if (auto* s = services()) s->SetLastMeasurementModeId(kModeId);
    // Without a dialog the page posted below builds one.
    if (m_pModeDlg) m_pModeDlg->SelectRowInList(-1, 0);
    post_to_frame(plat::WM_COMMAND, kCmdShowPage, m_nListDialogId);
}

void CModeSelectMode::ReloadTexts() {
    ShowStatusLine();
    ShowMenuCaptions();
    if (page_ == kHelpPage)
        ShowHelpPage();
    else
        ShowSoftKeys();
    if (readout_panel_) readout_panel_->SetRowCaptionById(kChooseHint, kHintRow);
    RedrawAllPanes();
    ShowPage(popup_id_);
}

// ------------------------------------------------------------ keys

int CModeSelectMode::OnLeftButtonDown(uint32_t flags, int x, int y) {
    if (file_label_panel_ && file_label_panel_->HitTest({x, y})) {
        if (page_ == kHelpPage)
            ShowHelpPage();
        else
            ShowSoftKeys();
        return 1;
    }
    return CModeBase::OnLeftButtonDown(flags, x, y);
}

void CModeSelectMode::FocusListForKey(int key) {
    if (m_nListDialogId == CModeSelectDlg::kThreeLists) {
        ShowPage(CModeSelectDlg::kThreeLists);
        if (m_pModeDlg) m_pModeDlg->SelectRowInList(-1, key);
        return;
    }
    ShowPage(CModeSelectDlg::kTwoLists);
    if (!m_pModeDlg) return;
    const int single_key = m_nHardwareId == kSpecAnOnly ? 1 : 0;
    if (key == single_key) m_pModeDlg->SelectRowInList(-1, 0);
    if (key == 2) m_pModeDlg->SelectRowInList(-1, 1);
}

void CModeSelectMode::OnMenuKey(uint32_t key, int flag) {
    CModeBase::OnMenuKey(key, flag);
    const int index = HardMenuKeyIndex(key);
    const int act = menu_action(page_, index);
    if (act == kNone || act == page_) return;
    if (static_cast<uint32_t>(act) & 0x80000000u) {
        OnCommand(static_cast<uint32_t>(act), index);
        return;
    }
    if (act == 0) {
        ClearStatusLine();
        page_ = 0;
        ShowSoftKeys();
        FocusListForKey(index);
        return;
    }
    if (act == kHelpPage) {
        ClearStatusLine();
        PushStatusLine(kHelpTitle);
        page_ = kHelpPage;
        ShowHelpPage();
        ShowStatusLine();
    }
}

int CModeSelectMode::OnCommand(uint32_t code, intptr_t argument) {
    const int popup_before = popup_id_;
    if (CModeBase::OnCommand(code, argument)) return 1;
    const int key = static_cast<int>(argument);
    int result = 0;
    if (code == kCodeFocusList) {
        switch (m_nHardwareId) {
            case kAll:
            case kAll2:
                if (m_pModeDlg) m_pModeDlg->SelectRowInList(-1, key);
                result = 1;
                break;
            case kVnaOnly:
                if (key == 0 || key == 2) FocusListForKey(key);
                result = key != 1;
                break;
            case kSpecAnOnly:
                page_ = 0;
                ShowSoftKeys();
                if (key == 1 || key == 2) FocusListForKey(key);
                result = key != 0;
                break;
            default:
                break;
        }
    } else if (code == kCodeRestartLink && page_ == 0) {
        auto* s = services();
        if (s && !s->RestartLink()) post_to_frame(plat::WM_CLOSE, 0, 0);
        result = 1;
    } else if (code == kCodeRestartLink && page_ == kHelpPage) {
        if (key == kHelpVna && !HasVna(m_nHardwareId)) return 0;
        if (key == kHelpSpecAn && !HasSpecAn(m_nHardwareId)) return 0;
        if (key >= kHelpVna && key <= kHelpCustom) ShowModeHelp(key);
        ShowHelpPage();
        if (menu_key_panel_) menu_key_panel_->Select(0, 5, true);
        result = 1;
    }
    if (popup_id_ != popup_before && m_pModeDlg) m_pModeDlg->ShowWindow(plat::SW_SHOW);
    return result;
}

void CModeSelectMode::OnSoftKey(uint32_t key, int repeat) {
    CModeBase::OnSoftKey(key, repeat);
    const int index = SoftKeyFromVKey(key);
    const int act = action(page_, index);
    if (act == kNone) return;
    if (static_cast<uint32_t>(act) & 0x80000000u) {
        OnCommand(static_cast<uint32_t>(act), index);
        ShowStatusLine();
        return;
    }
    if (act == 0 && page_ != 0) {
        ClearStatusLine();
        ShowPage(m_nListDialogId);
    }
    ShowStatusLine();
    page_ = act;
    ShowSoftKeys();
}

int CModeSelectMode::OnEscapeKey() {
    CModeBase::OnEscapeKey();
    const int parent = (page_ >= 0 && page_ < kPageCount) ? parent_page_[page_] : -1;
    if (parent >= 0 && parent != page_) {
        page_ = parent;
        if (parent == 0) ClearStatusLine();
        if (parent == kHelpPage) PushStatusLine(kHelpTitle);
        ShowPage(m_nListDialogId);
        ShowStatusLine();
        ShowMenuCaptions();
        ShowSoftKeys();
        return 1;
    }
    // The previous screen is this one: nothing happens.
    ReturnToMeasurementScreen(kModeId);
    return 0;
}

void CModeSelectMode::OnEnterKey() {
    CModeBase::OnEnterKey();
    if (m_pModeDlg) m_pModeDlg->SelectCurrent();
}

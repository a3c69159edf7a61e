// CSetupMode: panes, soft-key pages, keys and the two popups.
#include "screens/system/setup_mode.h"

#include "core/app_commands.h"
#include "core/keys.h"
#include "core/posted_records.h"
#include "core/res_string.h"
#include "core/screen_ids.h"
#include "core/sorted_item_list.h"
#include "dialogs/dialog_services.h"
#include "dialogs/setup_select_dlg.h"
#include "dialogs/setup_sequence_dlg.h"
#include "files/formats/setup_file.h"
#include "files/listed_setup.h"
#include "files/meas_setup.h"
#include "instrument/status_text_line.h"
#include "platform/framework/wnd.h"
#include "screens/screen_services.h"
#include "widgets/draw_panel.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"
#include "widgets/status_indicator.h"
#include "widgets/title_bar.h"

namespace {

constexpr uint32_t kStatusOwner = 346;
constexpr uint32_t kPickHint = 333;
constexpr uint32_t kHelpTitle = 61221;
constexpr uint32_t kDrawLabels[] = {989, 990};
constexpr uint32_t kSummaryLabel = 991;
constexpr int kReadoutStyle = 3;
constexpr int kHintRow = 2;
// The list area: the frame's client area less these margins.
constexpr int kListTop = 90, kListRight = 95, kListBottom = 77;
constexpr int kMenuKeyHelp = 5;
constexpr int kHelpItem = 5;

struct PageKey {
    uint32_t label;
    int action;
};
constexpr int kNone = -1;
constexpr int kPageKey = static_cast<int>(CSetupMode::kCodePageKey);
constexpr int kHelpCode = static_cast<int>(CSetupMode::kCodeHelp);
constexpr int kSortCode = static_cast<int>(CSetupMode::kCodeSortKey);
constexpr uint32_t kBlank = CModeBase::kBlankLabel;

constexpr PageKey kMainKeys[] = {{1194, kPageKey},
                                 {1142, kPageKey},
                                 {1143, kPageKey},
                                 {1208, kPageKey},
                                 {1209, CSetupMode::kManagePage},
                                 {651, kPageKey},
                                 {kBlank, kNone},
                                 {1019, 0}};
constexpr PageKey kHelpKeys[] = {
    {155, kHelpCode}, {157, kHelpCode}, {kBlank, kNone}, {kBlank, kNone},
    {kBlank, kNone},  {kBlank, kNone},  {kBlank, kNone}, {1019, CSetupMode::kMainPage}};
constexpr PageKey kViewKeys[] = {{kBlank, kNone}, {1143, kPageKey}, {kBlank, kNone},
                                 {150, kPageKey}, {730, kPageKey},  {733, kPageKey},
                                 {745, kPageKey}, {746, kPageKey}};
constexpr PageKey kManageKeys[] = {
    {1212, kPageKey}, {1213, kPageKey}, {1214, kPageKey}, {1145, kPageKey},
    {1211, kPageKey}, {651, kPageKey},  {kBlank, kNone},  {1019, CSetupMode::kMainPage}};
constexpr PageKey kSortKeys[] = {
    {332, kSortCode}, {881, kSortCode}, {882, kSortCode}, {883, kSortCode},
    {884, kSortCode}, {885, kSortCode}, {kBlank, kNone},  {1019, CSetupMode::kMainPage}};

}  // namespace

CSetupMode::CSetupMode() {
    mode_id_ = kScreenSetup;
    CSetupMode::ResetKeyTables();
}

CSetupMode::~CSetupMode() {
    CSetupMode::ClosePopup();
}

// ------------------------------------------------------------ panes and pages

int CSetupMode::OnCreate(plat::CWnd* view, plat::CWnd* frame, int third, CColorScheme* scheme) {
    CModeBase::OnCreate(view, frame, third, scheme);
    status_path_ = std::make_unique<CStatusTextLine>(kStatusOwner);
    ResetKeyTables();
    CreatePanes();
    ShowStatusLine();
    ShowPageLabels(kMainPage);
    if (status_indicator_) status_indicator_->Redraw();
    m_bBusy = false;
    return 1;
}

void CSetupMode::CreatePanes() {
    file_label_panel_ = std::make_unique<CFileLabelPanel>(LoadResString(kCaption), false);
    CreatePane(*file_label_panel_, GetTitleLayout());
    soft_key_menu_ = std::make_unique<CSoftKeyMenu>();
    CreatePane(*soft_key_menu_, GetSoftKeyLayout());
    menu_key_panel_ = std::make_unique<CPanelWidget>();
    CreatePane(*menu_key_panel_, GetBottomLayout());
    status_indicator_ = std::make_unique<CStatusIndicator>();
    CreatePane(*status_indicator_, GetCornerLayout());
    draw_panel_ = std::make_unique<CDrawPanel>(2, kDrawLabels, 1, &kSummaryLabel);
    CreatePane(*draw_panel_, GetBannerLayout());
    readout_panel_ = std::make_unique<CReadoutPanel>(kReadoutStyle);
    CreatePane(*readout_panel_, GetReadoutLayout());
}

void CSetupMode::ResetKeyTables() {
    CModeBase::ResetKeyTables();
    auto fill = [this](int page, const PageKey(&keys)[kKeysPerPage]) {
        for (int k = 0; k < kKeysPerPage; ++k) {
            set_label(page, k, static_cast<int>(keys[k].label));
            set_action(page, k, keys[k].action);
        }
    };
    fill(kMainPage, kMainKeys);
    fill(kHelpPage, kHelpKeys);
    fill(kViewPage, kViewKeys);
    fill(kManagePage, kManageKeys);
    fill(kSortPage, kSortKeys);
    for (int page : {kHelpPage, kViewPage, kManagePage, kSortPage}) parent_page_[page] = kMainPage;
    // The sixth menu key leads to the help page; only there it has a caption.
    for (int page : {kMainPage, kHelpPage, kViewPage, kManagePage})
        key_link_[page][kMenuKeyHelp] = kHelpPage;
    set_menu_caption(kHelpPage, kMenuKeyHelp, static_cast<int>(kHelpTitle));
}

void CSetupMode::ShowPageLabels(int page) {
    page_ = page;
    ShowPageTexts(page);
    if (soft_key_menu_) {
        soft_key_menu_->ClearHighlights();
        soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    }
}

void CSetupMode::ShowStatusLine() {
    if (!file_label_panel_) return;
    // The caption, and the help page's title while it is up.
    const bool help = status_path_ && status_path_->GetLength() > 0;
    file_label_panel_->SetFileLabel(LoadResString(kCaption),
                                    help ? LoadResString(kHelpTitle) : core::Text());
    file_label_panel_->Redraw();
    // Files left out of the last listing are named where the hint stands.
    if (draw_panel_) {
        draw_panel_->SetRowText(m_LoadReport.empty() ? LoadResString(kPickHint) : m_LoadReport,
                                kHintRow);
        draw_panel_->Redraw();
    }
}

void CSetupMode::UpdateStatusIcons(int kind, int level) {
    CModeBase::UpdateStatusIcons(kind, level);
}

void CSetupMode::ReloadTexts() {
    ShowStatusLine();
    ShowPageLabels(page_);
    if (status_indicator_) status_indicator_->Redraw();
    if (readout_panel_) readout_panel_->RedrawRows(0, true, 0);
    const int popup = m_PopupId;
    if (popup) {
        m_PopupId = 0;
        // The viewing popup comes back on the setup it showed.
        ShowPage(popup);
    }
}

void CSetupMode::OnBufferPair(CBufferPair* pair) {
    CModeBase::OnBufferPair(pair);
}

void CSetupMode::OnCommand32833(int kind, const core::Text* text) {
    if (!readout_panel_ || kind != 1 || !text) return;
    readout_panel_->SetRowCaption(*text, kHelpItem);
    readout_panel_->RedrawRows(0, true, 0);
}

// ------------------------------------------------------------ popups

void CSetupMode::ShowPopup(plat::CWnd* window) {
    if (!window) return;
    if (parent_view_) {
        const plat::Rect client = parent_view_->GetClientRect();
        window->MoveWindow({client.left, client.top + kListTop, client.right - kListRight,
                            client.bottom - kListBottom});
    }
    window->ShowWindow(plat::SW_SHOW);
    window->EnableWindow(true);
    window->SetFocus();
    window->Invalidate();
    ShowStatusLine();
}

int CSetupMode::ShowPage(int page) {
    if (page == -1) {
        ShowPageLabels(kMainPage);
        page = kSelectPopup;
    }
    if (page == m_PopupId && page != 0) {
        plat::CWnd* window = m_pSelectDlg ? static_cast<plat::CWnd*>(m_pSelectDlg)
                                          : static_cast<plat::CWnd*>(m_pSequenceDlg);
        if (window) window->Invalidate();
        return 1;
    }
    ClosePopup();
    if (page == kSelectPopup) {
        auto* dlg = new CSetupSelectDlg(parent_view_, dialog_services::ColorSchemeHolder(), false);
        dlg->SetChosenSetup(m_pViewedSetup);
        if (!parent_view_ || !dlg->Create()) {
            delete dlg;
            return 0;
        }
        m_pSelectDlg = dlg;
        if (status_path_) status_path_->Clear();
        m_PopupId = kSelectPopup;
        ShowPopup(dlg);
        if (!m_pViewedSetup) ReloadSetupList();
        dlg->Reload();
        return 1;
    }
    if (page == kSequencePopup) {
        if (!m_pViewedSetup) return 0;
        auto* dlg = new CSetupSequenceDlg(parent_view_);
        ShowViewedSetup();
        dlg->SetViewedSetup(m_ViewedCopy.get());
        dlg->SetFirstEntry(CListedSetup::EntryOf(List() ? List()->GetHead() : nullptr),
                           m_pViewedSetup);
        if (!parent_view_ || !dlg->Create()) {
            delete dlg;
            return 0;
        }
        m_pSequenceDlg = dlg;
        m_PopupId = kSequencePopup;
        ShowPopup(dlg);
        return 1;
    }
    return 0;
}

int CSetupMode::ClosePopup() {
    CModeBase::ClosePopup();
    plat::CWnd* window = m_pSelectDlg ? static_cast<plat::CWnd*>(m_pSelectDlg)
                                      : static_cast<plat::CWnd*>(m_pSequenceDlg);
    // The dialogs free themselves once their window is gone.
    if (window && window->exists()) {
        window->ShowWindow(plat::SW_HIDE);
        window->DestroyWindow();
    } else {
        delete window;
    }
    const bool had = m_PopupId == kSelectPopup || m_PopupId == kSequencePopup;
    m_pSelectDlg = nullptr;
    m_pSequenceDlg = nullptr;
    m_PopupId = 0;
    return had ? 1 : 0;
}

void CSetupMode::OpenSetupList() {
    if (m_PopupId != kSelectPopup) ShowPage(kSelectPopup);
}

// ------------------------------------------------------------ activation

void CSetupMode::OnActivate() {
    CModeBase::OnActivate();
    if (file_label_panel_) file_label_panel_->Redraw();
    ShowPageLabels(m_pViewedSetup ? kViewPage : kMainPage);
    if (draw_panel_) draw_panel_->Redraw();
    if (status_indicator_) status_indicator_->Redraw();
    if (readout_panel_) readout_panel_->RedrawRows(0, true, 0);
    ShowPage(m_pViewedSetup ? kSequencePopup : kSelectPopup);
}

void CSetupMode::CancelEntry() {
    CModeBase::CancelEntry();
    ClosePopup();
    m_pViewedSetup = nullptr;
    m_ViewedCopy.reset();
    // The application may delete its setup list while another screen is
    // current; nothing of it is kept.
    m_pFactorySA = m_pFactoryVNA = nullptr;
}

void CSetupMode::ReturnToPreviousScreen() {
    const bool was_locked = key_lock2_;
    key_lock2_ = true;
    auto* s = services();
    CModeBase* previous = s ? s->FindScreen(GetLastMeasurementModeId()) : nullptr;
    if (previous && previous != this) PostCommandObject<kCmdSwitchMode>(main_frame_, previous);
    key_lock2_ = was_locked;
}

void CSetupMode::PostPaneRedraw(int pane) const {
    post_to_frame(plat::WM_COMMAND, kCmdRefreshPane, pane);
}

// ------------------------------------------------------------ keys

void CSetupMode::OnSoftKey(uint32_t key, int repeat) {
    CModeBase::OnSoftKey(key, repeat);
    const int index = SoftKeyFromVKey(key);
    const int act = action(page_, index);
    if (act == kNone) return;
    if (static_cast<uint32_t>(act) & 0x80000000u) {
        OnCommand(static_cast<uint32_t>(act), index);
        return;
    }
    if (act == kMainPage && page_ == kMainPage) {
        ReturnToPreviousScreen();
        return;
    }
    if (act == kMainPage && page_ == kHelpPage) {
        OpenSetupList();
        if (status_path_) status_path_->Clear();
    }
    ShowStatusLine();
    ShowPageLabels(act);
}

void CSetupMode::OnMenuKey(uint32_t key, int) {
    if (m_bBusy) return;
    const int index = HardMenuKeyIndex(key);
    if (index < 0 || index >= kMenuKeyCount || page_ < 0 || page_ >= kPageCount) return;
    const int act = key_link_[page_][index];
    if (act == page_ || act == kNone) return;
    if (static_cast<uint32_t>(act) & 0x80000000u) {
        OnCommand(static_cast<uint32_t>(act), index);
        return;
    }
    if (act != kHelpPage) return;
    if (status_path_) {
        status_path_->Clear();
        status_path_->Push(kHelpTitle);
    }
    ShowPageLabels(kHelpPage);
    OpenSetupList();
    ShowStatusLine();
}

int CSetupMode::OnEscapeKey() {
    CModeBase::OnEscapeKey();
    const int parent = page_ >= 0 && page_ < kPageCount ? parent_page_[page_] : kNone;
    if (parent == kNone || parent == page_) {
        if (page_ == kMainPage) ReturnToPreviousScreen();
        return 0;
    }
    if (parent == kMainPage) {
        OpenSetupList();
        if (status_path_) status_path_->Clear();
    }
    ShowStatusLine();
    ShowPageLabels(parent);
    return 1;
}

void CSetupMode::OnEnterKey() {
    CModeBase::OnEnterKey();
    if (!m_pSelectDlg) return;
    CListedSetup* setup = HighlightedSetup();
    if (!setup) return;
    m_pViewedSetup = setup;
    PostCommandObject<kCmdRecallSetup>(main_frame_, setup);
}

void CSetupMode::OnModeKey(uint32_t key) {
    PrepareScreenSwitch();
    CModeBase::OnModeKey(key);
}

int CSetupMode::OnLeftButtonDown(uint32_t flags, int x, int y) {
    if (file_label_panel_ && file_label_panel_->HitTest({x, y})) {
        ShowPageLabels(page_);
        OpenSetupList();
        return 1;
    }
    return CModeBase::OnLeftButtonDown(flags, x, y);
}

// ------------------------------------------------------------ commands

int CSetupMode::OnCommand(uint32_t code, intptr_t argument) {
    if (m_bBusy) return 0;
    if (CModeBase::OnCommand(code, argument)) return 1;
    const int key = static_cast<int>(argument);
    if (code == kCodePageKey) {
        switch (page_) {
            case kMainPage:
                OnMainPageKey(key);
                break;
            case kViewPage:
                OnViewPageKey(key);
                break;
            case kManagePage:
                OnManagePageKey(key);
                break;
            default:
                break;
        }
        return 1;
    }
    if (code == kCodeSortKey && m_pSelectDlg) {
        if (key == 0) {
            ViewHighlighted();
        } else if (key >= 1 && key <= 5) {
            m_pSelectDlg->OnAction(CSetupSelectDlg::kActionSortClass + key - 1);
            ShowPageLabels(kMainPage);
        }
        return 1;
    }
    return 0;
}

CListedSetup* CSetupMode::HighlightedSetup() const {
    if (!m_pSelectDlg) return nullptr;
    ISetupEntry* entry = m_pSelectDlg->GetSelectedSetup();
    return entry ? CListedSetup::From(entry->GetListItem()) : nullptr;
}

void CSetupMode::ViewHighlighted() {
    if (m_pSelectDlg) m_pViewedSetup = HighlightedSetup();
    if (!m_pViewedSetup) return;
    ShowPage(kSequencePopup);
    ShowPageLabels(kViewPage);
}

// The viewed setup read anew by the reader of its class; the screen owns
// the copy until the next step or the close.
void CSetupMode::ShowViewedSetup() {
    m_ViewedCopy.reset();
    if (!m_pViewedSetup) return;
    auto* s = services();
    core::Text reason;
    m_ViewedCopy = CSetupFile::LoadSetupObject(m_pViewedSetup->GetFilePath(),
                                               s ? s->GetSetupEnvironment() : nullptr, &reason);
}

void CSetupMode::OnMainPageKey(int key) {
    switch (key) {
        case 0:
            DoQuickSave();
            break;
        case 1:
            if (m_pSelectDlg && GetCurrentSetup()) SaveSetupAs(GetCurrentSetup());
            break;
        case 2:
            if (!m_pSelectDlg) break;
            m_pSelectDlg->SetActedOn(true);
            m_pViewedSetup = HighlightedSetup();
            if (m_pViewedSetup) PostCommandObject<kCmdRecallSetup>(main_frame_, m_pViewedSetup);
            m_pSelectDlg->Invalidate();
            break;
        case 3:
            RecallDefault();
            break;
        case 5:
            ViewHighlighted();
            break;
        default:
            break;
    }
}

void CSetupMode::OnViewPageKey(int key) {
    switch (key) {
        case 1:
            if (m_pSequenceDlg && m_pViewedSetup)
                PostCommandObject<kCmdRecallSetup>(main_frame_, m_pViewedSetup);
            break;
        case 3:
            AskAndDelete(625);
            break;
        case 4:
        case 5:
            if (m_pSequenceDlg)
                m_pSequenceDlg->OnAction(key == 4 ? CSetupSequenceDlg::kActionFirst
                                                  : CSetupSequenceDlg::kActionLast);
            break;
        case 6:
        case 7: {
            if (!m_pSequenceDlg || !m_pViewedSetup || !List()) break;
            CSortedItem* first = List()->GetHead();
            if (key == 7 && (!first || !first->NextItem())) break;
            ISetupEntry* next = key == 6 ? m_pSequenceDlg->GetNextSetup(m_pViewedSetup)
                                         : m_pSequenceDlg->GetPreviousSetup(m_pViewedSetup);
            CListedSetup* listed = next ? CListedSetup::From(next->GetListItem()) : nullptr;
            if (!listed) break;
            m_pViewedSetup = listed;
            ShowViewedSetup();
            m_pSequenceDlg->SetViewedSetup(m_ViewedCopy.get());
            m_pSequenceDlg->SetFirstEntry(CListedSetup::EntryOf(first), m_pViewedSetup);
            m_pSequenceDlg->FillRows(0);
            break;
        }
        default:
            break;
    }
}

void CSetupMode::OnManagePageKey(int key) {
    switch (key) {
        case 0: {
            CListedSetup* setup = HighlightedSetup();
            if (setup) CopySetupsWithUsbDisk(true, true, setup->GetName());
            break;
        }
        case 1:
            CopySetupsWithUsbDisk(false, true, {});
            break;
        case 2:
            CopySetupsWithUsbDisk(false, false, {});
            ShowPageLabels(kManagePage);
            break;
        case 3:
            AskAndDelete(1147);
            break;
        case 4:
            DeleteAll();
            break;
        case 5:
            ViewHighlighted();
            break;
        default:
            break;
    }
}

#include "dialogs/setup_select_dlg.h"

#include <mutex>

#include "core/app_commands.h"
#include "core/posted_records.h"
#include "core/res_string.h"
#include "dialogs/dialog_services.h"
#include "dialogs/file_list_screen.h"
#include "dialogs/setup_texts.h"
#include "files/meas_setup.h"
#include "files/setup_entry.h"
#include "platform/framework/controls.h"
#include "platform/framework/list_ctrl.h"
#include "platform/framework/message_box.h"

namespace {

constexpr uint32_t kSetupListColumns = 64275;    // file, frequency, mode, time
constexpr uint32_t kFileManagerColumns = 64274;  // file, frequency, time
constexpr uint32_t kUpdateFailed = 64253;
constexpr uint32_t kVnaText = 64514, kSpecText = 64513, kPowerText = 61228;
constexpr uint32_t kMark = plat::LVIS_FOCUSED;
constexpr uint32_t kSelected = plat::LVIS_SELECTED;
// The slots of the texts handed to the screen: instrument, measurement,
// summary and the measurement's text.
constexpr int kInstrumentSlot = 0, kMeasurementSlot = 1, kSummarySlot = 2, kTextSlot = 5;

void RegisterSetupSelectTemplate() {
    static std::once_flag once;
    std::call_once(once, [] {
        using namespace plat;
        DialogTemplate t;
        t.id = CSetupSelectDlg::IDD;
        t.style = WS_CHILD;
        t.x = 0;
        t.y = 53;
        t.cx = 404;
        t.cy = 258;
        t.font_face = u"System";
        t.point_size = 8;
        t.items = {
            {"SysListView32", u"List1", CSetupSelectDlg::kListId,
             WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 15, 10, 375,
             240},
        };
        register_dialog_template(t);
    });
}

core::Text ModeText(int32_t measurement_class) {
    switch (measurement_class) {
        case CMeasSetup::kClassVna:
            return LoadResString(kVnaText);
        case CMeasSetup::kClassSa:
            return LoadResString(kSpecText);
        default:
            return LoadResString(kPowerText);
    }
}

}  // namespace

CSetupSelectDlg::CSetupSelectDlg(plat::CWnd* parent, CColorScheme* const* scheme_holder,
                                 bool file_manager)
    : CListDlg(IDD, parent, scheme_holder),
      m_RowFont(dialog_services::UiFont(dialog_services::SmallFontHeight())),
      m_bFileManager(file_manager) {
    plat::register_basic_controls();
    RegisterSetupSelectTemplate();
    AttachControl(kListId, &m_List);
    if (m_bFileManager) {
        const IDialogServices* services = IDialogServices::current();
        m_pOwner = services ? services->GetFileListScreen() : nullptr;
        if (m_pOwner) m_pFirst = m_pOwner->GetFirstFileEntry();
    }
}

CSetupSelectDlg::~CSetupSelectDlg() = default;

bool CSetupSelectDlg::OnInitDialog() {
    CListDlg::OnInitDialog();
    m_List.SetFont(m_RowFont, false);
    m_List.SetColumns(LoadResString(m_bFileManager ? kFileManagerColumns : kSetupListColumns));
    m_List.LoadColumnWidths();
    m_RowsPerPage = m_List.GetCountPerPage();
    if (m_bFileManager) FillList();
    return true;
}

// ------------------------------------------------------------ rows

void CSetupSelectDlg::Reload() {
    IDialogServices* services = IDialogServices::current();
    m_pFirst = services ? services->SortSetupList(m_SortMode) : nullptr;
    FillList();
    if (exists()) Invalidate();
}

void CSetupSelectDlg::FillList() {
    m_List.DeleteAllRows();
    m_Rows.clear();
    if (!m_pFirst) {
        SelectHighlighted();
    } else {
        for (ISetupEntry* e = m_pFirst; e; e = e->GetNextEntry()) {
            const core::Text frequency = setup_texts::FrequencyText(e->GetFrequencyRange());
            const core::Text time = setup_texts::FormatTimeStamp(e->GetEntryTime());
            std::vector<core::Text> texts = {e->GetEntryFileName(), frequency};
            if (!m_bFileManager) texts.push_back(ModeText(e->GetMeasurementClass()));
            texts.push_back(time);
            const int row = m_List.AddRow(texts);
            m_List.SetRowValue(row, static_cast<int32_t>(m_Rows.size()));
            m_Rows.push_back(e);
        }
        const int count = m_List.GetItemCount();
        if (count > 0) {
            m_List.SetItemState(m_CurrentRow % count, kMark, kMark);
            if (m_List.exists()) m_List.SetFocus();
            if (m_CurrentRow < count) m_List.SetItemState(m_CurrentRow, kSelected, kSelected);
        }
    }
    EnsureRowVisible(m_CurrentRow);
    ShowSetupInfo(m_pFirst);
}

int CSetupSelectDlg::MarkedRow() const {
    return m_List.GetNextItem(-1, plat::LVNI_FOCUSED);
}

ISetupEntry* CSetupSelectDlg::EntryAt(int row) const {
    if (row < 0 || row >= m_List.GetItemCount()) return nullptr;
    const int32_t index = m_List.GetRowValue(row);
    return index >= 0 && index < static_cast<int32_t>(m_Rows.size())
               ? m_Rows[static_cast<size_t>(index)]
               : nullptr;
}

ISetupEntry* CSetupSelectDlg::GetSelectedSetup() const {
    return EntryAt(MarkedRow());
}

void CSetupSelectDlg::SetHighlightRow(int row) {
    if (row < 0 || row >= m_List.GetItemCount()) return;
    m_List.SetItemState(row, kMark, kMark);
}

void CSetupSelectDlg::MarkRow(int row) {
    const int marked = MarkedRow();
    if (marked >= 0) m_List.SetItemState(marked, 0, kSelected | kMark);
    m_List.SetItemState(row, kSelected | kMark, kSelected | kMark);
    ShowSetupInfo(EntryAt(row));
}

void CSetupSelectDlg::MoveHighlight(bool down) {
    const int count = m_List.GetItemCount();
    const int marked = MarkedRow();
    if (count == 0 || marked < 0) return;
    const int row = down ? (marked + 1) % count : (marked + count - 1) % count;
    MarkRow(row);
    m_CurrentRow = row;
    EnsureRowVisible(row);
}

void CSetupSelectDlg::GoToRow(int row) {
    const int marked = MarkedRow();
    if (marked >= 0) m_List.SetItemState(marked, 0, kSelected | kMark);
    if (m_List.GetItemCount() == 0) return;
    MarkRow(row);
}

void CSetupSelectDlg::EnsureRowVisible(int row) {
    const int count = m_List.GetItemCount();
    if (count <= m_RowsPerPage) return;
    if (row >= m_RowsPerPage || row < count - m_RowsPerPage) m_List.EnsureVisible(row, true);
}

void CSetupSelectDlg::ShowSetupInfo(ISetupEntry* entry) {
    auto pair = std::make_unique<CBufferPair>();
    if (entry) {
        pair->Set(kInstrumentSlot, entry->GetInstrumentName());
        pair->Set(kMeasurementSlot, entry->GetMeasurementName());
        pair->Set(kSummarySlot, setup_texts::Summary(*entry));
        pair->Set(kTextSlot, entry->GetMeasurementText());
    } else {
        for (int slot : {kInstrumentSlot, kMeasurementSlot, kSummarySlot, kTextSlot})
            pair->Set(slot, u" ");
    }
    if (IDialogServices* services = IDialogServices::current())
        services->HandOverToCurrentMode(std::move(pair));
}

// ------------------------------------------------------------ choosing

void CSetupSelectDlg::SelectHighlighted() {
    const int marked = MarkedRow();
    if (marked < 0) {
        m_pChosen = nullptr;
        m_CurrentRow = 0;
        return;
    }
    m_CurrentRow = marked;
    m_pChosen = EntryAt(marked);
    if (m_bFileManager && m_pOwner) {
        ChooseInFileManager();
    } else {
        Recall(m_pChosen);
    }
}

void CSetupSelectDlg::Recall(ISetupEntry* entry) {
    CSortedItem* item = entry ? entry->GetListItem() : nullptr;
    if (item) PostCommandObject<kCmdRecallSetup>(m_pListParent, item);
}

void CSetupSelectDlg::ChooseInFileManager() {
    switch (m_pOwner->GetSoftKeyPage()) {
        case IFileListScreen::kPageClose:
            if (m_pOwner->OnKeyCode(0) && m_pListParent)
                m_pListParent->PostMessage(plat::WM_COMMAND, kCmdClosePopup, IDD);
            break;
        case IFileListScreen::kPageDelete:
            m_pOwner->DeleteTraceFiles(0);
            break;
        default:
            break;
    }
}

void CSetupSelectDlg::OnAction(int code) {
    switch (code) {
        case kActionFirstRow:
            GoToRow(0);
            return;
        case kActionLastRow:
            GoToRow(m_List.GetItemCount() - 1);
            return;
        case kActionSortClass:
            m_SortMode = m_SortMode == 1 ? 2 : m_SortMode == 2 ? 3 : 1;
            break;
        case kActionSortOperator:
            m_SortMode = m_SortMode == 4 ? 5 : 4;
            break;
        case kActionSortName:
            m_SortMode = m_SortMode == 6 ? 7 : 6;
            break;
        case kActionSortLocation:
            m_SortMode = m_SortMode == 8 ? 9 : 8;
            break;
        case kActionSortDate:
            m_SortMode = m_SortMode == 10 ? 11 : 10;
            break;
        default:
            return;
    }
    FillList();
}

// ------------------------------------------------------------ keys and messages

bool CSetupSelectDlg::OnKeyDown(uint32_t key, uint16_t, uint32_t) {
    switch (key) {
        case plat::VK_RETURN:
            m_bEnterPressed = true;
            return true;
        case plat::VK_UP:
            MoveHighlight(false);
            return true;
        case plat::VK_DOWN:
            MoveHighlight(true);
            return true;
        default:
            return false;
    }
}

bool CSetupSelectDlg::OnKeyUp(uint32_t key, uint16_t repeat, uint32_t flags) {
    if (key != plat::VK_RETURN) return CListDlg::OnKeyUp(key, repeat, flags);
    if (m_bEnterPressed && !m_bActedOn) SelectHighlighted();
    m_bEnterPressed = false;
    m_bActedOn = false;
    return true;
}

bool CSetupSelectDlg::OnWheel(int delta) {
    MoveHighlight(delta >= 0);
    return true;
}

bool CSetupSelectDlg::OnCommand(uintptr_t wparam, intptr_t lparam) {
    if (plat::loword(wparam) != kUpdateDialogList) return CListDlg::OnCommand(wparam, lparam);
    try {
        FillList();
    } catch (...) {
        dialog_services::ShowMessage(LoadResString(kUpdateFailed), plat::MB_OK);
    }
    return true;
}

intptr_t CSetupSelectDlg::WindowProc(uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    if (msg == plat::WM_NOTIFY) {
        const auto* info = reinterpret_cast<const plat::NMLISTVIEW*>(lparam);
        if (info && info->idFrom == kListId) {
            switch (info->code) {
                case plat::NM_DBLCLK:
                    SelectHighlighted();
                    return 0;
                case plat::NM_CLICK:
                case plat::NM_SETFOCUS:
                    if (ISetupEntry* e = GetSelectedSetup()) ShowSetupInfo(e);
                    return 0;
                default:
                    break;
            }
        }
    } else if (msg == plat::WM_DESTROY) {
        m_List.SaveColumnWidths();
    }
    return CListDlg::WindowProc(msg, wparam, lparam);
}

#include "dialogs/dir_browser_dlg.h"

#include <mutex>
#include <utility>

#include "core/res_string.h"
#include "core/text.h"
#include "dialogs/dialog_services.h"
#include "platform/framework/controls.h"
#include "platform/framework/message_box.h"
#include "platform/fs/file_system.h"

namespace {

constexpr int kFirstKey = 3, kLastKey = 4, kAcceptKey = 5, kRefreshKey = 6, kBackKey = 7;
constexpr uintptr_t kFolderRow = 0, kFileRow = 1;
constexpr char16_t kRoot[] = u"\\";
constexpr char16_t kUsbVolume[] = u"\\Hard Disk";

void RegisterCopyFileTemplate() {
    static std::once_flag once;
    std::call_once(once, [] {
        using namespace plat;
        using D = CCopyFileDlg;
        constexpr uint32_t kShown = ES_AUTOHSCROLL | ES_READONLY | WS_BORDER;
        DialogTemplate t;
        t.id = D::IDD;
        t.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER;
        t.cx = 300;
        t.cy = 176;
        t.caption = u"Copy File Dialog";
        t.items = {
            {"STATIC", u"Source Directory", D::kSourceCaption, SS_LEFT, 7, 4, 286, 12},
            {"EDIT", u"", D::kSourceEdit, kShown, 7, 17, 286, 14},
            {"LISTBOX", u"", D::kListId, LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_BORDER | WS_TABSTOP,
             7, 35, 286, 92},
            {"STATIC", u"Target Directory", D::kTargetCaption, SS_LEFT, 7, 131, 286, 12},
            {"EDIT", u"", D::kTargetEdit, kShown, 7, 144, 286, 14},
        };
        register_dialog_template(t);
    });
}

bool SameIgnoringCase(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && core::EndsWithIgnoreCase(a, b);
}

std::u16string Join(const std::u16string& folder, const std::u16string& name) {
    return folder == kRoot ? folder + name : folder + u"\\" + name;
}

}  // namespace

// ------------------------------------------------------------ CDirBrowserDlg

CDirBrowserDlg::CDirBrowserDlg(int idd, plat::CWnd* parent, int list_id)
    : CListBoxDlg(idd, parent, list_id) {
    plat::register_basic_controls();
}

bool CDirBrowserDlg::FolderExists(const std::u16string& path) {
    const uint32_t a = plat::file_attributes(path);
    return a != plat::INVALID_FILE_ATTRIBUTES && (a & plat::FILE_ATTRIBUTE_DIRECTORY);
}

bool CDirBrowserDlg::PassesFilter(const std::u16string& name, const std::u16string& filter) {
    if (filter == u"*") return true;
    return core::EndsWithIgnoreCase(name, u"." + filter);
}

bool CDirBrowserDlg::OnInitDialog() {
    CListBoxDlg::OnInitDialog();
    if (m_LargeFont) m_List.SetFont(m_LargeFont, true);
    ListDirectory(m_CurrentFolder);
    UpdateSelection();
    return false;
}

void CDirBrowserDlg::ListDirectory(const std::u16string& folder) {
    m_List.ResetContent();
    m_CurrentFolder = folder;
    m_SelectedRow = 0;
    const bool top = folder == kRoot || SameIgnoringCase(folder, kUsbVolume);
    plat::FindData data;
    plat::FindFile find = plat::FindFile::first(Join(folder, u"*"), data);
    if (!find) {
        if (!FolderExists(folder)) {
            m_CurrentFolder = kRoot;
        } else if (!top) {
            m_List.SetItemData(m_List.AddString(kParentRow), kFolderRow);
        }
        if (m_List.GetCount()) m_List.SetCurSel(0);
        return;
    }
    if (!top) m_List.SetItemData(m_List.AddString(kParentRow), kFolderRow);
    for (bool more = true; more; more = find.next(data)) {
        if (data.attributes & plat::FILE_ATTRIBUTE_HIDDEN) continue;
        if (data.attributes & plat::FILE_ATTRIBUTE_DIRECTORY) {
            if (data.name == u"." || data.name == u"..") continue;
            m_List.SetItemData(m_List.AddString(u"[" + data.name + u"]"), kFolderRow);
        } else if (PassesFilter(data.name, m_Filter)) {
            const int row = m_List.AddString(data.name);
            m_List.SetItemData(row, kFileRow);
            if (!m_FileName.empty() && SameIgnoringCase(data.name, m_FileName)) m_SelectedRow = row;
        }
    }
    if (m_List.GetCount()) m_List.SetCurSel(m_SelectedRow);
}

bool CDirBrowserDlg::IsFileRow(int row) const {
    return row >= 0 && row < m_List.GetCount() && m_List.GetItemData(row) == kFileRow;
}

void CDirBrowserDlg::UpdateSelection() {
    const int row = m_List.GetCurSel();
    m_SelectedName.clear();
    if (row < 0) return;
    m_SelectedRow = row;
    const std::u16string text = m_List.GetText(row);
    if (IsFileRow(row)) {
        m_SourceText = m_CurrentFolder;
        m_FileName = m_SelectedName = text;
    } else if (text == kParentRow) {
        m_SourceText = m_CurrentFolder;
    } else {
        m_SourceText = Join(m_CurrentFolder, text.substr(1, text.size() - 2));
    }
}

void CDirBrowserDlg::Navigate() {
    const int row = m_List.GetCurSel();
    if (row < 0 || IsFileRow(row)) return;
    const std::u16string text = m_List.GetText(row);
    std::u16string folder = m_CurrentFolder;
    if (text == kParentRow) {
        const size_t cut = folder.find_last_of(u'\\');
        folder =
            cut == 0 || cut == std::u16string::npos ? std::u16string(kRoot) : folder.substr(0, cut);
    } else {
        folder = Join(folder, text.substr(1, text.size() - 2));
    }
    ListDirectory(folder);
    if (m_List.GetCount()) m_List.SetCurSel(0);
    UpdateSelection();
}

std::u16string CDirBrowserDlg::GetPath() const {
    return m_SelectedName.empty() ? std::u16string() : Join(m_SourceText, m_SelectedName);
}

int CDirBrowserDlg::ShowMessageOver(const std::u16string& text, uint32_t style) {
    // The box has the keyboard until it ends.
    EnableWindow(false);
    const int answer = dialog_services::ShowMessage(text, style);
    EnableWindow(true);
    return answer;
}

// A folder row opens the folder and the browser stays; a file row is the
// choice, over an existing file of the target only when the user says so.
void CDirBrowserDlg::OnOK() {
    UpdateSelection();
    const int row = m_List.GetCurSel();
    if (!IsFileRow(row)) {
        if (row >= 0) Navigate();
        return;
    }
    const uint32_t a = plat::file_attributes(Join(m_TargetFolder, m_SelectedName));
    const bool taken = !m_TargetFolder.empty() && a != plat::INVALID_FILE_ATTRIBUTES &&
                       !(a & (plat::FILE_ATTRIBUTE_DIRECTORY | plat::FILE_ATTRIBUTE_HIDDEN));
    if (taken) {
        const int answer = ShowMessageOver(LoadResString(kOverwriteQuestion),
                                           plat::MB_YESNO | plat::MB_ICONQUESTION);
        if (answer != plat::IDYES) {
            CListBoxDlg::OnCancel();
            return;
        }
    }
    CListBoxDlg::OnOK();
}

// Enter acts on its release, and only after its press came to this dialog:
// the release of an Enter that answered a box over it does nothing.
bool CDirBrowserDlg::PreTranslateMessage(const plat::Message& msg) {
    if (msg.wparam == plat::VK_RETURN) {
        if (msg.message == plat::WM_KEYDOWN) m_bEnterDown = true;
        if (msg.message == plat::WM_KEYUP && !std::exchange(m_bEnterDown, false)) return true;
    }
    return CListBoxDlg::PreTranslateMessage(msg);
}

bool CDirBrowserDlg::OnSoftKey(int index, bool pressed) {
    if (pressed) return false;
    switch (index) {
        case kFirstKey:
        case kLastKey:
            if (m_List.GetCount()) m_List.SetCurSel(index == kFirstKey ? 0 : m_List.GetCount() - 1);
            UpdateSelection();
            return true;
        case kAcceptKey:
            OnOK();
            return true;
        case kRefreshKey:
            ListDirectory(m_CurrentFolder);
            UpdateSelection();
            return true;
        case kBackKey:
            OnCancel();
            return true;
        default:
            return true;
    }
}

intptr_t CDirBrowserDlg::WindowProc(uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    if (msg == plat::WM_COMMAND && plat::hiword(wparam) == plat::LBN_SELCHANGE) UpdateSelection();
    return CListBoxDlg::WindowProc(msg, wparam, lparam);
}

// ------------------------------------------------------------ CCopyFileDlg

CCopyFileDlg::CCopyFileDlg(plat::CWnd* parent, std::u16string name, std::u16string source,
                           std::u16string target, std::u16string filter)
    : CDirBrowserDlg(IDD, parent, kListId) {
    RegisterCopyFileTemplate();
    AttachControl(kSourceEdit, &m_SourceEdit);
    AttachControl(kTargetEdit, &m_TargetEdit);
    m_FileName = std::move(name);
    m_Filter = std::move(filter);
    // Folders that do not exist give way to the volumes.
    m_CurrentFolder = m_SourceText = FolderExists(source) ? source : u"\\FlashFX Disk";
    m_TargetFolder = FolderExists(target) ? target : u"\\Hard Disk";
}

bool CCopyFileDlg::OnInitDialog() {
    CDirBrowserDlg::OnInitDialog();
    static constexpr uint32_t kLabels[] = {kBlankLabel,  kBlankLabel, kBlankLabel,   kTopLabel,
                                           kBottomLabel, kCopyLabel,  kRefreshLabel, kBackLabel};
    ShowSoftKeyLabels(m_pSoftKeys, kLabels);
    RedrawSoftKeys();
    for (const auto& [id, text] :
         {std::pair{kSourceCaption, kSourceText}, std::pair{kTargetCaption, kTargetText}})
        if (plat::CWnd* c = GetDlgItem(id)) c->SetWindowText(LoadResString(text));
    m_SourceEdit.SetFont(m_LargeFont2, false);
    m_TargetEdit.SetFont(m_LargeFont2, false);
    m_SourceEdit.SetWindowText(m_CurrentFolder);
    m_TargetEdit.SetWindowText(m_TargetFolder);
    return false;
}

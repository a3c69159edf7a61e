#include "tools/diag/file_select_dlg.h"

#include "platform/fs/file_system.h"
#include "platform/text/utf.h"
#include "tools/diag/diag_resources.h"

namespace diag {

namespace {

constexpr uintptr_t kFolderRow = 0;
constexpr uintptr_t kFileRow = 1;
constexpr char16_t kUp[] = u"..";

bool is_root(std::u16string_view folder) {
    return folder.size() <= 1;
}

bool has_extension(std::u16string_view name, std::u16string_view extension) {
    const size_t dot = name.rfind(u'.');
    return dot != std::u16string_view::npos &&
           plat::equals_ignore_case(name.substr(dot + 1), extension);
}

}  // namespace

CFileSelectDlg::CFileSelectDlg(std::u16string_view caption, std::u16string_view extension,
                               std::u16string_view filter, plat::CWnd* parent)
    : plat::CDialog(IDD_FILE_SELECT, parent),
      caption_(caption),
      extension_(extension),
      filter_(filter) {
    AttachControl(IDC_FILE_LIST, &list_);
}

bool CFileSelectDlg::OnInitDialog() {
    plat::CDialog::OnInitDialog();
    SetWindowText(caption_);
    FillList();
    return true;  // the list, the only tab stop, takes the keys
}

void CFileSelectDlg::FillList() {
    const std::u16string pattern = folder_ + (is_root(folder_) ? u"" : u"\\") + u"*";
    list_.ResetContent();
    if (!is_root(folder_)) list_.SetItemData(list_.AddString(u"[..]"), kFolderRow);
    // Folders first, then the files of the extension; hidden entries stay out.
    for (const bool folders : {true, false}) {
        plat::FindData entry;
        plat::FindFile find = plat::FindFile::first(pattern, entry);
        for (bool more = static_cast<bool>(find); more; more = find.next(entry)) {
            if (entry.attributes & plat::FILE_ATTRIBUTE_HIDDEN) continue;
            const bool folder = (entry.attributes & plat::FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (folder != folders || entry.name == u"." || entry.name == kUp) continue;
            if (folder)
                list_.SetItemData(list_.AddString(u"[" + entry.name + u"]"), kFolderRow);
            else if (has_extension(entry.name, extension_))
                list_.SetItemData(list_.AddString(entry.name), kFileRow);
        }
    }
    list_.SetCurSel(0);
}

void CFileSelectDlg::OpenSelected() {
    const int row = list_.GetCurSel();
    if (row < 0) return;
    std::u16string text = list_.GetText(row);
    if (list_.GetItemData(row) == kFileRow) {
        name_ = text;
        EndDialog(plat::IDOK);
        return;
    }
    if (text.size() >= 2) text = text.substr(1, text.size() - 2);
    if (text == kUp) {
        const size_t slash = folder_.rfind(u'\\');
        folder_ = slash == 0 || slash == std::u16string::npos ? u"\\" : folder_.substr(0, slash);
    } else {
        folder_ = (is_root(folder_) ? u"\\" : folder_ + u"\\") + text;
    }
    FillList();
}

std::u16string CFileSelectDlg::GetPathName() const {
    return (is_root(folder_) ? u"\\" : folder_ + u"\\") + name_;
}

bool CFileSelectDlg::OnCommand(uintptr_t wparam, intptr_t lparam) {
    if (plat::loword(wparam) == IDC_FILE_LIST && plat::hiword(wparam) == plat::LBN_DBLCLK) {
        OpenSelected();
        return true;
    }
    return plat::CDialog::OnCommand(wparam, lparam);
}

bool CFileSelectDlg::PreTranslateMessage(const plat::Message& msg) {
    const auto key = static_cast<uint32_t>(msg.wparam);
    if (msg.message == plat::WM_KEYDOWN && key == plat::VK_RETURN) {
        OpenSelected();
        return true;
    }
    if (msg.message == plat::WM_KEYDOWN && key == plat::VK_ESCAPE) return true;
    if (msg.message == plat::WM_KEYUP && key == plat::VK_ESCAPE) {
        EndDialog(plat::IDCANCEL);
        return true;
    }
    return plat::CDialog::PreTranslateMessage(msg);
}

}  // namespace diag

#include "dialogs/picture_dlgs.h"

#include <mutex>
#include <utility>

#include "core/res_string.h"
#include "dialogs/dialog_services.h"
#include "files/formats/screen_image_file.h"
#include "platform/framework/controls.h"
#include "platform/framework/message_box.h"
#include "platform/fs/file_system.h"
#include "widgets/soft_key_menu.h"

namespace {

constexpr char16_t kUsbVolume[] = u"\\Hard Disk";
constexpr char16_t kUsbFolder[] = u"\\Hard Disk\\My Traces";
constexpr char16_t kPictureFilter[] = u"bmp";
// Soft keys by index (key 1 is index 0).
constexpr int kKey1 = 0, kKey2 = 1, kKey3 = 2, kKey6 = 5, kKey7 = 6, kKey8 = 7;
constexpr int kModePictures = 0, kModeUsb = 1;

void RegisterCopyImagesTemplate() {
    static std::once_flag once;
    std::call_once(once, [] {
        using namespace plat;
        using D = CCopyImagesDlg;
        constexpr uint32_t kShown = ES_AUTOHSCROLL | ES_READONLY | WS_BORDER;
        DialogTemplate t;
        t.id = D::IDD;
        t.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER;
        t.cx = 300;
        t.cy = 176;
        t.caption = u"Copy Image Files Dialog";
        // The status line takes two rows: a name and a folder.
        t.items = {
            {"EDIT", u"", D::kFolderEdit, kShown, 7, 6, 286, 14},
            {"LISTBOX", u"", D::kListId, LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_BORDER | WS_TABSTOP,
             7, 24, 286, 104},
            {"EDIT", u"", D::kStatusEdit, ES_MULTILINE | ES_READONLY | WS_BORDER, 7, 132, 286, 34},
        };
        register_dialog_template(t);
    });
}

// The text of a string with its "%s" marks filled in order.
std::u16string FillMarks(std::u16string text, std::initializer_list<std::u16string> values) {
    size_t at = 0;
    for (const std::u16string& v : values) {
        at = text.find(u"%s", at);
        if (at == std::u16string::npos) break;
        text.replace(at, 2, v);
        at += v.size();
    }
    return text;
}

}  // namespace

// ------------------------------------------------------------ CCopyImagesDlg

CCopyImagesDlg::CCopyImagesDlg(plat::CWnd* parent) : CDirBrowserDlg(IDD, parent, kListId) {
    RegisterCopyImagesTemplate();
    AttachControl(kFolderEdit, &m_FolderEdit);
    AttachControl(kStatusEdit, &m_StatusEdit);
    m_Filter = kPictureFilter;
    m_CurrentFolder = m_SourceText = kUsbFolder;
    m_TargetFolder = kPictureFolder;
}

bool CCopyImagesDlg::OnInitDialog() {
    CDirBrowserDlg::OnInitDialog();
    SetWindowText(LoadResString(kTitle));
    m_FolderEdit.SetFont(m_LargeFont2, false);
    m_StatusEdit.SetFont(m_LargeFont2, false);
    m_FolderEdit.SetWindowText(m_CurrentFolder);
    m_StatusEdit.SetWindowText(m_StatusText);
    ShowSoftKeys();
    return false;
}

void CCopyImagesDlg::ShowSoftKeys() {
    static constexpr uint32_t kLabels[] = {kBlankLabel,  kBlankLabel,  kBlankLabel, kTopLabel,
                                           kBottomLabel, kSelectLabel, kBlankLabel, kBackLabel};
    ShowSoftKeyLabels(m_pSoftKeys, kLabels);
    RedrawSoftKeys();
}

void CCopyImagesDlg::ListDirectory(const std::u16string& folder) {
    CDirBrowserDlg::ListDirectory(folder);
    if (m_FolderEdit.exists()) m_FolderEdit.SetWindowText(m_CurrentFolder);
}

void CCopyImagesDlg::SetStatusText(std::u16string text) {
    m_StatusText = std::move(text);
    if (m_StatusEdit.exists()) m_StatusEdit.SetWindowText(m_StatusText);
}

// A file row is the choice; a folder row opens the folder.
void CCopyImagesDlg::OnOK() {
    UpdateSelection();
    m_ChosenName = IsFileRow(m_List.GetCurSel()) ? m_SelectedName : std::u16string();
    CDirBrowserDlg::OnOK();
}

// ------------------------------------------------------------ CImageManagerDlg

CImageManagerDlg::CImageManagerDlg(plat::CWnd* parent) : CCopyImagesDlg(parent) {
    m_CurrentFolder = m_SourceText = kPictureFolder;
    m_TargetFolder = kUsbFolder;
}

void CImageManagerDlg::ShowSoftKeys() {
    static constexpr uint32_t kPictureLabels[] = {kCopyToUsb, kCopyAllToUsb, kCopyFromUsb,
                                                  kTopLabel,  kBottomLabel,  kDeleteOne,
                                                  kDeleteAll, kBackLabel};
    static constexpr uint32_t kUsbLabels[] = {kBlankLabel,  kBlankLabel,  kBlankLabel, kTopLabel,
                                              kBottomLabel, kCopyFromUsb, kBlankLabel, kBackLabel};
    ShowSoftKeyLabels(m_pSoftKeys, m_Mode == kModePictures ? kPictureLabels : kUsbLabels);
    RedrawSoftKeys();
}

std::vector<std::u16string> CImageManagerDlg::ListedFiles() const {
    std::vector<std::u16string> names;
    for (int row = 0; row < m_List.GetCount(); ++row)
        if (IsFileRow(row)) names.push_back(m_List.GetText(row));
    return names;
}

std::u16string CImageManagerDlg::SelectedFile() const {
    const int row = m_List.GetCurSel();
    return IsFileRow(row) ? m_List.GetText(row) : std::u16string();
}

bool CImageManagerDlg::CopyImageFile(const std::u16string& name, const std::u16string& source,
                                     const std::u16string& target) {
    if (!FolderExists(kUsbVolume))
        ShowMessageOver(LoadResString(kNoUsb), plat::MB_OK | plat::MB_ICONASTERISK);
    if (name.empty()) return false;
    if (!FolderExists(target) && !plat::create_directory(target)) {
        ShowMessageOver(LoadResString(kCopyFailed), plat::MB_OK);
        return false;
    }
    // The copy's own boxes have the keyboard while they are open.
    EnableWindow(false);
    const bool copied = dialog_services::CopyFileWithProgress(name, source, target);
    EnableWindow(true);
    return copied;
}

void CImageManagerDlg::CopySelectedToUsb() {
    const std::u16string name = SelectedFile();
    if (CopyImageFile(name, m_CurrentFolder, kUsbFolder)) {
        m_Changed = true;
        SetStatusText(FillMarks(LoadResString(kCopiedOne), {name, kUsbFolder}));
    }
    ListDirectory(m_CurrentFolder);
    UpdateSelection();
}

void CImageManagerDlg::CopyAllToUsb() {
    bool any = false;
    for (const std::u16string& name : ListedFiles())
        any = CopyImageFile(name, m_CurrentFolder, kUsbFolder) || any;
    if (any) {
        m_Changed = true;
        SetStatusText(LoadResString(kCopiedAll) + kUsbFolder);
    }
    ListDirectory(m_CurrentFolder);
    UpdateSelection();
}

void CImageManagerDlg::DeleteFiles(const std::vector<std::u16string>& names) {
    for (const std::u16string& name : names)
        if (!name.empty() && plat::delete_file(m_CurrentFolder + u"\\" + name)) m_Changed = true;
    ListDirectory(m_CurrentFolder);
    UpdateSelection();
}

void CImageManagerDlg::CopySelectedFromUsb() {
    const std::u16string name = SelectedFile();
    if (CopyImageFile(name, m_CurrentFolder, kPictureFolder)) {
        m_Changed = true;
        SetStatusText(FillMarks(LoadResString(kCopiedOne), {name, kPictureFolder}));
    }
    ListDirectory(m_CurrentFolder);
    UpdateSelection();
}

void CImageManagerDlg::ShowPictures() {
    m_Mode = kModePictures;
    ListDirectory(kPictureFolder);
    UpdateSelection();
    ShowSoftKeys();
}

bool CImageManagerDlg::OnSoftKey(int index, bool pressed) {
    if (pressed) return false;
    if (index == 3 || index == 4) return CDirBrowserDlg::OnSoftKey(index, pressed);
    if (m_Mode == kModeUsb) {
        if (index == kKey6) CopySelectedFromUsb();
        if (index == kKey8) ShowPictures();
        return true;
    }
    switch (index) {
        case kKey1:
            CopySelectedToUsb();
            break;
        case kKey2:
            CopyAllToUsb();
            break;
        case kKey3:
            m_Mode = kModeUsb;
            ListDirectory(kUsbFolder);
            UpdateSelection();
            ShowSoftKeys();
            break;
        case kKey6:
            DeleteFiles({SelectedFile()});
            break;
        case kKey7:
            DeleteFiles(ListedFiles());
            break;
        case kKey8:
            OnCancel();
            break;
        default:
            break;
    }
    return true;
}

// The dialog ends with IDOK when it changed a picture.
void CImageManagerDlg::OnCancel() {
    if (!m_Changed) {
        CCopyImagesDlg::OnCancel();
        return;
    }
    CSoftKeyDlg::OnOK();
}

// ------------------------------------------------------------ CPictureFileDlg

CPictureFileDlg::CPictureFileDlg(plat::CWnd* parent) : CCopyImagesDlg(parent) {
    m_CurrentFolder = m_SourceText = kPictureFolder;
    // Reading a picture replaces nothing: no overwrite question.
    m_TargetFolder.clear();
}

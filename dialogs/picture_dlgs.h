#pragma once
// The picture dialogs, all on template 288 ("Copy Image Files Dialog": the
// folder above the list, a status line below it).
//
// CCopyImagesDlg: the browser over the "bmp" files of a folder (first the
// USB drive's "\Hard Disk\My Traces"), with the target "\FlashFX Disk\My
// Pictures"; soft keys 4 top, 5 bottom, 6 select, 8 back.
//
// CImageManagerDlg: the pictures of "\FlashFX Disk\My Pictures" copied to the
// USB drive's "\Hard Disk\My Traces" one or all at a time, copied back from
// there, or deleted one or all at a time without a question. Mode 0 lists
// the pictures, mode 1 the USB folder. The dialog ends with IDOK when a
// picture was copied or deleted, else with IDCANCEL.
//
// CPictureFileDlg: one picture of "\FlashFX Disk\My Pictures" chosen; GetPath
// answers its full path in whichever folder it was picked, and a folder row
// chooses nothing.
#include <cstdint>
#include <string>
#include <vector>

#include "dialogs/dir_browser_dlg.h"
#include "platform/framework/edit.h"

class CCopyImagesDlg : public CDirBrowserDlg {
  public:
    static constexpr int IDD = 288;
    static constexpr int kListId = 1502, kFolderEdit = 1499, kStatusEdit = 1500;
    static constexpr uint32_t kTitle = 64516;

    explicit CCopyImagesDlg(plat::CWnd* parent);

    // The name chosen when the dialog was accepted.
    const std::u16string& GetChosenName() const { return m_ChosenName; }
    const std::u16string& GetStatusText() const { return m_StatusText; }

    void ListDirectory(const std::u16string& folder) override;
    // Labels the soft keys for what the dialog does now.
    virtual void ShowSoftKeys();

  protected:
    bool OnInitDialog() override;
    void OnOK() override;
    // The status line below the list.
    void SetStatusText(std::u16string text);

    std::u16string m_StatusText, m_ChosenName;

  private:
    plat::CEdit m_FolderEdit, m_StatusEdit;
};

class CImageManagerDlg : public CCopyImagesDlg {
  public:
    static constexpr uint32_t kCopyToUsb = 64481, kCopyAllToUsb = 64482, kCopyFromUsb = 64483,
                              kDeleteOne = 64484, kDeleteAll = 64485, kCopiedOne = 64486,
                              kCopiedAll = 64487;
    static constexpr uint32_t kNoUsb = 64255, kCopyFailed = 64256;

    explicit CImageManagerDlg(plat::CWnd* parent);

    // 0 while the pictures are listed, 1 while the USB folder is.
    int GetMode() const { return m_Mode; }

    // Copies `name` from the source to the target folder with the current
    // screen's progress window; the target folder is made when missing.
    // Without the USB volume 64255 is shown first and the copy still tried.
    bool CopyImageFile(const std::u16string& name, const std::u16string& source,
                       const std::u16string& target);

    void ShowSoftKeys() override;
    bool OnSoftKey(int index, bool pressed) override;

  protected:
    // Enter does nothing here.
    void OnOK() override {}
    void OnCancel() override;

  private:
    // The file rows of the list.
    std::vector<std::u16string> ListedFiles() const;
    // The selected file row's name; empty on a folder row.
    std::u16string SelectedFile() const;
    void CopySelectedToUsb();
    void CopyAllToUsb();
    void DeleteFiles(const std::vector<std::u16string>& names);
    void CopySelectedFromUsb();
    void ShowPictures();

    int m_Mode = 0;
    bool m_Changed = false;
};

class CPictureFileDlg : public CCopyImagesDlg {
  public:
    explicit CPictureFileDlg(plat::CWnd* parent);
};

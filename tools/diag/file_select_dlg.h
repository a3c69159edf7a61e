#pragma once
// CFileSelectDlg: TWDiag's file chooser. It lists the folders of the
// current folder in brackets, then its files with the dialog's extension;
// Enter or a double click opens a folder or chooses a file, Escape (on its
// release) cancels. Paths are instrument paths from "\" down.
#include <string>
#include <string_view>

#include "platform/framework/dialog.h"
#include "platform/framework/list_box.h"

namespace diag {

class CFileSelectDlg : public plat::CDialog {
  public:
    // `filter` is kept for the caller's description of the files; the list
    // shows the files whose extension is `extension`, in any case.
    CFileSelectDlg(std::u16string_view caption, std::u16string_view extension,
                   std::u16string_view filter, plat::CWnd* parent = nullptr);

    // The chosen file: the folder, a "\" unless it is the root, the name.
    std::u16string GetPathName() const;
    const std::u16string& GetFolder() const { return folder_; }
    const std::u16string& GetFilter() const { return filter_; }

    bool OnInitDialog() override;
    bool PreTranslateMessage(const plat::Message& msg) override;

  protected:
    bool OnCommand(uintptr_t wparam, intptr_t lparam) override;

  private:
    void FillList();
    void OpenSelected();

    std::u16string caption_, extension_, filter_;
    std::u16string folder_ = u"\\";
    std::u16string name_;
    plat::CListBox list_;
};

}  // namespace diag

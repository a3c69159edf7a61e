#pragma once
// CDirBrowserDlg: one folder in a wrapping list box, driven by the keypad.
// Rows: "[..]" for the parent folder (not at the root nor at "\Hard Disk"),
// "[name]" for each visible folder and the plain name of each visible file
// that passes the extension filter ("*" passes every file), in the folder's
// search order (by name). Enter on a folder row opens that folder; on a file
// row it accepts the file, after asking 64488 when the target folder already
// holds a file of that name (any answer but Yes cancels). Soft keys 4 and 5
// go to the first and last row, 6 accepts, 7 lists the folder again and 8
// cancels.
//
// CCopyFileDlg (template 240): the browser between a source and a target
// folder, with both shown above and below the list.
#include <cstdint>
#include <string>

#include "dialogs/list_box_dlg.h"
#include "platform/framework/edit.h"

class CDirBrowserDlg : public CListBoxDlg {
  public:
    static constexpr uint32_t kOverwriteQuestion = 64488;
    static constexpr char16_t kParentRow[] = u"[..]";

    CDirBrowserDlg(int idd, plat::CWnd* parent, int list_id);

    // Fills the list from `folder`; a folder that cannot be searched leaves
    // the root (missing) or only "[..]" (empty).
    virtual void ListDirectory(const std::u16string& folder);
    // The row's folder opened ("[..]": the parent).
    virtual void Navigate();
    // The members follow the selected row.
    virtual void UpdateSelection();

    // The file chosen (its name) and the folder it lies in.
    virtual std::u16string GetFileName() const { return m_FileName; }
    virtual std::u16string GetSelectedName() const { return m_SelectedName; }
    virtual std::u16string GetSourceText() const { return m_SourceText; }
    virtual std::u16string GetTargetText() const { return m_TargetFolder; }
    // The chosen file's full path; empty when no file is chosen.
    std::u16string GetPath() const;
    const std::u16string& GetCurrentFolder() const { return m_CurrentFolder; }

    // Whether `path` names an existing folder.
    static bool FolderExists(const std::u16string& path);
    // Whether a file name passes the filter ("*": every file).
    static bool PassesFilter(const std::u16string& name, const std::u16string& filter);

    bool OnSoftKey(int index, bool pressed) override;
    void OnOK() override;
    bool PreTranslateMessage(const plat::Message& msg) override;

  protected:
    bool OnInitDialog() override;
    intptr_t WindowProc(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;
    // The program's message box over the dialog, which takes no keys while
    // the box is open.
    int ShowMessageOver(const std::u16string& text, uint32_t style);
    // Whether row `row` is a file (item data 1).
    bool IsFileRow(int row) const;

    std::u16string m_SourceText, m_TargetFolder, m_CurrentFolder, m_FileName, m_SelectedName;
    std::u16string m_Filter = u"*";
    int m_SelectedRow = 0;

  private:
    bool m_bEnterDown = false;  // Enter was pressed in this dialog (UI thread)
};

class CCopyFileDlg : public CDirBrowserDlg {
  public:
    static constexpr int IDD = 240;
    static constexpr int kSourceCaption = 1390, kSourceEdit = 1365, kListId = 1389,
                         kTargetCaption = 1391, kTargetEdit = 1103;
    static constexpr uint32_t kSourceText = 64640, kTargetText = 64641, kCopyLabel = 1215,
                              kRefreshLabel = 1072;

    CCopyFileDlg(plat::CWnd* parent, std::u16string name = {},
                 std::u16string source = u"\\FlashFX Disk", std::u16string target = u"\\Hard Disk",
                 std::u16string filter = u"*");

  protected:
    bool OnInitDialog() override;

  private:
    plat::CEdit m_SourceEdit, m_TargetEdit;
};

#pragma once
// CSetupSelectDlg: the list of stored setups in the lower part of a screen,
// one row per entry (file, frequency range, instrument, time), with a
// highlight that the arrows and the wheel move with wrap. As the highlight
// moves, the current screen shows the highlighted entry's texts; Enter
// released after its press chooses the entry.
//
// Two forms, fixed at construction: the setup list of the setup screen
// (rows of the application's setup list; choosing recalls the setup with
// WM_COMMAND 32820 to the parent) and the file manager of an instrument
// screen (rows of the screen's file list; choosing closes the list on page
// 45 or runs the screen's file operation on page 46).
//
// Modeless: made with `new`, shown with Create; it frees itself after its
// window is destroyed.
#include <cstdint>
#include <vector>

#include "dialogs/list_dlg.h"
#include "widgets/report_list.h"

class IFileListScreen;
class ISetupEntry;

class CSetupSelectDlg : public CListDlg {
  public:
    static constexpr int IDD = 137;
    static constexpr int kListId = 1003;
    // WM_COMMAND to the dialog's window: refill the rows.
    static constexpr uint32_t kUpdateDialogList = 32826;
    static constexpr uint32_t kDefaultSortMode = 6;
    // OnAction codes.
    static constexpr int kActionFirstRow = 0;
    static constexpr int kActionLastRow = 3;
    static constexpr int kActionSortClass = 8;
    static constexpr int kActionSortOperator = 9;
    static constexpr int kActionSortName = 10;
    static constexpr int kActionSortLocation = 11;
    static constexpr int kActionSortDate = 12;

    CSetupSelectDlg(plat::CWnd* parent, CColorScheme* const* scheme_holder, bool file_manager);
    ~CSetupSelectDlg() override;

    void OnAction(int code) override;
    // The first entry becomes the application's setup list in the current
    // sort mode; then the rows are refilled.
    void Reload() override;

    // The rows anew from the first entry along the next-entry links.
    virtual void FillList();
    // The entry of the row with the highlight mark; null when none.
    virtual ISetupEntry* GetSelectedSetup() const;
    // Moves the mark to an existing row; nothing otherwise.
    virtual void SetHighlightRow(int row);
    // The current screen shows the entry's names and summary; null blanks them.
    virtual void ShowSetupInfo(ISetupEntry* entry);
    // Chooses the entry of the marked row (recall, close or file operation).
    virtual void SelectHighlighted();
    virtual void MoveHighlight(bool down);
    virtual void EnsureRowVisible(int row);

    void SetFirstEntry(ISetupEntry* first) { m_pFirst = first; }
    ISetupEntry* GetFirstEntry() const { return m_pFirst; }
    void SetChosenSetup(ISetupEntry* chosen) { m_pChosen = chosen; }
    ISetupEntry* GetChosenSetup() const { return m_pChosen; }
    // The owner acted on the highlighted entry itself: the next Enter
    // release only clears the flag.
    void SetActedOn(bool on) { m_bActedOn = on; }
    bool IsActedOn() const { return m_bActedOn; }
    uint32_t GetSortMode() const { return m_SortMode; }
    int GetCurrentRow() const { return m_CurrentRow; }
    bool IsFileManager() const { return m_bFileManager; }
    CReportList& List() { return m_List; }
    int GetRowCount() const { return static_cast<int>(m_Rows.size()); }

  protected:
    bool OnInitDialog() override;
    bool OnKeyDown(uint32_t key, uint16_t repeat, uint32_t flags) override;
    bool OnKeyUp(uint32_t key, uint16_t repeat, uint32_t flags) override;
    bool OnWheel(int delta) override;
    bool OnCommand(uintptr_t wparam, intptr_t lparam) override;
    intptr_t WindowProc(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

  private:
    int MarkedRow() const;
    ISetupEntry* EntryAt(int row) const;
    // Unmarks the marked row; marks and selects `row` and shows its entry.
    void MarkRow(int row);
    void GoToRow(int row);
    void ChooseInFileManager();
    void Recall(ISetupEntry* entry);

    ISetupEntry* m_pFirst = nullptr;
    ISetupEntry* m_pChosen = nullptr;
    plat::Font m_RowFont;  // owned
    bool m_bActedOn = false;
    int m_RowsPerPage = 0;
    CReportList m_List;
    bool m_bFileManager;
    uint32_t m_SortMode = kDefaultSortMode;
    bool m_bEnterPressed = false;
    int m_CurrentRow = 0;
    IFileListScreen* m_pOwner = nullptr;
    // The entry of each row, by row index (the rows' values index it).
    std::vector<ISetupEntry*> m_Rows;
};

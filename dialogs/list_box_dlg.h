#pragma once
// CListBoxDlg: a soft-key dialog built around one wrapping list box. Its soft
// keys read: -, -, -, top of list, bottom of list, select, -, back; F6
// released ends it with IDOK (IDCANCEL when no row is selected), F8 released
// with IDCANCEL, Enter and Escape released as OK and Cancel, and every
// other key goes to the list box first.
//
// CWrapListBox: a list box whose moves wrap: F4 first row, F5 last, Up and
// Down wrap at the ends, Left last, Right first, and the wheel one row per
// turn whatever its size. Each move tells the parent (LBN_SELCHANGE); with
// no rows nothing moves and nothing is told.
#include <cstdint>

#include "dialogs/instrument_dlg.h"
#include "platform/framework/list_box.h"

class CWrapListBox : public plat::CListBox {
  public:
    // Handles the list's keys; false for keys it leaves to the default.
    bool HandleKey(uint32_t key);

  protected:
    void OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) override;
    bool OnMouseWheel(uint32_t flags, int delta, plat::Point screen) override;

  private:
    // Selects the row and tells the parent, even when it was selected.
    void MoveTo(int row);
};

class CListBoxDlg : public CSoftKeyDlg {
  public:
    // The soft-key labels, keys 1 to 8.
    static constexpr uint32_t kBlankLabel = 184;
    static constexpr uint32_t kTopLabel = 730;
    static constexpr uint32_t kBottomLabel = 733;
    static constexpr uint32_t kSelectLabel = 1122;
    static constexpr uint32_t kBackLabel = 1019;

    // `list_id` is the list box's id in the template.
    CListBoxDlg(int idd, plat::CWnd* parent, int list_id);
    ~CListBoxDlg() override;

    bool OnSoftKey(int index, bool pressed) override;
    // With no row selected (an empty list) OK ends the dialog as Cancel.
    void OnOK() override;
    void RedrawSoftKeys();
    CWrapListBox& GetList() { return m_List; }

  protected:
    bool OnInitDialog() override;
    void DoDataExchange() override { CSoftKeyDlg::DoDataExchange(); }
    intptr_t WindowProc(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

    CWrapListBox m_List;

  private:
    int m_ListId;
};

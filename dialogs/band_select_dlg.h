#pragma once
// CBandSelectDlg: the "Select Signal Band" list. It lists the band list in
// up to three sections: the custom bands, then the bands in use (the
// current one first), then every band in list order, with a separator row
// of 139 "-" after each of the first two sections that has rows. A row
// reads "*" for a custom band, "+" for a band with channel ranges, the name
// (cut to 16 characters) and, after tabs, start, stop, span and centre in
// MHz ("%7.3f"). The selection starts on the current band's row in the
// second section, else on the first row of the second section, else on the
// first row of the third. OK (Select, Enter or a double click) hands the
// selected band back; a band chosen again while unused counts one use.
// Cancel changes nothing.
#include <cstdint>

#include "core/text.h"
#include "dialogs/list_box_dlg.h"
#include "platform/framework/controls.h"
#include "platform/framework/list_box.h"
#include "platform/gfx/font.h"

class CSignalBand;

// The column header over the band list: its tab-separated titles stand at
// the list's columns.
class CBandHeader : public plat::CStatic {
  public:
    void SetList(const plat::CListBox* list) { m_pList = list; }

  protected:
    void OnPaint() override;

  private:
    const plat::CListBox* m_pList = nullptr;  // the dialog's; not owned
};

class CBandSelectDlg : public CListBoxDlg {
  public:
    static constexpr int IDD = 158;
    static constexpr int kListId = 1112;
    static constexpr int kHeaderId = 1347;
    static constexpr uint32_t kTitleText = 64204;
    static constexpr uint32_t kHeaderText = 64205;
    static constexpr size_t kSeparatorLength = 139;
    static constexpr size_t kNameLength = 16;

    // `band` points to the caller's band (the current one; may point to
    // null) and receives the chosen band; `list` is the band list's head.
    CBandSelectDlg(plat::CWnd* parent, CSignalBand** band, CSignalBand* list);
    ~CBandSelectDlg() override;

    // The text of a band's row; the separator for null.
    static core::Text RowText(const CSignalBand* band);
    CSignalBand* GetCurrentBand() const { return m_pCurrent; }

  protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    bool OnCommand(uintptr_t wparam, intptr_t lparam) override;
    // The selected row's band becomes the current one.
    void TakeSelection();
    // Fills the list; `selection` is the row selected when no band row
    // would be.
    void FillList(int selection);
    // Adds a band's row (the separator for null); the width of its name.
    int AddBandRow(CSignalBand* band, int row);
    // The list's columns: the names' column the widest name and an eighth
    // more, each frequency column half as wide again as the widest
    // frequency.
    void SetColumns(int widest_name);

  private:
    CSignalBand* m_pCurrent;  // the band marked in the list
    CSignalBand* m_pList;     // the list's head; not owned
    CSignalBand** m_ppBand;   // where the chosen band goes
    plat::Font m_ListFont;    // owned
    CBandHeader m_Header;
};

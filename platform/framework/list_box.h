#pragma once
// The list box: rows of text with item data, one selected row (or none, -1),
// tab stops that expand tabs into columns, keys and taps that move the
// selection, and LBN_ notifications to the parent (with LBS_NOTIFY).
// Setting the selection from code notifies nothing.
#include <string>
#include <vector>

#include "platform/framework/wnd.h"

namespace plat {

// List box styles.
inline constexpr uint32_t LBS_NOTIFY = 0x0001;
inline constexpr uint32_t LBS_SORT = 0x0002;
inline constexpr uint32_t LBS_HASSTRINGS = 0x0040;
inline constexpr uint32_t LBS_USETABSTOPS = 0x0080;
inline constexpr uint32_t LBS_NOINTEGRALHEIGHT = 0x0100;

// List box messages.
inline constexpr uint32_t LB_ADDSTRING = 0x0180;
inline constexpr uint32_t LB_INSERTSTRING = 0x0181;
inline constexpr uint32_t LB_DELETESTRING = 0x0182;
inline constexpr uint32_t LB_RESETCONTENT = 0x0184;
inline constexpr uint32_t LB_SETCURSEL = 0x0186;
inline constexpr uint32_t LB_GETCURSEL = 0x0188;
inline constexpr uint32_t LB_GETTEXT = 0x0189;
inline constexpr uint32_t LB_GETTEXTLEN = 0x018A;
inline constexpr uint32_t LB_GETCOUNT = 0x018B;
inline constexpr uint32_t LB_GETTOPINDEX = 0x018E;
inline constexpr uint32_t LB_SETTABSTOPS = 0x0192;
inline constexpr uint32_t LB_SETTOPINDEX = 0x0197;
inline constexpr uint32_t LB_GETITEMDATA = 0x0199;
inline constexpr uint32_t LB_SETITEMDATA = 0x019A;
inline constexpr uint32_t LB_GETITEMHEIGHT = 0x01A1;
inline constexpr uint32_t LB_FINDSTRINGEXACT = 0x01A2;
inline constexpr intptr_t LB_ERR = -1;

// List box notifications (WM_COMMAND to the parent).
inline constexpr uint32_t LBN_SELCHANGE = 1;
inline constexpr uint32_t LBN_DBLCLK = 2;
inline constexpr uint32_t LBN_SETFOCUS = 4;
inline constexpr uint32_t LBN_KILLFOCUS = 5;

class CListBox : public CWnd {
  public:
    // Tab stops every 32 dialog units unless set.
    static constexpr int kDefaultTabStop = 32;

    bool Create(uint32_t style, const Rect& r, CWnd* parent, int id);

    int AddString(std::u16string_view text);
    int InsertString(int index, std::u16string_view text);  // -1 appends
    int DeleteString(int index);                            // answers the count left, LB_ERR
    void ResetContent();
    int GetCount() const { return static_cast<int>(items_.size()); }
    int GetCurSel() const { return sel_; }
    // -1 clears the selection; answers LB_ERR for a row that does not exist.
    int SetCurSel(int index);
    int GetText(int index, std::u16string& out) const;
    std::u16string GetText(int index) const;
    uintptr_t GetItemData(int index) const;
    int SetItemData(int index, uintptr_t data);
    int FindStringExact(int start, std::u16string_view text) const;
    int GetTopIndex() const { return top_; }
    int SetTopIndex(int index);
    int GetItemHeight() const;
    // How many whole rows the client area shows.
    int GetCountPerPage() const;
    // Tab stops in dialog units (of the control's font); empty resets them.
    bool SetTabStops(const std::vector<int>& stops);
    // The x (client pixels) where the text of each tab-separated column of a
    // row starts.
    std::vector<int> ColumnStarts(std::u16string_view text) const;
    Rect GetItemRect(int index) const;

  protected:
    bool PreCreateWindow(CreateParams& params) override;
    intptr_t WindowProc(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;
    void OnPaint() override;
    void OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) override;
    bool OnMouseWheel(uint32_t flags, int delta, Point screen) override;
    void OnLButtonDown(uint32_t flags, Point p) override;
    void OnLButtonDblClk(uint32_t flags, Point p) override;
    void OnSetFocus(CWnd* old) override;
    void OnKillFocus(CWnd* next) override;

    // Selects a row as the user would: scrolls it into view and tells the
    // parent (LBN_SELCHANGE) when the selection changed.
    void SelectByUser(int index);
    void notify(uint32_t code);

  private:
    struct Item {
        std::u16string text;
        uintptr_t data = 0;
    };
    void ensure_visible(int index);
    int row_at(Point p) const;
    int tab_pixels(int du) const;
    void draw_row(Dc& dc, int index, const Rect& row, bool selected);

    std::vector<Item> items_;  // UI thread
    int sel_ = -1;
    int top_ = 0;
    std::vector<int> tab_stops_;  // dialog units
};

void register_list_box_control();

}  // namespace plat

#pragma once
// The report-style list control with its header: columns, rows of texts
// with sub-items and item data, sorting by a comparison callback, header
// items with width and format, owner-drawn header items, the column click
// handled by the list itself (or passed to its parent as LVN_COLUMNCLICK),
// and WM_DESTROY.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/framework/wnd.h"

namespace plat {

// System colours of the controls.
inline constexpr int COLOR_BTNFACE = 15;
inline constexpr int COLOR_BTNSHADOW = 16;
inline constexpr int COLOR_BTNHIGHLIGHT = 20;
inline constexpr int COLOR_ACTIVEBORDER = 10;
COLORREF GetSysColor(int index);

// Column and header item formats.
inline constexpr int LVCFMT_LEFT = 0;
inline constexpr int LVCFMT_RIGHT = 1;
inline constexpr int LVCFMT_CENTER = 2;
inline constexpr int HDF_LEFT = 0x0000;
inline constexpr int HDF_RIGHT = 0x0001;
inline constexpr int HDF_CENTER = 0x0002;
inline constexpr int HDF_JUSTIFYMASK = 0x0003;
inline constexpr int HDF_OWNERDRAW = 0x8000;
// Header item fields.
inline constexpr uint32_t HDI_WIDTH = 0x0001;
inline constexpr uint32_t HDI_TEXT = 0x0002;
inline constexpr uint32_t HDI_FORMAT = 0x0004;
// Notifications.
inline constexpr int LVN_COLUMNCLICK = -108;
inline constexpr int NM_CLICK = -2;
inline constexpr int NM_DBLCLK = -3;
inline constexpr int NM_SETFOCUS = -7;
inline constexpr int NM_KILLFOCUS = -8;
// List styles.
inline constexpr uint32_t LVS_REPORT = 0x0001;
inline constexpr uint32_t LVS_SINGLESEL = 0x0004;
inline constexpr uint32_t LVS_SHOWSELALWAYS = 0x0008;
// Item states and the searches of GetNextItem.
inline constexpr uint32_t LVIS_FOCUSED = 0x0001;
inline constexpr uint32_t LVIS_SELECTED = 0x0002;
inline constexpr int LVNI_ALL = 0x0000;
inline constexpr int LVNI_FOCUSED = 0x0001;
inline constexpr int LVNI_SELECTED = 0x0002;
// The owner-draw state of a pressed item.
inline constexpr uint32_t ODS_SELECTED = 0x0001;

struct HDITEM {
    uint32_t mask = 0;
    int cxy = 0;
    std::u16string text;
    int fmt = 0;
};

// What an owner-drawn header item is drawn with.
struct DRAWITEMSTRUCT {
    int itemID = 0;
    uint32_t itemState = 0;  // ODS_SELECTED while pressed
    Dc* hDC = nullptr;
    Rect rcItem;
};

struct NMLISTVIEW {
    int code = 0;
    int idFrom = 0;
    int iItem = -1;
    int iSubItem = 0;
};

class CListCtrl;

// The header row of a report list: a child window of the list.
class CHeaderCtrl : public CWnd {
  public:
    int GetItemCount() const { return static_cast<int>(items_.size()); }
    bool GetItem(int index, HDITEM* item) const;
    bool SetItem(int index, const HDITEM& item);
    // The item's rectangle in the header's client coordinates.
    Rect GetItemRect(int index) const;
    // The item being pressed, -1 for none.
    int GetPressedItem() const { return pressed_; }
    // Draws an owner-drawn item (the reflected WM_DRAWITEM); the default
    // draws nothing.
    virtual void DrawItem(const DRAWITEMSTRUCT& dis);

  protected:
    void OnPaint() override;
    void OnLButtonDown(uint32_t flags, Point p) override;
    void OnLButtonUp(uint32_t flags, Point p) override;

  private:
    friend class CListCtrl;
    int ItemAt(Point p) const;
    void DrawPlainItem(Dc& dc, int index) const;

    std::vector<HDITEM> items_;
    int pressed_ = -1;
    CListCtrl* list_ = nullptr;
};

class CListCtrl : public CWnd {
  public:
    using CompareFunc = int (*)(uintptr_t data1, uintptr_t data2, uintptr_t param);

    CListCtrl();
    ~CListCtrl() override;

    // A report-style list; the header fills the top row.
    bool Create(uint32_t style, const Rect& r, CWnd* parent, int id);
    // Before Create: a header of the caller's own class (owner-drawn items).
    void UseHeader(CHeaderCtrl* header) { header_ = header; }
    CHeaderCtrl* GetHeaderCtrl() const { return header_; }

    // The index inserted at, -1 when refused (column past the end).
    int InsertColumn(int column, std::u16string_view heading, int format = LVCFMT_LEFT,
                     int width = -1);
    int InsertItem(int index, std::u16string_view text);
    bool SetItemText(int item, int sub_item, std::u16string_view text);
    std::u16string GetItemText(int item, int sub_item) const;
    bool SetItemData(int item, uintptr_t data);
    uintptr_t GetItemData(int item) const;
    bool DeleteItem(int item);
    bool DeleteAllItems();
    int GetItemCount() const { return static_cast<int>(rows_.size()); }
    // Orders the rows by the callback on their item data (stable).
    bool SortItems(CompareFunc compare, uintptr_t param);

    // The header's height in pixels.
    int HeaderHeight() const;

    // Item states (list_view_items.cpp): selected and focused rows, the
    // rows shown, and taps on them. Selecting a row of a single-selection
    // list clears the others.
    bool SetItemState(int item, uint32_t state, uint32_t mask);
    uint32_t GetItemState(int item, uint32_t mask) const;
    // The next row after `start` (-1: from the top) with the flags' states.
    int GetNextItem(int start, int flags) const;
    int GetSelectedCount() const;
    int GetTopIndex() const { return top_; }
    // Whole rows below the header.
    int GetCountPerPage() const;
    // Scrolls the fewest rows that show the item; a partly shown row is
    // enough when `partial_ok`.
    bool EnsureVisible(int item, bool partial_ok);
    int RowHeight() const;
    // The row's rectangle in client coordinates (above or below the client
    // area when scrolled out of it).
    Rect GetItemRect(int item) const;
    // The row at a client point, -1 for none.
    int HitTestRow(Point p) const;
    // The column click, as the list receives it reflected; the default
    // sends LVN_COLUMNCLICK to the parent as WM_NOTIFY.
    virtual void OnColumnClick(const NMLISTVIEW& info);

  protected:
    void OnPaint() override;
    int OnCreate(const CreateParams* params) override;
    void OnLButtonDown(uint32_t flags, Point p) override;
    void OnLButtonDblClk(uint32_t flags, Point p) override;
    void OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) override;
    void OnSetFocus(CWnd* old) override;
    void OnKillFocus(CWnd* next) override;
    // Sends WM_NOTIFY with the code and row to the parent.
    void NotifyParent(int code, int item);

  private:
    struct Row {
        std::vector<std::u16string> texts;
        uintptr_t data = 0;
        uint32_t state = 0;  // LVIS_ bits
    };
    // Selects and focuses one row as a tap or a key does.
    void SelectRow(int item);
    bool ShowsSelection() const;
    int ColumnCount() const { return header_ ? header_->GetItemCount() : 0; }

    CHeaderCtrl own_header_;
    CHeaderCtrl* header_;
    std::vector<Row> rows_;
    int top_ = 0;  // the first row shown
};

// Registers the report list's window classes and its template class
// "SysListView32".
void register_list_view_control();

}  // namespace plat

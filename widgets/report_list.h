#pragma once
// The multi-column list of the file and list dialogs: columns given as one
// text, a value per row, column widths kept in the application's profile
// (section "ListCtrls", entry the control id), and sorting when a column
// header is touched, with the direction shown by an arrow in the header.
#include <cstdint>
#include <vector>

#include "core/text.h"
#include "platform/framework/list_ctrl.h"

// The header whose items draw themselves, with the sort arrow.
class CHeaderItemPainter : public plat::CHeaderCtrl {
  public:
    // Stores the sort column and direction, makes that item owner-drawn and
    // repaints the header.
    void SetSortMark(int column, bool ascending);
    void DrawItem(const plat::DRAWITEMSTRUCT& dis) override;

    int GetSortColumn() const { return sortColumn_; }
    bool IsAscending() const { return ascending_; }
    // Where the item's text goes (empty when there is no room).
    plat::Rect TextArea(const plat::Rect& item, bool sort_column) const;
    // The arrow's box at the right of the sort column's item.
    plat::Rect ArrowArea(const plat::Rect& item) const;

  private:
    void DrawArrow(plat::Dc& dc, const plat::Rect& item) const;

    int sortColumn_ = -1;
    bool ascending_ = true;
};

class CReportList : public plat::CListCtrl {
  public:
    static constexpr const char16_t* kWidthSection = u"ListCtrls";

    CReportList();
    ~CReportList() override;

    // "title,width;title,width" (the last ';' may be missing). 0 when a
    // column cannot be inserted, else 1.
    int SetColumns(const core::Text& columns);
    // Appends a row; answers its index.
    int AddRow(const std::vector<core::Text>& texts);
    void DeleteRow(int row);
    void DeleteAllRows();
    // False outside the rows.
    bool SetRowValue(int row, int32_t value);
    // 0 outside the rows.
    int32_t GetRowValue(int row) const;
    void Sort();
    // The widths of all header items from and to the profile. Stored widths
    // are used only when they are exactly as many as the header's items.
    void LoadColumnWidths();
    void SaveColumnWidths();

    int GetSortColumn() const { return sortColumn_; }
    bool IsAscending() const { return ascending_; }
    int GetColumnCount() const { return columnCount_; }
    CHeaderItemPainter& Header() { return header_; }

    // Orders two texts of a column: numbers when both are decimal digits,
    // dates (mm/dd/yyyy: year, then month, then day) when both are dates,
    // else by character. Negative, 0 or positive.
    static int CompareTexts(const core::Text& a, const core::Text& b);

    void OnColumnClick(const plat::NMLISTVIEW& info) override;

  protected:
    void OnDestroy() override;

  private:
    struct RowRecord {
        std::vector<core::Text> texts;
        int32_t value = 0;
    };
    static int CompareRows(uintptr_t a, uintptr_t b, uintptr_t list);
    RowRecord* Record(int row) const;
    void FreeRecords();
    std::u16string WidthEntry() const;

    CHeaderItemPainter header_;
    int columnCount_ = 0;
    int sortColumn_ = -1;
    bool ascending_ = true;
};

#include "widgets/report_list.h"

#include <algorithm>
#include <cstring>

#include "core/byte_order.h"
#include "platform/framework/app.h"
#include "platform/framework/controls.h"

namespace {

constexpr uint32_t kHeaderTextFormat =
    plat::DT_SINGLELINE | plat::DT_VCENTER | plat::DT_NOPREFIX | plat::DT_NOCLIP;
constexpr size_t kDateLength = 10;
constexpr size_t kWordSize = 4;

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

bool AllDigits(const core::Text& t) {
    return !t.empty() && std::all_of(t.begin(), t.end(), IsDigit);
}

// dd/dd/dddd
bool IsDate(const core::Text& t) {
    if (t.size() != kDateLength) return false;
    for (size_t i = 0; i < kDateLength; ++i) {
        const bool slash = i == 2 || i == 5;
        if (slash ? t[i] != u'/' : !IsDigit(t[i])) return false;
    }
    return true;
}

int Sign(int v) {
    return (v > 0) - (v < 0);
}

int CompareChars(std::u16string_view a, std::u16string_view b) {
    return Sign(a.compare(b));
}

// Digit strings of any length by value: fewer significant digits first.
int CompareNumbers(const core::Text& a, const core::Text& b) {
    const auto strip = [](const core::Text& t) {
        const size_t nz = t.find_first_not_of(u'0');
        return std::u16string_view(t).substr(nz == core::Text::npos ? t.size() : nz);
    };
    const std::u16string_view x = strip(a), y = strip(b);
    if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
    return CompareChars(x, y);
}

// Year, then month, then day.
int CompareDates(const core::Text& a, const core::Text& b) {
    const std::u16string_view x(a), y(b);
    if (int c = CompareChars(x.substr(6, 4), y.substr(6, 4))) return c;
    if (int c = CompareChars(x.substr(0, 2), y.substr(0, 2))) return c;
    return CompareChars(x.substr(3, 2), y.substr(3, 2));
}

}  // namespace

// --- CHeaderItemPainter -----------------------------------------------------

void CHeaderItemPainter::SetSortMark(int column, bool ascending) {
    sortColumn_ = column;
    ascending_ = ascending;
    plat::HDITEM item;
    item.mask = plat::HDI_FORMAT;
    if (!GetItem(column, &item)) return;
    item.fmt |= plat::HDF_OWNERDRAW;
    SetItem(column, item);
    if (exists()) Invalidate();
}

plat::Rect CHeaderItemPainter::TextArea(const plat::Rect& item, bool sort_column) const {
    const int h = item.height();
    plat::Rect r = item.inflate(-h / 4, 0);
    if (sort_column) r.right -= 3 * h / 4;
    return r;
}

plat::Rect CHeaderItemPainter::ArrowArea(const plat::Rect& item) const {
    const int h = item.height();
    return {item.right - h / 4 - 3 * h / 4, item.top + h / 4, item.right - h / 4,
            item.bottom - h / 4};
}

void CHeaderItemPainter::DrawArrow(plat::Dc& dc, const plat::Rect& item) const {
    const plat::Rect a = ArrowArea(item);
    if (a.width() < 3 || a.height() < 2) return;
    const int mid = a.left + a.width() / 2;
    const plat::Pen shadow = plat::Pen::solid(1, plat::GetSysColor(plat::COLOR_BTNSHADOW));
    const plat::Pen light = plat::Pen::solid(1, plat::GetSysColor(plat::COLOR_BTNHIGHLIGHT));
    const plat::Pen old = dc.pen();
    const int top = a.top, bottom = a.bottom - 1;
    if (ascending_) {
        dc.select_pen(shadow);  // apex up: the left side in shadow
        dc.move_to({mid, top});
        dc.line_to({a.left, bottom});
        dc.select_pen(light);  // the base and the right side lit
        dc.line_to({a.right, bottom});
        dc.move_to({mid, top});
        dc.line_to({a.right, bottom + 1});
    } else {
        dc.select_pen(shadow);  // apex down: the top and the left side in shadow
        dc.move_to({a.right - 1, top});
        dc.line_to({a.left, top});
        dc.line_to({mid, bottom});
        dc.select_pen(light);
        dc.move_to({a.right - 1, top});
        dc.line_to({mid, bottom + 1});
    }
    dc.select_pen(old);
}

void CHeaderItemPainter::DrawItem(const plat::DRAWITEMSTRUCT& dis) {
    if (!dis.hDC) return;
    plat::Dc& dc = *dis.hDC;
    const plat::Rect old_clip = dc.clip();
    dc.intersect_clip(dis.rcItem);
    dc.fill_rect(dis.rcItem, plat::GetSysColor(plat::COLOR_BTNFACE));
    plat::Rect item = dis.rcItem;
    if (dis.itemState & plat::ODS_SELECTED) item = item.offset(1, 2);
    plat::HDITEM h;
    h.mask = plat::HDI_FORMAT | plat::HDI_TEXT;
    GetItem(dis.itemID, &h);
    const bool sorted = dis.itemID == sortColumn_;
    plat::Rect text = TextArea(item, sorted);
    uint32_t align = plat::DT_LEFT;
    if (h.fmt & plat::HDF_RIGHT)
        align = plat::DT_RIGHT;
    else if (h.fmt & plat::HDF_CENTER)
        align = plat::DT_CENTER;
    if (!text.empty()) {
        dc.set_bk_mode(plat::TRANSPARENT);
        dc.set_text_color(plat::kControlText);
        dc.draw_text(h.text, text, align | kHeaderTextFormat);
    }
    if (sorted) DrawArrow(dc, item);
    dc.set_clip(old_clip);
}

// --- CReportList --------------------------------------------------------------

CReportList::CReportList() {
    UseHeader(&header_);
}

CReportList::~CReportList() {
    FreeRecords();
}

int CReportList::SetColumns(const core::Text& columns) {
    size_t pos = 0;
    while (pos < columns.size()) {
        const size_t comma = columns.find(u',', pos);
        if (comma == core::Text::npos) break;
        size_t end = columns.find(u';', comma + 1);
        if (end == core::Text::npos) end = columns.size();
        const core::Text title = columns.substr(pos, comma - pos);
        int width = 0;
        for (size_t i = comma + 1; i < end && IsDigit(columns[i]) && width < 100000; ++i)
            width = width * 10 + (columns[i] - u'0');
        if (InsertColumn(columnCount_, title, plat::LVCFMT_LEFT, width) < 0) return 0;
        ++columnCount_;
        pos = end + 1;
    }
    return 1;
}

CReportList::RowRecord* CReportList::Record(int row) const {
    if (row < 0 || row >= GetItemCount()) return nullptr;
    return reinterpret_cast<RowRecord*>(GetItemData(row));
}

int CReportList::AddRow(const std::vector<core::Text>& texts) {
    auto record = std::make_unique<RowRecord>();
    record->texts = texts;
    const int row = InsertItem(GetItemCount(), texts.empty() ? core::Text() : texts[0]);
    if (row < 0) return -1;
    for (size_t c = 1; c < texts.size(); ++c) SetItemText(row, static_cast<int>(c), texts[c]);
    SetItemData(row, reinterpret_cast<uintptr_t>(record.release()));
    return row;
}

void CReportList::DeleteRow(int row) {
    RowRecord* record = Record(row);
    if (!record) return;
    SetItemData(row, 0);
    delete record;
    DeleteItem(row);
}

void CReportList::FreeRecords() {
    for (int i = 0; i < GetItemCount(); ++i) {
        delete Record(i);
        SetItemData(i, 0);
    }
}

void CReportList::DeleteAllRows() {
    FreeRecords();
    DeleteAllItems();
}

bool CReportList::SetRowValue(int row, int32_t value) {
    RowRecord* record = Record(row);
    if (!record) return false;
    record->value = value;
    return true;
}

int32_t CReportList::GetRowValue(int row) const {
    const RowRecord* record = Record(row);
    return record ? record->value : 0;
}

int CReportList::CompareTexts(const core::Text& a, const core::Text& b) {
    if (AllDigits(a) && AllDigits(b)) return CompareNumbers(a, b);
    if (IsDate(a) && IsDate(b)) return CompareDates(a, b);
    return CompareChars(a, b);
}

int CReportList::CompareRows(uintptr_t a, uintptr_t b, uintptr_t list) {
    const auto* self = reinterpret_cast<const CReportList*>(list);
    const auto* ra = reinterpret_cast<const RowRecord*>(a);
    const auto* rb = reinterpret_cast<const RowRecord*>(b);
    if (!ra || !rb || self->sortColumn_ < 0) return 0;
    const auto text = [&](const RowRecord* r) {
        const size_t c = static_cast<size_t>(self->sortColumn_);
        return c < r->texts.size() ? r->texts[c] : core::Text();
    };
    return self->ascending_ ? CompareTexts(text(ra), text(rb)) : CompareTexts(text(rb), text(ra));
}

void CReportList::Sort() {
    SortItems(&CompareRows, reinterpret_cast<uintptr_t>(this));
}

void CReportList::OnColumnClick(const plat::NMLISTVIEW& info) {
    const int column = info.iSubItem;
    if (column < 0 || column >= header_.GetItemCount()) return;
    if (column == sortColumn_) {
        ascending_ = !ascending_;
    } else {
        sortColumn_ = column;
        ascending_ = true;
    }
    header_.SetSortMark(column, ascending_);
    Sort();
}

void CReportList::OnDestroy() {
    FreeRecords();
    CListCtrl::OnDestroy();
}

std::u16string CReportList::WidthEntry() const {
    return core::FormatText("%d", GetDlgCtrlID());
}

void CReportList::LoadColumnWidths() {
    plat::CWinApp* app = plat::CWinApp::Get();
    if (!app) return;
    const auto blob = app->GetProfileBinary(kWidthSection, WidthEntry());
    if (!blob || blob->size() < kWordSize) return;
    const uint32_t n = core::get_le<uint32_t>(blob->data(), 0);
    const int count = header_.GetItemCount();
    if (n != static_cast<uint32_t>(count) || blob->size() != kWordSize + kWordSize * n) return;
    for (int i = 0; i < count; ++i) {
        plat::HDITEM item;
        item.mask = plat::HDI_WIDTH;
        item.cxy = static_cast<int>(core::get_le<uint32_t>(blob->data(), kWordSize * (1 + i)));
        header_.SetItem(i, item);
    }
}

void CReportList::SaveColumnWidths() {
    plat::CWinApp* app = plat::CWinApp::Get();
    if (!app) return;
    const int count = header_.GetItemCount();
    std::vector<uint8_t> blob(kWordSize * (1 + static_cast<size_t>(count)));
    core::put_le(blob.data(), 0, static_cast<uint32_t>(count));
    for (int i = 0; i < count; ++i) {
        plat::HDITEM item;
        item.mask = plat::HDI_WIDTH;
        header_.GetItem(i, &item);
        core::put_le(blob.data(), kWordSize * (1 + i), static_cast<uint32_t>(item.cxy));
    }
    app->WriteProfileBinary(kWidthSection, WidthEntry(), blob);
}

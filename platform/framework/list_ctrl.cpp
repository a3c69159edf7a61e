#include "platform/framework/list_ctrl.h"

#include <algorithm>
#include <mutex>

#include "platform/framework/controls.h"
#include "platform/framework/dialog.h"
#include "platform/framework/edit.h"
#include "platform/window/messages.h"

namespace plat {

namespace {
constexpr int kHeaderPadding = 6;
constexpr int kRowPadding = 4;
constexpr int kTextInset = 4;
constexpr int kDefaultColumnWidth = 80;
constexpr const char* kListClass = "SysListView32";
constexpr const char* kHeaderClass = "SysHeader32";
constexpr COLORREF kListBackground = RGB(255, 255, 255);
constexpr COLORREF kGridColor = RGB(0xD0, 0xD0, 0xD0);

Font font_of(const CWnd& w) {
    return control_font(&w);
}

uint32_t justify(int fmt) {
    switch (fmt & HDF_JUSTIFYMASK) {
        case HDF_RIGHT:
            return DT_RIGHT;
        case HDF_CENTER:
            return DT_CENTER;
        default:
            return DT_LEFT;
    }
}
}  // namespace

COLORREF GetSysColor(int index) {
    switch (index) {
        case COLOR_BTNFACE:
            return kControlFace;
        case COLOR_BTNSHADOW:
            return RGB(0x80, 0x80, 0x80);
        case COLOR_BTNHIGHLIGHT:
            return RGB(0xFF, 0xFF, 0xFF);
        case COLOR_ACTIVEBORDER:
            return kControlFrame;
        default:
            return RGB(0, 0, 0);
    }
}

// --- CHeaderCtrl -------------------------------------------------------------

bool CHeaderCtrl::GetItem(int index, HDITEM* item) const {
    if (index < 0 || index >= GetItemCount() || !item) return false;
    const HDITEM& h = items_[static_cast<size_t>(index)];
    if (item->mask & HDI_WIDTH) item->cxy = h.cxy;
    if (item->mask & HDI_FORMAT) item->fmt = h.fmt;
    if (item->mask & HDI_TEXT) item->text = h.text;
    return true;
}

bool CHeaderCtrl::SetItem(int index, const HDITEM& item) {
    if (index < 0 || index >= GetItemCount()) return false;
    HDITEM& h = items_[static_cast<size_t>(index)];
    if (item.mask & HDI_WIDTH) h.cxy = std::max(0, item.cxy);
    if (item.mask & HDI_FORMAT) h.fmt = item.fmt;
    if (item.mask & HDI_TEXT) h.text = item.text;
    if (exists()) Invalidate();
    if (list_ && list_->exists()) list_->Invalidate();
    return true;
}

Rect CHeaderCtrl::GetItemRect(int index) const {
    if (index < 0 || index >= GetItemCount()) return {};
    int x = 0;
    for (int i = 0; i < index; ++i) x += items_[static_cast<size_t>(i)].cxy;
    return {x, 0, x + items_[static_cast<size_t>(index)].cxy, client_rect().height()};
}

int CHeaderCtrl::ItemAt(Point p) const {
    for (int i = 0; i < GetItemCount(); ++i)
        if (GetItemRect(i).contains(p)) return i;
    return -1;
}

void CHeaderCtrl::DrawItem(const DRAWITEMSTRUCT&) {}

void CHeaderCtrl::DrawPlainItem(Dc& dc, int index) const {
    const HDITEM& h = items_[static_cast<size_t>(index)];
    Rect r = GetItemRect(index);
    dc.fill_rect(r, GetSysColor(COLOR_BTNFACE));
    dc.frame_rect(r, Brush::solid(GetSysColor(COLOR_BTNSHADOW)));
    Rect t = r.inflate(-kTextInset, 0);
    dc.set_bk_mode(TRANSPARENT);
    dc.draw_text(h.text, t, justify(h.fmt) | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void CHeaderCtrl::OnPaint() {
    CPaintDC pdc(this);
    Dc& dc = pdc.dc();
    dc.fill_rect(client_rect(), GetSysColor(COLOR_BTNFACE));
    dc.select_font(font_of(*this));
    for (int i = 0; i < GetItemCount(); ++i) {
        if (!(items_[static_cast<size_t>(i)].fmt & HDF_OWNERDRAW)) {
            DrawPlainItem(dc, i);
            continue;
        }
        DRAWITEMSTRUCT dis;
        dis.itemID = i;
        dis.itemState = (i == pressed_) ? ODS_SELECTED : 0;
        dis.hDC = &dc;
        dis.rcItem = GetItemRect(i);
        const Rect old_clip = dc.clip();
        DrawItem(dis);
        dc.set_clip(old_clip);
    }
}

void CHeaderCtrl::OnLButtonDown(uint32_t, Point p) {
    pressed_ = ItemAt(p);
    SetCapture();
    Invalidate();
}

void CHeaderCtrl::OnLButtonUp(uint32_t, Point p) {
    const int pressed = pressed_;
    pressed_ = -1;
    if (GetCapture() == this) release_capture();
    Invalidate();
    if (pressed >= 0 && pressed == ItemAt(p) && list_) {
        NMLISTVIEW info;
        info.code = LVN_COLUMNCLICK;
        info.idFrom = list_->GetDlgCtrlID();
        info.iSubItem = pressed;
        list_->OnColumnClick(info);
    }
}

// --- CListCtrl -----------------------------------------------------------------

CListCtrl::CListCtrl() : header_(&own_header_) {}

CListCtrl::~CListCtrl() = default;

bool CListCtrl::Create(uint32_t style, const Rect& r, CWnd* parent, int id) {
    register_list_view_control();
    return CWnd::Create(kListClass, u"", style | WS_CHILD, r, parent, id);
}

void register_list_view_control() {
    static std::once_flag once;
    std::call_once(once, [] {
        register_window_class({kListClass, CS_DBLCLKS, std::nullopt});
        register_window_class({kHeaderClass, 0, std::nullopt});
        register_control_class(kListClass, [] { return std::make_unique<CListCtrl>(); });
    });
}

int CListCtrl::RowHeight() const {
    return font_of(*this).metrics().height + kRowPadding;
}

int CListCtrl::HeaderHeight() const {
    return font_of(*this).metrics().height + kHeaderPadding;
}

int CListCtrl::OnCreate(const CreateParams* params) {
    if (CWnd::OnCreate(params) == -1) return -1;
    header_->list_ = this;
    if (!header_->exists()) {
        const Rect r{0, 0, client_rect().width(), HeaderHeight()};
        if (!header_->Create(kHeaderClass, u"", WS_CHILD | WS_VISIBLE, r, this, 0)) return -1;
        header_->SetFont(font_of(*this), false);
    }
    return 0;
}

int CListCtrl::InsertColumn(int column, std::u16string_view heading, int format, int width) {
    if (column < 0 || column > ColumnCount()) return -1;
    HDITEM item;
    item.text = std::u16string(heading);
    item.fmt = format == LVCFMT_RIGHT ? HDF_RIGHT : format == LVCFMT_CENTER ? HDF_CENTER : HDF_LEFT;
    item.cxy = width >= 0 ? width : kDefaultColumnWidth;
    header_->items_.insert(header_->items_.begin() + column, item);
    for (Row& r : rows_)
        if (static_cast<int>(r.texts.size()) > column)
            r.texts.insert(r.texts.begin() + column, std::u16string());
    if (exists()) Invalidate();
    return column;
}

int CListCtrl::InsertItem(int index, std::u16string_view text) {
    if (index < 0) return -1;
    index = std::min(index, GetItemCount());
    Row row;
    row.texts.emplace_back(text);
    rows_.insert(rows_.begin() + index, std::move(row));
    if (exists()) Invalidate();
    return index;
}

bool CListCtrl::SetItemText(int item, int sub_item, std::u16string_view text) {
    if (item < 0 || item >= GetItemCount() || sub_item < 0) return false;
    auto& texts = rows_[static_cast<size_t>(item)].texts;
    if (static_cast<int>(texts.size()) <= sub_item) texts.resize(static_cast<size_t>(sub_item) + 1);
    texts[static_cast<size_t>(sub_item)] = std::u16string(text);
    if (exists()) Invalidate();
    return true;
}

std::u16string CListCtrl::GetItemText(int item, int sub_item) const {
    if (item < 0 || item >= GetItemCount() || sub_item < 0) return {};
    const auto& texts = rows_[static_cast<size_t>(item)].texts;
    return sub_item < static_cast<int>(texts.size()) ? texts[static_cast<size_t>(sub_item)]
                                                     : std::u16string();
}

bool CListCtrl::SetItemData(int item, uintptr_t data) {
    if (item < 0 || item >= GetItemCount()) return false;
    rows_[static_cast<size_t>(item)].data = data;
    return true;
}

uintptr_t CListCtrl::GetItemData(int item) const {
    if (item < 0 || item >= GetItemCount()) return 0;
    return rows_[static_cast<size_t>(item)].data;
}

bool CListCtrl::DeleteItem(int item) {
    if (item < 0 || item >= GetItemCount()) return false;
    rows_.erase(rows_.begin() + item);
    if (exists()) Invalidate();
    return true;
}

bool CListCtrl::DeleteAllItems() {
    rows_.clear();
    if (exists()) Invalidate();
    return true;
}

bool CListCtrl::SortItems(CompareFunc compare, uintptr_t param) {
    if (!compare) return false;
    std::stable_sort(rows_.begin(), rows_.end(), [&](const Row& a, const Row& b) {
        return compare(a.data, b.data, param) < 0;
    });
    if (exists()) Invalidate();
    return true;
}

void CListCtrl::OnColumnClick(const NMLISTVIEW& info) {
    if (CWnd* parent = GetParent())
        parent->SendMessage(WM_NOTIFY, static_cast<uintptr_t>(GetDlgCtrlID()),
                            reinterpret_cast<intptr_t>(&info));
}

void CListCtrl::OnPaint() {
    CPaintDC pdc(this);
    Dc& dc = pdc.dc();
    const Rect client = client_rect();
    dc.fill_rect(client, kListBackground);
    const Font font = font_of(*this);
    dc.select_font(font);
    dc.set_bk_mode(TRANSPARENT);
    const int line = RowHeight();
    int y = HeaderHeight();
    const bool show_selection = ShowsSelection();
    const COLORREF text_color = dc.text_color();
    for (size_t i = static_cast<size_t>(std::max(0, top_)); i < rows_.size(); ++i) {
        const Row& row = rows_[i];
        if (y >= client.bottom) break;
        const bool selected = show_selection && (row.state & LVIS_SELECTED);
        if (selected) dc.fill_rect({0, y, client.right, y + line - 1}, kSelectionBack);
        dc.set_text_color(selected ? kSelectionText : text_color);
        for (int c = 0; c < ColumnCount(); ++c) {
            const Rect cell = header_->GetItemRect(c);
            Rect t{cell.left + kTextInset, y, cell.right - kTextInset, y + line};
            const std::u16string text =
                c < static_cast<int>(row.texts.size()) ? row.texts[static_cast<size_t>(c)] : u"";
            dc.draw_text(text, t,
                         justify(header_->items_[static_cast<size_t>(c)].fmt) | DT_VCENTER |
                             DT_SINGLELINE | DT_NOPREFIX);
        }
        y += line;
        dc.fill_rect({0, y - 1, client.right, y}, kGridColor);
    }
}

}  // namespace plat

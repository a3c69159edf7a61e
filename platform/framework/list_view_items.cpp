// CListCtrl: item states, scrolling rows into view, and taps and keys on the
// rows with their notifications to the parent.
#include <algorithm>

#include "platform/framework/list_ctrl.h"

namespace plat {

bool CListCtrl::ShowsSelection() const {
    return focus_window() == this || (style() & LVS_SHOWSELALWAYS);
}

bool CListCtrl::SetItemState(int item, uint32_t state, uint32_t mask) {
    auto apply = [&](Row& r) { r.state = (r.state & ~mask) | (state & mask); };
    if (item == -1) {
        for (Row& r : rows_) apply(r);
    } else {
        if (item < 0 || item >= GetItemCount()) return false;
        const bool selects = (mask & state & LVIS_SELECTED) != 0;
        const bool focuses = (mask & state & LVIS_FOCUSED) != 0;
        for (Row& r : rows_) {
            if (selects && (style() & LVS_SINGLESEL)) r.state &= ~LVIS_SELECTED;
            if (focuses) r.state &= ~LVIS_FOCUSED;  // one row has the focus
        }
        apply(rows_[static_cast<size_t>(item)]);
    }
    if (exists()) Invalidate(false);
    return true;
}

uint32_t CListCtrl::GetItemState(int item, uint32_t mask) const {
    if (item < 0 || item >= GetItemCount()) return 0;
    return rows_[static_cast<size_t>(item)].state & mask;
}

int CListCtrl::GetNextItem(int start, int flags) const {
    const auto want = static_cast<uint32_t>(flags & (LVNI_FOCUSED | LVNI_SELECTED));
    for (int i = std::max(0, start + 1); i < GetItemCount(); ++i)
        if ((rows_[static_cast<size_t>(i)].state & want) == want) return i;
    return -1;
}

int CListCtrl::GetSelectedCount() const {
    return static_cast<int>(std::count_if(rows_.begin(), rows_.end(),
                                          [](const Row& r) { return r.state & LVIS_SELECTED; }));
}

int CListCtrl::GetCountPerPage() const {
    return std::max(1, (client_rect().height() - HeaderHeight()) / std::max(1, RowHeight()));
}

bool CListCtrl::EnsureVisible(int item, bool partial_ok) {
    if (item < 0 || item >= GetItemCount()) return false;
    const int per_page = GetCountPerPage();
    const int shown = partial_ok ? per_page + 1 : per_page;
    int top = top_;
    if (item < top) top = item;
    if (item >= top + shown) top = item - per_page + 1;
    top = std::clamp(top, 0, std::max(0, GetItemCount() - 1));
    if (top != top_) {
        top_ = top;
        if (exists()) Invalidate();
    }
    return true;
}

Rect CListCtrl::GetItemRect(int item) const {
    const int y = HeaderHeight() + (item - top_) * RowHeight();
    return {0, y, client_rect().width(), y + RowHeight()};
}

int CListCtrl::HitTestRow(Point p) const {
    if (p.y < HeaderHeight() || !client_rect().contains(p)) return -1;
    const int row = top_ + (p.y - HeaderHeight()) / std::max(1, RowHeight());
    return row < GetItemCount() ? row : -1;
}

void CListCtrl::NotifyParent(int code, int item) {
    if (CWnd* parent = GetParent()) {
        NMLISTVIEW info;
        info.code = code;
        info.idFrom = GetDlgCtrlID();
        info.iItem = item;
        parent->SendMessage(WM_NOTIFY, static_cast<uintptr_t>(info.idFrom),
                            reinterpret_cast<intptr_t>(&info));
    }
}

void CListCtrl::SelectRow(int item) {
    if (item < 0 || item >= GetItemCount()) return;
    // A tap or key selects the one row (no extending selections here).
    for (Row& r : rows_) r.state &= ~(LVIS_SELECTED | LVIS_FOCUSED);
    rows_[static_cast<size_t>(item)].state |= LVIS_SELECTED | LVIS_FOCUSED;
    EnsureVisible(item, false);
    Invalidate(false);
}

void CListCtrl::OnLButtonDown(uint32_t, Point p) {
    SetFocus();
    const int row = HitTestRow(p);
    SelectRow(row);
    NotifyParent(NM_CLICK, row);
}

void CListCtrl::OnLButtonDblClk(uint32_t, Point p) {
    NotifyParent(NM_DBLCLK, HitTestRow(p));
}

void CListCtrl::OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) {
    const int focused = GetNextItem(-1, LVNI_FOCUSED);
    const int n = GetItemCount();
    switch (key) {
        case VK_UP:
            if (n) SelectRow(std::max(0, focused - 1));
            return;
        case VK_DOWN:
            if (n) SelectRow(std::min(n - 1, focused + 1));
            return;
        case VK_HOME:
            if (n) SelectRow(0);
            return;
        case VK_END:
            if (n) SelectRow(n - 1);
            return;
        default:
            CWnd::OnKeyDown(key, repeat, flags);
    }
}

void CListCtrl::OnSetFocus(CWnd*) {
    Invalidate(false);
    NotifyParent(NM_SETFOCUS, -1);
}

void CListCtrl::OnKillFocus(CWnd*) {
    Invalidate(false);
    NotifyParent(NM_KILLFOCUS, -1);
}

}  // namespace plat

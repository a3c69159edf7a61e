#include "platform/framework/list_box.h"

#include <algorithm>
#include <mutex>

#include "platform/framework/controls.h"
#include "platform/framework/dialog.h"
#include "platform/framework/edit.h"

namespace plat {

namespace {
constexpr COLORREF kListBack = RGB(255, 255, 255);
constexpr int kRowPadding = 2;
constexpr int kTextIndent = 2;
}  // namespace

bool CListBox::Create(uint32_t style, const Rect& r, CWnd* parent, int id) {
    return CWnd::Create("LISTBOX", u"", style | WS_CHILD, r, parent, id);
}

bool CListBox::PreCreateWindow(CreateParams& params) {
    register_window_class({"LISTBOX", CS_DBLCLKS, std::nullopt});
    return CWnd::PreCreateWindow(params);
}

int CListBox::AddString(std::u16string_view text) {
    if (style() & LBS_SORT) {
        auto it = std::upper_bound(items_.begin(), items_.end(), text,
                                   [](std::u16string_view t, const Item& i) { return t < i.text; });
        const auto index = static_cast<int>(it - items_.begin());
        return InsertString(index, text);
    }
    return InsertString(-1, text);
}

int CListBox::InsertString(int index, std::u16string_view text) {
    if (index < -1 || index > GetCount()) return static_cast<int>(LB_ERR);
    if (index == -1) index = GetCount();
    items_.insert(items_.begin() + index, Item{std::u16string(text), 0});
    if (sel_ >= index) ++sel_;
    Invalidate();
    return index;
}

int CListBox::DeleteString(int index) {
    if (index < 0 || index >= GetCount()) return static_cast<int>(LB_ERR);
    items_.erase(items_.begin() + index);
    if (sel_ == index) {
        sel_ = -1;
    } else if (sel_ > index) {
        --sel_;
    }
    top_ = std::clamp(top_, 0, std::max(0, GetCount() - 1));
    Invalidate();
    return GetCount();
}

void CListBox::ResetContent() {
    items_.clear();
    sel_ = -1;
    top_ = 0;
    Invalidate();
}

int CListBox::SetCurSel(int index) {
    if (index < -1 || index >= GetCount()) {
        sel_ = -1;
        Invalidate();
        return static_cast<int>(LB_ERR);
    }
    sel_ = index;
    if (index >= 0) ensure_visible(index);
    Invalidate();
    return index;
}

int CListBox::GetText(int index, std::u16string& out) const {
    if (index < 0 || index >= GetCount()) return static_cast<int>(LB_ERR);
    out = items_[static_cast<size_t>(index)].text;
    return static_cast<int>(out.size());
}

std::u16string CListBox::GetText(int index) const {
    std::u16string t;
    GetText(index, t);
    return t;
}

uintptr_t CListBox::GetItemData(int index) const {
    if (index < 0 || index >= GetCount()) return static_cast<uintptr_t>(LB_ERR);
    return items_[static_cast<size_t>(index)].data;
}

int CListBox::SetItemData(int index, uintptr_t data) {
    if (index < 0 || index >= GetCount()) return static_cast<int>(LB_ERR);
    items_[static_cast<size_t>(index)].data = data;
    return 0;
}

int CListBox::FindStringExact(int start, std::u16string_view text) const {
    const int n = GetCount();
    for (int k = 1; k <= n; ++k) {
        const int i = (start + k + n) % n;
        if (items_[static_cast<size_t>(i)].text == text) return i;
    }
    return static_cast<int>(LB_ERR);
}

int CListBox::SetTopIndex(int index) {
    if (index < 0 || index >= std::max(1, GetCount())) return static_cast<int>(LB_ERR);
    top_ = index;
    Invalidate();
    return 0;
}

int CListBox::GetItemHeight() const {
    return control_font(this).metrics().height + kRowPadding;
}

int CListBox::GetCountPerPage() const {
    return std::max(1, client_rect().height() / std::max(1, GetItemHeight()));
}

bool CListBox::SetTabStops(const std::vector<int>& stops) {
    tab_stops_ = stops;
    Invalidate();
    return true;
}

int CListBox::tab_pixels(int du) const {
    return du * dialog_base_units(control_font(this)).cx / 4;
}

std::vector<int> CListBox::ColumnStarts(std::u16string_view text) const {
    const Font font = control_font(this);
    // One stop repeats at its distance; several are used in turn, then the
    // default distance continues.
    const bool explicit_stops = tab_stops_.size() > 1;
    const int every =
        std::max(1, tab_pixels(tab_stops_.size() == 1 ? tab_stops_[0] : kDefaultTabStop));
    auto next_stop = [&](int x) {
        if (explicit_stops) {
            for (int du : tab_stops_) {
                const int stop = kTextIndent + tab_pixels(du);
                if (stop > x) return stop;
            }
        }
        return kTextIndent + ((x - kTextIndent) / every + 1) * every;
    };
    std::vector<int> starts{kTextIndent};
    size_t pos = 0;
    for (size_t t = text.find(u'\t'); t != std::u16string_view::npos; t = text.find(u'\t', pos)) {
        starts.push_back(next_stop(starts.back() + font.text_extent(text.substr(pos, t - pos)).cx));
        pos = t + 1;
    }
    return starts;
}

Rect CListBox::GetItemRect(int index) const {
    const int h = GetItemHeight();
    const int y = (index - top_) * h;
    return {0, y, client_rect().width(), y + h};
}

void CListBox::ensure_visible(int index) {
    const int per_page = GetCountPerPage();
    if (index < top_) top_ = index;
    if (index >= top_ + per_page) top_ = index - per_page + 1;
}

void CListBox::notify(uint32_t code) {
    if (style() & LBS_NOTIFY) notify_parent(this, code);
}

void CListBox::SelectByUser(int index) {
    if (GetCount() == 0) return;
    index = std::clamp(index, 0, GetCount() - 1);
    const bool changed = index != sel_;
    SetCurSel(index);
    if (changed) notify(LBN_SELCHANGE);
}

int CListBox::row_at(Point p) const {
    if (!client_rect().contains(p)) return -1;
    const int row = top_ + p.y / std::max(1, GetItemHeight());
    return row < GetCount() ? row : -1;
}

intptr_t CListBox::WindowProc(uint32_t msg, uintptr_t wp, intptr_t lp) {
    const auto index = static_cast<int>(static_cast<intptr_t>(wp));
    switch (msg) {
        case LB_ADDSTRING:
            return AddString(reinterpret_cast<const char16_t*>(lp));
        case LB_INSERTSTRING:
            return InsertString(index, reinterpret_cast<const char16_t*>(lp));
        case LB_DELETESTRING:
            return DeleteString(index);
        case LB_RESETCONTENT:
            ResetContent();
            return 0;
        case LB_SETCURSEL:
            return SetCurSel(index);
        case LB_GETCURSEL:
            return sel_;
        case LB_GETCOUNT:
            return GetCount();
        case LB_GETTEXT:
            return lp ? GetText(index, *reinterpret_cast<std::u16string*>(lp)) : LB_ERR;
        case LB_GETTEXTLEN:
            return index >= 0 && index < GetCount()
                       ? static_cast<intptr_t>(items_[static_cast<size_t>(index)].text.size())
                       : LB_ERR;
        case LB_GETITEMDATA:
            return static_cast<intptr_t>(GetItemData(index));
        case LB_SETITEMDATA:
            return SetItemData(index, static_cast<uintptr_t>(lp));
        case LB_GETTOPINDEX:
            return top_;
        case LB_SETTOPINDEX:
            return SetTopIndex(index);
        case LB_GETITEMHEIGHT:
            return GetItemHeight();
        case LB_FINDSTRINGEXACT:
            return FindStringExact(index, reinterpret_cast<const char16_t*>(lp));
        case LB_SETTABSTOPS: {
            const auto* stops = reinterpret_cast<const int*>(lp);
            return SetTabStops(stops ? std::vector<int>(stops, stops + wp) : std::vector<int>{});
        }
        default:
            return CWnd::WindowProc(msg, wp, lp);
    }
}

void CListBox::OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) {
    if (GetCount() == 0) {
        CWnd::OnKeyDown(key, repeat, flags);
        return;
    }
    const int cur = sel_ < 0 ? -1 : sel_;
    switch (key) {
        case VK_UP:
            SelectByUser(cur < 0 ? 0 : cur - 1);
            return;
        case VK_DOWN:
            SelectByUser(cur + 1);
            return;
        case VK_HOME:
            SelectByUser(0);
            return;
        case VK_END:
            SelectByUser(GetCount() - 1);
            return;
        case VK_PRIOR:
            SelectByUser(std::max(0, cur) - GetCountPerPage() + 1);
            return;
        case VK_NEXT:
            SelectByUser(std::max(0, cur) + GetCountPerPage() - 1);
            return;
        default:
            CWnd::OnKeyDown(key, repeat, flags);
    }
}

bool CListBox::OnMouseWheel(uint32_t, int delta, Point) {
    // The wheel scrolls the rows; the selection stays.
    const int max_top = std::max(0, GetCount() - GetCountPerPage());
    top_ = std::clamp(top_ + (delta > 0 ? -1 : 1), 0, max_top);
    Invalidate();
    return true;
}

void CListBox::OnLButtonDown(uint32_t, Point p) {
    SetFocus();
    const int row = row_at(p);
    if (row >= 0) SelectByUser(row);
}

void CListBox::OnLButtonDblClk(uint32_t, Point p) {
    if (row_at(p) >= 0) notify(LBN_DBLCLK);
}

void CListBox::OnSetFocus(CWnd*) {
    Invalidate(false);
    notify(LBN_SETFOCUS);
}

void CListBox::OnKillFocus(CWnd*) {
    Invalidate(false);
    notify(LBN_KILLFOCUS);
}

void CListBox::draw_row(Dc& dc, int index, const Rect& row, bool selected) {
    const std::u16string& text = items_[static_cast<size_t>(index)].text;
    const COLORREF normal = dc.text_color();
    if (selected) {
        dc.fill_rect(row, kSelectionBack);
        dc.set_text_color(kSelectionText);
    }
    const int y = row.top + kRowPadding / 2;
    if (style() & LBS_USETABSTOPS) {
        const std::vector<int> starts = ColumnStarts(text);
        size_t pos = 0;
        for (int x : starts) {
            size_t end = text.find(u'\t', pos);
            if (end == std::u16string::npos) end = text.size();
            dc.text_out(x, y, std::u16string_view(text).substr(pos, end - pos));
            pos = end + 1;
        }
    } else {
        dc.text_out(kTextIndent, y, text);
    }
    dc.set_text_color(normal);
}

void CListBox::OnPaint() {
    CPaintDC pdc(this);
    Dc& dc = pdc.dc();
    dc.select_font(control_font(this));
    const Brush bg = control_colors(this, dc, WM_CTLCOLORLISTBOX, Brush::solid(kListBack));
    const Rect r = client_rect();
    dc.fill_rect(r, bg);
    dc.set_bk_mode(TRANSPARENT);
    for (int i = top_; i < GetCount(); ++i) {
        const Rect row = GetItemRect(i);
        if (row.top >= r.bottom) break;
        draw_row(dc, i, row, i == sel_);
    }
    if (style() & WS_BORDER) dc.frame_rect(r, Brush::solid(kControlFrame));
}

void register_list_box_control() {
    static std::once_flag once;
    std::call_once(once, [] {
        register_control_class("LISTBOX", [] { return std::make_unique<CListBox>(); });
    });
}

}  // namespace plat

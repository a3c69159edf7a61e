#include "platform/framework/edit.h"

#include <algorithm>
#include <mutex>

#include "platform/framework/controls.h"
#include "platform/framework/dialog.h"

namespace plat {

namespace {
constexpr COLORREF kEditBack = RGB(255, 255, 255);
constexpr int kCaretWidth = 1;
}  // namespace

bool CEdit::Create(uint32_t style, const Rect& r, CWnd* parent, int id) {
    return CWnd::Create("EDIT", u"", style | WS_CHILD, r, parent, id);
}

void CEdit::clamp_selection() {
    const int len = static_cast<int>(GetWindowText().size());
    sel_start_ = std::clamp(sel_start_, 0, len);
    sel_end_ = std::clamp(sel_end_, 0, len);
}

void CEdit::GetSel(int& start, int& end) const {
    const int len = static_cast<int>(GetWindowText().size());
    start = std::clamp(std::min(sel_start_, sel_end_), 0, len);
    end = std::clamp(std::max(sel_start_, sel_end_), 0, len);
}

void CEdit::SetSel(int start, int end, bool no_scroll) {
    const int len = static_cast<int>(GetWindowText().size());
    if (start < 0) {
        // Removes the selection; the caret stays.
        clamp_selection();
        sel_start_ = sel_end_;
    } else {
        sel_start_ = std::min(start, len);
        sel_end_ = end < 0 ? len : std::min(end, len);
    }
    if (!no_scroll) scroll_to_caret();
    Invalidate();
}

void CEdit::replace_selection(std::u16string_view text, bool notify_change) {
    int start, end;
    GetSel(start, end);
    std::u16string now = GetWindowText();
    const int room = limit_ - (static_cast<int>(now.size()) - (end - start));
    if (room <= 0 && !text.empty() && start == end) return;  // full: typing stops
    if (static_cast<int>(text.size()) > room)
        text = text.substr(0, static_cast<size_t>(std::max(0, room)));
    now.replace(static_cast<size_t>(start), static_cast<size_t>(end - start), text);
    SetWindowText(now);
    sel_start_ = sel_end_ = start + static_cast<int>(text.size());
    scroll_to_caret();
    Invalidate();
    if (notify_change) notify(EN_CHANGE);
}

void CEdit::ReplaceSel(std::u16string_view text, bool) {
    replace_selection(text, true);
}

void CEdit::LimitText(int max_chars) {
    limit_ = max_chars <= 0 ? kDefaultLimit : max_chars;
}

void CEdit::SetReadOnly(bool on) {
    set_style(on ? style() | ES_READONLY : style() & ~ES_READONLY);
    Invalidate();
}

bool CEdit::IsReadOnly() const {
    return (style() & ES_READONLY) != 0;
}

void CEdit::HideCaret() {
    caret_shown_ = false;
    Invalidate(false);
}

void CEdit::ShowCaret() {
    caret_shown_ = true;
    Invalidate(false);
}

int CEdit::text_width(std::u16string_view text) const {
    return control_font(this).text_extent(text).cx;
}

int CEdit::GetTextOrigin() const {
    const int width = client_rect().width();
    const int full = text_width(GetWindowText());
    switch (style() & (ES_CENTER | ES_RIGHT)) {
        case ES_CENTER:
            return std::max(kMargin, (width - full) / 2);
        case ES_RIGHT:
            return std::max(kMargin, width - kMargin - full);
        default:
            return kMargin - scroll_x_;
    }
}

Point CEdit::GetCaretPos() const {
    const std::u16string text = GetWindowText();
    const int caret = std::clamp(sel_end_, 0, static_cast<int>(text.size()));
    const int line_h = control_font(this).metrics().height;
    return {GetTextOrigin() +
                text_width(std::u16string_view(text).substr(0, static_cast<size_t>(caret))),
            (client_rect().height() - line_h) / 2};
}

void CEdit::scroll_to_caret() {
    if (multi_line() || (style() & (ES_CENTER | ES_RIGHT))) return;
    const std::u16string text = GetWindowText();
    const int caret = std::clamp(sel_end_, 0, static_cast<int>(text.size()));
    const int x = text_width(std::u16string_view(text).substr(0, static_cast<size_t>(caret)));
    const int room = std::max(1, client_rect().width() - 2 * kMargin - kCaretWidth);
    if (x - scroll_x_ > room) scroll_x_ = x - room;
    if (x < scroll_x_) scroll_x_ = x;
}

std::vector<std::u16string> CEdit::GetDisplayLines() const {
    const Font font = control_font(this);
    const int room = std::max(1, client_rect().width() - 2 * kMargin);
    std::vector<std::u16string> lines;
    const std::u16string text = GetWindowText();
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t nl = text.find(u'\n', pos);
        if (nl == std::u16string::npos) nl = text.size();
        std::u16string para = text.substr(pos, nl - pos);
        if (!para.empty() && para.back() == u'\r') para.pop_back();
        // Wrap at blanks where the paragraph is wider than the edit.
        while (font.text_extent(para).cx > room) {
            size_t cut = para.size();
            while (cut > 1 && font.text_extent(std::u16string_view(para).substr(0, cut)).cx > room)
                --cut;
            const size_t blank = para.rfind(u' ', cut);
            if (blank != std::u16string::npos && blank > 0) cut = blank + 1;
            lines.push_back(para.substr(0, cut));
            para.erase(0, cut);
        }
        lines.push_back(para);
        if (nl == text.size()) break;
        pos = nl + 1;
    }
    return lines;
}

int CEdit::GetLineCount() const {
    return multi_line() ? static_cast<int>(GetDisplayLines().size()) : 1;
}

int CEdit::GetVisibleLineCount() const {
    const int h = std::max(1, control_font(this).metrics().height);
    return std::max(1, client_rect().height() / h);
}

int CEdit::LineScroll(int lines) {
    if (!multi_line()) return 0;
    const int last_top = std::max(0, GetLineCount() - GetVisibleLineCount());
    const long target = static_cast<long>(first_line_) + lines;
    first_line_ = static_cast<int>(std::clamp<long>(target, 0, last_top));
    Invalidate();
    return first_line_;
}

void CEdit::notify(uint32_t code) {
    notify_parent(this, code);
}

intptr_t CEdit::WindowProc(uint32_t msg, uintptr_t wp, intptr_t lp) {
    switch (msg) {
        case EM_GETSEL: {
            int s, e;
            GetSel(s, e);
            if (wp) *reinterpret_cast<uint32_t*>(wp) = static_cast<uint32_t>(s);
            if (lp) *reinterpret_cast<uint32_t*>(lp) = static_cast<uint32_t>(e);
            return make_lparam(s, e);
        }
        case EM_SETSEL:
            SetSel(static_cast<int>(static_cast<intptr_t>(wp)), static_cast<int>(lp));
            return 0;
        case EM_REPLACESEL:
            if (lp) ReplaceSel(reinterpret_cast<const char16_t*>(lp), wp != 0);
            return 0;
        case EM_LIMITTEXT:
            LimitText(static_cast<int>(wp));
            return 0;
        case EM_GETLIMITTEXT:
            return limit_;
        case EM_SCROLLCARET:
            scroll_to_caret();
            Invalidate();
            return 1;
        case EM_LINESCROLL:
            LineScroll(static_cast<int>(lp));
            return multi_line() ? 1 : 0;
        case EM_GETLINECOUNT:
            return GetLineCount();
        case EM_GETFIRSTVISIBLELINE:
            return first_line_;
        case EM_SETREADONLY:
            SetReadOnly(wp != 0);
            return 1;
        default:
            return CWnd::WindowProc(msg, wp, lp);
    }
}

void CEdit::OnChar(uint32_t ch, uint32_t, uint32_t) {
    if (IsReadOnly() || multi_line()) return;
    if (ch == u'\b') {
        int s, e;
        GetSel(s, e);
        if (s == e && s > 0) {
            sel_start_ = s - 1;
            sel_end_ = s;
        }
        if (sel_start_ != sel_end_) replace_selection(u"", true);
        return;
    }
    if (ch < 0x20) return;
    const char16_t c = static_cast<char16_t>(ch);
    replace_selection(std::u16string_view(&c, 1), true);
}

void CEdit::OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) {
    const int len = static_cast<int>(GetWindowText().size());
    clamp_selection();
    if (multi_line()) {
        switch (key) {
            case VK_UP:
                LineScroll(-1);
                return;
            case VK_DOWN:
                LineScroll(1);
                return;
            case VK_PRIOR:
                LineScroll(-GetVisibleLineCount());
                return;
            case VK_NEXT:
                LineScroll(GetVisibleLineCount());
                return;
            default:
                CWnd::OnKeyDown(key, repeat, flags);
                return;
        }
    }
    int caret = sel_end_;
    switch (key) {
        case VK_LEFT:
            caret =
                sel_start_ != sel_end_ ? std::min(sel_start_, sel_end_) : std::max(0, caret - 1);
            break;
        case VK_RIGHT:
            caret =
                sel_start_ != sel_end_ ? std::max(sel_start_, sel_end_) : std::min(len, caret + 1);
            break;
        case VK_HOME:
            caret = 0;
            break;
        case VK_END:
            caret = len;
            break;
        case VK_DELETE:
            if (IsReadOnly()) return;
            if (sel_start_ == sel_end_ && caret < len) sel_end_ = caret + 1;
            replace_selection(u"", true);
            return;
        default:
            CWnd::OnKeyDown(key, repeat, flags);
            return;
    }
    sel_start_ = sel_end_ = caret;
    scroll_to_caret();
    Invalidate();
}

void CEdit::OnSetFocus(CWnd*) {
    Invalidate(false);
    notify(EN_SETFOCUS);
}

void CEdit::OnKillFocus(CWnd*) {
    Invalidate(false);
    notify(EN_KILLFOCUS);
}

void CEdit::OnLButtonDown(uint32_t, Point p) {
    SetFocus();
    if (multi_line()) return;
    const std::u16string text = GetWindowText();
    const int origin = GetTextOrigin();
    int best = 0;
    int best_dist = std::abs(p.x - origin);
    for (int i = 1; i <= static_cast<int>(text.size()); ++i) {
        const int x =
            origin + text_width(std::u16string_view(text).substr(0, static_cast<size_t>(i)));
        if (std::abs(p.x - x) < best_dist) {
            best = i;
            best_dist = std::abs(p.x - x);
        }
    }
    sel_start_ = sel_end_ = best;
    Invalidate();
}

void CEdit::paint_single_line(Dc& dc, const Rect& r, COLORREF text_color) {
    const std::u16string text = GetWindowText();
    int s, e;
    GetSel(s, e);
    const int line_h = dc.font().metrics().height;
    const int y = (r.height() - line_h) / 2;
    const int origin = GetTextOrigin();
    const std::u16string_view v(text);
    const auto sz = [](int i) { return static_cast<size_t>(i); };
    const int x_s = origin + text_width(v.substr(0, sz(s)));
    const int x_e = origin + text_width(v.substr(0, sz(e)));
    dc.intersect_clip(r.inflate(-1, -1));
    dc.set_bk_mode(TRANSPARENT);
    dc.set_text_color(text_color);
    dc.text_out(origin, y, v.substr(0, sz(s)));
    dc.text_out(x_e, y, v.substr(sz(e)));
    if (e > s) {
        dc.fill_rect({x_s, y, x_e, y + line_h}, kSelectionBack);
        dc.set_text_color(kSelectionText);
        dc.text_out(x_s, y, v.substr(sz(s), sz(e - s)));
    }
    const bool focused = focus_window() == this;
    if (focused && caret_shown_ && !IsReadOnly()) {
        const Point c = GetCaretPos();
        dc.fill_rect({c.x, y, c.x + kCaretWidth, y + line_h}, text_color);
    }
}

void CEdit::paint_multi_line(Dc& dc, const Rect& r) {
    const std::vector<std::u16string> lines = GetDisplayLines();
    const int line_h = std::max(1, dc.font().metrics().height);
    dc.intersect_clip(r.inflate(-1, -1));
    dc.set_bk_mode(TRANSPARENT);
    int y = kMargin / 2;
    for (size_t i = static_cast<size_t>(first_line_); i < lines.size() && y < r.bottom; ++i) {
        int x = kMargin;
        const int w = text_width(lines[i]);
        if (style() & ES_CENTER) x = (r.width() - w) / 2;
        if (style() & ES_RIGHT) x = r.width() - kMargin - w;
        dc.text_out(x, y, lines[i]);
        y += line_h;
    }
}

void CEdit::OnPaint() {
    CPaintDC pdc(this);
    Dc& dc = pdc.dc();
    dc.select_font(control_font(this));
    const uint32_t ctl = IsReadOnly() ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
    const Brush fallback = Brush::solid(IsReadOnly() ? CDialog::kFaceColor : kEditBack);
    const Brush bg = control_colors(this, dc, ctl, fallback);
    const COLORREF text_color = dc.text_color();
    const Rect r = client_rect();
    dc.fill_rect(r, bg);
    if (style() & WS_BORDER) dc.frame_rect(r, Brush::solid(kControlFrame));
    dc.set_text_color(text_color);
    if (multi_line()) {
        paint_multi_line(dc, r);
    } else {
        paint_single_line(dc, r, text_color);
    }
}

void register_edit_control() {
    static std::once_flag once;
    std::call_once(
        once, [] { register_control_class("EDIT", [] { return std::make_unique<CEdit>(); }); });
}

}  // namespace plat

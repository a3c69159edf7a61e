#include "platform/framework/date_time.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <mutex>

#include "platform/framework/controls.h"
#include "platform/framework/dialog.h"
#include "platform/framework/edit.h"

namespace plat {

namespace {
constexpr int kFieldCount = 3;
constexpr COLORREF kPickerBack = RGB(255, 255, 255);

int wrap(int v, int lo, int hi) {
    const int span = hi - lo + 1;
    return lo + ((v - lo) % span + span) % span;
}

uint16_t weekday_of(const SystemTime& t) {
    using namespace std::chrono;
    const year_month_day ymd{year{t.year}, month{t.month}, day{t.day}};
    if (!ymd.ok()) return 0;
    return static_cast<uint16_t>(weekday{sys_days{ymd}}.c_encoding());
}

std::u16string widen(const char* s) {
    std::u16string out;
    while (*s) out.push_back(static_cast<char16_t>(*s++));
    return out;
}
}  // namespace

int days_in_month(int year, int month) {
    using namespace std::chrono;
    if (month < 1 || month > 12) return 0;
    return static_cast<int>(static_cast<unsigned>(
        (std::chrono::year{year} / std::chrono::month{static_cast<unsigned>(month)} / last).day()));
}

bool CDateTimeCtrl::Create(uint32_t style, const Rect& r, CWnd* parent, int id) {
    return CWnd::Create(kDateTimeClass, u"", style | WS_CHILD, r, parent, id);
}

bool CDateTimeCtrl::SetTime(const SystemTime& t) {
    if (t.month < 1 || t.month > 12 || t.hour > 23 || t.minute > 59 || t.second > 59 || t.day < 1)
        return false;
    time_ = t;
    time_.day = static_cast<uint16_t>(std::min<int>(t.day, days_in_month(t.year, t.month)));
    time_.day_of_week = weekday_of(time_);
    Invalidate();
    return true;
}

CDateTimeCtrl::Field CDateTimeCtrl::field_kind(int index) const {
    static constexpr Field kTime[] = {kHour, kMinute, kSecond};
    static constexpr Field kDate[] = {kDay, kMonth, kYear};
    return IsTimeFormat() ? kTime[index] : kDate[index];
}

void CDateTimeCtrl::SelectField(int index) {
    field_ = wrap(index, 0, kFieldCount - 1);
    Invalidate(false);
}

void CDateTimeCtrl::StepField(int direction) {
    SystemTime t = time_;
    switch (field_kind(field_)) {
        case kHour:
            t.hour = static_cast<uint16_t>(wrap(t.hour + direction, 0, 23));
            break;
        case kMinute:
            t.minute = static_cast<uint16_t>(wrap(t.minute + direction, 0, 59));
            break;
        case kSecond:
            t.second = static_cast<uint16_t>(wrap(t.second + direction, 0, 59));
            break;
        case kDay:
            t.day =
                static_cast<uint16_t>(wrap(t.day + direction, 1, days_in_month(t.year, t.month)));
            break;
        case kMonth:
            t.month = static_cast<uint16_t>(wrap(t.month + direction, 1, 12));
            break;
        case kYear:
            t.year =
                static_cast<uint16_t>(wrap(t.year + direction, kPickerFirstYear, kPickerLastYear));
            break;
    }
    SetTime(t);  // clamps the day to the new month's length
    notify_change();
}

std::u16string CDateTimeCtrl::FormatText() const {
    char buf[32];
    if (IsTimeFormat()) {
        std::snprintf(buf, sizeof buf, "%02u:%02u:%02u", time_.hour, time_.minute, time_.second);
    } else {
        std::snprintf(buf, sizeof buf, "%02u/%02u/%04u", time_.day, time_.month, time_.year);
    }
    return widen(buf);
}

void CDateTimeCtrl::notify_change() {
    if (CWnd* parent = GetParent()) {
        NMDATETIMECHANGE nm;
        nm.idFrom = GetDlgCtrlID();
        nm.st = time_;
        parent->SendMessage(WM_NOTIFY, static_cast<uintptr_t>(nm.idFrom),
                            reinterpret_cast<intptr_t>(&nm));
    }
}

intptr_t CDateTimeCtrl::WindowProc(uint32_t msg, uintptr_t wp, intptr_t lp) {
    switch (msg) {
        case DTM_GETSYSTEMTIME:
            if (!lp) return GDT_ERROR;
            *reinterpret_cast<SystemTime*>(lp) = time_;
            return GDT_VALID;
        case DTM_SETSYSTEMTIME:
            return lp && wp == GDT_VALID ? SetTime(*reinterpret_cast<const SystemTime*>(lp)) : 0;
        default:
            return CWnd::WindowProc(msg, wp, lp);
    }
}

void CDateTimeCtrl::OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) {
    switch (key) {
        case VK_LEFT:
            SelectField(field_ - 1);
            return;
        case VK_RIGHT:
            SelectField(field_ + 1);
            return;
        case VK_UP:
            StepField(+1);
            return;
        case VK_DOWN:
            StepField(-1);
            return;
        default:
            CWnd::OnKeyDown(key, repeat, flags);
    }
}

void CDateTimeCtrl::OnSetFocus(CWnd*) {
    Invalidate(false);
}

void CDateTimeCtrl::OnKillFocus(CWnd*) {
    Invalidate(false);
}

void CDateTimeCtrl::OnLButtonDown(uint32_t, Point p) {
    SetFocus();
    // The field under the tap becomes the selected one.
    const std::u16string text = FormatText();
    const Font font = control_font(this);
    const int x0 = CEdit::kMargin;
    int start = 0;
    for (int i = 0; i < kFieldCount; ++i) {
        const size_t end =
            std::min(text.size(), text.find_first_of(u":/", static_cast<size_t>(start)));
        const int right = x0 + font.text_extent(std::u16string_view(text).substr(0, end)).cx;
        if (p.x < right || i == kFieldCount - 1) {
            SelectField(i);
            return;
        }
        start = static_cast<int>(end) + 1;
    }
}

void CDateTimeCtrl::OnPaint() {
    CPaintDC pdc(this);
    Dc& dc = pdc.dc();
    dc.select_font(control_font(this));
    const Brush bg = control_colors(this, dc, WM_CTLCOLOREDIT, Brush::solid(kPickerBack));
    const COLORREF text_color = dc.text_color();
    const Rect r = client_rect();
    dc.fill_rect(r, bg);
    dc.set_bk_mode(TRANSPARENT);
    const std::u16string text = FormatText();
    const int line_h = dc.font().metrics().height;
    const int y = (r.height() - line_h) / 2;
    const bool focused = focus_window() == this;
    int x = CEdit::kMargin;
    size_t pos = 0;
    for (int i = 0; i < kFieldCount; ++i) {
        size_t end = text.find_first_of(u":/", pos);
        if (end == std::u16string::npos) end = text.size();
        const std::u16string_view part = std::u16string_view(text).substr(pos, end - pos);
        const int w = dc.text_extent(part).cx;
        if (focused && i == field_) {
            dc.fill_rect({x, y, x + w, y + line_h}, kSelectionBack);
            dc.set_text_color(kSelectionText);
        } else {
            dc.set_text_color(text_color);
        }
        dc.text_out(x, y, part);
        x += w;
        if (end < text.size()) {
            dc.set_text_color(text_color);
            const std::u16string_view sep = std::u16string_view(text).substr(end, 1);
            dc.text_out(x, y, sep);
            x += dc.text_extent(sep).cx;
        }
        pos = end + 1;
    }
    if (style() & WS_BORDER) dc.frame_rect(r, Brush::solid(kControlFrame));
}

void register_date_time_control() {
    static std::once_flag once;
    std::call_once(once, [] {
        register_control_class(kDateTimeClass, [] { return std::make_unique<CDateTimeCtrl>(); });
    });
}

}  // namespace plat

#include "platform/framework/progress.h"

#include <algorithm>
#include <mutex>

#include "platform/framework/controls.h"
#include "platform/framework/dialog.h"

namespace plat {

bool CProgressCtrl::Create(uint32_t style, const Rect& r, CWnd* parent, int id) {
    return CWnd::Create(kProgressClass, u"", style | WS_CHILD, r, parent, id);
}

void CProgressCtrl::SetRange32(int32_t lower, int32_t upper) {
    lower_ = lower;
    upper_ = upper;
    pos_ = std::clamp(pos_, std::min(lower_, upper_), std::max(lower_, upper_));
    Invalidate();
}

void CProgressCtrl::GetRange(int32_t& lower, int32_t& upper) const {
    lower = lower_;
    upper = upper_;
}

int32_t CProgressCtrl::SetPos(int32_t pos) {
    const int32_t old = pos_;
    pos_ = std::clamp(pos, std::min(lower_, upper_), std::max(lower_, upper_));
    if (pos_ != old) Invalidate(false);
    return old;
}

int32_t CProgressCtrl::OffsetPos(int32_t delta) {
    return SetPos(
        static_cast<int32_t>(std::clamp<int64_t>(int64_t{pos_} + delta, INT32_MIN, INT32_MAX)));
}

int32_t CProgressCtrl::SetStep(int32_t step) {
    const int32_t old = step_;
    step_ = step;
    return old;
}

int32_t CProgressCtrl::StepIt() {
    const int32_t old = pos_;
    int64_t next = int64_t{pos_} + step_;
    if (next > upper_) next = lower_ + (next - upper_);  // wraps as the platform's bar does
    SetPos(static_cast<int32_t>(next));
    return old;
}

Rect CProgressCtrl::BarInside() const {
    const Rect r = client_rect();
    return (style() & WS_BORDER) ? r.inflate(-1, -1) : r;
}

int CProgressCtrl::FilledWidth() const {
    const int64_t span = int64_t{upper_} - lower_;
    if (span <= 0) return 0;
    const int64_t width = BarInside().width();
    return static_cast<int>((int64_t{pos_} - lower_) * width / span);
}

intptr_t CProgressCtrl::WindowProc(uint32_t msg, uintptr_t wp, intptr_t lp) {
    switch (msg) {
        case PBM_SETRANGE: {
            const intptr_t old =
                make_lparam(static_cast<uint16_t>(lower_), static_cast<uint16_t>(upper_));
            SetRange32(loword(static_cast<uintptr_t>(lp)), hiword(static_cast<uintptr_t>(lp)));
            return old;
        }
        case PBM_SETRANGE32: {
            const intptr_t old =
                make_lparam(static_cast<uint16_t>(lower_), static_cast<uint16_t>(upper_));
            SetRange32(static_cast<int32_t>(wp), static_cast<int32_t>(lp));
            return old;
        }
        case PBM_GETRANGE:
            return wp ? lower_ : upper_;
        case PBM_SETPOS:
            return SetPos(static_cast<int32_t>(wp));
        case PBM_DELTAPOS:
            return OffsetPos(static_cast<int32_t>(wp));
        case PBM_SETSTEP:
            return SetStep(static_cast<int32_t>(wp));
        case PBM_STEPIT:
            return StepIt();
        case PBM_GETPOS:
            return pos_;
        default:
            return CWnd::WindowProc(msg, wp, lp);
    }
}

void CProgressCtrl::OnPaint() {
    CPaintDC pdc(this);
    Dc& dc = pdc.dc();
    const Brush bg = control_colors(this, dc, WM_CTLCOLORSTATIC, Brush::solid(kControlFace));
    const Rect r = client_rect();
    dc.fill_rect(r, bg);
    const Rect inside = BarInside();
    dc.fill_rect({inside.left, inside.top, inside.left + FilledWidth(), inside.bottom},
                 kProgressFill);
    if (style() & WS_BORDER) dc.frame_rect(r, Brush::solid(kControlFrame));
}

void register_progress_control() {
    static std::once_flag once;
    std::call_once(once, [] {
        register_control_class(kProgressClass, [] { return std::make_unique<CProgressCtrl>(); });
    });
}

}  // namespace plat
